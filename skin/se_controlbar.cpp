#include "skin/se_controlbar.h"

#include <QChildEvent>
#include <QCursor>

#include "platform/gui/Painters.h"
#include "skin/se_drawing.h"

namespace {

constexpr int VK_CONTROL = 0x11;

TSeBandId IdOf(const TControl* control) { return reinterpret_cast<TSeBandId>(control); }

}  // namespace

TSeCustomControlBar::TSeCustomControlBar(TComponent* owner) : TSeCustomControl(owner) {
  SetTabStop(false);
  SetBounds(Left(), Top(), 100, 50);
  bands_.BandInfo = [this](TSeBandId id, TRect& insets, int& preferred, int& rows) {
    if (TControl* control = ControlOf(id)) DoBandInfo(control, insets, preferred, rows);
  };
  bands_.BandMove = [this](TSeBandId id, TRect& rect) {
    if (TControl* control = ControlOf(id)) DoBandMove(control, rect);
  };
}

std::vector<TSeBandChild> TSeCustomControlBar::Children() const {
  std::vector<TSeBandChild> children;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    children.push_back({IdOf(c), c->BoundsRect(), c->Visible(), c->minimumWidth()});
  }
  return children;
}

TControl* TSeCustomControlBar::ControlOf(TSeBandId id) const {
  for (int i = 0; i < ControlCount(); ++i)
    if (IdOf(Controls(i)) == id) return Controls(i);
  return nullptr;
}

TControl* TSeCustomControlBar::DraggedControl() const { return ControlOf(bands_.DraggedControl); }

void TSeCustomControlBar::Apply(const std::vector<TSeBandChild>& children) {
  for (const auto& child : children) {
    TControl* control = ControlOf(child.Id);
    if (control && control->BoundsRect() != child.Bounds) control->SetBoundsRect(child.Bounds);
  }
}

void TSeCustomControlBar::FitHeight() {
  if (!auto_size_ || fitting_ || (Designing() && ControlCount() == 0)) return;
  fitting_ = true;
  const bool vertical = Align() == alLeft || Align() == alRight;
  const int extent = bands_.AutoSizeExtent(Children(), vertical);
  if (vertical)
    SetWidth(extent + Width() - ClientWidth());
  else
    SetHeight(extent + Height() - ClientHeight());
  fitting_ = false;
}

void TSeCustomControlBar::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  if (value) FitHeight();
}

void TSeCustomControlBar::AdjustBands(TControl* control) {
  bands_.GrabberSize = GetGrabberSize();
  std::vector<TSeBandChild> children = Children();
  const bool changed = bands_.AlignControls(children, IdOf(control), ClientRect());
  Apply(children);
  if (changed) Invalidate();
  FitHeight();
}

void TSeCustomControlBar::AlignControls(TRect&) { AdjustBands(nullptr); }

void TSeCustomControlBar::RebuildBands() {
  bands_.Clear();
  AdjustBands(nullptr);
}

const TSeControlBarBand* TSeCustomControlBar::BandAtPos(int x, int y) {
  bands_.Designing = Designing();
  return bands_.BandAtPos(Children(), x, y);
}

TControl* TSeCustomControlBar::ControlAtPos(int x, int y) {
  const TSeControlBarBand* band = BandAtPos(x, y);
  return band ? ControlOf(band->Control) : nullptr;
}

const TSeControlBarBand* TSeCustomControlBar::FindBand(TControl* control) const {
  return bands_.FindBand(IdOf(control));
}

void TSeCustomControlBar::StickControls() { bands_.StickControls(Children()); }

void TSeCustomControlBar::DoBandMove(TControl* control, TRect& rect) {
  if (OnBandMove) OnBandMove(this, control, rect);
}

void TSeCustomControlBar::DoBandPaint(TControl* control, TCanvas* canvas, TRect& rect,
                                      TBandPaintOptions& options) {
  if (OnBandPaint) OnBandPaint(this, control, canvas, rect, options);
}

void TSeCustomControlBar::DoBandInfo(TControl* control, TRect& insets, int& preferredSize, int& rowCount) {
  if (rowCount == 0) rowCount = 1;
  if (OnBandInfo) OnBandInfo(this, control, insets, preferredSize, rowCount);
}

bool TSeCustomControlBar::DragControl(TControl* control, int, int, bool) {
  bool drag = true;
  if (OnBandDrag && control) OnBandDrag(this, control, drag);
  // Controls are not docked elsewhere in this program: nothing takes the
  // control, so it stays a band of this bar.
  return false;
}

