#pragma once
// The skin library's own menus: a tree of TSeCustomItem (captions with "&"
// accelerators, "-" separators, shortcuts, check marks, images, OnClick)
// and TSeItemView, which lays out and paints one item's children (in a row
// for a menu bar, in a column for a popup), tracks the mouse over them,
// moves the selection with the keys and runs the modal menu loop. The menu
// bar and the popup windows that hold views are in se_menubar.h and
// se_popupmenu.h.
//
// The loop is a nested Qt event loop per open menu level. While it runs,
// an application-wide event filter gives the innermost level every key and
// mouse event; the mouse is captured (counted, se_drawing.h) for the
// outermost level's window. A chosen item's click runs after every level
// has closed, so a command may free the window that owned the menu.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Menus.h"
#include "skin/se_bitmap.h"

class TImageList;
class TSeCustomForm;
class TSeItemView;
class TSePopupMenuOptions;
class TSePopupWindow;

// Raised when an item that already has a parent is inserted again.
class ETbItemError : public Exception {
  using Exception::Exception;
};

class TSeCustomItem : public TComponent {
 public:
  explicit TSeCustomItem(TComponent* owner = nullptr);
  ~TSeCustomItem() override;

  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& value);
  bool IsSeparator() const { return caption_ == QLatin1String("-"); }
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int value) { help_context_ = value; }
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& value) { hint_ = value; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value) { images_ = value; }
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut value) { shortcut_ = value; }

  std::function<void(TComponent* sender)> OnClick;
  std::function<void(TComponent* sender)> OnBeforeDropDown;
  // On a root item: the owning bar's items-changed hook.
  std::function<void(TSeCustomItem* sender)> OnChange;

  // ---- The tree.
  int Count() const { return static_cast<int>(items_.size()); }
  TSeCustomItem* Items(int index) const;
  TSeCustomItem* Parent() const { return parent_; }
  TComponent* ParentComponent() const { return parent_component_; }
  void SetParentComponent(TComponent* value) { parent_component_ = value; }
  // The item joins as the last child and is owned by this item from now
  // on; raises ETbItemError when it has a parent already.
  void Add(TSeCustomItem* item) { Insert(Count(), item); }
  void Insert(int index, TSeCustomItem* item);
  // Frees the child; raises on an index outside the list.
  void Delete(int index);
  int IndexOf(const TSeCustomItem* item) const;
  void Remove(TSeCustomItem* item);
  TSeCustomItem* Root();

  // ---- What the menus set on a tree.
  // 0 for an ordinary item; a menu bar's MDI items are 1 (close the
  // maximized child), 2 (restore it), 3 (minimize it) and 4 (its icon, for
  // its system menu).
  int Kind() const { return kind_; }
  void SetKind(int value) { kind_ = value; }
  // The frame of the maximized MDI child the MDI items act on (null once
  // that frame is gone).
  TSeCustomForm* MDIForm() const { return mdi_form_alive_.expired() ? nullptr : mdi_form_; }
  void SetMDIForm(TSeCustomForm* value);
  bool AnimatePending() const { return animate_pending_; }
  void SetAnimatePending(bool value);
  bool AnimateOnce() const { return animate_once_; }
  void SetAnimateOnce(bool value);
  TSePopupMenuOptions* PopupOptions() const { return popup_options_; }
  void SetPopupOptions(TSePopupMenuOptions* value);
  TWinControl* OwnerWindow() const { return owner_window_; }
  void SetOwnerWindow(TWinControl* value);
  bool PaintLocked() const { return paint_locked_; }
  void SetPaintLocked(bool value);
  bool ForegroundPopup() const { return foreground_popup_; }
  void SetForegroundPopup(bool value);
  bool ToolbarStyle() const { return toolbar_style_; }
  void SetToolbarStyle(bool value);
  bool Scrolled() const { return scrolled_; }
  void SetScrolled(bool value) { scrolled_ = value; }
  int ScrollOffset() const { return scroll_offset_; }
  void SetScrollOffset(int value) { scroll_offset_ = value; }
  int ScrollCount() const { return scroll_count_; }
  void SetScrollCount(int value) { scroll_count_ = value; }
  TRect& ItemRect() { return item_rect_; }

  // ---- Queries.
  TImageList* GetImages() const;
  int GetImageAreaWidth() const;
  TSeCustomForm* FindFormFrame() const;
  // The first child (hidden and disabled ones too) whose caption has "&"
  // before this letter, ignoring case.
  TSeCustomItem* FindAccelItem(QChar ch) const;
  // Depth-first, the item itself before its children.
  TSeCustomItem* FindItemByShortCut(TShortCut shortcut);
  // Clicks the item with this key's shortcut through its chain of parents;
  // true when an item with the shortcut was found, clicked or not.
  bool IsShortCut(int key, TShiftState shift);

  // ---- Overridable look.
  // The window that shows this item's children.
  virtual TSePopupWindow* CreatePopupWindow(TComponent* owner, TSeItemView* parentView);
  virtual void Changed();
  virtual void MeasureItem(TCanvas& canvas, TSeItemView& view, int& width, int& height);
  virtual void PaintItem(TCanvas& canvas, TSeItemView& view, const TRect& rect, bool selected, bool hover);
  virtual void PaintScrollButton(TCanvas& canvas, TSeItemView& view, const TRect& rect, int which, bool pressed);
  virtual void InitiateAction() {}

  // A leaf that is enabled and no separator: its click runs once the menus
  // have closed.
  virtual void Click();
  // Runs OnClick now.
  virtual void DoClick();

  // Shows the children in a popup window and returns when its loop has
  // ended; false when there was nothing to show.
  bool Popup(TSeItemView* parentView, int x, int y, const TRect& excludeRect);

  // Liveness for deferred work.
  std::weak_ptr<int> AliveToken() const { return alive_; }

 private:
  void SetTree(const std::function<void(TSeCustomItem*)>& set);

  QString caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  int help_context_ = 0;
  QString hint_;
  int image_index_ = -1;
  TImageList* images_ = nullptr;
  TShortCut shortcut_ = 0;
  std::vector<std::unique_ptr<TSeCustomItem>> items_;
  TSeCustomItem* parent_ = nullptr;
  TComponent* parent_component_ = nullptr;
  int kind_ = 0;
  TSeCustomForm* mdi_form_ = nullptr;
  std::weak_ptr<int> mdi_form_alive_;
  bool animate_pending_ = false;
  bool animate_once_ = false;
  TSePopupMenuOptions* popup_options_ = nullptr;
  QPointer<TWinControl> owner_window_;
  bool paint_locked_ = false;
  bool foreground_popup_ = false;
  bool toolbar_style_ = false;
  bool scrolled_ = false;
  int scroll_offset_ = 0;
  int scroll_count_ = 0;
  TRect item_rect_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Lays out, paints and tracks the children of one item.
