// The program's entry point. The application windows are not built yet, so
// for now `burner` says plainly what this build contains and what it lacks,
// and exits.

#include <cstdio>

namespace {

constexpr const char* kStatus = R"(burner 1.8 (development build)

Built and tested, but not yet reachable from a window:
  - platform core: INI files, string lists, formatting, dates, streams,
    directory enumeration, clock, main-thread dispatcher
  - drives: drive map, SG_IO, ASPI manager library, virtual recorder
  - recorder: transports, drive commands and texts, queries, erase,
    compilation, ISO 9660/Joliet/El Torito images, burning, multi-session,
    session import and file extraction
  - class library on Qt 6: forms, controls, canvas, bitmaps, dialogs

Not built yet (no window opens):
  - the application windows, the skin engine, the explorer pane, the
    visual-effects controls and the picture codecs
)";

}  // namespace

int main() {
  std::fputs(kStatus, stdout);
  return 0;
}
