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
  - explorer controls: folder tree, file list, folder combo, folder
    picker, icon list, drop target
  - skin library core: skin bitmaps, skin objects, skin files, skin engine
  - visual-effects storage: LZRW1-KH streams, BLZ pictures, containers,
    timer pool
  - picture codecs: GIF (read, write, animate), TIFF, Targa, PNG, PCX, SGI,
    PSD, PSP, RLA, CUT, Photo-CD, Autodesk and portable maps
  - application pieces: task files, backup task rules, APE lengths

Not built yet (no window opens):
  - the application windows, the skinned controls and forms, the start
    page's visual-effects controls, the audio burning process
)";

}  // namespace

int main() {
  std::fputs(kStatus, stdout);
  return 0;
}