void TSeCustomControlBar::PaintBackgroundArea() {
  se::FillRectColor(*Canvas(), Rect(0, 0, PaintedWidth(), PaintedHeight()), Color());
}

void TSeCustomControlBar::PaintBand(TCanvas* canvas, TControl* control, const TRect& rect) {
  TBandPaintOptions options = bpoGrabber | bpoFrame;
  TRect r = rect;
  DoBandPaint(control, canvas, r, options);
  if (options & bpoFrame) {
    TRect edge = r;
    DrawEdge(*canvas, edge, BDR_RAISEDINNER, BF_RECT);
  }
  if (options & bpoGrabber) {
    for (int i = 0; i < 2; ++i) {
      const TRect g = Rect(r.Left + 3 + 3 * i, r.Top + 2, r.Left + 5 + 3 * i, r.Bottom - 3);
      se::CanvasMoveTo(*canvas, g.Left, g.Bottom);
      se::CanvasLineTo(*canvas, g.Left, g.Top, clBtnHighlight);
      se::CanvasLineTo(*canvas, g.Right, g.Top, clBtnHighlight);
      se::CanvasMoveTo(*canvas, g.Right, g.Top);
      se::CanvasLineTo(*canvas, g.Right, g.Bottom, clBtnShadow);
      se::CanvasLineTo(*canvas, g.Left - 1, g.Bottom, clBtnShadow);
    }
  }
}

void TSeCustomControlBar::PaintBackground() {
  PaintBackgroundArea();
  if (OnPaint) OnPaint(this);
  for (const auto& band : bands_.Bands()) {
    if (band->ParentBand) continue;
    TControl* control = ControlOf(band->Control);
    if (!control || !(control->Visible() || Designing())) continue;
    const TRect b = control->BoundsRect();
    const TRect r = Rect(b.Left - band->Insets.Left, b.Top - band->Insets.Top, b.Right + band->Insets.Right,
                         b.Bottom + band->Insets.Bottom);
    PaintBand(Canvas(), control, r);
  }
}

void TSeCustomControlBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  RebuildBands();
  const TSeControlBarBand* band = bands_.FindBand(bands_.DraggedControl);
  if (!band) band = BandAtPos(x, y);
  if (!band) return;
  TControl* control = ControlOf(band->Control);
  if ((shift & ssDouble) && !Designing() && DragControl(control, x, y, false)) return;
  bands_.DraggedControl = band->Control;
  if (bands_.LastAligned == band->Control)
    bands_.LastAligned = 0;
  else
    StickControls();
  band = bands_.FindBand(bands_.DraggedControl);
  bands_.GrabOffset = Point(band->X - x, band->Y - y);
}

void TSeCustomControlBar::MouseMove(TShiftState shift, int x, int y) {
  TSeCustomControl::MouseMove(shift, x, y);
  TControl* control = DraggedControl();
  if (!control) return;
  bands_.DragTo(Children(), x, y);
  if (!auto_drag_ || Designing()) {
    AdjustBands(control);
    return;
  }
  TRect area = ClientRect();
  InflateRect(area, control->Height(), control->Height());
  if (PtInRect(area, Point(x, y)) || !DragControl(control, x, y, true)) AdjustBands(control);
}

void TSeCustomControlBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (bands_.DraggedControl) {
    const TSeBandId dragged = bands_.DraggedControl;
    bands_.DraggedControl = 0;
    if (bands_.LastAligned == dragged)
      bands_.LastAligned = 0;
    else
      StickControls();
  }
  TSeCustomControl::MouseUp(button, shift, x, y);
}

void TSeCustomControlBar::KeyDown(int& key, TShiftState shift) {
  TSeCustomControl::KeyDown(key, shift);
  if (key == VK_CONTROL && !Designing() && auto_drag_ && bands_.DraggedControl) {
    const QPoint p = mapFromGlobal(QCursor::pos());
    DragControl(DraggedControl(), p.x(), p.y(), true);
  }
}

bool TSeCustomControlBar::event(QEvent* event) {
  if (event->type() == QEvent::ChildRemoved) {
    const auto id = reinterpret_cast<TSeBandId>(static_cast<QChildEvent*>(event)->child());
    if (bands_.FindBand(id)) {
      bands_.RemoveControl(id);
      FitHeight();
      Invalidate();
    }
  }
  return TSeCustomControl::event(event);
}
