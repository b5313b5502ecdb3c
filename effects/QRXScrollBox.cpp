#include "effects/QRXScrollBox.h"

#include <QCoreApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "effects/QRXRegion.h"
#include "platform/gui/Color.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Painters.h"

TQRXFormShape* FormBackgroundShape(TWinControl* parent) {
  auto* form = dynamic_cast<TCustomForm*>(parent);
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* shape = dynamic_cast<TQRXFormShape*>(form->Components(i)); shape && shape->HasBackground())
      return shape;
  return nullptr;
}

// The frame and the corner between the bars, painted above the children.
class TQRXCustomScrollBox::FrameLayer : public QWidget, public TCanvasPainting {
 public:
  explicit FrameLayer(TQRXCustomScrollBox* box) : QWidget(box), box_(box) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    PaintWith(this, *box_->Font(), box_->Color(), [this] { box_->PaintFrame(*Canvas()); });
  }

 private:
  TQRXCustomScrollBox* box_;
};

TQRXScrollBoxBevel::TQRXScrollBoxBevel() {
  SetWindowed(true);
  SetMode(TQRXBevelMode::bmWindows);
}

TQRXCustomScrollBox::TQRXCustomScrollBox(TComponent* owner)
    : TCustomControl(owner), bevel_(std::make_unique<TQRXScrollBoxBevel>()) {
  bevel_->OnChange = [this](TQRXObject* sender) { BevelChanged(sender); };
  SetTabStop(false);
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  vbar_ = new QScrollBar(Qt::Vertical, this);
  hbar_->hide();
  vbar_->hide();
  const auto wire = [this](QScrollBar* bar, bool horizontal) {
    QObject::connect(bar, &QScrollBar::valueChanged, this, [this, horizontal](int v) {
      if (horizontal)
        ScrollTo(v, pos_y_);
      else
        ScrollTo(pos_x_, v);
      Scrolled(horizontal, !(horizontal ? hbar_ : vbar_)->isSliderDown());
    });
    QObject::connect(bar, &QScrollBar::sliderReleased, this, [this, horizontal] { Scrolled(horizontal, true); });
  };
  wire(hbar_, true);
  wire(vbar_, false);
  frame_layer_ = new FrameLayer(this);
  SetBounds(0, 0, 185, 41);
  ApplyFrame();
}

TQRXCustomScrollBox::~TQRXCustomScrollBox() { bevel_->OnChange = nullptr; }

void TQRXCustomScrollBox::SetCtl3D(bool v) {
  if (v == ctl3d_) return;
  ctl3d_ = v;
  parent_ctl3d_ = false;
  if (bevel_->Mode() == TQRXBevelMode::bmWindows) ApplyFrame();
}

void TQRXCustomScrollBox::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Invalidate();
  RefreshTransparent();
}

TRect TQRXCustomScrollBox::FrameWidths() const {
  if (bevel_->Mode() == TQRXBevelMode::bmWindows) {
    const int e = ctl3d_ ? 2 : 1;
    return Rect(e, e, e, e);
  }
  return Rect(bevel_->Extent(), bevel_->Extent(), bevel_->Extent2(), bevel_->Extent2());
}

bool TQRXCustomScrollBox::HorzBarVisible() const { return hbar_ && !hbar_->isHidden(); }
bool TQRXCustomScrollBox::VertBarVisible() const { return vbar_ && !vbar_->isHidden(); }

TRect TQRXCustomScrollBox::ClientRect() const {
  const TRect f = FrameWidths();
  const int w = Width() - f.Left - f.Right - (VertBarVisible() ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int h = Height() - f.Top - f.Bottom - (HorzBarVisible() ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  return Rect(0, 0, std::max(0, w), std::max(0, h));
}

void TQRXCustomScrollBox::ApplyFrame() {
  const TRect f = FrameWidths();
  const int dx = f.Left - client_offset_.X, dy = f.Top - client_offset_.Y;
  client_offset_ = {f.Left, f.Top};
  if (dx || dy)
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->move(c->x() + dx, c->y() + dy);
    }
  bevel_->SetWindowed(true);
  UpdateScrollBars();
  Invalidate();
  frame_layer_->update();
}

void TQRXCustomScrollBox::UpdateScrollBars() {
  if (laying_out_) return;
  laying_out_ = true;
  // The children's extent in scrolled-area coordinates.
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    right = std::max(right, c->Left() + c->Width() + pos_x_);
    bottom = std::max(bottom, c->Top() + c->Height() + pos_y_);
  }
  const TRect f = FrameWidths();
  const int barW = GetSystemMetrics(SM_CXVSCROLL), barH = GetSystemMetrics(SM_CYHSCROLL);
  const int fullW = Width() - f.Left - f.Right, fullH = Height() - f.Top - f.Bottom;
  // A bar takes room from the other direction, which may then need its own.
  bool needH = right > fullW, needV = bottom > fullH;
  if (needH && !needV) needV = bottom > fullH - barH;
  if (needV && !needH) needH = right > fullW - barW;
  const int clientW = std::max(0, fullW - (needV ? barW : 0));
  const int clientH = std::max(0, fullH - (needH ? barH : 0));
  hbar_->setVisible(needH);
  vbar_->setVisible(needV);
  hbar_->setGeometry(f.Left, f.Top + clientH, clientW, barH);
  vbar_->setGeometry(f.Left + clientW, f.Top, barW, clientH);
  const QSignalBlocker blockH(hbar_), blockV(vbar_);
  hbar_->setRange(0, std::max(0, right - clientW));
  hbar_->setPageStep(std::max(1, clientW));
  hbar_->setSingleStep(8);
  vbar_->setRange(0, std::max(0, bottom - clientH));
  vbar_->setPageStep(std::max(1, clientH));
  vbar_->setSingleStep(8);
  laying_out_ = false;
  // Past the new end: scroll back.
  ScrollTo(std::min(pos_x_, hbar_->maximum()), std::min(pos_y_, vbar_->maximum()));
  hbar_->setValue(pos_x_);
  vbar_->setValue(pos_y_);
  frame_layer_->setGeometry(0, 0, Width(), Height());
  frame_layer_->raise();
  hbar_->raise();
  vbar_->raise();
}

