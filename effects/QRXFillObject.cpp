#include "effects/QRXFillObject.h"

#include <cstdio>

#include "effects/QRXDraw.h"
#include "effects/QRXPixelFormat.h"
#include "effects/QRXUtils.h"

namespace {

template <class T, class V>
bool Store(T& field, V value) {
  if (field == T(value)) return false;
  field = T(value);
  return true;
}

void SolidFill(TCanvas& canvas, const TRect& rect, TColor color) {
  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
  canvas.FillRect(rect);
}

}  // namespace

// --- TQRXShapeFill ---

TQRXShapeFill::TQRXShapeFill()
    : bitmap_(std::make_unique<TBitmap>()),
      list_bitmap_(std::make_unique<TBitmap>()),
      gradient_(std::make_unique<TQRXGradient>()) {
  bitmap_->OnChange = [this](TGraphic*) { GetChange(this); };
  gradient_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXShapeFill::~TQRXShapeFill() {
  bitmap_->OnChange = nullptr;
  gradient_->OnChange = nullptr;
}

void TQRXShapeFill::SetStyle(TQRXFillStyle v) {
  if (Store(style_, v)) Change();
}

void TQRXShapeFill::SetTileMode(TQRXTileMode v) {
  if (Store(tile_mode_, v)) Change();
}

TBitmap* TQRXShapeFill::CurrentBitmap() {
  if (style_ == TQRXFillStyle::sfBitmap) return bitmap_.get();
  if (style_ == TQRXFillStyle::sfBitmapList) return list_bitmap_.get();
  return nullptr;
}

bool TQRXShapeFill::IsEmpty() const {
  switch (style_) {
    case TQRXFillStyle::sfNone:
      return true;
    case TQRXFillStyle::sfBitmap:
      return bitmap_->Empty();
    case TQRXFillStyle::sfBitmapList:
      return list_bitmap_->Empty();
    default:
      return false;
  }
}

TQRXPaletteHandle TQRXShapeFill::GetPalette() const {
  // Bitmaps draw on true-colour surfaces without a palette of their own.
  if (style_ == TQRXFillStyle::sfGradient) return gradient_->Palette();
  return nullptr;
}

void TQRXShapeFill::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXShapeFill*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  bitmap_->Assign(*other->bitmap_);
  list_bitmap_->Assign(*other->list_bitmap_);
  gradient_->Assign(other->gradient_.get());
  style_ = other->style_;
  tile_mode_ = other->tile_mode_;
  EndUpdate(true);
}

std::string TQRXShapeFill::GetSummary() const {
  switch (style_) {
    case TQRXFillStyle::sfNone:
      return "{Disabled}";
    case TQRXFillStyle::sfBrush:
      return "{Brush}";
    case TQRXFillStyle::sfBitmap:
      return "{Bitmap}";
    case TQRXFillStyle::sfBitmapList:
      return "{BitmapList}";
    case TQRXFillStyle::sfGradient:
      return "{Gradient}";
    default:
      return "{}";
  }
}

// --- TQRXFillObject ---

TQRXFillObject::TQRXFillObject() : brush_(std::make_unique<TBrush>()) {
  InitStyle(TQRXFillStyle::sfNone);
  brush_->OnChange = [this](TGraphicsObject*) { GetChange(this); };
}

TQRXFillObject::~TQRXFillObject() { brush_->OnChange = nullptr; }

bool TQRXFillObject::ShowsPlacement() const {
  return (Style() == TQRXFillStyle::sfBitmap || Style() == TQRXFillStyle::sfBitmapList) &&
         TileMode() == TQRXTileMode::tmNone;
}

void TQRXFillObject::SetAlignment(TQRXAlignment v) {
  if (Store(alignment_, v) && ShowsPlacement()) Change();
}

void TQRXFillObject::SetOffsetX(int v) {
  if (Store(offset_x_, v) && ShowsPlacement()) Change();
}

void TQRXFillObject::SetOffsetY(int v) {
  if (Store(offset_y_, v) && ShowsPlacement()) Change();
}

void TQRXFillObject::SetOptions(TQRXFillOptions v) {
  if (Store(options_, v)) Change();
}

void TQRXFillObject::FillInner(TCanvas& canvas, const TRect& rect, TColor backColor) const {
  if (options_.Contains(TQRXFillOption::foFillInner)) SolidFill(canvas, rect, backColor);
}

