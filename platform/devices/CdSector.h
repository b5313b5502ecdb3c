#pragma once
// The whole 2352-byte form of a CD-ROM mode 1 sector: sync pattern, header,
// the 2048 bytes of user data, the error detection code and the two
// Reed-Solomon product-code parities (P and Q). The virtual recorder keeps
// only user data; READ CD rebuilds the rest of a sector from it.

#include <cstdint>

inline constexpr std::uint32_t kCdRawSectorSize = 2352;

// Offsets of the parts of a mode 1 sector.
struct CdMode1Layout {
  static constexpr std::uint32_t kSync = 0;        // 12 bytes: 00 FF*10 00
  static constexpr std::uint32_t kHeader = 12;     // minute, second, frame (BCD), mode
  static constexpr std::uint32_t kUser = 16;       // 2048 bytes
  static constexpr std::uint32_t kEdc = 2064;      // 4 bytes, least significant first
  static constexpr std::uint32_t kZero = 2068;     // 8 bytes of zeros
  static constexpr std::uint32_t kPParity = 2076;  // 172 bytes
  static constexpr std::uint32_t kQParity = 2248;  // 104 bytes
};

// The error detection code: a 32-bit CRC, bits taken least significant
// first, no start value and nothing added at the end.
std::uint32_t CdEdc(const std::uint8_t* data, std::uint32_t length, std::uint32_t crc = 0);

// Builds the full sector at address `lba` (block 0 is 00:02:00) around
// `user` (2048 bytes) into `sector` (2352 bytes).
void EncodeCdMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* sector);

// Computes the P and Q parity bytes of a sector whose header, user data,
// EDC and zero field are in place.
void PutCdSectorParity(std::uint8_t* sector);
