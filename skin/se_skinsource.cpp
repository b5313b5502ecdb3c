#include "skin/se_skinsource.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <set>
#include <span>
#include <utility>

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/gui/BmpCodec.h"
#include "platform/gui/Graphic.h"
#include "skin/se_objectclasses.h"
#include "skin/se_stream.h"

namespace {

constexpr char kSignature[4] = {'T', 'B', 'L', 'Z'};
// The least bytes a bitmap record or an object record takes.
constexpr std::int64_t kMinBitmapRecord = 12;
constexpr std::int64_t kMinCompactBitmap = 8;
constexpr std::int64_t kMinObjectRecord = 8;

// The module's one piece of mutable state: the registered filters.
struct FilterRegistry {
  std::vector<TSeSkinFilterFactory> filters;
};

FilterRegistry& Filters() {
  static FilterRegistry registry;
  return registry;
}

template <class T>
std::unique_ptr<TSeSkinFilter> MakeFilter() {
  return std::make_unique<T>();
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::int32_t CheckedCount(TStream& stream, std::int64_t minRecord, const char* what) {
  const std::int32_t n = se::ReadInt32(stream);
  if (n < 0 || n > se::RemainingBytes(stream) / minRecord)
    throw EReadError(std::string("Skin ") + what + " count does not fit the skin data");
  return n;
}

void ReadStrings(TStream& stream, TSeSkinSource& source) {
  source.SkinName = se::ReadStreamString(stream, "skin name");
  source.SkinVersion = se::ReadStreamString(stream, "skin version");
  source.Author = se::ReadStreamString(stream, "author");
  source.AuthorEMail = se::ReadStreamString(stream, "author mail address");
  source.AuthorURL = se::ReadStreamString(stream, "author web address");
}

void WriteStrings(TStream& stream, const TSeSkinSource& source) {
  se::WriteStreamString(stream, source.SkinName);
  se::WriteStreamString(stream, source.SkinVersion);
  se::WriteStreamString(stream, source.Author);
  se::WriteStreamString(stream, source.AuthorEMail);
  se::WriteStreamString(stream, source.AuthorURL);
}

// Counts a picture against the skin's limits before its pixels exist.
class PixelBudget {
 public:
  void Take(const std::string& name, std::int64_t width, std::int64_t height) {
    const std::string what = "Picture \"" + name.substr(0, 80) + "\" of the skin";
    if (width > kMaxSkinPictureSide || height > kMaxSkinPictureSide)
      throw EReadError(what + " is " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels; a side may be at most " + std::to_string(kMaxSkinPictureSide));
    const std::int64_t pixels = width * height;
    if (pixels > kMaxSkinPicturePixels)
      throw EReadError(what + " has " + std::to_string(pixels) + " pixels; a picture may have at most " +
                       std::to_string(kMaxSkinPicturePixels));
    if (pixels > kMaxSkinPixels - used_)
      throw EReadError(what + " takes the skin past " + std::to_string(kMaxSkinPixels) + " pixels in all");
    used_ += pixels;
  }
 private:
  std::int64_t used_ = 0;
};

std::uint32_t LittleEndianAt(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | std::uint8_t(bytes[at + std::size_t(i)]);
  return v;
}

// Width and height a BMP file's header claims (zero when it is too short
// to say; the reader then refuses it).
void BmpSize(const std::string& bmp, std::int64_t& width, std::int64_t& height) {
  width = height = 0;
  if (bmp.size() < 18) return;
  const std::uint32_t header = LittleEndianAt(bmp, 14, 4);
  if (header == 12 && bmp.size() >= 22) {
    width = LittleEndianAt(bmp, 18, 2);
    height = LittleEndianAt(bmp, 20, 2);
  } else if (header >= 16 && bmp.size() >= 26) {
    width = std::llabs(std::int64_t(std::int32_t(LittleEndianAt(bmp, 18, 4))));
    height = std::llabs(std::int64_t(std::int32_t(LittleEndianAt(bmp, 22, 4))));
  }
}

void AddLoaded(TSeSkinSource& source, std::unique_ptr<TSeSkinObject> object) {
  object->SetBitmaps(&source.Bitmaps());
  object->AfterLoad();
  source.AddObject(std::move(object));
}

// Unpacks a zlib stream from the stream's position into memory; the
// stream is left just after the compressed data.
void Inflate(TStream& in, TMemoryStream& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EReadError("Cannot start unpacking the skin");
  std::vector<unsigned char> input(1 << 16);
  std::vector<unsigned char> output(1 << 16);
  int result = Z_OK;
  try {
    while (result != Z_STREAM_END) {
      if (z.avail_in == 0) {
        const std::int64_t got = in.Read(input.data(), std::int64_t(input.size()));
        if (got <= 0) throw EReadError("Compressed skin data is cut short");
        z.next_in = input.data();
        z.avail_in = uInt(got);
      }
      z.next_out = output.data();
      z.avail_out = uInt(output.size());
      result = inflate(&z, Z_NO_FLUSH);
      if (result == Z_NEED_DICT || result == Z_DATA_ERROR || result == Z_MEM_ERROR ||
          result == Z_STREAM_ERROR)
        throw EReadError(std::string("Compressed skin data is damaged") +
                         (z.msg ? std::string(": ") + z.msg : ""));
      const std::size_t produced = output.size() - z.avail_out;
      if (out.Size() + std::int64_t(produced) > kMaxSkinBodyBytes)
        throw EReadError("Compressed skin unpacks to more than the skin size limit");
      if (produced) out.WriteBuffer(output.data(), std::int64_t(produced));
      if (result == Z_BUF_ERROR && z.avail_in != 0) throw EReadError("Compressed skin data is damaged");
    }
  } catch (...) {
    inflateEnd(&z);
    throw;
  }
  // Give back what was read past the end of the compressed data.
  if (z.avail_in) in.Seek(-std::int64_t(z.avail_in), soCurrent);
  inflateEnd(&z);
}

void Deflate(TMemoryStream& body, int level, TStream& out) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) throw EWriteError("Cannot start packing the skin");
  z.next_in = const_cast<Bytef*>(body.Memory());
  z.avail_in = uInt(body.Size());
  std::vector<unsigned char> output(1 << 16);
  int result;
  do {
    z.next_out = output.data();
    z.avail_out = uInt(output.size());
    result = deflate(&z, Z_FINISH);
    if (result == Z_STREAM_ERROR) {
      deflateEnd(&z);
      throw EWriteError("Packing the skin failed");
    }
    const std::size_t produced = output.size() - z.avail_out;
    try {
      if (produced) out.WriteBuffer(output.data(), std::int64_t(produced));
    } catch (...) {
      deflateEnd(&z);
      throw;
    }
  } while (result != Z_STREAM_END);
  deflateEnd(&z);
}

void PutU16(std::string& s, unsigned v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}

void PutU32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

// --- Registry --------------------------------------------------------------

void RegisterSkinFilter(TSeSkinFilterFactory factory) { Filters().filters.push_back(factory); }

void UnregisterSkinFilter(TSeSkinFilterFactory factory) {
  auto& f = Filters().filters;
  f.erase(std::remove(f.begin(), f.end(), factory), f.end());
}

TSeSkinFilterFactory FindSkinFilter(const std::string& fileName) {
  const std::string ext = Lower(std::filesystem::path(fileName).extension().string());
  if (ext.size() < 2) return nullptr;
  const std::string bare = ext.substr(1);
  for (TSeSkinFilterFactory factory : Filters().filters)
    if (Lower(factory()->GetExtension()) == bare) return factory;
  return nullptr;
}

void RegisterSkinFilters() {
  RegisterSkinObjectClasses();
  if (!Filters().filters.empty()) return;
  RegisterSkinFilter(&MakeFilter<TSeSkinFilterUncompressed>);
  RegisterSkinFilter(&MakeFilter<TSeSkinFilterCompressed>);
  RegisterSkinFilter(&MakeFilter<TSeSkinFilterUltraCompressed>);
  RegisterSkinFilter(&MakeFilter<TSeSkinFilterMaxCompression>);
}

// --- Filters -----------------------------------------------------------------

void TSeSkinFilter::LoadBody(TStream& stream) {
  // Read into a fresh source and take it over only when all of it read.
  TSeSkinSource loaded;
  ReadStrings(stream, loaded);
  const std::int32_t bitmaps = CheckedCount(stream, kMinBitmapRecord, "bitmap");
  PixelBudget budget;
  for (std::int32_t i = 0; i < bitmaps; ++i) {
    const std::int64_t at = stream.Position();
    const std::string name = se::ReadStreamString(stream, "bitmap name");
    const std::int64_t width = std::llabs(std::int64_t(se::ReadInt32(stream)));
    const std::int64_t height = std::llabs(std::int64_t(se::ReadInt32(stream)));
    stream.SetPosition(at);
    budget.Take(name, width, height);
    auto bitmap = std::make_unique<TSeBitmap>();
    bitmap->LoadFromStream(stream);
    bitmap->SetTransparentColor(0x00FF00FF);
    bitmap->UpdateBitmapCopy();
    loaded.bitmaps_.Add(std::move(bitmap));
  }
  const std::int32_t objects = CheckedCount(stream, kMinObjectRecord, "object");
  for (std::int32_t i = 0; i < objects; ++i) AddLoaded(loaded, ReadSkinObject(stream));
  Source->Swap(loaded);
}

void TSeSkinFilter::SaveBody(TStream& stream) {
  WriteStrings(stream, *Source);
  se::WriteInt32(stream, Source->bitmaps_.Count());
  for (int i = 0; i < Source->bitmaps_.Count(); ++i) Source->bitmaps_.GetBitmap(i)->SaveToStream(stream);
  se::WriteInt32(stream, Source->Count());
  for (const auto& object : Source->objects_) WriteSkinObject(stream, *object);
}

void TSeSkinFilterCompressed::Load(TStream& stream) {
  char signature[4];
  if (stream.Read(signature, 4) != 4) throw EReadError("Compressed skin file is too short");
  if (std::memcmp(signature, kSignature, 4) != 0)
    throw EReadError("Not a compressed skin: no \"TBLZ\" signature");
  TMemoryStream body;
  Inflate(stream, body);
  body.SetPosition(0);
  LoadBody(body);
}

void TSeSkinFilterCompressed::Save(TStream& stream) {
  TMemoryStream body;
  SaveBody(body);
  stream.WriteBuffer(kSignature, 4);
  Deflate(body, Level(), stream);
}

void TSeSkinFilterMaxCompression::LoadBody(TStream& stream) {
  TSeSkinSource loaded;
  ReadStrings(stream, loaded);
  const std::int32_t bitmaps = CheckedCount(stream, kMinCompactBitmap, "bitmap");
  PixelBudget budget;
  for (std::int32_t i = 0; i < bitmaps; ++i) {
    auto bitmap = std::make_unique<TSeBitmap>();
    const std::string name = se::ReadStreamString(stream, "bitmap name");
    const std::string bmp = se::ReadStreamString(stream, "bitmap file");
    if (!bmp.empty()) {
      std::int64_t width, height;
      BmpSize(bmp, width, height);
      budget.Take(name, width, height);
      TBitmap picture;
      try {
        // The reader holds the picture to the size just counted, should it
        // see the header differently.
        picture.SetDib(ReadBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()),
                               BmpLimits{std::max<long long>(width * height, 1)}));
      } catch (const EInvalidGraphic& e) {
        throw EReadError("Bitmap \"" + name + "\" of the skin is damaged: " + e.what());
      }
      bitmap->Assign(picture);
      bitmap->SetTransparentColor(KeyColor);
    }
    bitmap->SetName(name);
    bitmap->UpdateBitmapCopy();
    loaded.bitmaps_.Add(std::move(bitmap));
  }
  const std::int32_t objects = CheckedCount(stream, kMinObjectRecord, "object");
  for (std::int32_t i = 0; i < objects; ++i) AddLoaded(loaded, ReadSkinObjectBinary(stream));
  Source->Swap(loaded);
}

