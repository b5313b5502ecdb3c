#pragma once
// The program's pictures, all drawn here in code: the product icon, the
// start page's title and link bars, the glyph of each launcher button and
// the two small window buttons, and the glyphs of the windows' tool
// buttons. The start page's are painted smoothly once, when the page is
// made, on the colour they will be shown on, so no edge needs a mask.

#include <QColor>
#include <QImage>

enum class TLaunchGlyph { Data, Audio, Mp3, Copy, Iso, Backup, Erase, Options, Help };

// A disc with the burner's flame, the program's icon, painted over
// `backdrop` (square; transparent for the tray).
QImage ProductIcon(const QImage& backdrop);
// The dark title bar (top) or the light link bar (bottom), `width` x `height`.
QImage TitleBar(int width, int height);
QImage LinkBar(int width, int height);
// A launcher button's glyph, `size` x `size`, on `face`.
QImage LaunchGlyph(TLaunchGlyph glyph, int size, QColor face);
// The minimise and close glyphs of the title bar, on `background`.
QImage WindowGlyph(bool close, int size, QColor background);

enum class TToolGlyph {
  New,
  Open,
  Save,
  Cut,
  Copy,
  Paste,
  Eject,
  Drive,
  Disc,
  Options,
  Burn,
  CopyDisc,
  Erase,
  BurnIso,
  BuildIso,
  About,
  Help,
  Add,
  Remove,
  Clear,
  AddFile,
  RemoveFile,
  AddTask,
  EditTask,
  DeleteTask,
  Run
};

// A tool button's glyph, `size` x `size`, smooth on a transparent ground:
// it shows on any skin's face, light or dark.
QImage ToolGlyph(TToolGlyph glyph, int size);
