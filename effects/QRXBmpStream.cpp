#include "effects/QRXBmpStream.h"

#include <algorithm>
#include <span>

#include "effects/LZRW1KH.h"
#include "platform/core/StringList.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/BmpCodec.h"

namespace {

constexpr std::int64_t kMaxBlockLength = std::int64_t(kLzrwMaxBlockInput) + 1;

void WriteU32(TStream& stream, std::uint32_t value) {
  const std::uint8_t b[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                             std::uint8_t(value >> 24)};
  stream.WriteBuffer(b, 4);
}

std::uint32_t ReadU32(TStream& stream) {
  std::uint8_t b[4];
  stream.ReadBuffer(b, 4);
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
         std::uint32_t(b[3]) << 24;
}

std::int64_t Remaining(TStream& stream) {
  return std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

// The length of a UTF-8 string cut to at most `limit` bytes without
// splitting a character.
std::size_t Utf8Cut(const std::string& s, std::size_t limit) {
  if (s.size() <= limit) return s.size();
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

TPixelFormat CaptureFormat(const TBitmap& bitmap, int colourCode) {
  switch (colourCode) {
    case 2:
      return pf1bit;
    case 16:
      return pf4bit;
    case 256:
      return pf8bit;
    case 0: {
      const int bpp = BitsPerPixel(bitmap.PixelFormat());
      return bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : pf24bit;
    }
    default:
      throw Exception("Invalid colour code " + std::to_string(colourCode));
  }
}

}  // namespace

void WriteCompressedStream(TStream& source, TStream& dest, std::int64_t count) {
  const std::int64_t start = dest.Position();
  WriteU32(dest, 0);
  std::vector<std::uint8_t> slice(kCompressedSlice), block(Lzrw1KhBufferSize(kCompressedSlice));
  std::int64_t total = 0;
  while (count > 0) {
    const std::int64_t want = std::min(count, kCompressedSlice);
    const std::int64_t got = source.Read(slice.data(), want);
    if (got <= 0) break;
    const std::size_t length = Lzrw1KhCompress(std::span(slice.data(), std::size_t(got)), block);
    WriteU32(dest, std::uint32_t(length));
    dest.WriteBuffer(block.data(), std::int64_t(length));
    total += std::int64_t(length) + 4;
    count -= got;
  }
  if (total > 0xFFFFFFFFLL) throw EWriteError("Compressed stream too large");
  const std::int64_t end = dest.Position();
  dest.SetPosition(start);
  WriteU32(dest, std::uint32_t(total));
  dest.SetPosition(end);
}

void ReadCompressedStream(TStream& source, TStream& dest, std::int64_t maxSize) {
  std::int64_t total = ReadU32(source);
  if (total > Remaining(source)) throw EReadError("Compressed stream: size past the end of the data");
  std::vector<std::uint8_t> block, out(kLzrwMaxBlockInput);
  std::int64_t produced = 0;
  while (total > 0) {
    if (total < 4) throw EReadError("Compressed stream: sizes do not add up");
    const std::int64_t length = ReadU32(source);
    if (length == 0 || length > kMaxBlockLength || length + 4 > total)
      throw EReadError("Compressed stream: invalid block length " + std::to_string(length));
    block.resize(std::size_t(length));
    source.ReadBuffer(block.data(), length);
    const std::size_t n = Lzrw1KhDecompress(block, out);
    produced += std::int64_t(n);
    if (produced > maxSize) throw EReadError("Compressed stream: content larger than allowed");
    dest.WriteBuffer(out.data(), std::int64_t(n));
    total -= length + 4;
  }
}

void WriteStreamInteger(TStream& stream, std::int32_t value) { WriteU32(stream, std::uint32_t(value)); }

std::int32_t ReadStreamInteger(TStream& stream) { return std::int32_t(ReadU32(stream)); }

void WriteStreamByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

std::uint8_t ReadStreamByte(TStream& stream) {
  std::uint8_t value;
  stream.ReadBuffer(&value, 1);
  return value;
}

void WriteStreamShortString(TStream& stream, const std::string& s) {
  const std::size_t n = Utf8Cut(s, 255);
  WriteStreamByte(stream, std::uint8_t(n));
  stream.WriteBuffer(s.data(), std::int64_t(n));
}

std::string ReadStreamShortString(TStream& stream) {
  std::string s(ReadStreamByte(stream), '\0');
  stream.ReadBuffer(s.data(), std::int64_t(s.size()));
  return s;
}

void ReadSizedBlock(TStream& stream, TMemoryStream& dest, std::int64_t maxSize) {
  const std::int64_t n = ReadU32(stream);
  if (n > Remaining(stream)) throw EReadError("Record size past the end of the data");
  if (n > maxSize) throw EReadError("Record larger than allowed");
  dest.SetSize(n);
  stream.ReadBuffer(dest.Memory(), n);
  dest.SetPosition(0);
}

void WriteStringsToStream(TStream& stream, const TStringList& strings, bool compressed) {
  const std::string text = strings.Text();
  if (compressed) {
    TMemoryStream memory;
    memory.WriteBuffer(text.data(), std::int64_t(text.size()));
    memory.SetPosition(0);
    WriteCompressedStream(memory, stream, memory.Size());
    return;
  }
  WriteU32(stream, std::uint32_t(text.size()));
  stream.WriteBuffer(text.data(), std::int64_t(text.size()));
}

void ReadStringsFromStream(TStream& stream, TStringList& strings, bool compressed) {
  TMemoryStream memory;
  if (compressed)
    ReadCompressedStream(stream, memory);
  else
    ReadSizedBlock(stream, memory);
  strings.SetText(
      std::string_view(reinterpret_cast<const char*>(memory.Memory()), std::size_t(memory.Size())));
}

int ColourCode(TQRXSavePixelFormat format) {
  switch (format) {
    case TQRXSavePixelFormat::spfMono:
      return 2;
    case TQRXSavePixelFormat::spf4bit:
      return 16;
    case TQRXSavePixelFormat::spf8bit:
      return 256;
    case TQRXSavePixelFormat::spfDefault:
      break;
  }
  return -1;
}

std::vector<std::uint8_t> MakeBMPImage(const TBitmap& bitmap, int colourCode) {
  if (bitmap.Empty()) throw Exception("Bitmap image is not valid");
  const TPixelFormat format = CaptureFormat(bitmap, colourCode);
  TDib dib = bitmap.PixelFormat() == format ? bitmap.Dib() : bitmap.Dib().Converted(format);
  // A captured image carries the full colour table of its depth.
  if (IsPaletteFormat(format)) dib.palette.resize(std::size_t(1) << BitsPerPixel(format));
  return WriteBmp(dib);
}

void WriteBMPImage(TStream& stream, const TBitmap& bitmap, int colourCode, bool withSize) {
  const std::vector<std::uint8_t> image = MakeBMPImage(bitmap, colourCode);
  if (withSize) WriteU32(stream, std::uint32_t(image.size()));
  stream.WriteBuffer(image.data(), std::int64_t(image.size()));
}

void WriteBitmapAsBMP(TStream& stream, const TBitmap& bitmap, int colourCode) {
  WriteBMPImage(stream, bitmap, bitmap.Monochrome() ? 2 : colourCode, false);
  stream.SetPosition(0);
}

void WriteBitmapToStream(TStream& stream, const TBitmap& bitmap, bool compressed, int colourCode) {
  if (compressed) {
    TMemoryStream memory;
    if (colourCode == -1)
      bitmap.SaveToStream(memory);
    else
      WriteBitmapAsBMP(memory, bitmap, colourCode);
    memory.SetPosition(0);
    WriteCompressedStream(memory, stream, memory.Size());
    return;
  }
  if (colourCode == -1) {
    const QByteArray image = bitmap.SaveToBytes();
    WriteU32(stream, std::uint32_t(image.size()));
    stream.WriteBuffer(image.constData(), image.size());
    return;
  }
  WriteBMPImage(stream, bitmap, colourCode, true);
}

void ReadBitmapFromStream(TStream& stream, TBitmap& bitmap, bool compressed, std::int64_t maxSize) {
  TMemoryStream memory;
  if (compressed)
    ReadCompressedStream(stream, memory, maxSize);
  else
    ReadSizedBlock(stream, memory, maxSize);
  memory.SetPosition(0);
  bitmap.LoadFromStream(memory);
}
