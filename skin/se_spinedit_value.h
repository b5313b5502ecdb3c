#pragma once
// The spin edit's number rules without a window: its value is always its
// text, read in one of three notations, limited and written back.

#include <QChar>
#include <QString>

enum TSeSpinValueType { vtInteger, vtFloat, vtHex };

struct TSeSpinNotation {
  TSeSpinValueType type = vtInteger;
  int decimals = 2;  // shown in vtFloat
  // Equal limits mean none.
  double minValue = 0;
  double maxValue = 0;
};

// The text's value; text that does not read gives the lower limit (cut to
// an integer outside vtFloat).
double SpinTextToValue(const QString& text, const TSeSpinNotation& n);
double SpinClampValue(double v, const TSeSpinNotation& n);
// The limited value in the notation: fixed-point with the decimals, the
// nearest integer (halves to even), or that integer in upper-case hex.
QString SpinValueToText(double v, const TSeSpinNotation& n);
// Whether a typed character may go into `text`.
bool SpinIsValidChar(QChar key, const QString& text, TSeSpinValueType type, bool editorEnabled);
