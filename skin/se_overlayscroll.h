#pragma once
// Overlay scroll bars on the standard controls. The class library's memo,
// tree view and list view draw their own scroll bars, which a skin cannot
// reach; their skin-library descendants here lay the library's own scroll
// bar (TSeCustomScrollBar) over each real bar: a TSeInplaceScrollBar sits
// in the host's parent exactly over the real bar, mirrors its range, page
// and position (TWidgetHost::ScrollInfo), and sends the user's scrolling
// back as WM_VSCROLL / WM_HSCROLL. The hosts also paint their own border
// (a classic sunken frame) and background; the skin wrappers override
// PaintBorder, PaintBackground and CreateScrollBar. The mask edit gets the
// border, an alignment of its text, and single-line keys.

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <functional>
#include <memory>

#include "platform/gui/Canvas.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Mask.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/TreeView.h"
#include "platform/gui/WidgetHost.h"
#include "skin/se_drawing.h"
#include "skin/se_scrollbar.h"

// Makes the inner bar of an overlay: `bar` receives it, owned by `owner`.
using TSeCreateScrollBarEvent = std::function<void(TSeCustomScrollBar*& bar, TComponent* owner)>;

// One overlay: a window over one real scroll bar of its host.
class TSeInplaceScrollBar : public TWinControl {
 public:
  TSeInplaceScrollBar(TComponent* owner, const TSeCreateScrollBarEvent& create_scroll_bar);

  TSeCustomScrollBar* ScrollBar() const { return scroll_bar_; }
  TWidgetHost* Control() const { return control_; }
  void SetControl(TWidgetHost* control) { control_ = control; }
  TScrollBarKind Kind() const { return scroll_bar_->Kind(); }
  void SetKind(TScrollBarKind kind) { scroll_bar_->SetKind(kind); }

  // Shows the overlay over the host's real bar with its range, page and
  // position, or hides it while that bar is hidden.
  void SyncWithControl();

 protected:
  // The inner bar's OnScroll: the scrolling goes to the host.
  virtual void DoScroll(TControl* sender, TSeScrollCode code, int& position);

 private:
  TSeCustomScrollBar* scroll_bar_ = nullptr;
  QPointer<TWidgetHost> control_;
};

// The vertical and horizontal overlay of one host. It frees the overlays
// when it goes, unless their parent took them with it.
class TSeSubScrollBar : public QObject, public TComponent {
 public:
  // `area` is the host's scrolling part (null when it has none).
  TSeSubScrollBar(TWidgetHost* control, QAbstractScrollArea* area, const TSeCreateScrollBarEvent& create_scroll_bar);
  ~TSeSubScrollBar() override;

  TWidgetHost* Control() const { return control_; }
  // Null takes the overlays off their parent.
  void SetControl(TWidgetHost* control);
  TSeInplaceScrollBar* VertScrollBar() const { return vert_; }
  TSeInplaceScrollBar* HorzScrollBar() const { return horz_; }
  void SetParent(TWinControl* parent);
  // An event of the host: the overlays follow it.
  void ControlMessage(QEvent* event);
  void Sync();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<TWidgetHost> control_;
  QPointer<TSeInplaceScrollBar> vert_;
  QPointer<TSeInplaceScrollBar> horz_;
  bool sync_queued_ = false;
};

namespace se {
// The classic sunken frame of the hosts, and the square where two bars meet.
void PaintHostBorder(TCanvas& canvas, const TRect& rect, bool corner);
}  // namespace se

// A class-library control with the library's border, background and (with
// `kOverlays`) overlay scroll bars.
template <class Base, bool kOverlays>
class TSeOverlayHost : public Base {
 public:
  explicit TSeOverlayHost(TComponent* owner = nullptr) : Base(owner) {}
  ~TSeOverlayHost() override {
    if (sub_) sub_->SetControl(nullptr);
    sub_.reset();
  }

  void Init() override {
    Base::Init();
    if constexpr (kOverlays) {
      if (!sub_)
        sub_ = std::make_unique<TSeSubScrollBar>(this, this->ScrollArea(),
                                                 [this](TSeCustomScrollBar*& bar, TComponent* owner) {
                                                   CreateScrollBar(bar, owner);
                                                 });
      if (this->Parent()) sub_->SetParent(this->Parent());
    }
    UpdateFrame();
  }

  void SetParent(TWinControl* parent) override {
    Base::SetParent(parent);
    if (sub_) sub_->SetParent(parent);
  }

  TSeSubScrollBar* SubScrollBar() const { return sub_.get(); }
  bool Hover() const { return hover_; }

 protected:
  virtual void CreateScrollBar(TSeCustomScrollBar*& bar, TComponent* owner) {
    bar = new TSeCustomScrollBar(owner);
  }
  // The rectangle is the whole control.
  virtual void PaintBackground(TCanvas& canvas, const TRect& rect) {
    se::FillRectColor(canvas, rect, this->Color());
  }
  virtual void PaintBorder(TCanvas& canvas, const TRect& rect) { se::PaintHostBorder(canvas, rect, kOverlays); }

  bool event(QEvent* event) override {
    if (sub_) sub_->ControlMessage(event);
    return Base::event(event);
  }
  void paintEvent(QPaintEvent*) override {
    UpdateFrame();
    QPainter painter(this);
    TCanvas canvas;
    canvas.BeginPainting(&painter);
    const TRect r = Rect(0, 0, this->Width(), this->Height());
    PaintBackground(canvas, r);
    if (this->BorderStyle() != bsNone) PaintBorder(canvas, r);
    canvas.EndPainting();
  }
  void resizeEvent(QResizeEvent* event) override {
    Base::resizeEvent(event);
    UpdateFrame();
  }
  void MouseEnter() override {
    Base::MouseEnter();
    hover_ = true;
    this->update();
  }
  void MouseLeave() override {
    Base::MouseLeave();
    hover_ = false;
    this->update();
  }

  // The inner widget leaves a two-pixel ring for our own border.
  void UpdateFrame() {
    QWidget* inner = this->Inner();
    if (!inner) return;
    if (auto* frame = qobject_cast<QFrame*>(inner)) frame->setFrameStyle(QFrame::NoFrame);
    const int m = this->BorderStyle() != bsNone ? 2 : 0;
    const QRect want = this->rect().adjusted(m, m, -m, -m);
    if (inner->geometry() != want) inner->setGeometry(want);
  }

 private:
  std::unique_ptr<TSeSubScrollBar> sub_;
  bool hover_ = false;
};

class TSeCustomMemo : public TSeOverlayHost<TMemo, true> {
 public:
  using TSeOverlayHost::TSeOverlayHost;
};

class TSeCustomTreeView : public TSeOverlayHost<TTreeView, true> {
 public:
  using TSeOverlayHost::TSeOverlayHost;
};

class TSeCustomListView : public TSeOverlayHost<TListView, true> {
 public:
  using TSeOverlayHost::TSeOverlayHost;
};

// A one-line edit whose text can be aligned; Up and Down move the caret as
// Left and Right do, and Enter does nothing.
class TSeCustomMaskEdit : public TSeOverlayHost<TMaskEdit, false> {
 public:
  explicit TSeCustomMaskEdit(TComponent* owner = nullptr);

  TAlignment TextAlign() const { return text_align_; }
  void SetTextAlign(TAlignment value);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TAlignment text_align_ = taLeftJustify;
};
