// The program's entry point. The application windows are not built yet, so
// for now `burner` says plainly what this build contains and what it lacks,
// and exits.

#include <cstdio>

namespace {

constexpr const char* kStatus = R"(burner 1.8 (development build)

Built:
  - platform core: INI files, string lists, number and date formatting,
    clock, directory enumeration, main-thread dispatcher

Not built yet (no window opens):
  - drive access (SCSI pass-through, ASPI manager) and the virtual recorder
  - the recorder: drive commands, erase, ISO 9660/Joliet/El Torito images,
    burning, multi-session
  - the application windows, the skin engine, the explorer pane, the
    visual-effects controls and the picture codecs
)";

}  // namespace

int main() {
  std::fputs(kStatus, stdout);
  return 0;
}
