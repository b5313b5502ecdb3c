#include "skin/se_controls.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <functional>

#include "platform/gui/Canvas.h"
#include "skin/se_drawing.h"
#include "skin/se_hooks.h"
#include "skin/se_msgdialog.h"
#include "skin/se_winxp.h"

namespace {

// The unit's module-wide state: the shared paint buffer and the start-up
// count. The hook list lives in se_hooks.
struct ControlsModule {
  int init_count = 0;
  QSize shared_size;
  std::unique_ptr<TSeBitmap> shared_buffer;
};

ControlsModule& Module() {
  static ControlsModule module;
  return module;
}

QSize ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->size() : QSize(1024, 768);
}

// Outer and inner bevel colours of each cut: top-left, bottom-right.
struct BevelColors {
  TColor top_left;
  TColor bottom_right;
};

BevelColors OuterBevelColors(TSeBevelCut cut) {
  switch (cut) {
    case kbvLowered:
      return {clBtnShadow, clBtnHighlight};
    case kbvRaised:
      return {clBtnHighlight, cl3DDkShadow};
    case kbvBorder:
      return {cl3DDkShadow, cl3DDkShadow};
    case kbvFlatBorder:
      return {clBtnShadow, clBtnShadow};
    default:
      return {clBtnFace, clBtnFace};
  }
}

BevelColors InnerBevelColors(TSeBevelCut cut) {
  switch (cut) {
    case kbvLowered:
      return {cl3DDkShadow, clBtnFace};
    case kbvRaised:
      return {clBtnShadow, clBtnShadow};
    case kbvBorder:
      return {clWindow, clWindow};
    default:
      return {clBtnFace, clBtnFace};
  }
}

// Points the control's canvas at `painter` for one paint and back after,
// also when a step throws.
class CanvasOnPainter {
 public:
  CanvasOnPainter(TCanvas& canvas, QPainter& painter, QPainter*& current, const TFont& font, TColor brush)
      : canvas_(canvas), current_(current), previous_(current) {
    canvas_.BeginPainting(&painter);
    canvas_.SelectClipRgn(nullptr);
    canvas_.SetFont(font);
    canvas_.Brush().SetStyle(bsSolid);
    canvas_.Brush().SetColor(brush);
    current_ = &painter;
  }
  ~CanvasOnPainter() {
    canvas_.SelectClipRgn(nullptr);
    canvas_.EndPainting();
    if (previous_) canvas_.BeginPainting(previous_);
    current_ = previous_;
  }
  CanvasOnPainter(const CanvasOnPainter&) = delete;
  CanvasOnPainter& operator=(const CanvasOnPainter&) = delete;

 private:
  TCanvas& canvas_;
  QPainter*& current_;
  QPainter* previous_;
};

// Lays `buffer`'s rectangle 0, 0, w, h at `alpha` over the background in
// `blend`, then makes it opaque again for the copy to the screen.
void BlendOverBackground(TSeBitmap& buffer, const TSeBitmap& blend, int w, int h, int alpha, bool whole) {
  const TRect r = Rect(0, 0, w, h);
  if (whole)
    buffer.SetAlpha(std::uint8_t(alpha));
  else
    buffer.SetAlphaRect(std::uint8_t(alpha), r);
  buffer.MergeBackground(blend, 0, 0, r);
  buffer.SetAlphaRect(255, r);
}

// The part of a w x h control a buffered paint on `target` draws: what
// the painter can change (on a window, the region being repainted) inside
// its device, at most a buffer's size. A huge control thus buffers only
// what is shown, wherever in the control that lies.
QRect BufferedArea(const QPainter& target, int w, int h) {
  QRect area = PaintableRect(target, QRect(0, 0, w, h));
  if (const QPaintDevice* device = target.device()) {
    // (The device of a widget painted into another surface is still the
    // widget, in its own coordinates.)
    const QRect surface(0, 0, device->width(), device->height());
    area &= target.worldMatrixEnabled() ? target.worldTransform().inverted().mapRect(surface) : surface;
  }
  area.setSize(area.size().boundedTo(se::BufferLimit()));
  return area;
}

