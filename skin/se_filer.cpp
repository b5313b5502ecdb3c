#include "skin/se_filer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "skin/se_bitmap.h"

namespace {

enum : std::uint8_t {
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaInt64 = 19,
  vaUTF8String = 20,
};

constexpr std::int64_t kMaxIdent = 255;

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// --- Binary form ---------------------------------------------------------

void PutShort(std::string& out, const std::string& s) {
  if (s.size() > 255) throw EWriteError("Name too long for a component image: " + s.substr(0, 40));
  out += char(s.size());
  out += s;
}

void PutInt32(std::string& out, std::int64_t v) {
  for (int i = 0; i < 4; ++i) out += char((std::uint64_t(v) >> (8 * i)) & 0xFF);
}

void PutValue(std::string& out, const TSePropertyValue& v) {
  switch (v.kind) {
    case TSePropertyValue::kInteger:
      if (v.integer >= -128 && v.integer <= 127) {
        out += char(vaInt8);
        out += char(std::int8_t(v.integer));
      } else if (v.integer >= -32768 && v.integer <= 32767) {
        out += char(vaInt16);
        out += char(v.integer & 0xFF);
        out += char((v.integer >> 8) & 0xFF);
      } else if (v.integer >= std::numeric_limits<std::int32_t>::min() &&
                 v.integer <= std::numeric_limits<std::int32_t>::max()) {
        out += char(vaInt32);
        PutInt32(out, v.integer);
      } else {
        out += char(vaInt64);
        for (int i = 0; i < 8; ++i) out += char((std::uint64_t(v.integer) >> (8 * i)) & 0xFF);
      }
      break;
    case TSePropertyValue::kString:
      if (v.text.size() <= 255) {
        out += char(vaString);
        PutShort(out, v.text);
      } else {
        out += char(vaLString);
        PutInt32(out, std::int64_t(v.text.size()));
        out += v.text;
      }
      break;
    case TSePropertyValue::kIdent:
      out += char(vaIdent);
      PutShort(out, v.text);
      break;
    case TSePropertyValue::kBoolean:
      out += char(v.boolean ? vaTrue : vaFalse);
      break;
    case TSePropertyValue::kBinary:
      if (v.text.size() > std::size_t(std::numeric_limits<std::int32_t>::max()))
        throw EWriteError("Binary property too large");
      out += char(vaBinary);
      PutInt32(out, std::int64_t(v.text.size()));
      out += v.text;
      break;
    case TSePropertyValue::kSet:
      out += char(vaSet);
      for (const std::string& e : v.set) {
        if (e.empty()) throw EWriteError("Empty set element");
        PutShort(out, e);
      }
      out += char(0);
      break;
  }
}

class BinaryReader {
 public:
  explicit BinaryReader(std::string_view data) : data_(data) {}
  std::size_t Left() const { return data_.size() - pos_; }
  std::uint8_t Byte() {
    if (Left() < 1) Fail("ends early");
    return std::uint8_t(data_[pos_++]);
  }
  std::string Bytes(std::int64_t n) {
    if (n < 0 || std::uint64_t(n) > Left()) Fail("has a length that runs past its end");
    std::string s(data_.substr(pos_, std::size_t(n)));
    pos_ += std::size_t(n);
    return s;
  }
  std::int64_t Int(int bytes) {
    if (Left() < std::size_t(bytes)) Fail("ends in the middle of a number");
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t(std::uint8_t(data_[pos_ + std::size_t(i)])) << (8 * i);
    pos_ += std::size_t(bytes);
    const int bits = bytes * 8;
    if (bits < 64 && (v >> (bits - 1)) & 1) v |= ~std::uint64_t(0) << bits;  // sign-extend
    return std::int64_t(v);
  }
  std::string Short() { return Bytes(Byte()); }
  [[noreturn]] static void Fail(const std::string& what) { throw EReadError("Component image " + what); }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

TSePropertyValue GetValue(BinaryReader& r) {
  TSePropertyValue v;
  const std::uint8_t type = r.Byte();
  switch (type) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      v.kind = TSePropertyValue::kInteger;
      v.integer = r.Int(type == vaInt8 ? 1 : type == vaInt16 ? 2 : type == vaInt32 ? 4 : 8);
      break;
    case vaString:
      v.kind = TSePropertyValue::kString;
      v.text = r.Short();
      break;
    case vaLString:
    case vaUTF8String:
      v.kind = TSePropertyValue::kString;
      v.text = r.Bytes(r.Int(4));
      break;
    case vaIdent:
      v.kind = TSePropertyValue::kIdent;
      v.text = r.Short();
      if (v.text.empty()) BinaryReader::Fail("has an empty identifier");
      break;
    case vaFalse:
    case vaTrue:
      v.kind = TSePropertyValue::kBoolean;
      v.boolean = type == vaTrue;
      break;
    case vaBinary:
      v.kind = TSePropertyValue::kBinary;
      v.text = r.Bytes(r.Int(4));
      break;
    case vaSet:
      v.kind = TSePropertyValue::kSet;
      for (;;) {
        std::string e = r.Short();
        if (e.empty()) break;
        v.set.push_back(std::move(e));
      }
      break;
    default:
      BinaryReader::Fail("holds a value of unsupported type " + std::to_string(type));
  }
  return v;
}

// --- Text form -------------------------------------------------------------

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string QuoteString(const std::string& s) {
  if (s.empty()) return "''";
  std::string out;
  bool quoted = false;
  for (unsigned char c : s) {
    if (c < 32) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(int(c));
    } else {
      if (!quoted) out += '\'';
      quoted = true;
      if (c == '\'') out += '\'';
      out += char(c);
    }
  }
  if (quoted) out += '\'';
  return out;
}

