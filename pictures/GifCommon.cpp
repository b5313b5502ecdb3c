// Shared routines of the GIF codec and the colour table.

#include "pictures/GifCommon.h"

#include <algorithm>
#include <utility>

void Error(const std::string& message) { throw GIFException(message); }

void ReadCheck(TStream& stream, void* buffer, std::int64_t count) {
  if (count <= 0) return;
  if (stream.Read(buffer, count) != count) Error("Premature end of data");
}

std::uint8_t ReadByte(TStream& stream) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) != 1) return 0;
  return b;
}

void WriteByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

void WriteDataSubBlocks(TStream& stream, const std::vector<std::string>& strings) {
  for (const std::string& s : strings) {
    size_t at = 0;
    while (at < s.size()) {
      const size_t n = std::min<size_t>(255, s.size() - at);
      WriteByte(stream, std::uint8_t(n));
      stream.WriteBuffer(s.data() + at, std::int64_t(n));
      at += n;
    }
  }
  WriteByte(stream, 0);
}

void ReadDataSubBlocks(TStream& stream, std::vector<std::string>& strings) {
  strings.clear();
  for (;;) {
    std::uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    char buffer[256];
    ReadCheck(stream, buffer, size);
    std::string s(buffer, size);
    const size_t zero = s.find('\0');
    if (zero != std::string::npos) s.resize(zero);
    strings.push_back(std::move(s));
  }
}

int ColorsToBits(int count) {
  if (count <= 0) return 0;
  if (count <= 2) return 1;
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  return bits;
}

int BytesPerScanline(int pixels, int bitsPerPixel, int alignment) {
  const long long bits = static_cast<long long>(pixels) * bitsPerPixel + alignment - 1;
  return int((bits - bits % alignment) / 8);
}

TGIFPalette BuildWebPalette() {
  TGIFPalette palette;
  palette.reserve(216);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette.push_back({std::uint8_t(51 * b), std::uint8_t(51 * g), std::uint8_t(51 * r), 0});
  return palette;
}

namespace {

TGIFColor FromTColor(TColor color) {
  const auto c = std::uint32_t(color);
  return {std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF), std::uint8_t((c >> 16) & 0xFF)};
}

}  // namespace

void TGIFColorMap::Grow(int needed) {
  if (needed <= capacity_) return;
  int capacity = needed <= 16 ? 16 : (needed + 31) / 32 * 32;
  capacity_ = std::min(capacity, 256);
  colors_.reserve(size_t(capacity_));
}

void TGIFColorMap::Clear() {
  colors_.clear();
  colors_.shrink_to_fit();
  capacity_ = 0;
  sorted_ = false;
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
  if (&source == this) return;
  colors_ = source.colors_;
  capacity_ = source.capacity_;
  sorted_ = source.sorted_;
  Changed();
}

int TGIFColorMap::Add(TColor color) {
  if (Count() >= 256) Error("Color table overflow");
  Grow(Count() + 1);
  colors_.push_back(FromTColor(color));
  sorted_ = false;
  Changed();
  return Count() - 1;
}

int TGIFColorMap::FindOrAdd(TColor color) {
  const int index = IndexOf(color);
  return index >= 0 ? index : Add(color);
}

int TGIFColorMap::IndexOf(TColor color) const {
  const TGIFColor c = FromTColor(color);
  if (sorted_) {
    for (int i = 0; i < Count(); ++i)
      if (colors_[size_t(i)] == c) return i;
  } else {
    for (int i = Count() - 1; i >= 0; --i)
      if (colors_[size_t(i)] == c) return i;
  }
  return -1;
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= Count()) Error("Invalid color index");
  colors_.erase(colors_.begin() + index);
  sorted_ = false;
  Changed();
}

TColor TGIFColorMap::Colors(int index) {
  if (index < 0 || index >= Count()) {
    Warning(1, "Invalid color index");
    if (Count() == 0) Error("Color table is empty");
    index = 0;
  }
  const TGIFColor& c = colors_[size_t(index)];
  return RGB(c.Red, c.Green, c.Blue);
}

