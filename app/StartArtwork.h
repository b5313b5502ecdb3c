#pragma once
// The start page's pictures, all drawn here in code: the product icon, the
// title and link bars, the glyph of each launcher button and the two small
// window buttons. Each is painted smoothly once, when the page is made, on
// the colour it will be shown on, so no edge needs a mask.

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
