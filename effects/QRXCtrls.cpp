#include "effects/QRXCtrls.h"

#include <QResizeEvent>

#include "effects/QRXDraw.h"
#include "effects/QRXText.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

namespace {

template <class T, class V>
bool Store(T& field, V value) {
  if (field == T(value)) return false;
  field = T(value);
  return true;
}

bool IsFrameStyle(TQRXBevelStyle s) {
  return s == TQRXBevelStyle::bvFrameLowered || s == TQRXBevelStyle::bvFrameRaised;
}

// `count` one-pixel rings in `color` (only the shrinking when transparent).
void BorderRings(TCanvas& canvas, TRect& r, int count, TColor color, bool transparent) {
  for (int i = 0; i < count; ++i) {
    if (!transparent) {
      canvas.Brush().SetBitmap(nullptr);
      canvas.Brush().SetStyle(bsSolid);
      canvas.Brush().SetColor(color);
      canvas.FrameRect(r);
    }
    InflateRect(r, -1, -1);
  }
}

}  // namespace

// --- TQRXBevel ---

TQRXBevel::TQRXBevel() { ComputeExtents(); }

void TQRXBevel::ComputeExtents() {
  using enum TQRXBevelStyle;
  switch (mode_) {
    case TQRXBevelMode::bmCustom:
      if (style_inner_ == bvShadow) {
        extent_ = width_inner_ + border_inner_width_;
      } else {
        extent_ = border_width_ + border_inner_width_;
        if (style_outer_ != bvNone) extent_ += width_outer_ + (IsFrameStyle(style_outer_) ? 1 : 0);
        if (style_inner_ != bvNone) extent_ += width_inner_ + (IsFrameStyle(style_inner_) ? 1 : 0);
      }
      break;
    case TQRXBevelMode::bmStandard:
      extent_ = BorderStyleExtent(standard_style_) + border_inner_width_;
      break;
    case TQRXBevelMode::bmEdge:
      extent_ = (border_sides_.Bits() != 0 ? 2 : 0) + border_inner_width_;
      break;
    case TQRXBevelMode::bmWindows:
      extent_ = windowed_ ? 0 : border_inner_width_ + 2;
      break;
  }
  extent2_ = (mode_ == TQRXBevelMode::bmCustom && style_outer_ == bvShadow)
                 ? width_inner_ + width_outer_ + border_inner_width_
                 : extent_;
}

void TQRXBevel::Change() {
  ComputeExtents();
  TQRXObject::Change();
}

void TQRXBevel::SetMode(TQRXBevelMode v) {
  if (mode_ == v) return;
  if (windowed_ && (mode_ == TQRXBevelMode::bmWindows || v == TQRXBevelMode::bmWindows))
    frame_changed_ = true;
  mode_ = v;
  Change();
}

void TQRXBevel::SetStyle(bool inner, TQRXBevelStyle v) {
  using enum TQRXBevelStyle;
  TQRXBevelStyle& mine = inner ? style_inner_ : style_outer_;
  TQRXBevelStyle& other = inner ? style_outer_ : style_inner_;
  if (mine == v) return;
  const bool wasShadow = mine == bvShadow;
  mine = v;
  if (v == bvShadow)
    other = bvShadow;
  else if (wasShadow)
    other = bvNone;
  Change();
}

void TQRXBevel::SetWidthInner(int v) {
  CheckQRXRange(v, kQRXBevelWidthRange.low, kQRXBevelWidthRange.high, "WidthInner");
  if (Store(width_inner_, v)) Change();
}

void TQRXBevel::SetWidthOuter(int v) {
  CheckQRXRange(v, kQRXBevelWidthRange.low, kQRXBevelWidthRange.high, "WidthOuter");
  if (Store(width_outer_, v)) Change();
}

void TQRXBevel::SetColor(int index, TColor v) {
  if (Store(colors_[index], v)) Change();
}