void TQRXCustomScrollBox::ScrollTo(int x, int y) {
  x = std::max(0, x);
  y = std::max(0, y);
  const int dx = pos_x_ - x, dy = pos_y_ - y;
  if (!dx && !dy) return;
  pos_x_ = x;
  pos_y_ = y;
  laying_out_ = true;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->move(c->x() + dx, c->y() + dy);
  }
  laying_out_ = false;
  const QSignalBlocker blockH(hbar_), blockV(vbar_);
  hbar_->setValue(x);
  vbar_->setValue(y);
}

void TQRXCustomScrollBox::Scrolled(bool horizontal, bool ended) {
  if (!(transparent_ && ParentBackgroundAvailable())) return;
  bool repaint = ended && !horizontal;
  if (scroll_repaint_mode_) {
    if (++scroll_counter_ >= scroll_repaint_step_) repaint = true;
  } else if (ended) {
    repaint = true;
  }
  if (!repaint) return;
  // The background stays while the children move: everything is redrawn.
  scroll_counter_ = 0;
  update();
  TMessage refresh{CM_QRXREFRESHCHILDREN, 0, 0, 0};
  Broadcast(refresh);
}

void TQRXCustomScrollBox::BevelChanged(TQRXObject* sender) {
  if (sender == bevel_.get()) {
    ApplyFrame();
    return;
  }
  frame_layer_->update();
  Invalidate();
}

bool TQRXCustomScrollBox::ParentBackgroundAvailable() const {
  if (!transparent_) return false;
  TWinControl* parent = Parent();
  if (auto* box = dynamic_cast<TQRXCustomScrollBox*>(parent)) return box->ParentBackgroundAvailable();
  if (auto* custom = dynamic_cast<TQRXCustomControl*>(parent)) return custom->HasBackground();
  return FormBackgroundShape(parent) != nullptr;
}

TBitmap* TQRXCustomScrollBox::GetBackgroundBitmap() const {
  if (!ParentBackgroundAvailable()) return nullptr;
  TWinControl* parent = Parent();
  if (auto* box = dynamic_cast<TQRXCustomScrollBox*>(parent)) return box->GetBackgroundBitmap();
  if (auto* custom = dynamic_cast<TQRXCustomControl*>(parent)) return custom->GetBackgroundBitmap();
  if (TQRXFormShape* shape = FormBackgroundShape(parent)) return shape->GetBackgroundBitmap();
  return nullptr;
}

TPoint TQRXCustomScrollBox::GetBackgroundOffset(TPoint p) const {
  TWinControl* parent = Parent();
  TPoint base = p;
  if (auto* box = dynamic_cast<TQRXCustomScrollBox*>(parent))
    base = box->GetBackgroundOffset(p);
  else if (auto* custom = dynamic_cast<TQRXCustomControl*>(parent))
    base = custom->GetBackgroundOffset(p);
  const TRect f = FrameWidths();
  return TPoint{base.X + Left() + f.Left, base.Y + Top() + f.Top};
}

bool TQRXCustomScrollBox::PaintParentBackground(TCanvas& canvas, const TRect& rect, const TPoint& offset) {
  if (Loading() || Destroying()) return false;
  TBitmap* back = GetBackgroundBitmap();
  if (!back) return false;
  const TPoint at = GetBackgroundOffset(offset);
  TRect source = rect;
  OffsetRect(source, at.X, at.Y);
  canvas.CopyRect(rect, back->Canvas(), source);
  return true;
}

