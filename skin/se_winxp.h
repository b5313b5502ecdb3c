#pragma once
// The door to the desktop's visual style. Every painter of the skin library
// asks UseThemes before it draws and chooses between the themed look and the
// classic look.
//
// Linux desktops have no visual-styles library that draws the host's themed
// parts, so loading never succeeds here: the library is reported missing,
// UseThemes answers false and every control draws its classic look (or its
// skin). The load/free counting is kept as callers expect, so that code
// pairing the calls behaves the same on every platform.

namespace se {

// Counts the call (also when the load fails) and tries to load the library
// when it is not loaded; true when it is loaded after the call.
bool InitThemeLibrary();
// Uncounts one call (never below zero); the library is released when the
// count reaches zero.
void FreeThemeLibrary();
// True exactly when the library is loaded and the application and the
// desktop are themed; asked anew on every call.
bool UseThemes();

// For tests: the unmatched InitThemeLibrary calls and whether it is loaded.
int ThemeLibraryRefCount();
bool ThemeLibraryLoaded();

}  // namespace se
