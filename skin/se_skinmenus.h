#pragma once
// The skinned menus: TSeSkinItem measures and paints items from the skin
// objects "MenuBar" (its "Item", "ToolbarItem", "Close", "Restore", "Min")
// and "PopupMenu" (its "Item", "Separator", "Frame"); TSeSkinPopupWindow and
// TSeSkinPopupForm frame the popups with "PopupMenu"'s "Frame"; the menu bar
// and the popup menu pass their engine to their item trees.
//
// Items draw from the engine's own objects, not from a copy: they set
// bounds, text and state on the shared object right before drawing it. An
// item never keeps a pointer into a skin; it looks the objects up by name
// at every use, so a skin change or reload can never leave it drawing from
// a freed object. Without both "MenuBar" and "PopupMenu" items are plain.

#include <string>

#include "skin/se_binding.h"
#include "skin/se_menubar.h"
#include "skin/se_menus.h"
#include "skin/se_popupmenu.h"

class TSeSkinEngine;
class TSeSkinObject;

class TSeSkinItem : public TSeCustomItem {
 public:
  explicit TSeSkinItem(TComponent* owner = nullptr);

  TSeSkinEngine* SkinEngine() const { return engine_; }
  // Stores the engine here and in every skinned child item.
  void SetSkinEngine(TSeSkinEngine* engine);
  // True while the engine's skin holds both "MenuBar" and "PopupMenu".
  bool UseSkin() const;

  // The objects of the engine's skin this item draws from, or null.
  TSeSkinObject* MenuBarObject() const;
  TSeSkinObject* PopupMenuObject() const;
  // "ToolbarItem" inside "MenuBar" in tool-bar mode, else "Item".
  TSeSkinObject* BarItemObject() const;
  TSeSkinObject* PopupItemObject() const;
  TSeSkinObject* SeparatorObject() const;

  TSePopupWindow* CreatePopupWindow(TComponent* owner, TSeItemView* parentView) override;
  void MeasureItem(TCanvas& canvas, TSeItemView& view, int& width, int& height) override;
  void PaintItem(TCanvas& canvas, TSeItemView& view, const TRect& rect, bool selected, bool hover) override;
  void PaintScrollButton(TCanvas& canvas, TSeItemView& view, const TRect& rect, int which,
                         bool pressed) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TSeSkinObject* FindIn(TSeSkinObject* parent, const char* name) const;
  void PaintBarItem(TCanvas& canvas, const TRect& rect, TSeObjectState state);
  void PaintPopupItem(TCanvas& canvas, const TRect& rect, TSeObjectState state);

  TSeSkinEngine* engine_ = nullptr;
};

namespace se {
// Passes the engine to every TSeSkinItem below `root` (and to the root when
// it is one).
void SetItemsSkinEngine(TSeCustomItem* root, TSeSkinEngine* engine);
}  // namespace se

// The frame of a skinned popup: "Frame" inside "PopupMenu" gives the border
// and its margins the client inset.
class TSeSkinPopupForm : public TSePopupForm {
 public:
  using TSePopupForm::TSePopupForm;
  bool UseSkin() const;
  TRect ClientInsets() override;
  void PaintNonClient(TCanvas& canvas) override;
  void PaintBackground(TCanvas& canvas) override;

 private:
  TSeSkinEngine* Engine() const;
  TSeSkinObject* PopupObject() const;
};

class TSeSkinPopupWindow : public TSePopupWindow {
 public:
  TSeSkinPopupWindow(TComponent* owner, TSeSkinEngine* engine);
  static TSeSkinPopupWindow* CreateFor(TComponent* owner, TSeSkinItem* item, TSeItemView* parentView);
  TSeSkinEngine* SkinEngine() const { return engine_; }

 protected:
  TSePopupForm* CreatePopupForm() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TSeSkinEngine* engine_;
};

class TSeSkinMenuBar : public TSeCustomMenuBar {
 public:
  explicit TSeSkinMenuBar(TComponent* owner = nullptr);

  TSeSkinEngine* SkinEngine() const { return binding_->SkinEngine(); }
  void SetSkinEngine(TSeSkinEngine* engine);
  const std::string& SkinObject() const { return binding_->SkinObject(); }
  void SetSkinObject(const std::string& name) { binding_->SetSkinObject(name); }
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}
  TSeSkinBinding& Binding() { return *binding_; }
  bool UseSkin() const { return binding_->UseSkin(); }

  TRect GetItemsRect() override;
  void ItemsChanged() override;

 protected:
  TSeCustomItem* CreateItem() override;
  void Dispatch(TMessage& message) override;
  void Loaded() override;
  void PaintBackground() override;

 private:
  void Bound();
  TSeSkinBinding* binding_;
};

class TSeSkinPopupMenu : public TSeCustomPopupMenu {
 public:
  explicit TSeSkinPopupMenu(TComponent* owner = nullptr);

  TSeSkinEngine* SkinEngine() const { return engine_; }
  void SetSkinEngine(TSeSkinEngine* engine);
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}

  // Binds the items to the engine's current skin, then shows the menu.
  void Popup(int x, int y) override;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TSeSkinEngine* engine_ = nullptr;
};

namespace se {
// The skinned edits' context menu: a skinned popup menu owned by `owner`,
// drawn from `engine`'s skin (plain while it has none).
TSeCustomPopupMenu* MakeSkinContextMenu(TComponent* owner, TSeSkinEngine* engine);
// Passes the engine on to a context menu made by MakeSkinContextMenu;
// does nothing to another menu or to none.
void BindSkinContextMenu(TSeCustomPopupMenu* menu, TSeSkinEngine* engine);
}  // namespace se