std::string ValueText(const TSePropertyValue& v) {
  switch (v.kind) {
    case TSePropertyValue::kInteger:
      return std::to_string(v.integer);
    case TSePropertyValue::kString:
      return QuoteString(v.text);
    case TSePropertyValue::kIdent:
      return v.text;
    case TSePropertyValue::kBoolean:
      return v.boolean ? "True" : "False";
    case TSePropertyValue::kSet: {
      std::string out = "[";
      for (std::size_t i = 0; i < v.set.size(); ++i) out += (i ? ", " : "") + v.set[i];
      return out + "]";
    }
    case TSePropertyValue::kBinary: {
      if (v.text.empty()) return "{}";
      std::string out = "{";
      for (std::size_t at = 0; at < v.text.size(); at += 32)
        out += "\n    " + Hex(std::string_view(v.text).substr(at, 32));
      return out + "}";
    }
  }
  return {};
}

constexpr const char* kSkinStrings[] = {"SkinName", "SkinVersion", "Author", "AuthorEMail", "AuthorURL"};
constexpr int kMaxTextDepth = 64;

void TreeText(const TSeComponentTree& tree, int indent, std::string& out) {
  const std::string pad(std::size_t(indent) * 2, ' ');
  out += pad + "object ";
  if (!tree.image.name.empty()) out += tree.image.name + ": ";
  out += tree.image.className + "\n";
  for (const auto& [name, value] : tree.image.properties)
    out += pad + "  " + name + " = " + ValueText(value) + "\n";
  for (const TSeComponentTree& child : tree.children) TreeText(child, indent + 1, out);
  out += pad + "end\n";
}

class TextParser {
 public:
  explicit TextParser(std::string_view text) : text_(text) {}

  TSeComponentImage Parse() {
    if (!SameText(Word(), "object")) Fail("does not start with \"object\"");
    TSeComponentTree tree = Object(0, false);
    SkipSpace();
    if (!AtEnd()) Fail("has text after its \"end\"");
    return std::move(tree.image);
  }

  // The readable skin source: the skin's strings, its pictures, then its
  // objects with their children nested.
  TSeSkinText ParseSkin() {
    TSeSkinText skin;
    for (;;) {
      SkipSpaceAndComments();
      if (AtEnd()) break;
      const std::string word = Word();
      if (word.empty()) Fail("has an unexpected character at offset " + std::to_string(pos_));
      if (SameText(word, "object")) {
        skin.objects.push_back(Object(0, true));
      } else if (SameText(word, "Bitmap")) {
        SkipSpace();
        std::string name = String();
        Expect('=');
        SkipSpace();
        skin.pictures.emplace_back(std::move(name), String());
      } else {
        const bool known = std::any_of(std::begin(kSkinStrings), std::end(kSkinStrings),
                                       [&](const char* k) { return word == k; });
        if (!known) Fail("has an unknown line \"" + word.substr(0, 80) + "\"");
        Expect('=');
        SkipSpace();
        skin.strings.emplace_back(word, String());
      }
    }
    return skin;
  }

