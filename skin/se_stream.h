#pragma once
// The string record of every skin format (a signed 32-bit little-endian byte
// count, then the bytes, no terminator) and the checked integer reads the
// skin readers share. Skin files are outside input: every read checks that
// the bytes are there, and a count larger than what is left of the stream
// is refused before anything is allocated for it.

#include <cstdint>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

namespace se {

// Bytes from the stream's position to its end; 0 when the size is unknown.
std::int64_t RemainingBytes(TStream& stream);

// Raise EReadError when the stream ends early.
std::int32_t ReadInt32(TStream& stream);
std::uint8_t ReadByte(TStream& stream);
void WriteInt32(TStream& stream, std::int32_t value);

// A negative length, or one longer than the rest of the stream, raises
// EReadError naming `what`.
void ReadStreamString(TStream& stream, std::string& s, const char* what = "string");
std::string ReadStreamString(TStream& stream, const char* what = "string");
void WriteStreamString(TStream& stream, const std::string& s);

}  // namespace se
