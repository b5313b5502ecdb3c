#include "skin/se_winxp.h"

#include <mutex>

namespace se {
namespace {

// The module's one piece of state: the load count and whether the library
// is bound, under the lock that makes load and release atomic.
struct ThemeLibraryState {
  std::mutex lock;
  int ref_count = 0;
  bool loaded = false;
};

ThemeLibraryState& State() {
  static ThemeLibraryState state;
  return state;
}

// No visual-styles library exists for this platform (see the header).
bool LoadLibrary() { return false; }

}  // namespace

bool InitThemeLibrary() {
  ThemeLibraryState& s = State();
  std::lock_guard guard(s.lock);
  ++s.ref_count;
  if (!s.loaded) s.loaded = LoadLibrary();
  return s.loaded;
}

void FreeThemeLibrary() {
  ThemeLibraryState& s = State();
  std::lock_guard guard(s.lock);
  if (s.ref_count > 0) --s.ref_count;
  if (s.loaded && s.ref_count == 0) s.loaded = false;
}

bool UseThemes() {
  // Loaded, application themed, theme active: with no library the first
  // test already fails.
  return State().loaded;
}

int ThemeLibraryRefCount() {
  ThemeLibraryState& s = State();
  std::lock_guard guard(s.lock);
  return s.ref_count;
}

bool ThemeLibraryLoaded() {
  ThemeLibraryState& s = State();
  std::lock_guard guard(s.lock);
  return s.loaded;
}

}  // namespace se
