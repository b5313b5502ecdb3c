#include "platform/devices/CdSector.h"

#include <array>
#include <cstring>

namespace {

// Arithmetic in GF(2^8) over x^8 + x^4 + x^3 + x^2 + 1, where the parities live.
struct GaloisField {
  std::array<std::uint8_t, 512> exp{};
  std::array<std::uint8_t, 256> log{};
  constexpr GaloisField() {
    unsigned value = 1;
    for (unsigned i = 0; i < 255; ++i) {
      exp[i] = exp[i + 255] = static_cast<std::uint8_t>(value);
      log[value] = static_cast<std::uint8_t>(i);
      value <<= 1;
      if (value & 0x100) value ^= 0x11D;
    }
  }
  constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) const {
    return a == 0 || b == 0 ? 0 : exp[log[a] + log[b]];
  }
  // a / b, b not zero.
  constexpr std::uint8_t Div(std::uint8_t a, std::uint8_t b) const {
    return a == 0 ? 0 : exp[log[a] + 255 - log[b]];
  }
};

constexpr GaloisField kField;

constexpr std::array<std::uint32_t, 256> MakeEdcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    // (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), bits reversed.
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? 0xD8018001u : 0);
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kEdcTable = MakeEdcTable();

// One code word of `data_symbols` bytes read from `area` at `first`, then
// every `step` bytes (wrapping at `area_size`), and its two parity bytes.
// The parities make the sum of all symbols zero, and the sum of each symbol
// weighted by alpha to the power of its distance from the last one.
void PutParityPair(std::uint8_t* area, std::uint32_t area_size, std::uint32_t first, std::uint32_t step,
                   std::uint32_t data_symbols, std::uint8_t& parity0, std::uint8_t& parity1) {
  std::uint8_t sum = 0;
  std::uint8_t weighted = 0;
  std::uint32_t at = first;
  for (std::uint32_t i = 0; i < data_symbols; ++i) {
    const std::uint8_t symbol = area[at];
    sum ^= symbol;
    // Horner's rule: after the loop `weighted` holds each symbol times
    // alpha^(data_symbols - i); two more steps put the parities at alpha^1 and alpha^0.
    weighted = static_cast<std::uint8_t>(kField.Mul(weighted, 2) ^ symbol);
    at += step;
    if (at >= area_size) at -= area_size;
  }
  weighted = kField.Mul(kField.Mul(weighted, 2), 2);
  // parity0 + parity1 = sum, alpha * parity0 + parity1 = weighted.
  parity0 = kField.Div(static_cast<std::uint8_t>(sum ^ weighted), 3);
  parity1 = static_cast<std::uint8_t>(sum ^ parity0);
}

std::uint8_t Bcd(std::uint32_t v) { return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10)); }

}  // namespace

std::uint32_t CdEdc(const std::uint8_t* data, std::uint32_t length, std::uint32_t crc) {
  for (std::uint32_t i = 0; i < length; ++i) crc = (crc >> 8) ^ kEdcTable[(crc ^ data[i]) & 0xFF];
  return crc;
}

void PutCdSectorParity(std::uint8_t* sector) {
  // Both codes work on the bytes from the header on, as two interleaved
  // planes (the even and the odd bytes of 16-bit words).
  std::uint8_t* area = sector + CdMode1Layout::kHeader;
  // P: 86 columns of 24 bytes, 86 bytes apart.
  constexpr std::uint32_t kPColumns = 86;
  for (std::uint32_t column = 0; column < kPColumns; ++column) {
    PutParityPair(area, 24 * kPColumns, column, kPColumns, 24, sector[CdMode1Layout::kPParity + column],
                  sector[CdMode1Layout::kPParity + kPColumns + column]);
  }
  // Q: 52 diagonals of 43 bytes over everything up to the P parity, each
  // step one row down and one word across.
  constexpr std::uint32_t kQDiagonals = 52;
  constexpr std::uint32_t kQArea = 26 * kPColumns;
  for (std::uint32_t diagonal = 0; diagonal < kQDiagonals; ++diagonal) {
    const std::uint32_t first = (diagonal / 2) * kPColumns + (diagonal % 2);
    PutParityPair(area, kQArea, first, kPColumns + 2, 43, sector[CdMode1Layout::kQParity + diagonal],
                  sector[CdMode1Layout::kQParity + kQDiagonals + diagonal]);
  }
}

void EncodeCdMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* sector) {
  std::memset(sector, 0, kCdRawSectorSize);
  std::memset(sector + CdMode1Layout::kSync + 1, 0xFF, 10);
  const std::uint32_t frames = lba + 150;
  sector[CdMode1Layout::kHeader + 0] = Bcd(frames / (60 * 75));
  sector[CdMode1Layout::kHeader + 1] = Bcd(frames / 75 % 60);
  sector[CdMode1Layout::kHeader + 2] = Bcd(frames % 75);
  sector[CdMode1Layout::kHeader + 3] = 0x01;
  std::memcpy(sector + CdMode1Layout::kUser, user, 2048);
  const std::uint32_t edc = CdEdc(sector, CdMode1Layout::kEdc);
  for (int i = 0; i < 4; ++i) sector[CdMode1Layout::kEdc + i] = static_cast<std::uint8_t>(edc >> (8 * i));
  PutCdSectorParity(sector);
}