void TSeSkinFilterMaxCompression::SaveBody(TStream& stream) {
  WriteStrings(stream, *Source);
  se::WriteInt32(stream, Source->bitmaps_.Count());
  for (int i = 0; i < Source->bitmaps_.Count(); ++i) {
    const TSeBitmap& bitmap = *Source->bitmaps_.GetBitmap(i);
    se::WriteStreamString(stream, bitmap.Name());
    se::WriteStreamString(stream, bitmap.Empty() ? std::string() : se::WriteBmp16(bitmap));
  }
  se::WriteInt32(stream, Source->Count());
  for (const auto& object : Source->objects_) WriteSkinObjectBinary(stream, *object);
}

// --- TSeSkinSource -------------------------------------------------------------

TSeSkinSource::TSeSkinSource(TComponent* owner) : TComponent(owner) { RegisterSkinFilters(); }

TSeSkinSource::~TSeSkinSource() { Clear(); }

void TSeSkinSource::Clear() {
  objects_.clear();
  bitmaps_.Clear();
}

void TSeSkinSource::LoadFromFile(const std::string& fileName) {
  if (fileName.empty()) return;
  std::string name = fileName;
  std::replace(name.begin(), name.end(), '\\', '/');
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) {
    if (name.size() >= 2 && name[1] == ':') return;
    name = se::ProgramFolder() + name;
    if (!std::filesystem::is_regular_file(name, error)) return;
  }
  const TSeSkinFilterFactory factory = FindSkinFilter(name);
  if (!factory) return;
  TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
  std::unique_ptr<TSeSkinFilter> filter = factory();
  filter->Source = this;
  filter->Load(stream);
}

