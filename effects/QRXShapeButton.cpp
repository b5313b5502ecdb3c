#include "effects/QRXShapeButton.h"

#include <algorithm>
#include <vector>

#include "effects/QRXBmpStream.h"
#include "effects/QRXDraw.h"
#include "effects/QRXImgList.h"
#include "effects/QRXRegion.h"
#include "platform/core/Streams.h"

namespace {

bool DownLook(int state) { return state == 3 || state == 4 || state == 6 || state == 7; }

unsigned TileModeToDrawFlags(TQRXTileMode mode) {
  switch (mode) {
    case TQRXTileMode::tmCenter:
      return kQRXDrawCenter;
    case TQRXTileMode::tmStretch:
      return kQRXDrawStretch;
    case TQRXTileMode::tmTile:
      return kQRXDrawTile;
    default:
      return 0;
  }
}

}  // namespace

// --- TQRXShapeButtonColor ---

void TQRXShapeButtonColor::SetColor(int index, TColor v) {
  if (index < 0 || index > 4 || colors_[index] == v) return;
  colors_[index] = v;
  Change();
}

TColor TQRXShapeButtonColor::ForState(int state) const {
  switch (state) {
    case 1:
    case 7:
      return Disabled();
    case 2:
      return MouseOver();
    case 3:
    case 6:
      return OptionSet();
    case 4:
      return Down();
    default:
      return Up();
  }
}

void TQRXShapeButtonColor::Assign(const TQRXObject* source) {
  // Assigning the whole object copies the five colours with one notice.
  auto* other = dynamic_cast<const TQRXShapeButtonColor*>(source);
  if (!other) {
    TQRXObject::Assign(source);
    return;
  }
  bool changed = false;
  for (int i = 0; i < 5; ++i) {
    changed = changed || colors_[i] != other->colors_[i];
    colors_[i] = other->colors_[i];
  }
  if (changed) Change();
}

// --- TQRXCustomShapeButton ---

TQRXCustomShapeButton::TQRXCustomShapeButton(TComponent* owner)
    : TQRXBaseGraphicButton(owner),
      shape_(std::make_unique<TQRXShape>()),
      colors_(std::make_unique<TQRXShapeButtonColor>()),
      fill_cache_(std::make_unique<TBitmap>()),
      shape_fill_(std::make_unique<TQRXShapeFill>()) {
  SetAllowMouseOver(true);
  shape_->Brush().SetColor(clBtnFace);
  shape_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  colors_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  shape_fill_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  fill_link_.OnChange = [this](TComponent* sender) { ShapeFillListChanged(sender); };
  constructed_ = true;
  UpdateShape(nullptr);
}

TQRXCustomShapeButton::~TQRXCustomShapeButton() {
  constructed_ = false;
  shape_->OnChange = nullptr;
  colors_->OnChange = nullptr;
  shape_fill_->OnChange = nullptr;
  fill_link_.OnChange = nullptr;
  if (fill_list_) {
    fill_list_->UnregisterChanges(&fill_link_);
    RemoveFreeNotification(fill_list_);
  }
}

void TQRXCustomShapeButton::SetShape(const TQRXShape& v) {
  // The shape has no whole-object copy: its parts are copied one by one.
  shape_->SetShape(v.Shape());
  shape_->SetRoundPercent(v.RoundPercent());
  shape_->SetSquare(v.Square());
  shape_->SetBevel(v.Bevel());
  shape_->SetShadow(v.Shadow());
  shape_->SetBrush(v.Brush());
}

void TQRXCustomShapeButton::SetStyle(TQRXShapeButtonStyle v) {
  if (v == style_) return;
  style_ = v;
  GetChange(nullptr);
}

void TQRXCustomShapeButton::SetMode(TQRXShapeButtonMode v) {
  if (v == mode_) return;
  mode_ = v;
  if (v == TQRXShapeButtonMode::sbmShapeFast) fill_cache_ = std::make_unique<TBitmap>();
  GetChange(nullptr);
}

void TQRXCustomShapeButton::SetShapeFillImageList(TQRXCustomImageList* list) {
  if (fill_list_) {
    fill_list_->UnregisterChanges(&fill_link_);
    RemoveFreeNotification(fill_list_);
  }
  fill_list_ = list;
  if (fill_list_) {
    fill_list_->RegisterChanges(&fill_link_);
    FreeNotification(fill_list_);
  }
  ShapeFillListChanged(this);
}

