#pragma once
// Popup menus of the skin library: TSePopupWindow, the borderless top-level
// window that shows one item's children (placed beside its parent item or
// at a point, and kept on the screen), with its frame TSePopupForm and its
// view TSePopupView; and TSeCustomPopupMenu, the popup menu component whose
// Popup runs the menu loop over its item tree.

#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "skin/se_form.h"
#include "skin/se_formoptions.h"
#include "skin/se_menus.h"

class TSePopupWindow;

// The frame of a popup window: a three-pixel border, no caption.
class TSePopupForm : public TSeCustomForm {
 public:
  explicit TSePopupForm(TComponent* owner = nullptr);
  // The border's width on each side (Left, Top, Right, Bottom); the items
  // lie inside it.
  virtual TRect ClientInsets();
  TRect GetClientArea() override;
  TPoint GetMinSize() override;
  void PaintNonClient(TCanvas& canvas) override;
  void PaintBackground(TCanvas& canvas) override;
};

class TSePopupView : public TSeItemView {
 public:
  explicit TSePopupView(TSePopupWindow* window);
  TPoint ScreenToView(const QPoint& screenPoint) const override;
  void SetViewSize(const TPoint& size) override;
  void MoveView(const TPoint& point) override;
  void InvalidateView() override;
  void InvalidateItem(TSeCustomItem* item) override;
  void InvalidateScrollButton(int which) override;

 private:
  TRect Insets() const;
  TSePopupWindow* popup_;
};

class TSePopupWindow : public TCustomForm {
 public:
  explicit TSePopupWindow(TComponent* owner = nullptr);
  ~TSePopupWindow() override;
  // Makes the window for `item`'s children below or beside `parentView`.
  static TSePopupWindow* CreatePopup(TComponent* owner, TSeCustomItem* item, TSeItemView* parentView);

  TSePopupView* View() const { return view_.get(); }
  TSePopupForm* PopupForm() const { return popup_form_; }
  // Lays out the view and places the window: beside `exclude` (the parent
  // item on the screen) when it is not empty, else at (x, y), inside the
  // screen that holds the point.
  void PlaceAt(int x, int y, const TRect& exclude, TSeItemView* parentView);
  // Shows the window without taking the focus.
  void ShowPopup();

 protected:
  virtual TSePopupForm* CreatePopupForm();
  void Setup(TSeCustomItem* item, TSeItemView* parentView);

 private:
  std::unique_ptr<TSePopupView> view_;
  TSePopupForm* popup_form_ = nullptr;
};

class TSeCustomPopupMenu : public TPopupMenu {
 public:
  explicit TSeCustomPopupMenu(TComponent* owner = nullptr);
  ~TSeCustomPopupMenu() override;

  TSeCustomItem* Items() const { return items_.get(); }
  TSePopupMenuOptions* PopupMenuOptions() const { return options_.get(); }
  void SetPopupMenuOptions(const TSePopupMenuOptions& value);
  TImageList* Images() const { return items_->Images(); }
  void SetImages(TImageList* value) { items_->SetImages(value); }

  // Shows the menu at the screen point and returns when it has closed; the
  // chosen item's click runs after that.
  void Popup(int x, int y) override;
  // Closes this menu when it is showing.
  virtual void ClosePopup();

 protected:
  virtual TSeCustomItem* CreateRootItem();
  // A derived menu's own root item class: the constructor cannot reach
  // CreateRootItem's override. Takes ownership.
  void ReplaceRootItem(TSeCustomItem* item);

 private:
  std::unique_ptr<TSeCustomItem> items_;
  std::unique_ptr<TSePopupMenuOptions> options_;
  bool running_ = false;
};

namespace se {
// The popup menu whose loop is running, else null.
TSeCustomPopupMenu* ActivePopupMenu();
}  // namespace se