void TSeSkinSource::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return;
  const TSeSkinFilterFactory factory = FindSkinFilter(fileName);
  std::unique_ptr<TSeSkinFilter> filter = factory ? factory() : std::make_unique<TSeSkinFilterCompressed>();
  filter->Source = this;
  TMemoryStream bytes;
  filter->Save(bytes);
  WriteFileAtomically(
      fileName, std::string_view(reinterpret_cast<const char*>(bytes.Memory()), std::size_t(bytes.Size())));
}

// --- The readable source ------------------------------------------------------

namespace {

std::string* SkinString(TSeSkinSource& source, const std::string& key) {
  if (key == "SkinName") return &source.SkinName;
  if (key == "SkinVersion") return &source.SkinVersion;
  if (key == "Author") return &source.Author;
  if (key == "AuthorEMail") return &source.AuthorEMail;
  if (key == "AuthorURL") return &source.AuthorURL;
  return nullptr;
}

// Picture files sit beside the text: a plain name, no folders.
void CheckPictureFile(const std::string& file) {
  const bool plain = !file.empty() && file[0] != '.' && file.size() <= 255 &&
                     std::all_of(file.begin(), file.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
                     });
  if (!plain) throw EReadError("Picture file name \"" + file.substr(0, 80) + "\" is not a plain file name");
}