void TGIFColorMap::LoadFromPalette(const TGIFPalette& palette) {
  LoadFromRGBQuads(palette.data(), int(std::min<size_t>(palette.size(), 256)));
}

void TGIFColorMap::LoadFromRGBQuads(const TRGBQuad* quads, int count) {
  count = std::min(count, 256);
  if (count <= 0) {
    Clear();
    return;
  }
  colors_.clear();
  Grow(count);
  for (int i = 0; i < count; ++i) colors_.push_back({quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue});
  sorted_ = false;
  Changed();
}

TGIFPalette TGIFColorMap::CreatePalette() const {
  TGIFPalette palette;
  palette.reserve(colors_.size());
  for (const TGIFColor& c : colors_) palette.push_back({c.Blue, c.Green, c.Red, 0});
  return palette;
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
  if (colors_.empty()) return;
  const int entries = 1 << BitsPerPixel();
  std::vector<std::uint8_t> bytes(size_t(entries) * 3, 0);
  for (size_t i = 0; i < colors_.size(); ++i) {
    bytes[i * 3] = colors_[i].Red;
    bytes[i * 3 + 1] = colors_[i].Green;
    bytes[i * 3 + 2] = colors_[i].Blue;
  }
  stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count) {
  count = std::clamp(count, 0, 256);
  std::uint8_t bytes[256 * 3];
  ReadCheck(stream, bytes, count * 3);
  colors_.clear();
  Grow(count);
  for (int i = 0; i < count; ++i) colors_.push_back({bytes[i * 3], bytes[i * 3 + 1], bytes[i * 3 + 2]});
  sorted_ = false;
  Changed();
}

void TGIFColorMap::SwapRedBlue() {
  for (TGIFColor& c : colors_) std::swap(c.Red, c.Blue);
  Changed();
}

namespace {

struct UsePair {
  std::uint32_t uses;
  int index;
};

void SortByUse(std::vector<UsePair>& pairs, int low, int high) {
  while (low < high) {
    int i = low, j = high;
    const std::uint32_t pivot = pairs[size_t((low + high) / 2)].uses;
    do {
      while (pairs[size_t(i)].uses > pivot) ++i;
      while (pairs[size_t(j)].uses < pivot) --j;
      if (i <= j) {
        std::swap(pairs[size_t(i)], pairs[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (low < j) SortByUse(pairs, low, j);
    low = i;
  }
}

}  // namespace

bool TGIFColorMap::Optimize() {
  if (Count() <= 1) return false;
  if (!CanOptimize()) return false;
  sorted_ = true;
  std::vector<std::uint32_t> uses(256, 0);
  CountUses(uses);
  const int count = Count();
  std::vector<UsePair> pairs(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) pairs[size_t(i)] = {uses[size_t(i)], i};
  SortByUse(pairs, 0, count - 1);
  bool moved = false;
  for (int i = 0; i < count; ++i)
    if (pairs[size_t(i)].index != i) moved = true;
  if (!moved) return true;
  // Pixels past the table keep their value: remap is the identity there.
  std::vector<std::uint8_t> remap(256);
  for (int i = 0; i < 256; ++i) remap[size_t(i)] = std::uint8_t(i);
  for (int i = 0; i < count; ++i) remap[size_t(pairs[size_t(i)].index)] = std::uint8_t(i);
  RemapPixels(remap);
  std::vector<TGIFColor> sorted(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) sorted[size_t(i)] = colors_[size_t(pairs[size_t(i)].index)];
  int used = count;
  for (int i = 0; i < count; ++i)
    if (pairs[size_t(i)].uses == 0) {
      used = i;
      break;
    }
  sorted.resize(size_t(used));
  colors_ = std::move(sorted);
  Changed();
  return true;
}