void TQRXBevel::SetBorderSides(TQRXFrameSides v) {
  if (Store(border_sides_, v)) Change();
}

void TQRXBevel::SetBorderWidth(int v) {
  CheckQRXRange(v, kQRXBorderWidthRange.low, kQRXBorderWidthRange.high, "BorderWidth");
  if (Store(border_width_, v)) Change();
}

void TQRXBevel::SetBorderInnerWidth(int v) {
  CheckQRXRange(v, kQRXBorderWidthRange.low, kQRXBorderWidthRange.high, "BorderInnerWidth");
  if (Store(border_inner_width_, v)) Change();
}

void TQRXBevel::SetEdgeStyle(TQRXEdgeStyle v) {
  if (Store(edge_style_, v)) Change();
}

void TQRXBevel::SetStandardStyle(TQRXBorderStyle v) {
  if (!Store(standard_style_, v)) return;
  if (mode_ == TQRXBevelMode::bmStandard)
    Change();
  else
    ComputeExtents();
}

void TQRXBevel::SetWindowed(bool v) {
  windowed_ = v;
  ComputeExtents();
}

void TQRXBevel::PaintBevel(TCanvas& canvas, const TRect& rect, TRect& inner, bool transparent) const {
  using enum TQRXBevelStyle;
  inner = rect;
  if (extent_ == 0) return;
  TRect r = rect;
  switch (mode_) {
    case TQRXBevelMode::bmCustom:
      if (style_outer_ != bvShadow) {
        DrawBevelFrame(canvas, r, style_outer_, LightColor(), ShadowColor(), width_outer_);
        BorderRings(canvas, r, border_width_, BorderColor(), transparent);
        DrawBevelFrame(canvas, r, style_inner_, LightColor(), ShadowColor(), width_inner_);
      } else {
        DrawShadowFrame(canvas, r, LightColor(), ShadowColor(), BorderColor(), width_outer_, width_inner_,
                        transparent);
      }
      break;
    case TQRXBevelMode::bmStandard:
      DrawEdgeFrame(canvas, r, standard_style_, 0);
      break;
    case TQRXBevelMode::bmEdge:
      if (border_sides_.Bits() != 0) {
        static constexpr unsigned kEdges[] = {BDR_RAISEDINNER, BDR_RAISEDOUTER, BDR_SUNKENINNER,
                                              BDR_SUNKENOUTER, EDGE_BUMP,       EDGE_ETCHED,
                                              EDGE_RAISED,     EDGE_SUNKEN};
        unsigned sides = 0;
        if (border_sides_.Contains(TQRXFrameSide::fsBottom)) sides |= BF_BOTTOM;
        if (border_sides_.Contains(TQRXFrameSide::fsTop)) sides |= BF_TOP;
        if (border_sides_.Contains(TQRXFrameSide::fsRight)) sides |= BF_RIGHT;
        if (border_sides_.Contains(TQRXFrameSide::fsLeft)) sides |= BF_LEFT;
        TRect edge = r;
        DrawEdge(canvas, edge, kEdges[std::size_t(edge_style_)], sides);
        InflateRect(r, -2, -2);
      }
      break;
    case TQRXBevelMode::bmWindows:
      DrawEdgeFrame(canvas, r, TQRXBorderStyle::lsLoweredExt, 0);
      break;
  }
  BorderRings(canvas, r, border_inner_width_, BorderColor(), transparent);
  inner = r;
}

void TQRXBevel::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXBevel*>(source);
  if (!other) return TQRXObject::Assign(source);
  mode_ = other->mode_;
  style_inner_ = other->style_inner_;
  style_outer_ = other->style_outer_;
  width_inner_ = other->width_inner_;
  width_outer_ = other->width_outer_;
  for (int i = 0; i < 3; ++i) colors_[i] = other->colors_[i];
  border_sides_ = other->border_sides_;
  border_width_ = other->border_width_;
  border_inner_width_ = other->border_inner_width_;
  edge_style_ = other->edge_style_;
  standard_style_ = other->standard_style_;
  windowed_ = other->windowed_;
  Change();
}

