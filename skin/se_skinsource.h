#pragma once
// TSeSkinSource: one loaded skin — five descriptive strings, the named
// bitmaps and the top-level skin objects — and the skin filters that read
// and write it, one per file extension.
//
// File formats (integers 32-bit little-endian; a string is an int32 byte
// count and the bytes, no terminator):
//
//   standard body   SkinName, SkinVersion, Author, AuthorEMail, AuthorURL;
//                   int32 bitmap count, each a bitmap record (name, width,
//                   height, width x height pixels as blue, green, red,
//                   alpha); int32 object count, each a text image record
//                   (class name, text component image).
//   compact body    the same strings; int32 bitmap count, each its name,
//                   an int32 byte size and a whole 16-bit (5-6-5) BMP file,
//                   alpha not kept; int32 object count, each a binary image
//                   record (class name, int32 size, binary image).
//
//   .uskn  "Uncompressed Skin"     the standard body as it is
//   .tskn  "Compressed Skin"       "TBLZ", then the standard body as a
//                                  zlib stream, level 1 (also the format
//                                  of streams and of unknown extensions)
//   .xskn  "Ultra Compressed Skin" "TBLZ", standard body, zlib level 9
//   .mskn  "Maximum Compressed"    "TBLZ", compact body, zlib level 9
//
// Skin files are outside input: a damaged file raises EReadError (or
// another Exception) with what was wrong, and the skin loaded before stays
// as it was. A compressed body may unpack to at most kMaxSkinBodyBytes.
// Pictures are checked before any pixel is allocated: a side above
// kMaxSkinPictureSide, a picture above kMaxSkinPicturePixels or a skin
// whose pictures add up to more than kMaxSkinPixels is refused, whatever
// the format (a compact picture packed as runs can claim millions of
// pixels in a few bytes).

#include <cstdint>
#include <functional>
#include <string_view>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/gui/Component.h"
#include "skin/se_bitmap.h"
#include "skin/se_skinobject.h"

inline constexpr std::int64_t kMaxSkinBodyBytes = std::int64_t(32) << 20;
inline constexpr int kMaxSkinPictureSide = 4096;
inline constexpr std::int64_t kMaxSkinPicturePixels = std::int64_t(1) << 21;
inline constexpr std::int64_t kMaxSkinPixels = std::int64_t(1) << 22;

class TSeSkinSource;

class TSeSkinFilter {
 public:
  TSeSkinFilter() = default;
  virtual ~TSeSkinFilter() = default;
  TSeSkinFilter(const TSeSkinFilter&) = delete;
  TSeSkinFilter& operator=(const TSeSkinFilter&) = delete;

  virtual void LoadBody(TStream& stream);
  virtual void SaveBody(TStream& stream);
  virtual std::string GetExtension() const { return {}; }
  virtual std::string GetDescription() const { return {}; }
  virtual void Load(TStream&) {}
  virtual void Save(TStream&) {}

  TSeSkinSource* Source = nullptr;
};

class TSeSkinFilterUncompressed : public TSeSkinFilter {
 public:
  std::string GetExtension() const override { return "uskn"; }
  std::string GetDescription() const override { return "Uncompressed Skin"; }
  void Load(TStream& stream) override { LoadBody(stream); }
  void Save(TStream& stream) override { SaveBody(stream); }
};

class TSeSkinFilterCompressed : public TSeSkinFilter {
 public:
  std::string GetExtension() const override { return "tskn"; }
  std::string GetDescription() const override { return "Compressed Skin"; }
  void Load(TStream& stream) override;
  void Save(TStream& stream) override;

 protected:
  virtual int Level() const { return 1; }
};

class TSeSkinFilterUltraCompressed : public TSeSkinFilterCompressed {
 public:
  std::string GetExtension() const override { return "xskn"; }
  std::string GetDescription() const override { return "Ultra Compressed Skin"; }

 protected:
  int Level() const override { return 9; }
};

