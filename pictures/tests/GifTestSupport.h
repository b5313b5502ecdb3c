#pragma once
// Helpers of the GIF tests: running the peer tools, reading their pixels,
// and comparing frames with them.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "pictures/GifImage.h"

namespace giftest {

struct RunResult {
  int status = -1;
  std::string output;
};

// Runs a shell command and collects its standard output.
inline RunResult Shell(const std::string& command) {
  RunResult result;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
  result.status = pclose(pipe);
  return result;
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The RGBA pixels of frame `index` of a GIF as ImageMagick decodes it (the
// frame's own area, not the logical screen).
inline std::vector<std::uint8_t> PeerFrameRGBA(const std::string& file, int index) {
  const RunResult r =
      Shell("convert " + Quote(file + "[" + std::to_string(index) + "]") + " -alpha on rgba:-");
  EXPECT_EQ(r.status, 0) << file;
  return {r.output.begin(), r.output.end()};
}

inline int PeerFrameCount(const std::string& file) {
  const RunResult r = Shell("identify " + Quote(file));
  int lines = 0;
  for (char c : r.output) lines += c == '\n';
  return lines;
}

// Our frame as RGBA: its colour table's colour for each pixel, alpha 0 at
// the transparent index.
inline std::vector<std::uint8_t> OurFrameRGBA(TGIFSubImage& frame) {
  std::vector<std::uint8_t> out;
  TGIFColorMap& map = frame.ColorMapInUse();
  const int t = frame.Transparent() && frame.GraphicControlExtension()
                    ? frame.GraphicControlExtension()->TransparentColorIndex()
                    : -1;
  for (size_t i = 0; i < frame.DataSize(); ++i) {
    const std::uint8_t p = frame.Data()[i];
    const TGIFColor c = map.Entry(p);
    out.insert(out.end(), {c.Red, c.Green, c.Blue, std::uint8_t(p == t ? 0 : 255)});
  }
  return out;
}

// Compares colour where the peer's pixel is opaque and transparency
// everywhere.
inline void ExpectSamePixels(const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& peer,
                             const std::string& what) {
  ASSERT_EQ(ours.size(), peer.size()) << what;
  int bad = 0;
  for (size_t i = 0; i < ours.size(); i += 4) {
    const bool ourClear = ours[i + 3] == 0, peerClear = peer[i + 3] == 0;
    bool same = ourClear == peerClear;
    if (same && !ourClear)
      same = ours[i] == peer[i] && ours[i + 1] == peer[i + 1] && ours[i + 2] == peer[i + 2];
    if (!same && ++bad <= 3)
      ADD_FAILURE() << what << ": pixel " << i / 4 << " ours " << int(ours[i]) << "," << int(ours[i + 1])
                    << "," << int(ours[i + 2]) << "/" << int(ours[i + 3]) << " peer " << int(peer[i]) << ","
                    << int(peer[i + 1]) << "," << int(peer[i + 2]) << "/" << int(peer[i + 3]);
  }
  EXPECT_EQ(bad, 0) << what;
}

inline void ExpectMatchesPeer(TGIFImage& image, const std::string& file) {
  ASSERT_EQ(image.Images().Count(), PeerFrameCount(file)) << file;
  for (int i = 0; i < image.Images().Count(); ++i)
    ExpectSamePixels(OurFrameRGBA(image.Images()[i]), PeerFrameRGBA(file, i),
                     file + " frame " + std::to_string(i));
}

inline QByteArray ReadFileBytes(const std::string& file) {
  QByteArray bytes;
  if (FILE* f = fopen(file.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, qsizetype(n));
    fclose(f);
  }
  return bytes;
}

inline void WriteFileBytes(const std::string& file, const QByteArray& bytes) {
  FILE* f = fopen(file.c_str(), "wb");
  ASSERT_TRUE(f);
  fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
  fclose(f);
}

// A frame of `width` x `height` with a local table of `colors` and pixels
// from `pixel(x, y)`.
template <class F>
TGIFSubImage& AddFrame(TGIFImage& image, int left, int top, int width, int height,
                       const std::vector<TColor>& colors, F pixel) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  TGIFSubImage& f = *frame;
  image.Add(std::move(frame));
  f.SetBounds(left, top, width, height);
  for (TColor c : colors) f.ColorMap().Add(c);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) f.Pixels(x, y) = std::uint8_t(pixel(x, y));
  return f;
}

}  // namespace giftest
