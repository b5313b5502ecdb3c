#pragma once
// UTF-8 in and out, and the simple case mapping names need (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic; other characters map to themselves).
// Bytes that are not valid UTF-8 (overlong forms and surrogates included)
// decode to kRawByte + byte, a value no valid sequence gives, so they compare
// consistently and encode back to the same byte.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char32_t kRawByte = 0x110000;

inline bool IsRawByte(char32_t c) { return c >= kRawByte; }

// One code point at text[pos], advancing pos; pos must be inside text.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void EncodeUtf8(char32_t cp, std::string& out);

char32_t LowerCodePoint(char32_t c);
char32_t UpperCodePoint(char32_t c);