bool TQRXFillObject::DoFill(TCanvas& canvas, const TRect& rect, TColor backColor) {
  using enum TQRXFillStyle;
  switch (Style()) {
    case sfNone:
      return false;
    case sfBrushBitmap: {
      // Our brushes take any pattern size, as the NT line does.
      TBrush& brush = canvas.Brush();
      if (!Bitmap().Empty()) brush.SetBitmap(&Bitmap());
      try {
        canvas.FillRect(rect);
      } catch (...) {
        brush.SetBitmap(nullptr);
        throw;
      }
      brush.SetBitmap(nullptr);
      return true;
    }
    case sfBrush:
      canvas.Brush().Assign(*brush_);
      canvas.Pen().SetColor(backColor);
      // Hatches lie on the back colour, as on an opaque background.
      if (brush_->Style() != bsSolid && brush_->Style() != bsClear && !brush_->Bitmap()) {
        const TBitmap hatch = MakeOpaqueHatch(brush_->Style(), brush_->Color(), backColor);
        TBitmap pattern = hatch;
        canvas.Brush().SetBitmap(&pattern);
        canvas.FillRect(rect);
        canvas.Brush().SetBitmap(nullptr);
        return true;
      }
      canvas.FillRect(rect);
      return true;
    case sfBitmap:
    case sfBitmapList: {
      TBitmap& bitmap = Style() == sfBitmap ? Bitmap() : ListBitmap();
      if (bitmap.Empty()) {
        FillInner(canvas, rect, backColor);
        return false;
      }
      const unsigned palette = options_.Contains(TQRXFillOption::foQuickDraw) ? 0 : kQRXDrawPalette;
      switch (TileMode()) {
        case TQRXTileMode::tmNone: {
          FillInner(canvas, rect, backColor);
          TRect place = AlignRect(alignment_, Rect(0, 0, bitmap.Width(), bitmap.Height()), rect);
          OffsetRect(place, offset_x_, offset_y_);
          DrawListBitmap(canvas, place, bitmap, palette, clNone);
          break;
        }
        case TQRXTileMode::tmCenter:
          FillInner(canvas, rect, backColor);
          DrawListBitmap(canvas, rect, bitmap, palette | kQRXDrawCenter, clNone);
          break;
        case TQRXTileMode::tmStretch:
          DrawListBitmap(canvas, rect, bitmap, palette | kQRXDrawStretch, clNone);
          break;
        case TQRXTileMode::tmTile: {
          // Tiles past the rectangle stay inside it.
          TQRXClipScope clip(canvas, rect);
          DrawListBitmap(canvas, rect, bitmap, palette | kQRXDrawTile, clNone);
          break;
        }
      }
      return true;
    }
    case sfGradient: {
      const TQRXGradient& g = Gradient();
      unsigned flags = 0;
      if (options_.Contains(TQRXFillOption::foGrUseBitmap)) flags |= kQRXDrawOffscreen;
      if (g.PaletteRealize()) flags |= kQRXDrawPalette;
      DrawGradient(canvas, rect, g.Style(), &g.ColorTable(), g.Palette(), flags, 0);
      return true;
    }
  }
  return false;
}

bool TQRXFillObject::FillRect(TCanvas& canvas, const TRect& rect, std::uint32_t offset, TColor backColor) {
  (void)offset;
  if (Style() == TQRXFillStyle::sfGradient && options_.Contains(TQRXFillOption::foGrUseBitmap))
    return DoFill(canvas, rect, backColor);
  TQRXClipScope clip(canvas, rect);
  return DoFill(canvas, rect, backColor);
}

bool TQRXFillObject::IsTransparent() const {
  using enum TQRXFillStyle;
  const bool inner = options_.Contains(TQRXFillOption::foFillInner);
  switch (Style()) {
    case sfNone:
      return true;
    case sfBrush:
      return brush_->Style() != bsSolid && !inner;
    case sfBitmap:
    case sfBitmapList:
      return (TileMode() == TQRXTileMode::tmNone || TileMode() == TQRXTileMode::tmCenter) && !inner;
    default:
      return false;
  }
}

void TQRXFillObject::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXFillObject*>(source);
  if (!other) return TQRXShapeFill::Assign(source);
  BeginUpdate();
  brush_->Assign(*other->brush_);
  options_ = other->options_;
  TQRXShapeFill::Assign(source);  // its EndUpdate releases the lock and notifies once
}

// --- TQRXAlphaObject ---