std::string TQRXBevel::GetSummary() const {
  static constexpr const char* kNames[] = {"Custom style", "Standard style", "Etged style", "Windows style"};
  return std::string("{") + kNames[std::size_t(mode_)] + "}";
}

// --- TQRXCaption ---

unsigned AlignmentTextFlags(TQRXAlignment alignment) {
  using enum TQRXAlignment;
  switch (alignment) {
    case agTopLeft:
      return 0;
    case agTopCenter:
      return DT_CENTER;
    case agTopRight:
      return DT_RIGHT;
    case agCenterLeft:
      return DT_VCENTER;
    case agCenter:
      return DT_CENTER | DT_VCENTER;
    case agCenterRight:
      return DT_RIGHT | DT_VCENTER;
    case agBottomLeft:
      return DT_BOTTOM;
    case agBottomCenter:
      return DT_CENTER | DT_BOTTOM;
    case agBottomRight:
      return DT_RIGHT | DT_BOTTOM;
  }
  return 0;
}

TQRXCaption::TQRXCaption() : font_(std::make_unique<TFont>()), font_fx_(std::make_unique<TQRXFxCaption>()) {
  font_->OnChange = [this](TGraphicsObject*) { FontChanged(true); };
  font_fx_->OnChange = [this](TQRXObject*) { FontChanged(false); };
}

TQRXCaption::~TQRXCaption() {
  font_->OnChange = nullptr;
  font_fx_->OnChange = nullptr;
}

void TQRXCaption::FontChanged(bool fromFont) {
  // Every face here is an outline font, so rotation never has to be undone
  // nor the face replaced.
  if (font_fx_->Angle() != 0 && !IsTrueTypeFont(*font_)) {
    if (fromFont)
      font_fx_->SetAngle(0);
    else
      font_->SetName("Arial");
  }
  GetChange(this);
}

void TQRXCaption::SetAlignment(TQRXAlignment v) {
  if (Store(alignment_, v)) Change();
}

void TQRXCaption::SetCaption(const QString& v) {
  if (Store(caption_, v)) Change();
}

void TQRXCaption::SetMultiLine(bool v) {
  if (Store(multi_line_, v)) Change();
}

void TQRXCaption::DrawCaption(TCanvas& canvas, const QString& text, const TRect& rect, unsigned flags,
                              TColor color, std::uint32_t clipOffset) const {
  (void)clipOffset;
  const TRect clip = rect;
  const bool rotated = font_fx_->Angle() != 0;
  unsigned format = AlignmentTextFlags(alignment_) | DT_EXPANDTABS | DT_WORDBREAK;
  if (!(flags & 0x0010)) format |= DT_NOPREFIX;
  if (rotated || !multi_line_) format |= DT_SINGLELINE;
  TRect r = rect;
  const bool lowerAligned = alignment_ != TQRXAlignment::agTopLeft &&
                            alignment_ != TQRXAlignment::agTopCenter &&
                            alignment_ != TQRXAlignment::agTopRight;
  if ((multi_line_ && !rotated && lowerAligned) || (rotated && alignment_ != TQRXAlignment::agTopLeft))
    r = CalcAlignedTextRect(alignment_, text, font_fx_.get(), rect, *font_, multi_line_,
                            (flags & 0x0010) != 0, format & ~(DT_VCENTER | DT_BOTTOM));
  canvas.Brush().SetStyle(bsClear);
  canvas.Brush().SetColor(color);
  canvas.SetFont(*font_);
  Draw3DText(canvas, text, font_fx_.get(), r, format, flags & ~0x0010u, &clip);
}

void TQRXCaption::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXCaption*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  font_->Assign(*other->font_);
  font_fx_->Assign(other->font_fx_.get());
  alignment_ = other->alignment_;
  caption_ = other->caption_;
  multi_line_ = other->multi_line_;
  EndUpdate(true);
}