// A file name for the picture: its name lower-cased, other characters as
// "-", made unique among those taken.
std::string PictureFileName(const std::string& name, std::set<std::string>& taken) {
  std::string base;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    base += std::isalnum(u) ? char(std::tolower(u)) : '-';
  }
  if (base.empty() || base[0] == '-') base = "picture" + base;
  std::string file = base + ".png";
  for (int n = 2; taken.count(file); ++n) file = base + "-" + std::to_string(n) + ".png";
  taken.insert(file);
  return file;
}

}  // namespace

void TSeSkinSource::LoadFromSourceText(
    std::string_view text, const std::function<void(const std::string& file, TSeBitmap& bitmap)>& readPicture) {
  const TSeSkinText skin = se::SkinTextFromString(text);
  TSeSkinSource loaded;
  for (const auto& [key, value] : skin.strings) *SkinString(loaded, key) = value;
  PixelBudget budget;
  for (const auto& [name, file] : skin.pictures) {
    auto bitmap = std::make_unique<TSeBitmap>();
    if (!file.empty()) {
      CheckPictureFile(file);
      readPicture(file, *bitmap);
      budget.Take(name, bitmap->Width(), bitmap->Height());
    }
    bitmap->SetName(name);
    bitmap->UpdateBitmapCopy();
    loaded.bitmaps_.Add(std::move(bitmap));
  }
  for (const TSeComponentTree& tree : skin.objects)
    AddLoaded(loaded, std::unique_ptr<TSeSkinObject>(BuildSkinObject(tree, nullptr, 0)));
  Swap(loaded);
}

