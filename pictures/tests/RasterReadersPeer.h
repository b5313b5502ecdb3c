#pragma once
// Test support for the picture readers: runs the peer tools (ImageMagick,
// netpbm, libtiff) on files made at test time and reads their decoded
// pixels back, so our readers are compared with an independent decoder.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/gui/Bitmap.h"

namespace rastertest {

// Empty when the tool is not installed.
QString Tool(const char* name);
// Runs a tool; a failure is reported to the test and answers an empty array.
QByteArray RunTool(const QString& program, const QStringList& args);
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& data);

// 16-bit samples per channel, as the peer decoded them.
struct PeerImage {
  int width = 0;
  int height = 0;
  std::vector<std::array<uint16_t, 3>> pixels;
};
// Decodes a netpbm file (P2, P3, P5, P6 of any maximum; P1 and P4).
PeerImage ParsePnm(const QByteArray& data);
// The first picture of a file as ImageMagick decodes it, turned upright
// by its orientation, alpha dropped.
PeerImage PeerPixels(const QString& file, const QStringList& readOptions = {});

// A colourful P6 picture; with `colours` above 0 only that many colours
// appear (so palette formats keep every one).
QByteArray PatternPpm(int width, int height, int colours = 0);
// The same as grey levels (P5).
QByteArray PatternPgm(int width, int height, int levels = 256);

// Every pixel of the bitmap against the peer's, each channel scaled to
// 8 bits as the readers do (v x 255 div 65535), within `tolerance`.
void ExpectSamePixels(const TBitmap& bitmap, const PeerImage& peer, int tolerance = 0,
                      const QString& what = {});

}  // namespace rastertest
