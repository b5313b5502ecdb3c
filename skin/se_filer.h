#pragma once
// Component images: how a skin object's published properties travel in a
// skin file, in the class library's two forms.
//
// Binary image: "TPF0", the class name and the object name as short strings
// (one length byte), then each property as a short-string name and a typed
// value, a zero byte after the last property and another after the (always
// empty) list of owned components. Value types (one byte, then the data):
//   2/3/4 int8/int16/int32, 19 int64 (little-endian)
//   6 short string, 12 long string (int32 length), 20 UTF-8 string (int32)
//   7 identifier (short string), 8 False, 9 True
//   10 binary (int32 length, then the bytes)
//   11 set (short strings, ended by an empty one)
//
// Text image:
//   object Name: TClassName
//     Left = 10
//     Caption = 'It''s'#13#10'here'
//     Align = saClient
//     Font.Style = [fsBold, fsItalic]
//     Objects = {
//       0300F000...}
//   end
//
// Both readers treat the image as outside input: every length is checked,
// and anything malformed raises EReadError with what was wrong.
//
// TSePropertyFiler is how a class names its properties once for both
// directions: the writer records each value, the reader assigns the values
// an image holds and refuses names the class does not have.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"
#include "platform/gui/Color.h"
#include "platform/gui/Graphics.h"

class TSeBitmapLink;

// Geometry and font sizes a skin may give; a skin file asking for more is
// refused (nothing on a screen needs them, and they would only make
// drawing and layout allocate or overflow).
inline constexpr int kMaxSkinExtent = 4096;
inline constexpr int kMaxSkinFontHeight = 256;

struct TSePropertyValue {
  enum Kind { kInteger, kString, kIdent, kBoolean, kBinary, kSet };
  Kind kind = kInteger;
  std::int64_t integer = 0;
  bool boolean = false;
  std::string text;  // string, identifier or binary bytes
  std::vector<std::string> set;
  friend bool operator==(const TSePropertyValue&, const TSePropertyValue&) = default;
};

struct TSeComponentImage {
  std::string className;
  std::string name;
  std::vector<std::pair<std::string, TSePropertyValue>> properties;
  friend bool operator==(const TSeComponentImage&, const TSeComponentImage&) = default;
};

// An image with its children as images: the readable skin source nests
// child objects as object blocks where files carry them in "Objects".
struct TSeComponentTree {
  TSeComponentImage image;
  std::vector<TSeComponentTree> children;
};

// The readable skin source (see se_skinsource.h for how it is used):
//   SkinName = 'Devoir'              the five skin strings, by name
//   Bitmap 'Frame' = 'frame.png'     each picture and its file
//   object Form: TSeBitmapObject     each top-level object, children
//     Kind = skForm                  nested as object blocks
//     object Title: TSeTextObject
//     end
//   end
// Lines starting with "//" between statements are comments.
struct TSeSkinText {
  std::vector<std::pair<std::string, std::string>> strings;
  std::vector<std::pair<std::string, std::string>> pictures;
  std::vector<TSeComponentTree> objects;
};

namespace se {

std::string SkinTextToString(const TSeSkinText& skin);
// Raises EReadError for anything malformed.
TSeSkinText SkinTextFromString(std::string_view text);

std::string WriteComponentImage(const TSeComponentImage& image);
TSeComponentImage ReadComponentImage(std::string_view bytes);
std::string ComponentImageToText(const TSeComponentImage& image);
TSeComponentImage ComponentImageFromText(std::string_view text);

// The names the colour and charset properties are written with.
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(const std::string& ident, TColor& color);
// Every colour name, in the table's order.
std::vector<const char*> ColorIdents();

}  // namespace se

class TSePropertyFiler {
 public:
  virtual ~TSePropertyFiler() = default;
  virtual bool Reading() const = 0;
  // Each call writes the value, or (reading) assigns it from the image and
  // returns true when the image had it.
  virtual bool Integer(const std::string& name, int& value) = 0;
  virtual bool Boolean(const std::string& name, bool& value) = 0;
  virtual bool Text(const std::string& name, std::string& value) = 0;
  // An enumeration written by the names of its values.
  virtual bool Ident(const std::string& name, int& value, std::span<const char* const> names) = 0;
  virtual bool Color(const std::string& name, TColor& value) = 0;
  virtual bool Set(const std::string& name, unsigned& bits, std::span<const char* const> names) = 0;
  virtual bool Binary(const std::string& name, const std::function<void(TStream&)>& write,
                      const std::function<void(TStream&)>& read) = 0;

  // An integer that must lie within lo..hi: reading refuses anything else
  // with EReadError naming the property.
  bool Bounded(const std::string& name, int& value, int lo, int hi);
  // A coordinate, size or margin: within -kMaxSkinExtent..kMaxSkinExtent.
  bool Extent(const std::string& name, int& value) {
    return Bounded(name, value, -kMaxSkinExtent, kMaxSkinExtent);
  }

  template <class E>
  bool Enum(const std::string& name, E& value, std::span<const char* const> names) {
    int v = static_cast<int>(value);
    const bool got = Ident(name, v, names);
    if (got) value = static_cast<E>(v);
    return got;
  }
  // Font.Charset, Font.Color, Font.Height (at most kMaxSkinFontHeight
  // either way), Font.Name, Font.Style.
  void Font(const std::string& name, TFont& font);
  // Bitmap.Name, Bitmap.Left, Bitmap.Top, Bitmap.Right, Bitmap.Bottom
  // (each an extent).
  void Link(const std::string& name, TSeBitmapLink& link);
};

// Records the properties into an image.
class TSePropertyWriter final : public TSePropertyFiler {
 public:
  explicit TSePropertyWriter(TSeComponentImage& image) : image_(image) {}
  bool Reading() const override { return false; }
  bool Integer(const std::string& name, int& value) override;
  bool Boolean(const std::string& name, bool& value) override;
  bool Text(const std::string& name, std::string& value) override;
  bool Ident(const std::string& name, int& value, std::span<const char* const> names) override;
  bool Color(const std::string& name, TColor& value) override;
  bool Set(const std::string& name, unsigned& bits, std::span<const char* const> names) override;
  bool Binary(const std::string& name, const std::function<void(TStream&)>& write,
              const std::function<void(TStream&)>& read) override;

 private:
  void Add(const std::string& name, TSePropertyValue value);
  TSeComponentImage& image_;
};

// Assigns the properties of an image; CheckAllUsed refuses what was left.
class TSePropertyReader final : public TSePropertyFiler {
 public:
  explicit TSePropertyReader(const TSeComponentImage& image);
  bool Reading() const override { return true; }
  bool Integer(const std::string& name, int& value) override;
  bool Boolean(const std::string& name, bool& value) override;
  bool Text(const std::string& name, std::string& value) override;
  bool Ident(const std::string& name, int& value, std::span<const char* const> names) override;
  bool Color(const std::string& name, TColor& value) override;
  bool Set(const std::string& name, unsigned& bits, std::span<const char* const> names) override;
  bool Binary(const std::string& name, const std::function<void(TStream&)>& write,
              const std::function<void(TStream&)>& read) override;
  // Raises EReadError naming the first property the class did not take.
  void CheckAllUsed(const std::string& className) const;

 private:
  const TSePropertyValue* Find(const std::string& name);
  [[noreturn]] void Invalid(const std::string& name) const;
  const TSeComponentImage& image_;
  std::vector<bool> used_;
  // Lower-cased property name to its places in the image, so that an image
  // with very many properties still reads in linear time.
  std::unordered_map<std::string, std::vector<std::size_t>> index_;
};