void TQRXCustomShapeButton::SetFillIndex(int which, int v) {
  int& field = which == 0 ? fill_image_index_ : fill_list_index_;
  if (v < 0 || v == field) return;
  field = v;
  if (fill_list_) ShapeFillListChanged(this);
}

void TQRXCustomShapeButton::ShapeFillListChanged(TComponent*) {
  if (fill_list_ && fill_list_->IsValid(fill_list_index_, fill_image_index_)) {
    TBitmap item;
    fill_list_->GetBitmap(fill_list_index_, fill_image_index_, item);
    shape_fill_->SetListBitmap(item);
  } else {
    shape_fill_->SetListBitmap(TBitmap());
  }
  GetChange(nullptr);
}

void TQRXCustomShapeButton::RebuildOutline() {
  for (FaceLook& look : face_looks_) look = FaceLook{};
  const TQRXShadow* shadow = style_ == TQRXShapeButtonStyle::sbsShadow ? &shape_->Shadow() : nullptr;
  BuildShapePolygon(ClientRect(), shape_->Shape(), shape_->Square(), shape_->RoundPercent(), &shape_->Bevel(),
                    shadow, outline_);
}

void TQRXCustomShapeButton::UpdateShape(TQRXObject*) {
  if (!constructed_) return;
  for (FaceLook& look : face_looks_) look = FaceLook{};
  const TRect client = ClientRect();
  if (mode_ == TQRXShapeButtonMode::sbmShapeFill) {
    if (client.IsEmpty()) return;
    fill_cache_->SetSize(client.Width(), client.Height());
    TCanvas& c = fill_cache_->Canvas();
    switch (shape_fill_->Style()) {
      case TQRXFillStyle::sfGradient:
        shape_fill_->Gradient().PaintGradient(c, client);
        break;
      case TQRXFillStyle::sfBitmap:
      case TQRXFillStyle::sfBitmapList: {
        c.Brush().SetBitmap(nullptr);
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(Color());
        c.FillRect(client);
        TBitmap* picture = shape_fill_->CurrentBitmap();
        if (picture && !picture->Empty())
          DrawListBitmap(c, client, *picture, TileModeToDrawFlags(shape_fill_->TileMode()), clNone);
        break;
      }
      default:
        break;
    }
  }
  RebuildOutline();
  if (Transparent() && mode_ == TQRXShapeButtonMode::sbmShapeFill && isVisible())
    repaint();
  else
    Invalidate();
}

void TQRXCustomShapeButton::BoundsChanged(TQRXBoundsChange change) {
  TQRXBaseGraphicButton::BoundsChanged(change);
  if (change & kQRXSizeChanged) GetChange(nullptr);
}

bool TQRXCustomShapeButton::HasMouseOverLook() const { return colors_->MouseOver() != colors_->Up(); }

bool TQRXCustomShapeButton::PointInButton(int x, int y) const {
  using enum TQRXShapeType;
  const TQRXShadow& shadow = shape_->Shadow();
  const int d = style_ == TQRXShapeButtonStyle::sbsShadow && shadow.Style() != TQRXShadowStyle::hssNone
                    ? shadow.Depth()
                    : 0;
  const int r = std::min(Width() - d, Height() - d) * shape_->RoundPercent() / 100;
  const int half = outline_.Count() / 2;
  if (half < 2) return false;
  QRegion region;
  const TPoint a = outline_.Point(0), b = outline_.Point(1);
  switch (shape_->Shape()) {
    case stEllipse:
      region = EllipseRegion(a.X, a.Y, b.X, b.Y);
      break;
    case stRectangle:
      region = QRegion(a.X, a.Y, b.X - a.X, b.Y - a.Y);
      break;
    case stRoundRect:
      region = RoundRectRegion(Rect(a.X, a.Y, b.X, b.Y), r, r);
      break;
    default: {
      std::vector<TPoint> points;
      points.reserve(std::size_t(half));
      for (int i = 0; i < half; ++i) points.push_back(outline_.Point(i));
      region = PolygonRegion(points);
      break;
    }
  }
  region.translate(-d, -d);
  return region.contains(QPoint(x, y));
}

