#pragma once
// TSeCustomMenuBar: the skin library's menu bar, a control that shows the
// children of its root item in a row. A click on an item, Alt with an
// item's accelerator letter, a lone Alt or F10 enter its menu loop; the
// shortcuts of its items work anywhere in its window.

#include <QPointer>
#include <memory>

#include "skin/se_controls.h"
#include "skin/se_formoptions.h"
#include "skin/se_menus.h"

class TSeCustomMenuBar;

class TSeMenuBarView : public TSeItemView {
 public:
  explicit TSeMenuBarView(TSeCustomMenuBar* bar);
  void SetViewSize(const TPoint& size) override;
  void InvalidateView() override;
  void InvalidateItem(TSeCustomItem* item) override;

 private:
  TSeCustomMenuBar* bar_;
};

class TSeCustomMenuBar : public TSeCustomControl {
 public:
  explicit TSeCustomMenuBar(TComponent* owner = nullptr);
  ~TSeCustomMenuBar() override;
  void Init() override;

  TSeCustomItem* Items() const { return items_.get(); }
  TSeMenuBarView* View() const { return view_.get(); }
  TSePopupMenuOptions* PopupMenuOptions() const { return options_.get(); }
  void SetPopupMenuOptions(const TSePopupMenuOptions& value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value) { auto_size_ = value; }
  bool ShowBevel() const { return show_bevel_; }
  void SetShowBevel(bool value);
  TImageList* Images() const { return items_->Images(); }
  void SetImages(TImageList* value) { items_->SetImages(value); }

  // Where the items are laid out.
  virtual TRect GetItemsRect();
  virtual void ItemsChanged();
  // The menu loop, entered from the mouse or the keyboard; `accel`, when
  // given, chooses the item with that accelerator.
  void TrackMenu(QChar accel = QChar());
  // Clicks the item whose shortcut this is; true when one has it.
  bool IsShortCut(int key, TShiftState shift);

  void SetBounds(int left, int top, int width, int height) override;

 protected:
  virtual TSeCustomItem* CreateRootItem();
  void PaintBackground() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  // Keys of the bar's window: shortcuts, Alt with an accelerator, lone Alt, F10.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<TSeCustomItem> items_;
  std::unique_ptr<TSeMenuBarView> view_;
  std::unique_ptr<TSePopupMenuOptions> options_;
  bool auto_size_ = true;
  bool show_bevel_ = false;
  bool layouting_ = false;
  // A lone Alt press: the bar enters its menu when it is let go.
  bool alt_alone_ = false;
};
