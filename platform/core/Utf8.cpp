#include "platform/core/Utf8.h"

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(pos);
  int length = 0;
  char32_t cp = 0;
  if (first < 0x80) {
    ++pos;
    return first;
  } else if ((first & 0xE0) == 0xC0) {
    length = 2, cp = first & 0x1F;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, cp = first & 0x0F;
  } else if ((first & 0xF8) == 0xF0) {
    length = 4, cp = first & 0x07;
  }
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return kRawByte + first;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kRawByte + first;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kRawByte + first;
  }
  pos += length;
  return cp;
}

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp >= kRawByte) {
    out += static_cast<char>(cp - kRawByte);
  } else if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t LowerCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if ((c <= 0x137 || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) return c + 1;
    return c;
  }
  if (c >= 0x386 && c <= 0x3AB) {
    if (c >= 0x391 && c != 0x3A2) return c + 32;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 63;
    return c;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) && c % 2 == 0) return c + 1;
  return c;
}

char32_t UpperCodePoint(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return 'I';
    if ((c <= 0x137 || (c >= 0x14A && c <= 0x177)) && c % 2 == 1) return c - 1;
    if (((c >= 0x13A && c <= 0x148) || (c >= 0x17A && c <= 0x17E)) && c % 2 == 0) return c - 1;
    return c;
  }
  if (c >= 0x3AC && c <= 0x3CE) {
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3CB) return c - 32;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 63;
    return c;
  }
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) && c % 2 == 1) return c - 1;
  return c;
}