void TQRXCustomScrollBox::Paint() {
  TCanvas& c = *Canvas();
  const TRect f = FrameWidths();
  const TRect inner = Rect(f.Left, f.Top, Width() - f.Right, Height() - f.Bottom);
  if (transparent_ && ParentBackgroundAvailable()) {
    // Drawn in client coordinates, as the children see it.
    TBitmap area;
    area.SetSize(std::max(1, inner.Width()), std::max(1, inner.Height()));
    PaintParentBackground(area.Canvas(), Rect(0, 0, inner.Width(), inner.Height()), TPoint{0, 0});
    c.Draw(inner.Left, inner.Top, area);
    if (OnPaintBackground) OnPaintBackground(this, c);
  } else {
    c.Brush().SetBitmap(nullptr);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(Rect(0, 0, Width(), Height()));
  }
}

void TQRXCustomScrollBox::PaintFrame(TCanvas& canvas) {
  TRect r = Rect(0, 0, Width(), Height());
  if (bevel_->Mode() == TQRXBevelMode::bmWindows) {
    if (ctl3d_) {
      DrawEdge(canvas, r, EDGE_SUNKEN, BF_RECT);
    } else {
      canvas.Brush().SetStyle(bsSolid);
      canvas.Brush().SetColor(clWindowFrame);
      canvas.FrameRect(r);
    }
  } else {
    TRect inner;
    bevel_->PaintBevel(canvas, r, inner, false);
  }
  if (HorzBarVisible() && VertBarVisible()) {
    const TRect f = FrameWidths();
    const int barW = GetSystemMetrics(SM_CXVSCROLL), barH = GetSystemMetrics(SM_CYHSCROLL);
    const TRect corner = Rect(Width() - f.Right - barW, Height() - f.Bottom - barH, Width() - f.Right,
                              Height() - f.Bottom);
    if (transparent_ && ParentBackgroundAvailable()) {
      TRect local = corner;
      OffsetRect(local, -f.Left, -f.Top);
      TBitmap piece;
      piece.SetSize(barW, barH);
      const TPoint at = GetBackgroundOffset(TPoint{local.Left, local.Top});
      if (TBitmap* back = GetBackgroundBitmap())
        piece.Canvas().CopyRect(Rect(0, 0, barW, barH), back->Canvas(), Bounds(at.X, at.Y, barW, barH));
      canvas.Draw(corner.Left, corner.Top, piece);
    } else {
      canvas.Brush().SetStyle(bsSolid);
      canvas.Brush().SetColor(Color());
      canvas.FillRect(corner);
    }
  }
}

void TQRXCustomScrollBox::RefreshTransparent() {
  if (!(transparent_ && ParentBackgroundAvailable())) return;
  TMessage forward{CM_QRXBACKGROUNDCHANGED, 0, 0, 0};
  Broadcast(forward);
}

void TQRXCustomScrollBox::Dispatch(TMessage& message) {
  if (message.Msg == CM_QRXBACKGROUNDCHANGED || message.Msg == CM_QRXREFRESHCHILDREN) {
    Invalidate();
    RefreshTransparent();
    return;
  }
  TCustomControl::Dispatch(message);
}

void TQRXCustomScrollBox::ColorChanged() {
  TCustomControl::ColorChanged();
  if (transparent_ || Loading()) return;
  Invalidate();
  frame_layer_->update();
}

void TQRXCustomScrollBox::resizeEvent(QResizeEvent* event) {
  TCustomControl::resizeEvent(event);
  UpdateScrollBars();
  BevelChanged(nullptr);
}

void TQRXCustomScrollBox::moveEvent(QMoveEvent* event) {
  TCustomControl::moveEvent(event);
  if (transparent_ && ParentBackgroundAvailable()) {
    update();
    RefreshTransparent();
  }
}

void TQRXCustomScrollBox::wheelEvent(QWheelEvent* event) {
  if (VertBarVisible()) {
    QCoreApplication::sendEvent(vbar_, event);
    return;
  }
  TCustomControl::wheelEvent(event);
}

bool TQRXCustomScrollBox::event(QEvent* event) {
  const bool handled = TCustomControl::event(event);
  // Children come, go, move and resize: the scrolled area follows.
  if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) {
    QObject* child = static_cast<QChildEvent*>(event)->child();
    if (dynamic_cast<TControl*>(child)) {
      if (event->type() == QEvent::ChildAdded)
        child->installEventFilter(this);
      else
        child->removeEventFilter(this);
    }
    QueueUpdate();
  }
  return handled;
}

bool TQRXCustomScrollBox::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
      if (!laying_out_) QueueUpdate();
      break;
    default:
      break;
  }
  return TCustomControl::eventFilter(watched, event);
}

void TQRXCustomScrollBox::QueueUpdate() {
  if (update_pending_) return;
  update_pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        update_pending_ = false;
        UpdateScrollBars();
      },
      Qt::QueuedConnection);
}