 private:
  void Expect(char c) {
    SkipSpace();
    if (Peek() != c) Fail(std::string("misses \"") + c + "\" at offset " + std::to_string(pos_));
    ++pos_;
  }

  void SkipSpaceAndComments() {
    for (;;) {
      SkipSpace();
      if (text_.substr(pos_, 2) != "//") return;
      while (!AtEnd() && text_[pos_] != '\n') ++pos_;
    }
  }

  // After the word "object": the name, the class, the properties and,
  // when allowed, child objects, up to the matching "end".
  TSeComponentTree Object(int depth, bool nested) {
    if (depth > kMaxTextDepth) Fail("nests objects too deeply");
    TSeComponentTree tree;
    TSeComponentImage& image = tree.image;
    std::string first = Word();
    SkipSpace();
    if (Peek() == ':') {
      ++pos_;
      image.name = first;
      image.className = Word();
    } else {
      image.className = first;
    }
    if (image.className.empty()) Fail("has no class name");
    for (;;) {
      if (nested)
        SkipSpaceAndComments();
      else
        SkipSpace();
      if (AtEnd()) Fail("has no \"end\"");
      std::string name = Word();
      if (name.empty()) Fail("has an unexpected character at offset " + std::to_string(pos_));
      if (SameText(name, "end")) break;
      if (nested && SameText(name, "object")) {
        tree.children.push_back(Object(depth + 1, true));
        continue;
      }
      if (SameText(name, "object") || SameText(name, "inherited") || SameText(name, "inline"))
        Fail("holds a nested component, which skin objects do not use");
      SkipSpace();
      if (Peek() != '=') Fail("misses \"=\" after " + name);
      ++pos_;
      image.properties.emplace_back(name, Value());
    }
    return tree;
  }

  [[noreturn]] static void Fail(const std::string& what) { throw EReadError("Text component image " + what); }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void SkipSpace() {
    while (!AtEnd() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  static bool IdentChar(char c, bool first) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || (!first && (std::isdigit(u) || c == '.'));
  }
  std::string Word() {
    SkipSpace();
    const std::size_t start = pos_;
    if (!AtEnd() && IdentChar(text_[pos_], true)) {
      ++pos_;
      while (!AtEnd() && IdentChar(text_[pos_], false)) ++pos_;
    }
    if (pos_ - start > std::size_t(kMaxIdent)) Fail("has a name longer than 255 characters");
    return std::string(text_.substr(start, pos_ - start));
  }

  TSePropertyValue Value() {
    SkipSpace();
    TSePropertyValue v;
    const char c = Peek();
    if (c == '\'' || c == '#') {
      v.kind = TSePropertyValue::kString;
      v.text = String();
    } else if (c == '[') {
      ++pos_;
      v.kind = TSePropertyValue::kSet;
      SkipSpace();
      if (Peek() == ']') {
        ++pos_;
        return v;
      }
      for (;;) {
        std::string e = Word();
        if (e.empty()) Fail("has a bad set element");
        v.set.push_back(std::move(e));
        SkipSpace();
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        if (Peek() == ']') {
          ++pos_;
          break;
        }
        Fail("has an unterminated set");
      }
    } else if (c == '{') {
      ++pos_;
      v.kind = TSePropertyValue::kBinary;
      std::string digits;
      for (;;) {
        if (AtEnd()) Fail("has unterminated binary data");
        const char d = text_[pos_++];
        if (d == '}') break;
        if (std::isspace(static_cast<unsigned char>(d))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(d))) Fail("has a bad digit in binary data");
        digits += d;
      }
      if (digits.size() % 2) Fail("has an odd number of hex digits");
      for (std::size_t i = 0; i < digits.size(); i += 2)
        v.text += char(std::stoi(digits.substr(i, 2), nullptr, 16));
    } else if (c == '-' || c == '+' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
      v.kind = TSePropertyValue::kInteger;
      v.integer = Number();
    } else if (IdentChar(c, true)) {
      std::string word = Word();
      if (SameText(word, "True") || SameText(word, "False")) {
        v.kind = TSePropertyValue::kBoolean;
        v.boolean = SameText(word, "True");
      } else {
        v.kind = TSePropertyValue::kIdent;
        v.text = std::move(word);
      }
    } else {
      Fail("has a value of a kind skin objects do not use");
    }
    return v;
  }

