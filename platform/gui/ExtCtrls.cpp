#include "platform/gui/ExtCtrls.h"

#include "platform/gui/Canvas.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

// ---- TPanel ----

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetTabStop(false);
}

void TPanel::SetBevelOuter(TBevelCut cut) {
  if (cut == bevel_outer_) return;
  bevel_outer_ = cut;
  Realign();
  update();
}

void TPanel::SetBevelInner(TBevelCut cut) {
  if (cut == bevel_inner_) return;
  bevel_inner_ = cut;
  Realign();
  update();
}

void TPanel::SetBevelWidth(int width) {
  if (width == bevel_width_ || width < 1) return;
  bevel_width_ = width;
  Realign();
  update();
}

void TPanel::SetBorderWidth(int width) {
  if (width == border_width_ || width < 0) return;
  border_width_ = width;
  Realign();
  update();
}

void TPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

int TPanel::FrameWidth() const {
  int width = border_width_;
  if (bevel_outer_ != bvNone) width += bevel_width_;
  if (bevel_inner_ != bvNone) width += bevel_width_;
  return width;
}

TRect TPanel::ClientRect() const {
  const int frame = FrameWidth();
  return Rect(frame, frame, std::max(frame, Width() - frame), std::max(frame, Height() - frame));
}

namespace {

void Bevel(TCanvas& canvas, TRect& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const TColor top = cut == bvLowered ? clBtnShadow : cut == bvRaised ? clBtnHighlight : clBtnFace;
  const TColor bottom = cut == bvLowered ? clBtnHighlight : cut == bvRaised ? clBtnShadow : clBtnFace;
  for (int i = 0; i < width; ++i) {
    canvas.Pen().SetColor(top);
    canvas.MoveTo(r.Left, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Top);
    canvas.LineTo(r.Right, r.Top);
    canvas.Pen().SetColor(bottom);
    canvas.MoveTo(r.Right - 1, r.Top + 1);
    canvas.LineTo(r.Right - 1, r.Bottom - 1);
    canvas.LineTo(r.Left - 1, r.Bottom - 1);
    r.Left += 1;
    r.Top += 1;
    r.Right -= 1;
    r.Bottom -= 1;
  }
}

}  // namespace

void TPanel::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = Rect(0, 0, Width(), Height());
  Bevel(canvas, r, bevel_outer_, bevel_width_);
  r.Left += border_width_;
  r.Top += border_width_;
  r.Right -= border_width_;
  r.Bottom -= border_width_;
  Bevel(canvas, r, bevel_inner_, bevel_width_);
  if (Caption().isEmpty()) return;
  canvas.SetFont(*Font());
  canvas.Brush().SetStyle(bsClear);
  unsigned flags = DT_SINGLELINE | DT_VCENTER;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  DrawText(canvas, Caption(), r, flags);
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TPicture*) { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  update();
}

void TImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  update();
}

void TImage::SetProportional(bool proportional) {
  if (proportional == proportional_) return;
  proportional_ = proportional;
  update();
}

void TImage::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  if (TGraphic* graphic = picture_->Graphic()) graphic->SetTransparent(transparent);
  update();
}

void TImage::SetAutoSize(bool autoSize) {
  if (autoSize == auto_size_) return;
  auto_size_ = autoSize;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (TGraphic* graphic = picture_->Graphic(); graphic && transparent_) graphic->SetTransparent(true);
  if (auto_size_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  update();
}

TRect TImage::DestRect() const {
  const int pw = picture_->Width();
  const int ph = picture_->Height();
  int w = pw;
  int h = ph;
  if (stretch_ || (proportional_ && (pw > Width() || ph > Height()))) {
    if (proportional_ && pw > 0 && ph > 0) {
      // Fit the whole picture, keeping its shape.
      if (Width() * ph < Height() * pw) {
        w = Width();
        h = ph * Width() / pw;
      } else {
        h = Height();
        w = pw * Height() / ph;
      }
    } else {
      w = Width();
      h = Height();
    }
  }
  int x = 0;
  int y = 0;
  if (center_) {
    x = (Width() - w) / 2;
    y = (Height() - h) / 2;
  }
  return Bounds(x, y, w, h);
}

void TImage::Paint() {
  TGraphic* graphic = picture_->Graphic();
  if (!graphic || graphic->Empty()) return;
  Canvas()->StretchDraw(DestRect(), *graphic);
}
