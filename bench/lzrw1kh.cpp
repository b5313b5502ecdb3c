// The LZRW1-KH block coder against zlib at level 1 on the same data: the
// compressed size as a share of the input ("ratio", lower is better) and
// the speed of both directions. The data is cut into the 32781-byte slices
// the compressed streams use; zlib compresses each slice on its own too, so
// both coders see the same windows.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "effects/LZRW1KH.h"
#include "effects/QRXBmpStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kSlice = kCompressedSlice;

// A 32-bit BMP image of the kind the library keeps in forms: flat panels,
// gradients, frames and some small detail.
Bytes UiPicture() {
  const int w = 480, h = 320;
  Bytes b(54 + std::size_t(w) * h * 4, 0);
  std::mt19937 rng(1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &b[54 + (std::size_t(y) * w + x) * 4];
      std::uint8_t r, g, bl;
      if (y < 40) {  // gradient caption
        r = std::uint8_t(10 + x * 200 / w);
        g = std::uint8_t(40 + x * 100 / w);
        bl = 160;
      } else if (x % 120 < 100 && y % 80 > 50 && y % 80 < 70) {  // buttons with a frame
        const bool edge = x % 120 == 0 || x % 120 == 99 || y % 80 == 51 || y % 80 == 69;
        r = g = bl = edge ? 64 : 212;
      } else if (y > 280 && (rng() & 7) == 0) {  // small text-like detail
        r = g = bl = 0;
      } else {
        r = 236;
        g = 233;
        bl = 216;
      }
      p[0] = bl;
      p[1] = g;
      p[2] = r;
    }
  return b;
}

Bytes Text() {
  const char* words[] = {"burn",  "disc",  "session", "track", "the",   "folder", "file",
                         "write", "speed", "buffer",  "image", "error", "drive",  "of",
                         "and",   "to",    "a",       "skin",  "button"};
  std::mt19937 rng(2);
  std::string s;
  while (s.size() < 300000) {
    s += words[rng() % (sizeof(words) / sizeof(*words))];
    s += rng() % 9 == 0 ? "\r\n" : " ";
  }
  return Bytes(s.begin(), s.end());
}

Bytes Noise() {
  std::mt19937 rng(3);
  Bytes b(300000);
  for (auto& c : b) c = std::uint8_t(rng());
  return b;
}

const Bytes& Data(int kind) {
  static const Bytes ui = UiPicture(), text = Text(), noise = Noise();
  return kind == 0 ? ui : kind == 1 ? text : noise;
}

const char* Name(int kind) { return kind == 0 ? "ui-bitmap" : kind == 1 ? "text" : "noise"; }

std::vector<Bytes> LzrwBlocks(const Bytes& data) {
  std::vector<Bytes> blocks;
  Bytes out(Lzrw1KhBufferSize(kSlice));
  for (std::size_t at = 0; at < data.size(); at += kSlice) {
    const std::size_t n = std::min(kSlice, data.size() - at);
    const std::size_t length = Lzrw1KhCompress({data.data() + at, n}, out);
    blocks.emplace_back(out.begin(), out.begin() + std::ptrdiff_t(length));
  }
  return blocks;
}

std::vector<Bytes> ZlibBlocks(const Bytes& data) {
  std::vector<Bytes> blocks;
  Bytes out(compressBound(kSlice));
  for (std::size_t at = 0; at < data.size(); at += kSlice) {
    uLongf length = uLongf(out.size());
    const uLong n = uLong(std::min(kSlice, data.size() - at));
    if (compress2(out.data(), &length, data.data() + at, n, 1) != Z_OK) std::abort();
    blocks.emplace_back(out.begin(), out.begin() + std::ptrdiff_t(length));
  }
  return blocks;
}

double Ratio(const std::vector<Bytes>& blocks, const Bytes& data) {
  std::size_t total = 0;
  for (const Bytes& b : blocks) total += b.size();
  return double(total) / double(data.size());
}

void Lzrw1KhCompressBench(benchmark::State& state) {
  const Bytes& data = Data(int(state.range(0)));
  std::vector<Bytes> blocks;
  for (auto _ : state) benchmark::DoNotOptimize(blocks = LzrwBlocks(data));
  state.counters["ratio"] = Ratio(blocks, data);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
  state.SetLabel(Name(int(state.range(0))));
}

void Zlib1CompressBench(benchmark::State& state) {
  const Bytes& data = Data(int(state.range(0)));
  std::vector<Bytes> blocks;
  for (auto _ : state) benchmark::DoNotOptimize(blocks = ZlibBlocks(data));
  state.counters["ratio"] = Ratio(blocks, data);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
  state.SetLabel(Name(int(state.range(0))));
}

void Lzrw1KhDecompressBench(benchmark::State& state) {
  const Bytes& data = Data(int(state.range(0)));
  const std::vector<Bytes> blocks = LzrwBlocks(data);
  Bytes out(kSlice);
  for (auto _ : state)
    for (const Bytes& b : blocks) benchmark::DoNotOptimize(Lzrw1KhDecompress(b, out));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
  state.SetLabel(Name(int(state.range(0))));
}

void Zlib1DecompressBench(benchmark::State& state) {
  const Bytes& data = Data(int(state.range(0)));
  const std::vector<Bytes> blocks = ZlibBlocks(data);
  Bytes out(kSlice);
  for (auto _ : state)
    for (const Bytes& b : blocks) {
      uLongf length = uLongf(out.size());
      if (uncompress(out.data(), &length, b.data(), uLong(b.size())) != Z_OK) std::abort();
      benchmark::DoNotOptimize(length);
    }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
  state.SetLabel(Name(int(state.range(0))));
}

}  // namespace

BENCHMARK(Lzrw1KhCompressBench)->DenseRange(0, 2);
BENCHMARK(Zlib1CompressBench)->DenseRange(0, 2);
BENCHMARK(Lzrw1KhDecompressBench)->DenseRange(0, 2);
BENCHMARK(Zlib1DecompressBench)->DenseRange(0, 2);
BENCHMARK_MAIN();