// What a buffered paint needs of its control. A windowed control starts
// its buffer as the key colour and blends over its graphic siblings too.
struct TBufferedControl {
  TControl* control;
  TSePerformance performance;
  const TSeBlending& blending;
  TSeBitmap& blend_buffer;
  bool windowed;
};

// Paints a w x h control on `target`: `steps` draws it, straight on the
// target or, buffered, the part the target can show off screen, blended
// with what lies behind when blending is on, then put in place.
void PaintThroughBuffer(QPainter& target, int w, int h, const TBufferedControl& c,
                        const std::function<void(QPainter&)>& steps) {
  if (c.performance == tbpNoBuffer) {
    steps(target);
    return;
  }
  const QRect area = BufferedArea(target, w, h);
  if (area.isEmpty()) return;
  std::unique_ptr<TSeBitmap> own;
  TSeBitmap* buffer = nullptr;
  if (c.performance == tbpSharedBuffer) {
    buffer = &se::SharedBuffer();
    if (buffer->Empty()) se::UpdateSharedBuffer();
  } else {
    own = std::make_unique<TSeBitmap>();
    se::SizeBuffer(*own, area.width(), area.height());
    buffer = own.get();
  }
  const int bw = std::min(area.width(), buffer->Width());
  const int bh = std::min(area.height(), buffer->Height());
  if (c.windowed) buffer->FillRect(Rect(0, 0, bw, bh), KeyColor);
  {
    QImage surface = SeBitmapSurface(*buffer);
    QPainter painter(&surface);
    painter.setClipRect(0, 0, bw, bh);
    painter.translate(-area.topLeft());
    steps(painter);
  }
  if (c.blending.Enabled()) {
    se::SizeBuffer(c.blend_buffer, area.width(), area.height());
    c.blend_buffer.SetAlpha(255);
    {
      QImage surface = SeBitmapSurface(c.blend_buffer);
      QPainter painter(&surface);
      painter.translate(-area.topLeft());
      PaintParentBackground(c.control, painter, c.windowed);
    }
    BlendOverBackground(*buffer, c.blend_buffer, bw, bh, c.blending.Value(), own != nullptr);
  }
  target.drawImage(area.topLeft(), buffer->Image(), QRect(0, 0, bw, bh));
}

}  // namespace

QImage SeBitmapSurface(TSeBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  return QImage(reinterpret_cast<uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(), bitmap.Width() * 4,
                QImage::Format_RGB32);
}

namespace se {

TSeBitmap& SharedBuffer() {
  ControlsModule& module = Module();
  if (!module.shared_buffer) module.shared_buffer = std::make_unique<TSeBitmap>();
  return *module.shared_buffer;
}

QSize BufferLimit() {
  ControlsModule& module = Module();
  if (module.shared_size.isEmpty()) module.shared_size = ScreenSize() + QSize(500, 500);
  return module.shared_size;
}

void SizeBuffer(TSeBitmap& buffer, int w, int h) {
  const QSize limit = BufferLimit();
  buffer.SetSize(std::min(w, limit.width()), std::min(h, limit.height()));
}

void UpdateSharedBuffer() {
  ControlsModule& module = Module();
  BufferLimit();
  TSeBitmap& buffer = SharedBuffer();
  // Never shrunk: a control painted into it may still rely on its size.
  buffer.SetSize(std::max(buffer.Width(), module.shared_size.width()),
                 std::max(buffer.Height(), module.shared_size.height()));
}

int WheelLines(int& remainder, int delta, int lines_per_notch) {
  const std::int64_t total = std::int64_t(remainder) + std::int64_t(delta) * std::max(1, lines_per_notch);
  const std::int64_t lines = total / WHEEL_DELTA;
  remainder = int(total - lines * WHEEL_DELTA);
  return int(std::clamp<std::int64_t>(lines, INT32_MIN, INT32_MAX));
}

}  // namespace se

void InitializeSkinControls() {
  ControlsModule& module = Module();
  if (module.init_count++ > 0) return;
  module.shared_size = ScreenSize() + QSize(500, 500);
  module.shared_buffer = std::make_unique<TSeBitmap>();
  se::CreateDefaultMessageSettings();
}

