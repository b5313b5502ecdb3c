#pragma once
// DrawText: the host's formatted text output into a rectangle, with the
// DT_* flags callers use. Layout is ours (lines, word breaks, tabs,
// ellipses, "&" accelerators) and measured with the canvas's font, so it is
// the same on every machine.

#include <QString>

#include "platform/gui/Canvas.h"

constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_TABSTOP = 0x80;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_INTERNAL = 0x1000;
constexpr unsigned DT_EDITCONTROL = 0x2000;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_MODIFYSTRING = 0x10000;
constexpr unsigned DT_RTLREADING = 0x20000;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

// Draws `text` into `rect` with the canvas's font, font colour and brush
// (an opaque brush fills behind each line, as the host's opaque background
// mode does). Returns the height of the text; with DT_VCENTER or DT_BOTTOM
// on a single line, the offset from rect.Top to the bottom of the text.
// With DT_CALCRECT nothing is drawn: rect keeps its left and top and gets
// the text's width and height (an empty text gives an empty rectangle and 0).
//
// Lines break at CR, LF and CR LF unless DT_SINGLELINE. DT_WORDBREAK breaks
// at spaces where a line would be wider than the rectangle; a word wider
// than the rectangle is not split. Tabs expand to every eighth average
// character width with DT_EXPANDTABS and take no room otherwise.
// DT_END_ELLIPSIS and DT_PATH_ELLIPSIS shorten a line that does not fit
// with "..." (at the end, or before the last path part). Without
// DT_NOPREFIX "&x" underlines x and "&&" shows "&" (DT_HIDEPREFIX removes
// the "&" without underlining). Unless DT_NOCLIP, drawing is clipped to rect.
int DrawText(TCanvas& canvas, const QString& text, TRect& rect, unsigned format);
