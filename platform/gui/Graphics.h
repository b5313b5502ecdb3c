#pragma once
// The drawing tools a canvas holds: font, pen and brush. Each tells its
// owner about a change through OnChange, so a control can repaint when its
// font changes.

#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/gui/Color.h"

class TBitmap;

class TGraphicsObject {
 public:
  virtual ~TGraphicsObject() = default;
  std::function<void(TGraphicsObject* sender)> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr int DEFAULT_CHARSET = 1;
constexpr int ANSI_CHARSET = 0;
constexpr int SYMBOL_CHARSET = 2;
constexpr int OEM_CHARSET = 255;

// Pixels per inch of every canvas: point sizes convert to pixels at 96.
constexpr int kPixelsPerInch = 96;

// A font by the host's description. Height is in pixels: negative for the
// character height (what a point size gives), positive for the cell height
// (ascent + descent). Names map to the DejaVu families (see MapFontName).
class TFont : public TGraphicsObject {
 public:
  TFont() = default;
  // Copies take the values only: whoever listens to the original (a control
  // to its own font) never hears of changes made to a copy.
  TFont(const TFont& other) { Assign(other); }
  TFont& operator=(const TFont& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TFont& other);

  const QString& Name() const { return name_; }
  void SetName(const QString& name);
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at 96 pixels per inch; rounds like the host (MulDiv).
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Charset() const { return charset_; }
  void SetCharset(int charset);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);

  // The Qt font this one draws with: the mapped family at an exact pixel
  // size, no antialiasing, full hinting, no fallback to other families.
  // Italic is drawn by the canvas as a slant (see Canvas.cpp), so the Qt
  // font is never italic: machines differ in which oblique faces exist.
  QFont ToQFont() const;

  friend bool operator==(const TFont& a, const TFont& b) {
    return a.name_ == b.name_ && a.height_ == b.height_ && a.style_ == b.style_ && a.color_ == b.color_ &&
           a.charset_ == b.charset_ && a.pitch_ == b.pitch_;
  }

 private:
  QString name_ = QStringLiteral("MS Sans Serif");
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  int charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
};

// The installed family a requested font name draws with: "DejaVu Sans",
// "DejaVu Serif" or "DejaVu Sans Mono". The same table on every machine;
// an unknown name gets the sans family. `forceBold` is set for names whose
// face is heavy by nature ("Impact", "Arial Black").
QString MapFontName(const QString& name, bool* forceBold = nullptr);

// Pen mode: how the pen colour combines with what is there (the host's
// binary raster operations).
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  TPen(const TPen& other) { Assign(other); }
  TPen& operator=(const TPen& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TPen& other);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

// A brush: solid, clear, one of six 8 x 8 hatches drawn in Color on a
// transparent background, or a pattern bitmap (not owned; the caller keeps
// it alive while the brush uses it). Patterns and hatches are anchored at
// the canvas's brush origin.
class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  TBrush(const TBrush& other) { Assign(other); }
  TBrush& operator=(const TBrush& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TBrush& other);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* bitmap);

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};