void FinalizeSkinControls() {
  ControlsModule& module = Module();
  if (module.init_count == 0 || --module.init_count > 0) return;
  module.shared_buffer.reset();
  FreeHookList();
  se::FreeDefaultMessageSettings();
}

void PaintParentBackground(TControl* control, QPainter& painter, bool with_graphic_siblings) {
  TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent || control->Width() <= 0 || control->Height() <= 0) return;
  if (painter.device() && painter.device()->devType() == QInternal::Widget) {
    // Qt cannot render another widget into a widget's own paint: go
    // through a bitmap, of the part being repainted only.
    const QRect shown = PaintableRect(painter, QRect(0, 0, control->Width(), control->Height()));
    if (shown.isEmpty()) return;
    TSeBitmap temp;
    se::SizeBuffer(temp, shown.width(), shown.height());
    {
      QImage surface = SeBitmapSurface(temp);
      QPainter bitmap_painter(&surface);
      bitmap_painter.translate(-shown.topLeft());
      PaintParentBackground(control, bitmap_painter, with_graphic_siblings);
    }
    painter.drawImage(shown.topLeft(), temp.Image());
    return;
  }
  const QPoint origin = control->pos();
  painter.save();
  try {
    painter.translate(-origin);
    TSeEraseRequest request;
    request.Bounds = control->BoundsRect();
    const auto answered = parent->Perform(SEM_ERASEBKGND, reinterpret_cast<std::intptr_t>(&painter),
                                          reinterpret_cast<std::intptr_t>(&request));
    if (answered == 0) {
      painter.setClipRect(control->geometry(), Qt::IntersectClip);
      parent->render(&painter, origin, QRegion(control->geometry()), QWidget::DrawWindowBackground);
    }
    if (with_graphic_siblings) {
      for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == control || !dynamic_cast<TGraphicControl*>(sibling) || !sibling->isVisible()) continue;
        if (!sibling->geometry().intersects(control->geometry())) continue;
        sibling->render(&painter, sibling->pos(), QRegion(), QWidget::DrawWindowBackground);
      }
    }
  } catch (...) {
    painter.restore();
    throw;
  }
  painter.restore();
}

// ---- TSeCustomControl ----

TSeCustomControl::TSeCustomControl(TComponent* owner)
    : TCustomControl(owner), blending_(std::make_unique<TSeBlending>()) {
  blending_->OnChange = [this](TSeBlending*) { BlendingChanged(); };
  // We paint every pixel ourselves; Qt must not erase first.
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  SetColor(clBtnFace);
  SetBounds(0, 0, 100, 30);
}

TSeCustomControl::~TSeCustomControl() { blending_->OnChange = nullptr; }

void TSeCustomControl::SetBounds(int left, int top, int width, int height) {
  TCustomControl::SetBounds(left, top, width, height);
  // The size it has now: laying out may have sized it again (a bar that
  // fits its height to its bands).
  painted_width_ = Width();
  painted_height_ = Height();
}

void TSeCustomControl::resizeEvent(QResizeEvent* event) {
  painted_width_ = this->width();
  painted_height_ = this->height();
  TCustomControl::resizeEvent(event);
}

void TSeCustomControl::SetPerformance(TSePerformance value) {
  if (value == performance_) return;
  if (value == tbpNoBuffer && blending_->Enabled()) return;
  performance_ = value;
  Invalidate();
}

void TSeCustomControl::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}

void TSeCustomControl::SetBlending(const TSeBlending& value) {
  blending_->Assign(value);
  if (blending_->Enabled() && performance_ == tbpNoBuffer) performance_ = tbpDoubleBuffer;
  if (!Loading()) Invalidate();
}

void TSeCustomControl::BlendingChanged() {
  if (blending_->Enabled() && performance_ == tbpNoBuffer) SetPerformance(tbpDoubleBuffer);
  Invalidate();
}

void TSeCustomControl::SetBorderWidth(int value) {
  if (value == border_width_) return;
  border_width_ = value;
  BorderChanged();
  Invalidate();
}

void TSeCustomControl::SetBevelInner(TSeBevelCut value) {
  if (value == bevel_inner_) return;
  SetBevelKind(kbkNone);
  bevel_inner_ = value;
  BorderChanged();
  Invalidate();
}

