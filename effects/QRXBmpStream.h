#pragma once
// The stream records of the visual-effects library (little-endian):
// integers, bytes, short strings, bitmaps, string lists, and the compressed
// stream they use when their owner asks for compression.
//
// Compressed stream: u32 Total (bytes that follow), then per block a u32
// length and one LZRW1-KH block of at most 32781 input bytes. Every length
// is checked against Total and the block format before use, and the content
// against a size limit, so a damaged record raises EReadError (or its
// ELzrw1KHError) and never costs more memory than the limit.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Streams.h"

class TBitmap;
class TStringList;

inline constexpr std::int64_t kCompressedSlice = 32781;
// Content larger than this is refused unless a caller allows more.
inline constexpr std::int64_t kMaxRecordContent = std::int64_t(1) << 29;

// Writes `count` bytes of source from its position on (fewer when the
// source ends first).
void WriteCompressedStream(TStream& source, TStream& dest, std::int64_t count);
// Appends the content to dest. On an error dest keeps the blocks decoded so
// far.
void ReadCompressedStream(TStream& source, TStream& dest, std::int64_t maxSize = kMaxRecordContent);

void WriteStreamInteger(TStream& stream, std::int32_t value);
std::int32_t ReadStreamInteger(TStream& stream);
void WriteStreamByte(TStream& stream, std::uint8_t value);
std::uint8_t ReadStreamByte(TStream& stream);
// One length byte and the characters. A longer string is cut to the last
// whole UTF-8 character within 255 bytes.
void WriteStreamShortString(TStream& stream, const std::string& s);
std::string ReadStreamShortString(TStream& stream);

// The lines, each ended by CR LF: u32 size and the text, or a compressed
// stream of the text.
void WriteStringsToStream(TStream& stream, const TStringList& strings, bool compressed);
void ReadStringsFromStream(TStream& stream, TStringList& strings, bool compressed);

// The depth a bitmap record is captured at.
enum class TQRXSavePixelFormat : std::uint8_t { spfDefault, spfMono, spf4bit, spf8bit };
// spfDefault -1 (the bitmap as it is), spfMono 2, spf4bit 16, spf8bit 256.
int ColourCode(TQRXSavePixelFormat format);

// A BMP file image: u32 size and the image, or a compressed stream of it.
// Colour code -1 writes the bitmap as it is; 2, 16 and 256 capture it at 1,
// 4 and 8 bits with the standard palette of that depth (a 1-bit bitmap keeps
// its own); 0 at its own depth, 15, 16 and 32 bits becoming 24. A compressed
// record of a monochrome bitmap is always captured at 1 bit.
void WriteBitmapToStream(TStream& stream, const TBitmap& bitmap, bool compressed, int colourCode);
// Raises EReadError for a damaged record and EInvalidGraphic for an image
// that is no BMP; the bitmap is then unchanged.
void ReadBitmapFromStream(TStream& stream, TBitmap& bitmap, bool compressed,
                          std::int64_t maxSize = kMaxRecordContent);

// The BMP file image of a bitmap at a colour code (see above). Raises
// Exception "Bitmap image is not valid" for an empty bitmap.
std::vector<std::uint8_t> MakeBMPImage(const TBitmap& bitmap, int colourCode);
void WriteBMPImage(TStream& stream, const TBitmap& bitmap, int colourCode, bool withSize);
// The image without its size, a monochrome bitmap always at 1 bit; the
// stream is left at position 0.
void WriteBitmapAsBMP(TStream& stream, const TBitmap& bitmap, int colourCode);

// u32 N then N bytes, read into a new memory stream; N is checked against
// what the stream holds and against maxSize before anything is allocated.
void ReadSizedBlock(TStream& stream, TMemoryStream& dest, std::int64_t maxSize = kMaxRecordContent);
