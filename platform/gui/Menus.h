#pragma once
// Menus: TMenuItem trees with the host's captions ("&" marks the
// accelerator, "-" is a separator), shortcuts, check marks and OnClick;
// TMainMenu and TPopupMenu hold them. A popup is built from the items each
// time it opens, so changes made just before showing it count; the chosen
// item's OnClick runs after the menu has closed, as on the host. Shortcuts
// of a menu work in the window of the menu's owner.

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"

class QAction;
class QObject;
class QMenu;
class QMenuBar;
class QWidget;
class TMenu;
class TImageList;

// The host's shortcut word: a virtual key with scShift/scCtrl/scAlt.
using TShortCut = uint16_t;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(int key, TShiftState shift);
// "Ctrl+S", "Del", "F5" (empty for none).
QString ShortCutToText(TShortCut shortcut);
// The Qt key sequence for a shortcut (empty for none).
QKeySequence ShortCutToKeySequence(TShortCut shortcut);
// "&Open" -> "O"; empty when the caption has no accelerator.
QChar GetHotkey(const QString& caption);
// The caption without its "&" marks ("&&" stays as one "&").
QString StripHotkey(const QString& caption);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner = nullptr);
  ~TMenuItem() override;

  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool IsLine() const { return caption_ == QStringLiteral("-"); }
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut shortcut);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // A radio item's check clears the other radio items of its group.
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool radio) { radio_item_ = radio; }
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index) { group_index_ = index; }
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool autoCheck) { auto_check_ = autoCheck; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint) { hint_ = hint; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index) { image_index_ = index; }

  // Children. Add/Insert take the item as a child (its owner stays the
  // owner that frees it); Delete frees the child, Remove only detaches it.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* operator[](int index) const { return Items(index); }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Delete(int index);
  void Remove(TMenuItem* item);
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The child whose caption without "&" equals `caption` (ignoring case).
  TMenuItem* Find(const QString& caption) const;
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
  // The menu the item belongs to (through its parents).
  TMenu* GetParentMenu() const;

  // Runs OnClick (after checking an AutoCheck item).
  virtual void Click();
  std::function<void(TComponent* sender)> OnClick;

 private:
  friend class TMenu;
  friend class TMainMenu;
  void Changed();
  QString caption_;
  TShortCut shortcut_ = 0;
  bool checked_ = false;
  bool radio_item_ = false;
  int group_index_ = 0;
  bool auto_check_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  QString hint_;
  int image_index_ = -1;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
};

// What main menus and popup menus share: the root item, the images, and
// the shortcuts that work in the owner's window.
class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner = nullptr);
  ~TMenu() override;
  void Init() override;

  TMenuItem* Items() const { return items_.get(); }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);

  // Finds the enabled, visible item whose shortcut this key is and clicks
  // it; false when there is none.
  bool IsShortCut(int key, TShiftState shift);
  // The item with this shortcut (through every level), or null.
  TMenuItem* FindItemByShortCut(TShortCut shortcut) const;

  // Builds a Qt menu of `item`'s children (for menu bars and popups).
  QMenu* BuildQMenu(TMenuItem* item, QWidget* parent);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Whether the item is still in this menu (a click queued while the menu
  // closed must not reach an item freed meanwhile).
  bool ContainsItem(const TMenuItem* item) const;

 private:
  friend class TMenuItem;
  void ItemsChanged();
  void RebuildShortcuts();
  std::unique_ptr<TMenuItem> items_;
  TImageList* images_ = nullptr;
  std::vector<QPointer<QAction>> shortcut_actions_;
  // Lives as long as the menu: queued clicks die with it.
  std::unique_ptr<QObject> guard_;
};

// The menu bar of a form: shown by a QMenuBar made with MenuBar().
class TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
  ~TMainMenu() override;
  // A menu bar of the items (rebuilt when the items change), parented to
  // `parent`; the owner's form shows it.
  QMenuBar* MenuBar(QWidget* parent);

 private:
  void Rebuild();
  QPointer<QMenuBar> bar_;
  friend class TMenu;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  using TMenu::TMenu;
  ~TPopupMenu() override;

  // Shows the menu with its corner at the screen point (x, y) and returns at
  // once; the chosen item's OnClick runs after the menu has closed.
  virtual void Popup(int x, int y);
  // The menu now open, else null (tests choose items in it).
  QMenu* Shown() const { return shown_; }
  // The control whose right click opened the menu.
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* component) { popup_component_ = component; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value) { auto_popup_ = value; }

  std::function<void(TComponent* sender)> OnPopup;

 private:
  QPointer<QMenu> shown_;
  TComponent* popup_component_ = nullptr;
  TPopupAlignment alignment_ = paLeft;
  bool auto_popup_ = true;
};

// Makes a menu item owned by `owner` with the given caption, shortcut and
// handler (the way forms build their menus in code).
TMenuItem* NewItem(TComponent* owner, const QString& caption, TShortCut shortcut = 0,
                   std::function<void(TComponent*)> onClick = {});
TMenuItem* NewLine(TComponent* owner);