void TSeCustomControl::SetBevelOuter(TSeBevelCut value) {
  if (value == bevel_outer_) return;
  SetBevelKind(kbkNone);
  bevel_outer_ = value;
  BorderChanged();
  Invalidate();
}

void TSeCustomControl::SetBevelSides(TSeBevelSides value) {
  value &= kbsAllSides;
  if (value == bevel_sides_) return;
  bevel_sides_ = value;
  BorderChanged();
  Invalidate();
}

void TSeCustomControl::SetBevelKind(TSeBevelKind value) {
  if (value == bevel_kind_) return;
  switch (value) {
    case kbkSingle:
    case kbkTile:
    case kbkSoft:
      bevel_inner_ = bevel_outer_ = kbvLowered;
      break;
    case kbkBorder:
      bevel_inner_ = bevel_outer_ = kbvBorder;
      break;
    case kbkFlat:
      bevel_inner_ = bevel_outer_ = kbvFlatBorder;
      break;
    case kbkNone:
      break;
  }
  bevel_kind_ = value;
  BorderChanged();
  Invalidate();
}

void TSeCustomControl::SetBevelWidth(int value) {
  if (value == bevel_width_) return;
  bevel_width_ = value;
  BorderChanged();
  Invalidate();
}

TRect TSeCustomControl::GetBorderClientRect() const {
  TRect r = se::GrowRect(Rect(0, 0, painted_width_, painted_height_), -border_width_);
  const int cuts = (bevel_inner_ != kbvNone ? 1 : 0) + (bevel_outer_ != kbvNone ? 1 : 0);
  const int d = cuts * bevel_width_;
  if (bevel_sides_ & SeBevelSide(kbsLeft)) r.Left += d;
  if (bevel_sides_ & SeBevelSide(kbsTop)) r.Top += d;
  if (bevel_sides_ & SeBevelSide(kbsRight)) r.Right -= d;
  if (bevel_sides_ & SeBevelSide(kbsBottom)) r.Bottom -= d;
  return r;
}

void TSeCustomControl::PaintBackground() {
  if (!transparent_) se::FillRectColor(*Canvas(), GetBorderClientRect(), Color());
}

void TSeCustomControl::PaintBorder() {
  TRect r = Rect(0, 0, painted_width_, painted_height_);
  if (r == GetBorderClientRect()) return;
  // No desktop style to draw the themed frame with on this platform
  // (se::UseThemes is false): the classic bevels are the border.
  TCanvas& canvas = *Canvas();
  if (bevel_width_ > 0) {
    if (bevel_outer_ != kbvNone) {
      const BevelColors c = OuterBevelColors(bevel_outer_);
      se::DrawBevelLines(canvas, r, bevel_sides_, bevel_width_, c.top_left, c.bottom_right);
    }
    if (bevel_inner_ != kbvNone) {
      const BevelColors c = InnerBevelColors(bevel_inner_);
      se::DrawBevelLines(canvas, r, bevel_sides_, bevel_width_, c.top_left, c.bottom_right);
    }
  }
  for (int i = 0; i < border_width_; ++i) {
    se::DrawFrameRect(canvas, r, Color());
    r = se::GrowRect(r, -1);
  }
}

void TSeCustomControl::PaintSteps(QPainter& painter, bool border_clipped) {
  CanvasOnPainter on(*Canvas(), painter, painter_, paint_font_, Color());
  if (transparent_) PaintParentBackground(this, painter, blending_->Enabled());
  const TRect inner = GetBorderClientRect();
  if (border_clipped) {
    const QRegion ring = QRegion(0, 0, painted_width_, painted_height_).subtracted(inner.ToQRect());
    Canvas()->SelectClipRgn(&ring);
  }
  PaintBorder();
  Canvas()->SelectClipRgn(nullptr);
  PaintBackground();
}

void TSeCustomControl::PaintBuffered(QPainter& target) {
  const int w = painted_width_;
  const int h = painted_height_;
  if (Width() < 1 || Height() < 1 || w < 1 || h < 1) return;
  paint_font_.Assign(*Font());
  PaintThroughBuffer(target, w, h, {this, performance_, *blending_, blend_buffer_, true},
                     [this](QPainter& painter) { PaintSteps(painter, true); });
}