std::string TSeSkinSource::SaveToSourceText(const std::function<std::string(const TSeBitmap& bitmap)>& writePicture) {
  TSeSkinText skin;
  for (const char* key : {"SkinName", "SkinVersion", "Author", "AuthorEMail", "AuthorURL"})
    skin.strings.emplace_back(key, *SkinString(*this, key));
  for (int i = 0; i < bitmaps_.Count(); ++i) {
    const TSeBitmap& bitmap = *bitmaps_.GetBitmap(i);
    skin.pictures.emplace_back(bitmap.Name(), bitmap.Empty() ? std::string() : writePicture(bitmap));
  }
  for (const auto& object : objects_) skin.objects.push_back(SkinObjectTree(*object));
  return se::SkinTextToString(skin);
}

void TSeSkinSource::LoadFromSourceFile(const std::string& textFile) {
  const std::filesystem::path folder = std::filesystem::path(textFile).parent_path();
  std::string text;
  try {
    text = ReadWholeFile(textFile);
  } catch (const Exception& e) {
    throw EReadError("Cannot read the skin source " + textFile + ": " + e.what());
  }
  LoadFromSourceText(text, [&](const std::string& file, TSeBitmap& bitmap) {
    const std::string path = (folder / file).string();
    QImage image;
    if (!image.load(QString::fromStdString(path), "PNG"))
      throw EReadError("Picture " + path + " is missing or not a PNG file");
    if (image.width() > kMaxSkinPictureSide || image.height() > kMaxSkinPictureSide ||
        std::int64_t(image.width()) * image.height() > kMaxSkinPicturePixels)
      throw EReadError("Picture " + path + " is larger than a skin picture may be");
    image = image.convertToFormat(QImage::Format_ARGB32);
    bitmap.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
      std::memcpy(bitmap.PixelPtr(0, y), image.constScanLine(y), std::size_t(image.width()) * 4);
  });
}

void TSeSkinSource::SaveToSourceFile(const std::string& textFile) {
  const std::filesystem::path folder = std::filesystem::path(textFile).parent_path();
  std::set<std::string> taken;
  const std::string text = SaveToSourceText([&](const TSeBitmap& bitmap) {
    const std::string file = PictureFileName(bitmap.Name(), taken);
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.Height(); ++y)
      std::memcpy(image.scanLine(y), bitmap.Bits() + std::size_t(y) * bitmap.Width(),
                  std::size_t(bitmap.Width()) * 4);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw EWriteError("Cannot write picture " + file);
    WriteFileAtomically((folder / file).string(), std::string_view(png.constData(), std::size_t(png.size())));
    return file;
  });
  WriteFileAtomically(textFile, text);
}

void TSeSkinSource::LoadFromStream(TStream& stream) {
  TSeSkinFilterCompressed filter;
  filter.Source = this;
  filter.Load(stream);
}