std::string TQRXCaption::GetSummary() const { return "{" + caption_.toStdString() + "}"; }

// --- TQRXControl ---

TQRXControl::TQRXControl(TComponent* owner) : TGraphicControl(owner) {}

void TQRXControl::SetBounds(int left, int top, int width, int height) {
  const TRect before = BoundsRect();
  TGraphicControl::SetBounds(left, top, width, height);
  const TRect after = BoundsRect();
  if (Loading() || before == after) return;
  TQRXBoundsChange change = 0;
  if (before.Width() != after.Width() || before.Height() != after.Height()) change |= kQRXSizeChanged;
  if (before.Left != after.Left || before.Top != after.Top) change |= kQRXPositionChanged;
  BoundsChanged(change);
}

void TQRXControl::BoundsChanged(TQRXBoundsChange change) {
  if (OnBoundsChange) OnBoundsChange(this, change);
}

void TQRXControl::GetChange(TQRXObject*) {
  if (!Loading()) Invalidate();
}

void TQRXControl::MouseEnter() {
  if (Enabled() && OnMouseEnter) OnMouseEnter(this);
}

void TQRXControl::MouseLeave() { MouseExit(); }

void TQRXControl::MouseExit() {
  if (Enabled() && OnMouseExit) OnMouseExit(this);
}

// --- TQRXBaseControl ---

TQRXBaseControl::TQRXBaseControl(TComponent* owner)
    : TQRXControl(owner), back_fx_(std::make_unique<TQRXBitmapEffectObject>()) {
  link_.OnChange = [this](TComponent* sender) { ImageListChanged(sender); };
  back_fx_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXBaseControl::~TQRXBaseControl() {
  back_fx_->OnChange = nullptr;
  if (image_list_) image_list_->UnregisterChanges(&link_);
}

void TQRXBaseControl::SetImageList(TQRXCustomImageList* list) {
  if (list == image_list_) return;
  if (image_list_) {
    image_list_->UnregisterChanges(&link_);
    RemoveFreeNotification(image_list_);
  }
  image_list_ = list;
  if (image_list_) {
    image_list_->RegisterChanges(&link_);
    FreeNotification(image_list_);
  }
  ImageListChanged(this);
}

void TQRXBaseControl::SetIndex(int which, int v) {
  if (v < 0) return;
  int& field = which == 0 ? image_index_ : list_index_;
  if (field == v) return;
  field = v;
  if (image_list_) ImageListChanged(this);
}

bool TQRXBaseControl::HasNoImage() const {
  return !image_list_ || !image_list_->IsValid(list_index_, image_index_);
}

void TQRXBaseControl::ImageListChanged(TComponent*) { GetChange(nullptr); }

void TQRXBaseControl::Notification(TComponent* component, TOperation operation) {
  TQRXControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == image_list_) {
    image_list_ = nullptr;
    ImageListChanged(this);
  }
}

void TQRXBaseControl::Loaded() {
  TQRXControl::Loaded();
  if (image_list_) ImageListChanged(this);
}

void TQRXBaseControl::Dispatch(TMessage& message) {
  if (message.Msg == CM_QRXBACKGROUNDCHANGED) {
    BackgroundChanged();
    return;
  }
  TQRXControl::Dispatch(message);
}

void TQRXBaseControl::BackgroundChanged() { back_fx_->InvalidateBuffer(); }

// --- TQRXBaseGraphicControl ---

TQRXBaseGraphicControl::TQRXBaseGraphicControl(TComponent* owner) : TQRXBaseControl(owner) {
  TGraphicControl::SetBounds(0, 0, 30, 30);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TQRXBaseGraphicControl::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  // An opaque control paints every pixel itself: Qt need not paint what
  // lies beneath it first.
  setAttribute(Qt::WA_OpaquePaintEvent, !v);
  Perform(CM_QRXTRANSPARENTCHANGED);
  RepaintControl();
}

