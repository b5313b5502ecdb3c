#pragma once
// The LZRW1-KH block coder: LZ77 with a 4096-entry hash table of last
// positions (one probe, no chains), 16-bit control words, two-byte copy items
// and four-byte run items. Blocks hold at most 65535 input bytes.
//
// Compressed block (big-endian): flag 0x40, a control word, up to 16 items,
// the next control word, ... Control bits, most significant first: 0 a
// literal byte, 1 a copy or run item. Copy: distance x 16 + (length - 3) in
// two bytes, distance 1..4095, length 3..18. Run: 0x00, count - 16 in two
// bytes (high nibble 0), the byte value; count 16..4111. Stored block: flag
// 0x80 and the input unchanged; a block is stored whenever compressing would
// not make it smaller, so no block is ever longer than its input plus one.
//
// Blocks come from files: the decoder checks every item against both
// buffers and raises ELzrw1KHError for data no compressor writes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/core/Exceptions.h"

// A block that cannot be decoded: the message says what is wrong with it.
class ELzrw1KHError : public EReadError {
  using EReadError::EReadError;
};

inline constexpr std::size_t kLzrwMaxBlockInput = 65535;
inline constexpr std::uint8_t kLzrwFlagCompressed = 0x40;
inline constexpr std::uint8_t kLzrwFlagStored = 0x80;

// Room the compressor needs for `inputSize` bytes: the compressed form is
// abandoned only after it has run up to five bytes past the input size.
constexpr std::size_t Lzrw1KhBufferSize(std::size_t inputSize) { return inputSize + 6; }

// Compresses source (at most 65535 bytes) into dest, which must hold
// Lzrw1KhBufferSize(source.size()) bytes; returns the block length, at most
// source.size() + 1. Raises std::invalid_argument for sizes out of range.
// Each call keeps its hash table to itself, so threads may compress at once.
std::size_t Lzrw1KhCompress(std::span<const std::uint8_t> source, std::span<std::uint8_t> dest);

// Decodes one whole block into dest; returns the bytes written. Raises
// ELzrw1KHError for an empty, truncated or inconsistent block and for one
// that would decode to more than dest holds; dest may then hold part of the
// output, but nothing outside either buffer is ever touched.
std::size_t Lzrw1KhDecompress(std::span<const std::uint8_t> source, std::span<std::uint8_t> dest);
