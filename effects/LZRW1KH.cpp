#include "effects/LZRW1KH.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::uint16_t kNoPosition = 0xFFFF;
constexpr std::size_t kHashSize = 4096;
constexpr std::size_t kMaxDistance = 4095;
constexpr std::size_t kMinCopy = 3;
constexpr std::size_t kMaxCopy = 18;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxRunWritten = 4095;
// Positions from here on are never match sources: the table's entries are
// 16 bits and 0xFFFF means "none".
constexpr std::size_t kFirstUnusedSource = 32768;

using HashTable = std::array<std::uint16_t, kHashSize>;

bool FindMatch(const std::uint8_t* src, std::size_t x, std::size_t n, std::size_t& pos, std::size_t& len,
               HashTable& table) {
  if (n - x < 3) return false;
  std::uint32_t h = ((std::uint32_t(src[x]) << 4) ^ src[x + 1]) << 4 ^ src[x + 2];
  h = ((h * 40543u) >> 4) & 0x0FFF;
  const std::size_t p = table[h];
  table[h] = std::uint16_t(x);
  if (p == kNoPosition || p >= kFirstUnusedSource || x - p > kMaxDistance) return false;
  std::size_t l = 0;
  while (l < kMaxCopy && x + l < n && src[x + l] == src[p + l]) ++l;
  if (l < kMinCopy) return false;
  pos = p;
  len = l;
  return true;
}

void PutWord(std::uint8_t* at, std::size_t value) {
  at[0] = std::uint8_t(value >> 8);
  at[1] = std::uint8_t(value);
}

[[noreturn]] void Corrupt(const char* what) {
  throw ELzrw1KHError(std::string("LZRW1KH: corrupt block (") + what + ")");
}

}  // namespace

std::size_t Lzrw1KhCompress(std::span<const std::uint8_t> source, std::span<std::uint8_t> dest) {
  const std::size_t n = source.size();
  if (n > kLzrwMaxBlockInput) throw std::invalid_argument("LZRW1KH: a block holds at most 65535 bytes");
  if (dest.size() < Lzrw1KhBufferSize(n)) throw std::invalid_argument("LZRW1KH: output buffer too small");
  const std::uint8_t* src = source.data();
  std::uint8_t* out = dest.data();

  HashTable table;
  table.fill(kNoPosition);
  out[0] = kLzrwFlagCompressed;
  std::size_t x = 0, y = 3, z = 1, bit = 0;
  std::uint16_t command = 0;
  while (x < n && y <= n) {
    if (bit > 15) {
      PutWord(out + z, command);
      z = y;
      y += 2;
      bit = 0;
    }
    std::size_t run = 1;
    while (run < kMaxRunWritten && x + run < n && src[x + run] == src[x]) ++run;
    std::size_t pos = 0, len = 0;
    if (run >= kMinRun) {
      out[y] = 0;
      PutWord(out + y + 1, run - kMinRun);
      out[y + 3] = src[x];
      y += 4;
      x += run;
      command = std::uint16_t(command << 1 | 1);
    } else if (FindMatch(src, x, n, pos, len, table)) {
      PutWord(out + y, (x - pos) << 4 | (len - kMinCopy));
      y += 2;
      x += len;
      command = std::uint16_t(command << 1 | 1);
    } else {
      out[y++] = src[x++];
      command = std::uint16_t(command << 1);
    }
    ++bit;
  }
  command = std::uint16_t(command << (16 - bit));
  PutWord(out + z, command);
  if (y > n) {
    out[0] = kLzrwFlagStored;
    if (n) std::memcpy(out + 1, src, n);
    return n + 1;
  }
  return y;
}

std::size_t Lzrw1KhDecompress(std::span<const std::uint8_t> source, std::span<std::uint8_t> dest) {
  const std::size_t m = source.size();
  if (m == 0) Corrupt("empty");
  const std::uint8_t* src = source.data();
  std::uint8_t* out = dest.data();
  const std::size_t capacity = dest.size();
  if (src[0] == kLzrwFlagStored) {
    if (m - 1 > capacity) Corrupt("stored data larger than the output");
    if (m > 1) std::memcpy(out, src + 1, m - 1);
    return m - 1;
  }
  if (m < 3) Corrupt("no control word");
  std::uint32_t command = std::uint32_t(src[1]) << 8 | src[2];
  int bit = 16;
  std::size_t x = 3, y = 0;
  while (x < m) {
    if (bit == 0) {
      if (m - x < 2) Corrupt("truncated control word");
      command = std::uint32_t(src[x]) << 8 | src[x + 1];
      bit = 16;
      x += 2;
      // A control word is always followed by an item.
      if (x == m) Corrupt("control word without items");
    }
    if (command & 0x8000) {
      if (m - x < 2) Corrupt("truncated copy item");
      const std::size_t distance = std::size_t(src[x]) << 4 | src[x + 1] >> 4;
      if (distance == 0) {
        if (m - x < 4) Corrupt("truncated run item");
        const std::size_t count = (std::size_t(src[x + 1]) << 8 | src[x + 2]) + kMinRun;
        if (count > capacity - y) Corrupt("run past the end of the output");
        std::memset(out + y, src[x + 3], count);
        y += count;
        x += 4;
      } else {
        const std::size_t length = (src[x + 1] & 0x0F) + kMinCopy;
        if (distance > y) Corrupt("copy from before the start of the output");
        if (length > capacity - y) Corrupt("copy past the end of the output");
        // Byte by byte: a distance below the length repeats a pattern.
        for (std::size_t i = 0; i < length; ++i, ++y) out[y] = out[y - distance];
        x += 2;
      }
    } else {
      if (y >= capacity) Corrupt("literal past the end of the output");
      out[y++] = src[x++];
    }
    command = (command << 1) & 0xFFFF;
    --bit;
  }
  return y;
}