void TQRXBaseGraphicControl::RepaintControl() {
  if (transparent_ || Designing() || !isVisible())
    Invalidate();
  else
    repaint();
}

void TQRXBaseGraphicControl::GetChange(TQRXObject*) { RepaintControl(); }

bool TQRXBaseGraphicControl::BackgroundAvailable() const {
  if (!transparent_) return false;
  auto* parent = dynamic_cast<TQRXCustomControl*>(Parent());
  return parent && parent->HasBackground();
}

void TQRXBaseGraphicControl::Paint() {
  if (!Designing()) return;
  TCanvas& c = *Canvas();
  c.Pen().SetStyle(psDash);
  c.Pen().SetColor(clBlack);
  c.Pen().SetMode(pmCopy);
  c.Brush().SetStyle(bsClear);
  c.Rectangle(ClientRect());
}

void TQRXBaseGraphicControl::BackgroundChanged() {
  if (!Loading() && BackgroundAvailable()) GetChange(nullptr);
  TQRXBaseControl::BackgroundChanged();
}

// --- TQRXGraphicControl ---

TQRXGraphicControl::TQRXGraphicControl(TComponent* owner)
    : TQRXBaseGraphicControl(owner), bevel_(std::make_unique<TQRXBevel>()) {
  bevel_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXGraphicControl::~TQRXGraphicControl() { bevel_->OnChange = nullptr; }

void TQRXGraphicControl::SetBevel(const TQRXBevel& v) {
  bevel_->Assign(&v);
  Perform(CM_QRXBEVELASSIGNED);
}

void TQRXGraphicControl::Paint() {
  if (Loading()) return;
  if (IsBlank() && BevelExtent() == 0) {
    TQRXBaseGraphicControl::Paint();
    return;
  }
  TRect inner;
  bevel_->PaintBevel(*Canvas(), ClientRect(), inner, Transparent());
}

// --- TQRXCustomControl ---

TQRXCustomControl::TQRXCustomControl(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 100, 40);
  SetTabStop(false);
}

void TQRXCustomControl::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  Invalidate();
}

void TQRXCustomControl::GetChange(TQRXObject*) {
  if (repaint_on_change_) Invalidate();
}

void TQRXCustomControl::PaintBackground() {
  if (IsTransparentMode() && BackgroundHook()) return;
  TCanvas& c = *Canvas();
  c.Brush().SetBitmap(nullptr);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
}

void TQRXCustomControl::Paint() { PaintBackground(); }

void TQRXCustomControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
  mouse_inside_ = true;
}

void TQRXCustomControl::MouseLeave() {
  mouse_inside_ = false;
  if (OnMouseExit) OnMouseExit(this);
}

void TQRXCustomControl::DoEnter() {
  TCustomControl::DoEnter();
  PostMessage(this, CM_QRXGOTFOCUS);
}

void TQRXCustomControl::DoExit() {
  TCustomControl::DoExit();
  PostMessage(this, CM_QRXLOSTFOCUS);
}

void TQRXCustomControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_QRXGOTFOCUS:
      if (OnGotFocus) OnGotFocus(this);
      return;
    case CM_QRXLOSTFOCUS:
      if (OnLostFocus) OnLostFocus(this);
      return;
    case CM_QRXBACKGROUNDCHANGED:
    case CM_QRXREFRESHCHILDREN:
      if (IsTransparentMode()) {
        TMessage forward{CM_QRXBACKGROUNDCHANGED, 0, 0, 0};
        Broadcast(forward);
      }
      return;
    default:
      TCustomControl::Dispatch(message);
  }
}

void TQRXCustomControl::resizeEvent(QResizeEvent* event) {
  TCustomControl::resizeEvent(event);
  if (IsTransparentMode()) {
    TMessage forward{CM_QRXBACKGROUNDCHANGED, 0, 0, 0};
    Broadcast(forward);
  }
}