  std::int64_t Number() {
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') negative = text_[pos_++] == '-';
    int base = 10;
    if (Peek() == '$') {
      base = 16;
      ++pos_;
    }
    std::uint64_t v = 0;
    std::size_t digits = 0;
    while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
      const char d = text_[pos_];
      if (base == 10 && !std::isdigit(static_cast<unsigned char>(d))) break;
      const int value = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : std::tolower(d) - 'a' + 10;
      if (v > (std::numeric_limits<std::uint64_t>::max() - value) / base) Fail("has a number out of range");
      v = v * base + value;
      ++digits;
      ++pos_;
    }
    if (!digits) Fail("has a bad number");
    if (!AtEnd() && (IdentChar(text_[pos_], false) || text_[pos_] == '.')) Fail("has a bad number");
    if (v > std::uint64_t(std::numeric_limits<std::int64_t>::max())) Fail("has a number out of range");
    return negative ? -std::int64_t(v) : std::int64_t(v);
  }

  std::string String() {
    std::string out;
    for (;;) {
      const char c = Peek();
      if (c == '\'') {
        ++pos_;
        for (;;) {
          if (AtEnd()) Fail("has an unterminated string");
          const char d = text_[pos_++];
          if (d == '\n' || d == '\r') Fail("has a line break inside a string");
          if (d == '\'') {
            if (Peek() == '\'') {
              ++pos_;
              out += '\'';
              continue;
            }
            break;
          }
          out += d;
        }
      } else if (c == '#') {
        ++pos_;
        const std::int64_t code = Number();
        if (code < 0 || code > 255) Fail("has a character code out of range");
        out += char(code);
      } else {
        // 'abc' + 'def' continues on the next line.
        const std::size_t save = pos_;
        SkipSpace();
        if (Peek() == '+') {
          ++pos_;
          SkipSpace();
          if (Peek() == '\'' || Peek() == '#') continue;
          Fail("has a \"+\" not followed by a string");
        }
        pos_ = save;
        return out;
      }
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

struct ColorName {
  TColor color;
  const char* name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
};

// Charsets by value; gaps are written as numbers.
std::vector<const char*> CharsetNames() {
  std::vector<const char*> names(256, nullptr);
  const std::pair<int, const char*> known[] = {
      {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
      {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
      {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
      {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
      {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
      {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
      {255, "OEM_CHARSET"},
  };
  for (const auto& [value, name] : known) names[std::size_t(value)] = name;
  return names;
}

constexpr const char* kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

}  // namespace

namespace se {

std::string WriteComponentImage(const TSeComponentImage& image) {
  std::string out = "TPF0";
  PutShort(out, image.className);
  PutShort(out, image.name);
  for (const auto& [name, value] : image.properties) {
    if (name.empty()) throw EWriteError("Property without a name");
    PutShort(out, name);
    PutValue(out, value);
  }
  out += char(0);  // end of the properties
  out += char(0);  // no owned components
  return out;
}

TSeComponentImage ReadComponentImage(std::string_view bytes) {
  BinaryReader r(bytes);
  if (r.Bytes(4) != "TPF0") BinaryReader::Fail("does not start with \"TPF0\"");
  TSeComponentImage image;
  if ((r.Left() > 0) && (std::uint8_t(bytes[4]) & 0xF0) == 0xF0)
    BinaryReader::Fail("uses inherited or inline components, which skin objects do not use");
  image.className = r.Short();
  if (image.className.empty()) BinaryReader::Fail("has no class name");
  image.name = r.Short();
  for (;;) {
    std::string name = r.Short();
    if (name.empty()) break;
    image.properties.emplace_back(std::move(name), GetValue(r));
  }
  if (r.Byte() != 0) BinaryReader::Fail("holds a nested component, which skin objects do not use");
  if (r.Left() != 0) BinaryReader::Fail("has bytes after its end");
  return image;
}

std::string ComponentImageToText(const TSeComponentImage& image) {
  std::string out = "object ";
  if (!image.name.empty()) out += image.name + ": ";
  out += image.className + "\n";
  for (const auto& [name, value] : image.properties) out += "  " + name + " = " + ValueText(value) + "\n";
  return out + "end\n";
}

TSeComponentImage ComponentImageFromText(std::string_view text) { return TextParser(text).Parse(); }

std::string SkinTextToString(const TSeSkinText& skin) {
  std::string out;
  for (const auto& [key, value] : skin.strings) out += key + " = " + QuoteString(value) + "\n";
  if (!skin.pictures.empty()) out += "\n";
  for (const auto& [name, file] : skin.pictures)
    out += "Bitmap " + QuoteString(name) + " = " + QuoteString(file) + "\n";
  for (const TSeComponentTree& tree : skin.objects) {
    out += "\n";
    TreeText(tree, 0, out);
  }
  return out;
}

TSeSkinText SkinTextFromString(std::string_view text) { return TextParser(text).ParseSkin(); }

bool ColorToIdent(TColor color, std::string& ident) {
  for (const ColorName& c : kColorNames)
    if (c.color == color) {
      ident = c.name;
      return true;
    }
  return false;
}

std::vector<const char*> ColorIdents() {
  std::vector<const char*> names;
  for (const ColorName& c : kColorNames) names.push_back(c.name);
  return names;
}

bool IdentToColor(const std::string& ident, TColor& color) {
  for (const ColorName& c : kColorNames)
    if (SameText(c.name, ident)) {
      color = c.color;
      return true;
    }
  return false;
}

}  // namespace se

// --- Filers ------------------------------------------------------------------

void TSePropertyFiler::Font(const std::string& name, TFont& font) {
  static const std::vector<const char*> charsets = CharsetNames();
  int charset = font.Charset();
  if (Ident(name + ".Charset", charset, charsets)) font.SetCharset(charset);
  TColor color = font.Color();
  if (Color(name + ".Color", color)) font.SetColor(color);
  int height = font.Height();
  if (Bounded(name + ".Height", height, -kMaxSkinFontHeight, kMaxSkinFontHeight)) font.SetHeight(height);
  std::string face = font.Name().toStdString();
  if (Text(name + ".Name", face)) font.SetName(QString::fromStdString(face));
  unsigned style = font.Style();
  if (Set(name + ".Style", style, kFontStyleNames)) font.SetStyle(TFontStyles(style));
}

void TSePropertyFiler::Link(const std::string& name, TSeBitmapLink& link) {
  Text(name + ".Name", link.Name);
  Extent(name + ".Left", link.Left);
  Extent(name + ".Top", link.Top);
  Extent(name + ".Right", link.Right);
  Extent(name + ".Bottom", link.Bottom);
}

bool TSePropertyFiler::Bounded(const std::string& name, int& value, int lo, int hi) {
  int v = value;
  if (!Integer(name, v)) return false;
  if (v < lo || v > hi)
    throw EReadError("Property " + name + " of the skin is " + std::to_string(v) + "; it must lie within " +
                     std::to_string(lo) + ".." + std::to_string(hi));
  value = v;
  return true;
}

void TSePropertyWriter::Add(const std::string& name, TSePropertyValue value) {
  image_.properties.emplace_back(name, std::move(value));
}

bool TSePropertyWriter::Integer(const std::string& name, int& value) {
  TSePropertyValue v;
  v.integer = value;
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Boolean(const std::string& name, bool& value) {
  TSePropertyValue v;
  v.kind = TSePropertyValue::kBoolean;
  v.boolean = value;
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Text(const std::string& name, std::string& value) {
  TSePropertyValue v;
  v.kind = TSePropertyValue::kString;
  v.text = value;
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Ident(const std::string& name, int& value, std::span<const char* const> names) {
  TSePropertyValue v;
  if (value >= 0 && std::size_t(value) < names.size() && names[std::size_t(value)]) {
    v.kind = TSePropertyValue::kIdent;
    v.text = names[std::size_t(value)];
  } else {
    v.integer = value;
  }
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Color(const std::string& name, TColor& value) {
  TSePropertyValue v;
  if (se::ColorToIdent(value, v.text))
    v.kind = TSePropertyValue::kIdent;
  else
    v.integer = value;
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Set(const std::string& name, unsigned& bits, std::span<const char* const> names) {
  TSePropertyValue v;
  v.kind = TSePropertyValue::kSet;
  for (std::size_t i = 0; i < names.size() && i < 32; ++i)
    if (bits & (1u << i)) v.set.push_back(names[i]);
  Add(name, v);
  return false;
}

bool TSePropertyWriter::Binary(const std::string& name, const std::function<void(TStream&)>& write,
                               const std::function<void(TStream&)>&) {
  TMemoryStream stream;
  write(stream);
  TSePropertyValue v;
  v.kind = TSePropertyValue::kBinary;
  v.text.assign(reinterpret_cast<const char*>(stream.Memory()), std::size_t(stream.Size()));
  Add(name, v);
  return false;
}

namespace {
std::string LowerName(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

TSePropertyReader::TSePropertyReader(const TSeComponentImage& image)
    : image_(image), used_(image.properties.size(), false) {
  for (std::size_t i = 0; i < image.properties.size(); ++i)
    index_[LowerName(image.properties[i].first)].push_back(i);
}

const TSePropertyValue* TSePropertyReader::Find(const std::string& name) {
  const auto it = index_.find(LowerName(name));
  if (it == index_.end()) return nullptr;
  // A property given twice: the later value wins, as when read in order.
  for (std::size_t i : it->second) used_[i] = true;
  return &image_.properties[it->second.back()].second;
}

void TSePropertyReader::Invalid(const std::string& name) const {
  throw EReadError("Invalid value of property " + name + " in " + image_.className);
}

bool TSePropertyReader::Integer(const std::string& name, int& value) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind != TSePropertyValue::kInteger || v->integer < std::numeric_limits<int>::min() ||
      v->integer > std::numeric_limits<int>::max())
    Invalid(name);
  value = int(v->integer);
  return true;
}

bool TSePropertyReader::Boolean(const std::string& name, bool& value) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind != TSePropertyValue::kBoolean) Invalid(name);
  value = v->boolean;
  return true;
}

bool TSePropertyReader::Text(const std::string& name, std::string& value) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind != TSePropertyValue::kString) Invalid(name);
  value = v->text;
  return true;
}

bool TSePropertyReader::Ident(const std::string& name, int& value, std::span<const char* const> names) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind == TSePropertyValue::kInteger) {
    if (v->integer < 0 || std::uint64_t(v->integer) >= names.size()) Invalid(name);
    value = int(v->integer);
    return true;
  }
  if (v->kind != TSePropertyValue::kIdent) Invalid(name);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] && SameText(names[i], v->text)) {
      value = int(i);
      return true;
    }
  Invalid(name);
}

bool TSePropertyReader::Color(const std::string& name, TColor& value) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind == TSePropertyValue::kIdent) {
    if (!se::IdentToColor(v->text, value)) Invalid(name);
    return true;
  }
  if (v->kind != TSePropertyValue::kInteger || v->integer < std::numeric_limits<std::int32_t>::min() ||
      v->integer > std::numeric_limits<std::uint32_t>::max())
    Invalid(name);
  value = TColor(std::uint32_t(v->integer));
  return true;
}

bool TSePropertyReader::Set(const std::string& name, unsigned& bits, std::span<const char* const> names) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind != TSePropertyValue::kSet) Invalid(name);
  unsigned out = 0;
  for (const std::string& e : v->set) {
    std::size_t i = 0;
    while (i < names.size() && !SameText(names[i], e)) ++i;
    if (i == names.size() || i >= 32) Invalid(name);
    out |= 1u << i;
  }
  bits = out;
  return true;
}

bool TSePropertyReader::Binary(const std::string& name, const std::function<void(TStream&)>&,
                               const std::function<void(TStream&)>& read) {
  const TSePropertyValue* v = Find(name);
  if (!v) return false;
  if (v->kind != TSePropertyValue::kBinary) Invalid(name);
  TMemoryStream stream;
  if (!v->text.empty()) stream.WriteBuffer(v->text.data(), std::int64_t(v->text.size()));
  stream.SetPosition(0);
  read(stream);
  if (stream.Position() != stream.Size())
    throw EReadError("Property " + name + " of " + image_.className + " has bytes left over");
  return true;
}

void TSePropertyReader::CheckAllUsed(const std::string& className) const {
  for (std::size_t i = 0; i < used_.size(); ++i)
    if (!used_[i])
      throw EReadError("Property " + image_.properties[i].first + " does not exist in " + className);
}