class TSeItemView : public QObject {
 public:
  TSeItemView(bool isMenuBar, bool horizontal);
  ~TSeItemView() override;

  TSeCustomItem* Items() const { return items_; }
  void SetItems(TSeCustomItem* value) { items_ = value; }
  bool IsMenuBar() const { return is_menu_bar_; }
  bool Horizontal() const { return horizontal_; }
  TWinControl* OwnerControl() const { return owner_control_; }
  void SetOwnerControl(TWinControl* value) { owner_control_ = value; }
  TWinControl* Window() const { return window_; }
  void SetWindow(TWinControl* value) { window_ = value; }
  TSeCustomItem* HotItem() const { return hot_item_; }
  void SetHotItem(TSeCustomItem* item);
  bool SubmenuOpen() const { return submenu_open_; }
  bool Tracking() const { return tracking_; }
  TSeItemView* ParentView() const { return parent_view_; }
  void SetParentView(TSeItemView* value) { parent_view_ = value; }
  TSeItemView* ChildView() const { return child_view_; }
  TPoint Origin() const { return origin_; }
  void SetOrigin(const TPoint& value) { origin_ = value; }
  int ViewWidth() const { return view_width_; }
  int ViewHeight() const { return view_height_; }
  int ScrollDirection() const { return scroll_direction_; }
  // The canvas items are measured with.
  TCanvas& Canvas();

  void UpdateLayout();
  TRect GetItemRect(TSeCustomItem* item);
  TRect GetScrollButtonRect(int which);
  void PaintItems(TCanvas& canvas);
  // The item under a screen point becomes hot (stays when none is).
  void HotTrack(const QPoint& screenPoint);
  void SelectNext();
  void SelectPrevious();
  bool HotHasSubmenu() const;
  void StartScrollTimer();
  void StopScrollTimer();

  // The modal loop; returns when the menu closes or this level ends.
  // `start`, when given, runs as the loop's first step (a key that
  // entered the menus).
  bool TrackLoop(const std::function<void()>& start = {});
  // Ends this loop and every parent's.
  void CancelMenus();
  // Opens the hot item's children; true when a popup showed.
  bool OpenSubmenu();
  // A key as the loop handles it (the virtual key code).
  void HandleKey(int key);
  // A character typed in the loop: the item with that accelerator.
  void HandleChar(QChar ch);
  // The hot item as Return takes it: clicked, and its menu opened.
  void EnterHotItem();
  // Makes this view handle `key` once it is the innermost running level.
  void PostKey(int key);
  void PostOpenSubmenu();

  // Converts a screen point to the coordinates item rectangles use.
  virtual TPoint ScreenToView(const QPoint& screenPoint) const;
  virtual void SetViewSize(const TPoint& size) { (void)size; }
  virtual void MoveView(const TPoint& point) { (void)point; }
  virtual void InvalidateView() {}
  virtual void InvalidateItem(TSeCustomItem* item) { (void)item; }
  virtual void InvalidateScrollButton(int which) { (void)which; }
  void UpdateActions();

  // The loop's event filter (application-wide while the loop runs).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TSeCustomItem;
  int ShownCount() const;
  void Move(bool forward);
  bool IsTrackingNow() const;
  void EndLoop();
  void PostCommand(std::function<void()> command, int tries = 0);
  bool InHotItemOfChain(const QPoint& screenPoint) const;
  void MouseMoved(const QPoint& screenPoint);

  TSeCustomItem* items_ = nullptr;
  bool is_menu_bar_;
  bool horizontal_;
  QPointer<TWinControl> owner_control_;
  QPointer<TWinControl> window_;
  TSeCustomItem* hot_item_ = nullptr;
  bool submenu_open_ = false;
  bool tracking_ = false;
  TSeItemView* parent_view_ = nullptr;
  TSeItemView* child_view_ = nullptr;
  TPoint origin_;
  int view_width_ = 0;
  int view_height_ = 0;
  std::unique_ptr<QTimer> scroll_timer_;
  int scroll_direction_ = 0;
  TSeBitmap measure_bitmap_;
  class QEventLoop* loop_ = nullptr;
  QPointer<QWidget> captured_;
};

namespace se {

// The menu font and measures.
TFont& MenuFont();
int MenuItemWidth();
int MenuItemHeight();
// The screen point of the last mouse move a menu loop handled.
QPoint& LastMenuMousePos();
// The innermost menu level now running, else null.
TSeItemView* InnermostMenu();
// Closes every open menu (a click outside would).
void CancelAllMenus();

}  // namespace se