void TSeSkinSource::SaveToStream(TStream& stream) {
  TSeSkinFilterCompressed filter;
  filter.Source = this;
  filter.Save(stream);
}

TSeSkinObject* TSeSkinSource::GetObject(int index) const {
  if (loading_ || index < 0 || index >= Count()) return nullptr;
  return objects_[std::size_t(index)].get();
}

TSeSkinObject* TSeSkinSource::GetObjectByName(const std::string& name) const {
  for (const auto& object : objects_)
    if (SameText(object->Name(), name)) return object.get();
  return nullptr;
}

TSeSkinObject* TSeSkinSource::GetObjectByKind(TSeKind kind) const {
  for (const auto& object : objects_)
    if (object->Kind() == kind) return object.get();
  return nullptr;
}

TSeSkinObject* TSeSkinSource::GetFormObject() const {
  if (TSeSkinObject* form = GetObjectByName("Form")) return form;
  return GetObjectByKind(skForm);
}

void TSeSkinSource::AddObject(std::unique_ptr<TSeSkinObject> object) {
  objects_.push_back(std::move(object));
}

void TSeSkinSource::ChangeHue(int delta) {
  if (delta == hue_) return;
  hue_ = delta;
  const int step = delta - applied_hue_;
  for (int i = 0; i < bitmaps_.Count(); ++i) bitmaps_.GetBitmap(i)->ChangeHue(step);
  for (const auto& object : objects_) object->ChangeHue(step);
  applied_hue_ = delta;
}

void TSeSkinSource::Swap(TSeSkinSource& other) {
  std::swap(SkinName, other.SkinName);
  std::swap(SkinVersion, other.SkinVersion);
  std::swap(Author, other.Author);
  std::swap(AuthorEMail, other.AuthorEMail);
  std::swap(AuthorURL, other.AuthorURL);
  // The lists are members; their bitmaps change hands, so every object is
  // pointed at the list its bitmaps now live in.
  std::swap(objects_, other.objects_);
  std::swap(hue_, other.hue_);
  std::swap(applied_hue_, other.applied_hue_);
  bitmaps_.SwapWith(other.bitmaps_);
  for (const auto& object : objects_) object->SetBitmaps(&bitmaps_);
  for (const auto& object : other.objects_) object->SetBitmaps(&other.bitmaps_);
}

namespace se {

std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path().string() + "/";
}

std::string WriteBmp16(const TSeBitmap& bitmap) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const std::uint32_t stride = (std::uint32_t(w) * 2 + 3) & ~3u;
  const std::uint32_t pixels = stride * std::uint32_t(h);
  const std::uint32_t offset = 14 + 40 + 12;
  std::string s;
  s += "BM";
  PutU32(s, offset + pixels);
  PutU32(s, 0);
  PutU32(s, offset);
  PutU32(s, 40);
  PutU32(s, std::uint32_t(w));
  PutU32(s, std::uint32_t(h));  // bottom-up rows
  PutU16(s, 1);
  PutU16(s, 16);
  PutU32(s, 3);  // bit fields
  PutU32(s, pixels);
  PutU32(s, 0);
  PutU32(s, 0);
  PutU32(s, 0);
  PutU32(s, 0);
  PutU32(s, 0xF800);
  PutU32(s, 0x07E0);
  PutU32(s, 0x001F);
  for (int y = h - 1; y >= 0; --y) {
    std::uint32_t written = 0;
    for (int x = 0; x < w; ++x) {
      const TSeArgb p = bitmap.GetPixel(x, y);
      PutU16(s, (unsigned(se::RedOf(p) >> 3) << 11) | (unsigned(se::GreenOf(p) >> 2) << 5) |
                    (se::BlueOf(p) >> 3));
      written += 2;
    }
    for (; written < stride; ++written) s += '\0';
  }
  return s;
}

}  // namespace se