TQRXAlphaObject::TQRXAlphaObject() : fill_(std::make_unique<TQRXFillObject>()) {
  fill_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXAlphaObject::~TQRXAlphaObject() { fill_->OnChange = nullptr; }

void TQRXAlphaObject::SetStrength(float v) {
  if (Store(strength_, v)) GetChange(this);
}

void TQRXAlphaObject::Apply(TBitmap& bitmap) {
  if (fill_->Style() == TQRXFillStyle::sfNone || bitmap.Empty()) return;
  TBitmap fill;
  fill.SetSize(bitmap.Width(), bitmap.Height());
  fill_->DoFill(fill.Canvas(), Rect(0, 0, fill.Width(), fill.Height()), clWhite);
  fill.SetTransparentColor(fill_->Bitmap().TransparentColor());
  bitmap.SetPixelFormat(pf24bit);
  fill.SetPixelFormat(pf24bit);
  AlphaBlendBitmaps(bitmap, fill, Rect(0, 0, bitmap.Width(), bitmap.Height()), Point(0, 0), bitmap, strength_,
                    Point(0, 0));
}

void TQRXAlphaObject::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXAlphaObject*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  fill_->Assign(other->fill_.get());
  strength_ = other->strength_;
  EndUpdate(true);
}

std::string TQRXAlphaObject::GetSummary() const {
  using enum TQRXFillStyle;
  const TQRXFillStyle style = fill_->Style();
  if (style == sfNone) return "{Disabled}";
  const char* kind = style == sfBrush                               ? "brush"
                     : (style == sfBitmap || style == sfBitmapList) ? "bmp"
                     : style == sfGradient                          ? "grad"
                                                                    : "";
  char strength[32];
  std::snprintf(strength, sizeof strength, "%.3f", double(strength_));
  return std::string("{Enabled (") + kind + "), strength: " + strength + "}";
}

// --- TQRXBitmapEffectObject ---

TQRXBitmapEffectObject::TQRXBitmapEffectObject() : alpha_(std::make_unique<TQRXAlphaObject>()) {
  alpha_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXBitmapEffectObject::~TQRXBitmapEffectObject() { alpha_->OnChange = nullptr; }

void TQRXBitmapEffectObject::GetChange(TQRXObject* sender) {
  TQRXObject::GetChange(sender);
  InvalidateBuffer();
}

void TQRXBitmapEffectObject::SetFlag(int index, bool v) {
  if (flags_[index] == v) return;
  flags_[index] = v;
  if (index == 4) {
    buffer_valid_ = false;
    if (v)
      buffer_ = std::make_unique<TBitmap>();
    else
      buffer_.reset();
  }
  GetChange(this);
}

void TQRXBitmapEffectObject::SetBrightness(int v) {
  CheckQRXRange(v, -255, 255, "Brightness");
  if (Store(brightness_, v)) GetChange(this);
}

void TQRXBitmapEffectObject::Apply(TBitmap& bitmap) {
  if (Buffered() && buffer_valid_ && buffer_) {
    bitmap.Canvas().Draw(0, 0, *buffer_);
    return;
  }
  if (bitmap.Empty()) return;
  bitmap.SetPixelFormat(pf24bit);
  const TRect whole = Rect(0, 0, bitmap.Width(), bitmap.Height());
  if (FlipVertical()) FlipBitmapLeftRight(bitmap, whole, bitmap, Point(0, 0));
  if (FlipHorizontal()) FlipBitmapTopBottom(bitmap, whole, bitmap, Point(0, 0));
  if (GrayScale()) GrayScaleBitmap(bitmap, whole, bitmap, Point(0, 0));
  if (Invert()) InvertBitmap(bitmap, whole, bitmap, Point(0, 0));
  if (Monochrome()) {
    bitmap.SetMonochrome(true);
    bitmap.SetPixelFormat(pf24bit);
  }
  if (brightness_ != 0) ChangeBrightness(bitmap, whole, bitmap, Point(0, 0), brightness_);
  alpha_->Apply(bitmap);
  if (Buffered() && buffer_) {
    buffer_->Assign(bitmap);
    buffer_valid_ = true;
  }
}

void TQRXBitmapEffectObject::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXBitmapEffectObject*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  for (int i = 0; i < 4; ++i) flags_[i] = other->flags_[i];
  brightness_ = other->brightness_;
  SetBuffered(other->Buffered());
  alpha_->Assign(other->alpha_.get());
  EndUpdate(true);
  InvalidateBuffer();
}

std::string TQRXBitmapEffectObject::GetSummary() const {
  std::string marks;
  auto add = [&](bool on, const char* mark) {
    if (!on) return;
    if (!marks.empty()) marks += ",";
    marks += mark;
  };
  add(alpha_->FillObject().Style() != TQRXFillStyle::sfNone, "alpha");
  add(FlipVertical(), "FV");
  add(FlipHorizontal(), "FH");
  add(GrayScale(), "GS");
  add(Invert(), "INV");
  add(brightness_ != 0, "B");
  return marks.empty() ? "{Disabled}" : "{" + marks + "}";
}
