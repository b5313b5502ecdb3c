#pragma once
// The skin library's own texts: the skinned form's system menu, the edit's
// context menu, the captions a button takes from its kind, and the one error
// of the menu item tree. The "&" marks the accelerator key.

#include <array>

namespace se {

// System menu of a skinned form.
inline constexpr const char* SRestore = "&Restore";
inline constexpr const char* SMinimize = "Mi&nimize";
inline constexpr const char* SMaximize = "Ma&ximize";
inline constexpr const char* SRollup = "Ro&llup";
inline constexpr const char* SMinimizeToTray = "Minimize to &Tray";
inline constexpr const char* SClose = "&Close";

// Context menu of an edit.
inline constexpr const char* SEditUndo = "Undo";
inline constexpr const char* SEditCut = "Cut";
inline constexpr const char* SEditCopy = "Copy";
inline constexpr const char* SEditPaste = "Paste";
inline constexpr const char* SEditDelete = "Delete";
inline constexpr const char* SEditSelectAll = "Select All";

// Button kind captions in kind order: OK, Cancel, Help, Yes, No, Close,
// Abort, Retry, Ignore, All. "Abort" has no accelerator on purpose, and
// "&Close" here is a separate entry from the system menu's.
inline constexpr std::array<const char*, 10> SButtonCaptions = {
    "OK", "Cancel", "&Help", "&Yes", "&No", "&Close", "Abort", "&Retry", "&Ignore", "&All"};

// Raised when a menu item is inserted a second time.
inline constexpr const char* SItemAlreadyInserted = "Toolbar item already inserted";

}  // namespace se
