#include "skin/se_stream.h"

#include <limits>

namespace se {

std::int64_t RemainingBytes(TStream& stream) {
  const std::int64_t position = stream.Position();
  const std::int64_t size = stream.Size();
  if (position < 0 || size < position) return 0;
  return size - position;
}

std::int32_t ReadInt32(TStream& stream) {
  std::uint8_t b[4];
  if (stream.Read(b, 4) != 4) throw EReadError("Skin data ends in the middle of a number");
  return static_cast<std::int32_t>(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                   (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24));
}

std::uint8_t ReadByte(TStream& stream) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) != 1) throw EReadError("Skin data ends early");
  return b;
}

void WriteInt32(TStream& stream, std::int32_t value) {
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                             std::uint8_t(v >> 24)};
  stream.WriteBuffer(b, 4);
}

void ReadStreamString(TStream& stream, std::string& s, const char* what) {
  const std::int32_t n = ReadInt32(stream);
  if (n < 0) throw EReadError(std::string("Negative length of ") + what + " in skin data");
  if (n > RemainingBytes(stream))
    throw EReadError(std::string("Length of ") + what + " runs past the end of the skin data");
  s.assign(static_cast<std::size_t>(n), '\0');
  if (n > 0 && stream.Read(s.data(), n) != n) throw EReadError(std::string("Short ") + what);
}

std::string ReadStreamString(TStream& stream, const char* what) {
  std::string s;
  ReadStreamString(stream, s, what);
  return s;
}

void WriteStreamString(TStream& stream, const std::string& s) {
  if (s.size() > std::size_t(std::numeric_limits<std::int32_t>::max()))
    throw EWriteError("String too long for a skin stream");
  WriteInt32(stream, static_cast<std::int32_t>(s.size()));
  if (!s.empty()) stream.WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
}

}  // namespace se