TRect TQRXCustomShapeButton::ContentRect() const {
  const int bw = shape_->Bevel().Width();
  const int d = shape_->Shadow().Depth();
  TRect r = Rect(bw + 1, bw + 1, Width() - 2 * bw - d - 1, Height() - 2 * bw - d - 1);
  const int state = ButtonState();
  if (state == 3 || state == 4 || state == 6) {
    const int shift = style_ == TQRXShapeButtonStyle::sbs3D ? 2 : d;
    OffsetRect(r, shift, shift);
  }
  return r;
}

const TQRXShadow* TQRXCustomShapeButton::StateShadow(std::unique_ptr<TQRXShadow>& holder) const {
  if (style_ == TQRXShapeButtonStyle::sbs3D) return nullptr;
  if (!DownLook(ButtonState())) return &shape_->Shadow();
  // Depth 0 on an outline built with the real depth leaves the face where
  // the shadow was: the face sinks into it.
  holder = std::make_unique<TQRXShadow>();
  holder->SetColor(shape_->Shadow().Color());
  holder->SetStyle(shape_->Shadow().Style());
  holder->SetDepth(0);
  return holder.get();
}

const TQRXSimpleBevel* TQRXCustomShapeButton::StateBevel(std::unique_ptr<TQRXSimpleBevel>& holder) const {
  if (style_ == TQRXShapeButtonStyle::sbsShadow) return &shape_->Bevel();
  holder = std::make_unique<TQRXSimpleBevel>();
  holder->SetLightColor(shape_->Bevel().LightColor());
  holder->SetShadowColor(shape_->Bevel().ShadowColor());
  holder->SetWidth(shape_->Bevel().Width());
  holder->SetStyle(DownLook(ButtonState()) ? TQRXSimpleBevelStyle::sbInset : TQRXSimpleBevelStyle::sbOffset);
  return holder.get();
}

void TQRXCustomShapeButton::Paint() {
  if (Loading()) return;
  if (mode_ == TQRXShapeButtonMode::sbmShapeFast)
    PaintFast(*Canvas());
  else
    PaintFill(*Canvas());
}

void TQRXCustomShapeButton::PaintFast(TCanvas& canvas) {
  const TRect client = ClientRect();
  if (!Transparent()) {
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.Pen().SetStyle(psClear);
    canvas.FillRect(client);
  } else if (BackgroundAvailable()) {
    CopyParentBackground(canvas, client, TPoint{Left(), Top()});
  }
  const TColor face = colors_->ForState(ButtonState());
  auto draw = [&](TCanvas& target) {
    TBrush brush;
    brush.SetStyle(bsSolid);
    brush.SetColor(face);
    std::unique_ptr<TQRXShadow> shadowHolder;
    std::unique_ptr<TQRXSimpleBevel> bevelHolder;
    const TQRXShadow* shadow = StateShadow(shadowHolder);
    const TQRXSimpleBevel* bevel = StateBevel(bevelHolder);
    DrawShape(client, target, shape_->Shape(), &outline_, shape_->Square(), brush, shape_->RoundPercent(), bevel,
              shadow, nullptr, Color(), Color());
  };
  // A tracing shadow is mixed with what lies below it, so only the other
  // looks are kept as pictures: a repaint then copies the shape in one step
  // instead of rasterising its outlines again.
  const bool tracing = style_ == TQRXShapeButtonStyle::sbsShadow &&
                       shape_->Shadow().Style() == TQRXShadowStyle::hssTracing && shape_->Shadow().Depth() > 0;
  if (tracing || client.IsEmpty()) {
    draw(canvas);
  } else {
    FaceLook& look = face_looks_[DownLook(ButtonState()) ? 1 : 0];
    if (look.image.isNull() || look.face != face) {
      look.image = QImage(client.Width(), client.Height(), QImage::Format_ARGB32);
      look.image.fill(Qt::transparent);
      TCanvas picture(&look.image);
      draw(picture);
      look.face = face;
    }
    canvas.DrawImage(QPoint(client.Left, client.Top), look.image, std::nullopt, true);
  }
  DrawCaptionAndGlyph(canvas, ContentRect());
}

