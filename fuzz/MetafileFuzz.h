#pragma once
// Metafiles come from users' folders: any bytes must be read or refused
// with EInvalidGraphic, and a file that reads must play its records onto a
// small picture without crashing, hanging or reading outside the file.
#include <QGuiApplication>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzScratch.h"
#include "platform/gui/Graphic.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/MetafileFormats.h"

namespace metafile_fuzz {

// Text drawing needs the font database, which needs an application. Its
// runtime folder goes to the scratch folder, which goes away at the end.
inline void StartApplication() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(FuzzScratchFolder()));
  static QGuiApplication app(argc, argv);
}

template <class ReadInfo>
int Run(const uint8_t* data, size_t size, ReadInfo readInfo) {
  const std::span<const uint8_t> bytes(data, size);
  try {
    const TMetafileInfo info = readInfo(bytes);
    if (info.width <= 0 || info.height <= 0) abort();
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    PlayMetafile(bytes, info, painter, QRectF(0, 0, 48, 48));
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}

}  // namespace metafile_fuzz

// Qt keeps its font caches (fontconfig, FreeType, the glyph cache) until the
// application object goes, which a fuzzer never destroys: what those
// libraries hold at exit is not a leak of ours. Anything our code allocates
// itself is still reported.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libfreetype.so\nleak:libQt6Gui.so\n";
}
