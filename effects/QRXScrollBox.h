#pragma once
// The library's scroll box: a box of controls that scroll, framed by the
// library's bevel instead of a plain border, optionally transparent so that
// it shows the background its parent offers (a library control, another
// such box, or a form with a shaped-window component) behind its children.
//
// The frame stands where the host keeps a window's non-client area: the
// client area, where the children live, starts inside it (the box's client
// offset). A frame layer above the children keeps them from painting over
// the frame when they are scrolled partly out. Scrolling moves the
// children, as the host's scroll box does; the scroll bars appear when the
// children reach past the client area.

#include <QPointer>
#include <functional>
#include <memory>

#include "effects/QRXCtrls.h"

class QScrollBar;
class TQRXCustomScrollBox;
class TQRXFormShape;

// The shaped-window component of a form parent that offers its background,
// or null (no form, or none offering one).
TQRXFormShape* FormBackgroundShape(TWinControl* parent);

class TQRXScrollBoxBevel : public TQRXBevel {
 public:
  TQRXScrollBoxBevel();
  const char* ClassName() const override { return "TQRXScrollBoxBevel"; }
};

enum TQRXScrollBoxBorderStyle { sbbsNone, sbbsSingle };

class TQRXCustomScrollBox : public TCustomControl {
 public:
  explicit TQRXCustomScrollBox(TComponent* owner = nullptr);
  ~TQRXCustomScrollBox() override;

  // The box has no border of its own: the bevel frames it.
  TQRXScrollBoxBorderStyle BorderStyle() const { return sbbsNone; }
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v);
  bool ParentCtl3D() const { return parent_ctl3d_; }
  void SetParentCtl3D(bool v) { parent_ctl3d_ = v; }
  TQRXScrollBoxBevel& Bevel() { return *bevel_; }
  void SetBevel(const TQRXBevel& v) { bevel_->Assign(&v); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Repaint the transparent box every ScrollRepaintStep scroll steps
  // (ScrollRepaintMode), or only when a scroll ends.
  bool ScrollRepaintMode() const { return scroll_repaint_mode_; }
  void SetScrollRepaintMode(bool v) { scroll_repaint_mode_ = v; }
  int ScrollRepaintStep() const { return scroll_repaint_step_; }
  void SetScrollRepaintStep(int v) { scroll_repaint_step_ = v < 1 ? 1 : v; }

  // The frame on each side: the left and top, then the right and bottom.
  TRect FrameWidths() const;
  TRect ClientRect() const override;
  QScrollBar* HorzScrollBar() const { return hbar_; }
  QScrollBar* VertScrollBar() const { return vbar_; }
  bool HorzBarVisible() const;
  bool VertBarVisible() const;
  // Moves the children so that (x, y) of the scrolled area is at the
  // client origin.
  void ScrollTo(int x, int y);
  TPoint ScrollPos() const { return {pos_x_, pos_y_}; }
  // Lays out the scroll bars for the children's extent.
  void UpdateScrollBars();

  virtual void BevelChanged(TQRXObject* sender);
  virtual bool ParentBackgroundAvailable() const;
  virtual TBitmap* GetBackgroundBitmap() const;
  // Where the client origin (plus p) lies in the background bitmap.
  virtual TPoint GetBackgroundOffset(TPoint p) const;
  // The background under rect (client coordinates moved by offset) into
  // canvas at rect; false when there is none to copy.
  virtual bool PaintParentBackground(TCanvas& canvas, const TRect& rect, const TPoint& offset);

  // Runs after the parent's background has been painted behind the children.
  std::function<void(TQRXCustomScrollBox*, TCanvas&)> OnPaintBackground;

  // Painting of the frame layer; widget coordinates.
  void PaintFrame(TCanvas& canvas);

 protected:
  void Paint() override;
  void Dispatch(TMessage& message) override;
  void ColorChanged() override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class FrameLayer;
  void ApplyFrame();
  void Scrolled(bool horizontal, bool ended);
  void RefreshTransparent();
  void QueueUpdate();

  std::unique_ptr<TQRXScrollBoxBevel> bevel_;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
  bool transparent_ = false;
  bool scroll_repaint_mode_ = true;
  int scroll_repaint_step_ = 1;
  int scroll_counter_ = 0;
  int pos_x_ = 0;
  int pos_y_ = 0;
  bool laying_out_ = false;
  bool update_pending_ = false;
  QScrollBar* hbar_ = nullptr;
  QScrollBar* vbar_ = nullptr;
  FrameLayer* frame_layer_ = nullptr;
};

class TQRXScrollBox : public TQRXCustomScrollBox {
 public:
  using TQRXCustomScrollBox::TQRXCustomScrollBox;
};
