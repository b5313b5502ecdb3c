#pragma once
// Windows of the skin library's controls and forms that gui-preview (scripts/screenshot)
// shows by name. Each window is registered under a short name; a skinned
// variant carries the skin's name after a colon.

#include <memory>
#include <string>

class TComponent;
class TCustomForm;
class TSeCustomItem;
class TSeCustomMenuBar;
class TSePopupWindow;

void RegisterSkinPreviewWindows();

// The program's main menu, as far as a picture needs it, under `root`: of
// skinned items when `skinned`, else of plain ones. Returns its File menu.
TSeCustomItem* FillPreviewMenu(TSeCustomItem* root, bool skinned);

// Makes the window of `item`'s menu below it on `bar`, its second entry
// under the mouse, as the menu loop would place it; not shown yet.
TSePopupWindow* OpenPreviewMenu(TComponent* owner, TSeCustomMenuBar* bar, TSeCustomItem* item);

// The skinned frame with a menu bar ("skin-form-menu" plain,
// "skin-form-menu-<skin>" with a skin file), its engine owned by the form.
struct TSkinMenuForm {
  std::unique_ptr<TCustomForm> form;
  TSeCustomMenuBar* bar = nullptr;
  TSeCustomItem* menu = nullptr;  // the File menu
};
TSkinMenuForm MakeSkinMenuForm(const std::string& skinFile);
