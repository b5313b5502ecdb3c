#pragma once
// TSeCustomMenuBar: the skin library's menu bar, a control that shows the
// children of its root item in a row. A click on an item, Alt with an
// item's accelerator letter, a lone Alt or F10 enter its menu loop; the
// shortcuts of its items work anywhere in its window.
//
// On an MDI parent form the bar holds four hidden items (Kind 4, 3, 2, 1):
// while a child is maximized they show its icon at the bar's left, which
// opens the child's system menu, and its minimize, restore and close
// buttons at the bar's right.

#include <QPointer>
#include <functional>
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

  // ---- MDI.
  TSeCustomItem* MDISystemItem() const { return mdi_items_[3]; }
  TSeCustomItem* MDIMinimizeItem() const { return mdi_items_[2]; }
  TSeCustomItem* MDIRestoreItem() const { return mdi_items_[1]; }
  TSeCustomItem* MDICloseItem() const { return mdi_items_[0]; }
  // The maximized child whose items show; null when they are hidden.
  TSeCustomForm* MDIChildForm() const;
  void ShowMDIButtons(TSeCustomForm* frame);
  void HideMDIButtons();
  // What the MDI items do when clicked.
  void MDIItemClick(TComponent* sender);

 protected:
  virtual TSeCustomItem* CreateRootItem();
  // An item of the bar's own making (the MDI items).
  virtual TSeCustomItem* CreateItem();
  void Loaded() override;
  void PaintBackground() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  // Keys of the bar's window: shortcuts, Alt with an accelerator, lone Alt, F10.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The menu loop with `start` as its first step.
  void TrackLoopFrom(const std::function<void()>& start);

  std::unique_ptr<TSeCustomItem> items_;
  std::unique_ptr<TSeMenuBarView> view_;
  std::unique_ptr<TSePopupMenuOptions> options_;
  // Made when the owner is an MDI parent form.
  void CreateMDIItems();
  void SetMDIItemsVisible(bool visible);

  // Indexed by Kind - 1.
  TSeCustomItem* mdi_items_[4] = {};
  TSeCustomForm* mdi_child_form_ = nullptr;
  std::weak_ptr<int> mdi_child_alive_;
  bool mdi_updating_ = false;
  bool auto_size_ = true;
  bool show_bevel_ = false;
  bool layouting_ = false;
  // A lone Alt press: the bar enters its menu when it is let go.
  bool alt_alone_ = false;
};