void TQRXCustomShapeButton::PaintFill(TCanvas& target) {
  const TRect client = ClientRect();
  if (client.IsEmpty()) return;
  const int state = ButtonState();
  // A down face shows its picture moved with it.
  TBitmap moved;
  TBitmap* picture = fill_cache_.get();
  if (DownLook(state)) {
    const int shift = style_ == TQRXShapeButtonStyle::sbs3D ? 2 : shape_->Shadow().Depth();
    moved.SetSize(Width(), Height());
    moved.Canvas().Brush().SetColor(Color());
    moved.Canvas().FillRect(client);
    moved.Canvas().Draw(shift, shift, *fill_cache_);
    picture = &moved;
  }
  TBitmap off;
  off.SetSize(Width(), Height());
  TCanvas& c = off.Canvas();
  const bool background = BackgroundAvailable();
  if (background) {
    CopyParentBackground(c, client, TPoint{Left(), Top()});
  } else {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(client);
  }
  std::unique_ptr<TQRXShadow> shadowHolder;
  std::unique_ptr<TQRXSimpleBevel> bevelHolder;
  const TQRXShadow* shadow = StateShadow(shadowHolder);
  const TQRXSimpleBevel* bevel = StateBevel(bevelHolder);
  TBrush temp;
  const TBrush* brush = &shape_->Brush();
  TBitmap* fill = nullptr;
  switch (shape_fill_->Style()) {
    case TQRXFillStyle::sfNone:
      temp.SetStyle(bsClear);
      brush = &temp;
      break;
    case TQRXFillStyle::sfBrushBitmap:
      temp.SetBitmap(&shape_fill_->Bitmap());
      brush = &temp;
      break;
    case TQRXFillStyle::sfBrush:
      c.Brush().SetColor(Color());
      break;
    case TQRXFillStyle::sfGradient:
      shape_fill_->Gradient().RealizePalette(target);
      fill = picture;
      break;
    default:
      fill = picture;
      break;
  }
  DrawShape(client, c, shape_->Shape(), &outline_, shape_->Square(), *brush, shape_->RoundPercent(), bevel, shadow,
            fill, Color(), Color());
  DrawCaptionAndGlyph(c, ContentRect());
  if (background || !Transparent()) {
    target.Draw(0, 0, off);
  } else {
    // What is left in Color lies outside the shape: the parent shows there.
    DrawBitmapStyled(target, client, c, client, 0x1040, Color(), GetPalette(), nullptr, nullptr);
  }
}

void TQRXCustomShapeButton::Loaded() {
  TQRXBaseGraphicButton::Loaded();
  if (shape_->Shape() == TQRXShapeType::stRectangle) RebuildOutline();
  if (fill_list_ && IsImageListConnector(fill_list_)) ShapeFillListChanged(this);
}

void TQRXCustomShapeButton::Notification(TComponent* component, TOperation operation) {
  TQRXBaseGraphicButton::Notification(component, operation);
  if (operation == TOperation::opRemove && component == fill_list_) {
    fill_list_ = nullptr;
    ShapeFillListChanged(this);
  }
}

void TQRXCustomShapeButton::DefineProperties(TQRXFiler& filer) {
  filer.DefineBinaryProperty(
      "InternalBtn",
      [this](TStream& s) {
        const std::int32_t n = ReadStreamInteger(s);
        if (n < 0 || n > 64 || n > s.Size() - s.Position()) throw EReadError("InternalBtn: invalid list reference");
        std::string ref(std::size_t(n), '\0');
        s.ReadBuffer(ref.data(), n);
        SetShapeFillImageList(dynamic_cast<TQRXCustomImageList*>(ReadGlobalListRef(ref)));
      },
      [this](TStream& s) {
        const std::string ref = WriteGlobalListRef(fill_list_);
        WriteStreamInteger(s, std::int32_t(ref.size()));
        s.WriteBuffer(ref.data(), std::int64_t(ref.size()));
      },
      fill_list_ && IsGlobalImageList(fill_list_));
  filer.DefineBinaryProperty(
      "CaptionClip",
      [](TStream& s) {
        std::uint8_t dropped = 0;
        if (s.Size() - s.Position() >= 1) s.ReadBuffer(&dropped, 1);
      },
      [](TStream&) {}, false);
}