class TSeSkinFilterMaxCompression : public TSeSkinFilterUltraCompressed {
 public:
  std::string GetExtension() const override { return "mskn"; }
  std::string GetDescription() const override { return "Maximum Compressed"; }
  void LoadBody(TStream& stream) override;
  void SaveBody(TStream& stream) override;
};

// The filter registry.
using TSeSkinFilterFactory = std::unique_ptr<TSeSkinFilter> (*)();
void RegisterSkinFilter(TSeSkinFilterFactory factory);
void UnregisterSkinFilter(TSeSkinFilterFactory factory);
// The first registered filter whose extension matches the file name's,
// ignoring case; null when none.
TSeSkinFilterFactory FindSkinFilter(const std::string& fileName);
// Registers the four filters in order (uncompressed, compressed, ultra,
// maximum) and the skin-object classes; calling it again does nothing.
void RegisterSkinFilters();

class TSeSkinSource : public TComponent {
 public:
  explicit TSeSkinSource(TComponent* owner = nullptr);
  ~TSeSkinSource() override;

  std::string SkinName = "SkinEngine Skin";
  std::string SkinVersion = "3.2.0";
  std::string Author = "Burner Skin Library";
  std::string AuthorEMail = "skins@burner.invalid";
  std::string AuthorURL = "https://burner.invalid/skins";

  void Clear();
  // Nothing for an empty name, a missing file (also after trying the
  // program's folder; a drive-qualified name is not retried) or an
  // extension no filter reads. A damaged file raises and leaves the skin
  // as it was.
  void LoadFromFile(const std::string& fileName);
  // Writes through a temporary file renamed over the old one; an unknown
  // extension gets the compressed format.
  void SaveToFile(const std::string& fileName);
  // The readable source (see TSeSkinText in se_filer.h): a text file whose
  // Bitmap lines name PNG files in the same folder. Loading is all or
  // nothing, with the limits of skin files; saving writes the text and one
  // PNG per bitmap (named after it) through temporary files.
  void LoadFromSourceFile(const std::string& textFile);
  void SaveToSourceFile(const std::string& textFile);
  // The same without files: pictures come from and go to the callbacks
  // (a file name and the bitmap to fill or to write).
  void LoadFromSourceText(std::string_view text,
                          const std::function<void(const std::string& file, TSeBitmap& bitmap)>& readPicture);
  std::string SaveToSourceText(const std::function<std::string(const TSeBitmap& bitmap)>& writePicture);

  // The compressed format, from the stream's position.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);

  int Count() const { return static_cast<int>(objects_.size()); }
  // Null outside 0..Count-1 and while Loading.
  TSeSkinObject* GetObject(int index) const;
  // Top-level objects only; the name ignores case.
  TSeSkinObject* GetObjectByName(const std::string& name) const;
  TSeSkinObject* GetObjectByKind(TSeKind kind) const;
  TSeSkinObject* GetFormObject() const;
  void AddObject(std::unique_ptr<TSeSkinObject> object);

  TSeBitmapList& Bitmaps() { return bitmaps_; }
  bool Loading() const { return loading_; }
  void SetLoading(bool v) { loading_ = v; }

  // Shifts pixels and colours so that the skin stands at `delta` from the
  // file, whatever was requested before.
  void ChangeHue(int delta);
  int Hue() const { return hue_; }
  int AppliedHue() const { return applied_hue_; }

  // Takes the other source's whole content (strings, bitmaps, objects and
  // hue state), giving it this one's.
  void Swap(TSeSkinSource& other);

 private:
  friend class TSeSkinFilter;
  friend class TSeSkinFilterMaxCompression;
  TSeBitmapList bitmaps_;
  std::vector<std::unique_ptr<TSeSkinObject>> objects_;
  bool loading_ = false;
  int hue_ = 0;
  int applied_hue_ = 0;
};

namespace se {
// The program's folder with a trailing separator (where relative skin
// names are tried again).
std::string ProgramFolder();
// A 16-bit 5-6-5 BMP file of the bitmap's colours (alpha dropped).
std::string WriteBmp16(const TSeBitmap& bitmap);
}  // namespace se