void TSeCustomControl::Paint() {
  QPainter painter(this);
  PaintBuffered(painter);
}

void TSeCustomControl::PaintTo(QPainter& painter) { PaintBuffered(painter); }

void TSeCustomControl::paintEvent(QPaintEvent*) {
  if (Width() < 1 || Height() < 1) return;
  Paint();
}

void TSeCustomControl::Dispatch(TMessage& message) {
  if (message.Msg != SEM_ERASEBKGND) {
    TCustomControl::Dispatch(message);
    return;
  }
  // A skinned control is never erased by anyone but itself.
  message.Result = 1;
  auto* painter = reinterpret_cast<QPainter*>(message.WParam);
  if (!painter || message.LParam == 0) return;
  painter->save();
  try {
    PaintSteps(*painter, false);
  } catch (...) {
    painter->restore();
    throw;
  }
  painter->restore();
}

void TSeCustomControl::MouseEnter() {
  mouse_in_ = true;
  TCustomControl::MouseEnter();
}

void TSeCustomControl::MouseLeave() {
  mouse_in_ = false;
  TCustomControl::MouseLeave();
}

void TSeCustomControl::FocusEnter() {
  focused_ = true;
  Invalidate();
}

void TSeCustomControl::FocusExit() {
  focused_ = false;
  Invalidate();
}

void TSeCustomControl::DoEnter() {
  FocusEnter();
  TCustomControl::DoEnter();
}

void TSeCustomControl::DoExit() {
  FocusExit();
  TCustomControl::DoExit();
}

// ---- TSeGraphicControl ----

TSeGraphicControl::TSeGraphicControl(TComponent* owner)
    : TGraphicControl(owner), blending_(std::make_unique<TSeBlending>()) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  SetColor(clBtnFace);
  SetBounds(0, 0, 100, 30);
}

TSeGraphicControl::~TSeGraphicControl() = default;

void TSeGraphicControl::Loaded() {
  TGraphicControl::Loaded();
  Invalidate();
}

void TSeGraphicControl::SetPerformance(TSePerformance value) {
  if (value == performance_) return;
  if (value == tbpNoBuffer && blending_->Enabled()) return;
  performance_ = value;
  Invalidate();
}

void TSeGraphicControl::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  // A transparent control lets Qt show what is behind the parts it leaves.
  setAttribute(Qt::WA_OpaquePaintEvent, !value);
  Invalidate();
}

void TSeGraphicControl::SetBlending(const TSeBlending& value) {
  blending_->Assign(value);
  if (blending_->Enabled() && performance_ == tbpNoBuffer) performance_ = tbpDoubleBuffer;
  if (!Loading()) Invalidate();
}

void TSeGraphicControl::PaintBackground() {
  if (!transparent_) se::FillRectColor(*Canvas(), Rect(0, 0, Width(), Height()), Color());
}

void TSeGraphicControl::PaintBuffered(QPainter& target) {
  const int w = Width();
  const int h = Height();
  if (w < 1 || h < 1) return;
  paint_font_.Assign(*Font());
  QPainter* current = nullptr;
  PaintThroughBuffer(target, w, h, {this, performance_, *blending_, blend_buffer_, false}, [&](QPainter& painter) {
    CanvasOnPainter on(*Canvas(), painter, current, paint_font_, Color());
    if (transparent_) PaintParentBackground(this, painter);
    PaintBackground();
  });
}

void TSeGraphicControl::Paint() {
  QPainter painter(this);
  PaintBuffered(painter);
}

void TSeGraphicControl::PaintTo(QPainter& painter) { PaintBuffered(painter); }

void TSeGraphicControl::paintEvent(QPaintEvent*) {
  if (Width() < 1 || Height() < 1) return;
  Paint();
}

void TSeGraphicControl::MouseEnter() {
  mouse_in_ = true;
  TGraphicControl::MouseEnter();
}

void TSeGraphicControl::MouseLeave() {
  mouse_in_ = false;
  TGraphicControl::MouseLeave();
}
