// Font, pen and brush, and the table that maps the font names the forms ask
// for onto the DejaVu families every machine has.

#include "platform/gui/Graphics.h"

#include <QFontMetricsF>
#include <cmath>

namespace {

// The host's MulDiv: a * b / c rounded half away from zero.
int MulDivRound(int a, int b, int c) {
  const long long n = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(n >= 0 ? (n + half) / c : -((-n + half) / c));
}

struct FontAlias {
  const char* name;
  const char* family;
  bool bold;
};

constexpr const char* kSans = "DejaVu Sans";
constexpr const char* kSerif = "DejaVu Serif";
constexpr const char* kMono = "DejaVu Sans Mono";

constexpr FontAlias kAliases[] = {
    {"ms sans serif", kSans, false},
    {"microsoft sans serif", kSans, false},
    {"ms shell dlg", kSans, false},
    {"ms shell dlg 2", kSans, false},
    {"tahoma", kSans, false},
    {"arial", kSans, false},
    {"verdana", kSans, false},
    {"segoe ui", kSans, false},
    {"helvetica", kSans, false},
    {"system", kSans, false},
    {"small fonts", kSans, false},
    {"trebuchet ms", kSans, false},
    {"lucida sans unicode", kSans, false},
    {"century gothic", kSans, false},
    {"sans", kSans, false},
    {"sans-serif", kSans, false},
    {"dejavu sans", kSans, false},
    {"impact", kSans, true},
    {"arial black", kSans, true},
    {"times new roman", kSerif, false},
    {"times", kSerif, false},
    {"ms serif", kSerif, false},
    {"georgia", kSerif, false},
    {"garamond", kSerif, false},
    {"book antiqua", kSerif, false},
    {"palatino linotype", kSerif, false},
    {"serif", kSerif, false},
    {"dejavu serif", kSerif, false},
    {"courier new", kMono, false},
    {"courier", kMono, false},
    {"lucida console", kMono, false},
    {"consolas", kMono, false},
    {"fixedsys", kMono, false},
    {"terminal", kMono, false},
    {"monospace", kMono, false},
    {"dejavu sans mono", kMono, false},
};

}  // namespace

QString MapFontName(const QString& name, bool* forceBold) {
  const QString key = name.trimmed().toLower();
  for (const FontAlias& a : kAliases) {
    if (key == QLatin1String(a.name)) {
      if (forceBold) *forceBold = a.bold;
      return QString::fromLatin1(a.family);
    }
  }
  if (forceBold) *forceBold = false;
  return QString::fromLatin1(kSans);
}

void TFont::Assign(const TFont& other) {
  if (this == &other || *this == other) return;
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  color_ = other.color_;
  charset_ = other.charset_;
  pitch_ = other.pitch_;
  Changed();
}

void TFont::SetName(const QString& name) {
  if (name.isEmpty() || name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -MulDivRound(height_, 72, kPixelsPerInch); }
void TFont::SetSize(int points) { SetHeight(-MulDivRound(points, kPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetCharset(int charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

QFont TFont::ToQFont() const {
  bool heavy = false;
  QFont f(MapFontName(name_, &heavy));
  f.setStyleStrategy(
      QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging | QFont::NoSubpixelAntialias));
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  f.setBold(heavy || (style_ & fsBold));
  f.setUnderline(style_ & fsUnderline);
  f.setStrikeOut(style_ & fsStrikeOut);
  int pixels = 11;
  if (height_ < 0) {
    pixels = -height_;
  } else if (height_ > 0) {
    // A positive height is the cell (ascent + descent); find the character
    // height that gives it from the face's own proportions.
    QFont probe = f;
    probe.setPixelSize(1000);
    QFontMetricsF fm(probe);
    const double cell = fm.ascent() + fm.descent();
    pixels = cell > 0 ? std::max(1, int(std::lround(height_ * 1000.0 / cell))) : height_;
  }
  f.setPixelSize(std::max(1, pixels));
  return f;
}

void TPen::Assign(const TPen& other) {
  if (this == &other) return;
  color_ = other.color_;
  width_ = other.width_;
  style_ = other.style_;
  mode_ = other.mode_;
  Changed();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 0);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed();
}

void TBrush::Assign(const TBrush& other) {
  if (this == &other) return;
  color_ = other.color_;
  style_ = other.style_;
  bitmap_ = other.bitmap_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  // Giving a clear brush a colour makes it solid, as callers expect when
  // they set a colour and fill.
  if (color == color_ && style_ != bsClear) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  if (bitmap == bitmap_) return;
  bitmap_ = bitmap;
  Changed();
}
