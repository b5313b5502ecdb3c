// The ground every reader stands on: checked reads, the size limit, the
// base class that takes a picture only once it read completely, and the
// format registry.

#include "pictures/RasterReaders.h"

#include <cstring>

#include "pictures/GraphicStrings.h"
#include "platform/gui/Icon.h"
#include "platform/gui/Jpeg.h"
#include "platform/gui/Metafile.h"

// --- TPictureReader ------------------------------------------------------------

void TPictureReader::Truncated() const {
  throw EInvalidGraphic(GraphicMessage(gs::kStreamReadError, format_));
}

void TPictureReader::Seek(uint64_t position) {
  if (position > data_.size()) Truncated();
  pos_ = size_t(position);
}

void TPictureReader::Read(void* buffer, size_t count) {
  if (count > Left()) Truncated();
  if (count) std::memcpy(buffer, data_.data() + pos_, count);
  pos_ += count;
}

std::span<const uint8_t> TPictureReader::Bytes(size_t count) {
  if (count > Left()) Truncated();
  const auto view = data_.subspan(pos_, count);
  pos_ += count;
  return view;
}

std::span<const uint8_t> TPictureReader::BytesUpTo(size_t count) { return Bytes(std::min(count, Left())); }

uint8_t TPictureReader::U8() {
  if (Left() < 1) Truncated();
  return data_[pos_++];
}

uint16_t TPictureReader::U16LE() {
  const auto b = Bytes(2);
  return uint16_t(b[0] | b[1] << 8);
}

uint16_t TPictureReader::U16BE() {
  const auto b = Bytes(2);
  return uint16_t(b[0] << 8 | b[1]);
}

uint32_t TPictureReader::U32LE() {
  const auto b = Bytes(4);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint32_t TPictureReader::U32BE() {
  const auto b = Bytes(4);
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

void RaiseInvalidImage(const std::string& format) {
  throw EInvalidGraphic(GraphicMessage(gs::kInvalidImage, format));
}

void AllocateRaster(TDib& dib, long long width, long long height, TPixelFormat format,
                    const std::string& name) {
  if (width <= 0 || height <= 0) RaiseInvalidImage(name);
  const long long stride = width > 0x7FFFFFFF ? -1 : DibStride(int(width), format);
  if (stride < 0 || height > kMaxRasterBytes || stride * height > kMaxRasterBytes)
    throw EInvalidGraphic(GraphicMessage(gs::kImageTooLarge, name));
  dib.Allocate(int(width), int(height), format);
}

// --- shared routines -------------------------------------------------------------

void SwapShort(uint16_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = uint16_t(values[i] >> 8 | values[i] << 8);
}

uint32_t SwapLong(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24); }

void SwapLongArray(uint32_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = SwapLong(values[i]);
}

void Depredict(uint8_t* row, size_t count, size_t pixelBytes) {
  for (size_t i = pixelBytes; i < (count + 1) * pixelBytes; ++i)
    row[i] = uint8_t(row[i] + row[i - pixelBytes]);
}

void Depredict1(uint8_t* row, size_t count) { Depredict(row, count, 1); }
void Depredict3(uint8_t* row, size_t count) { Depredict(row, count, 3); }
void Depredict4(uint8_t* row, size_t count) { Depredict(row, count, 4); }

// --- TRasterGraphic --------------------------------------------------------------

void TRasterGraphic::LoadFromBytes(const QByteArray& data) {
  // Every load starts from a fresh manager, so nothing of an earlier file
  // (gamma, options) colours this one.
  color_manager_ = TColorManager();
  loaded_transparent_color_.reset();
  TPictureReader in(std::span(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())),
                    FormatName());
  TDib dib;
  try {
    Decode(in, dib);
  } catch (const EColorConversionError& e) {
    throw EInvalidGraphic(e.what());
  }
  if (dib.Empty()) RaiseInvalidImage(FormatName());
  SetDib(std::move(dib));
  if (loaded_transparent_color_) {
    SetTransparentColor(*loaded_transparent_color_);
    SetTransparent(true);
  }
}

QByteArray TReadOnlyRasterGraphic::SaveToBytes() const {
  throw EInvalidGraphicOperation(GraphicMessage(gs::kCannotSave, FormatName()));
}

// --- TFileFormatList ---------------------------------------------------------------

int TFileFormatList::FindExtension(const QString& extension) const {
  if (extension.isEmpty()) return -1;
  for (size_t i = 0; i < extensions_.size(); ++i)
    if (extensions_[i]->extension.compare(extension, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

int TFileFormatList::FindGraphicClass(std::type_index graphicClass) const {
  for (size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i]->graphicClass == graphicClass) return int(i);
  return -1;
}

TFileFormatList::TClassEntry* TFileFormatList::Link(TExtensionEntry& entry, std::type_index graphicClass,
                                                    const QString& commonDescription) {
  const int index = FindGraphicClass(graphicClass);
  TClassEntry* classEntry;
  if (index >= 0) {
    classEntry = classes_[size_t(index)].get();
  } else {
    classes_.push_back(std::make_unique<TClassEntry>(TClassEntry{graphicClass, {}, 0}));
    classEntry = classes_.back().get();
  }
  if (!commonDescription.isEmpty()) classEntry->description = commonDescription;
  ++classEntry->count;
  entry.classEntry = classEntry;
  return classEntry;
}

void TFileFormatList::RegisterFileFormat(const QString& extension, const QString& commonDescription,
                                         const QString& individualDescription, uint8_t formatKinds,
                                         bool replace, std::type_index graphicClass, TGraphicFactory create) {
  if (extension.isEmpty()) return;
  const int index = FindExtension(extension);
  TExtensionEntry* entry;
  if (index < 0) {
    extensions_.push_back(std::make_unique<TExtensionEntry>(
        TExtensionEntry{extension.toLower(), individualDescription, formatKinds, nullptr}));
    entry = extensions_.back().get();
    Link(*entry, graphicClass, commonDescription);
  } else {
    if (!replace) throw EInvalidGraphic(GraphicMessage(gs::kRegisterTwice, extension.toStdString()));
    entry = extensions_[size_t(index)].get();
    if (entry->classEntry->graphicClass != graphicClass) {
      TClassEntry* old = entry->classEntry;
      Link(*entry, graphicClass, commonDescription);
      if (--old->count <= 0)
        std::erase_if(classes_, [old](const std::unique_ptr<TClassEntry>& c) { return c.get() == old; });
    }
  }
  const QString description =
      entry->description.isEmpty() ? entry->classEntry->description : entry->description;
  TPicture::RegisterFileFormat(entry->extension, description, std::move(create));
}

void TFileFormatList::UnregisterFileFormat(const QString& extension, std::type_index graphicClass) {
  const auto dropClass = [this](TClassEntry* c) {
    std::erase_if(classes_, [c](const std::unique_ptr<TClassEntry>& e) { return e.get() == c; });
  };
  if (!extension.isEmpty()) {
    const int index = FindExtension(extension);
    if (index < 0) return;
    TClassEntry* classEntry = extensions_[size_t(index)]->classEntry;
    extensions_.erase(extensions_.begin() + index);
    if (--classEntry->count <= 0) dropClass(classEntry);
    return;
  }
  const int index = FindGraphicClass(graphicClass);
  if (index < 0) return;
  TClassEntry* classEntry = classes_[size_t(index)].get();
  std::erase_if(extensions_, [classEntry](const std::unique_ptr<TExtensionEntry>& e) {
    return e->classEntry == classEntry;
  });
  dropClass(classEntry);
}

void TFileFormatList::Clear() {
  extensions_.clear();
  classes_.clear();
}

// --- registration -----------------------------------------------------------------

namespace {

// The module's one list of formats.
std::unique_ptr<TFileFormatList>& TheList() {
  static std::unique_ptr<TFileFormatList> list;
  return list;
}

}  // namespace

TFileFormatList* FileFormatList() { return TheList().get(); }

void RegisterRasterFormats() {
  if (TheList()) return;
  TheList() = std::make_unique<TFileFormatList>();
  TFileFormatList& l = *TheList();
  l.RegisterFileFormat<TBitmap>("bmp", "Windows bitmaps", "", 8, false);
  l.RegisterFileFormat<TIcon>("ico", "Windows icons", "", 8, false);
  l.RegisterFileFormat<TMetafile>("wmf", "Windows metafiles", "", 16, false);
  l.RegisterFileFormat<TMetafile>("emf", "Windows metafiles", "Windows enhanced meta files", 16, false);
  l.RegisterFileFormat<TJPEGImage>("jpg", "JPG images", "", 8, false);
  l.RegisterFileFormat<TJPEGImage>("jpeg", "", "JPEG images", 8, false);
  l.RegisterFileFormat<TBitmap>("rle", "Windows bitmaps", "Run length encoded Windows bitmaps", 8, false);
  l.RegisterFileFormat<TBitmap>("dib", "", "Device independant Windows bitmaps", 8, false);
  l.RegisterFileFormat<TTargaGraphic>("win", "Truevision images", "", 8, false);
  l.RegisterFileFormat<TTargaGraphic>("vst", "", "", 8, false);
  l.RegisterFileFormat<TTargaGraphic>("vda", "", "", 8, false);
  l.RegisterFileFormat<TTargaGraphic>("tga", "", "", 8, false);
  l.RegisterFileFormat<TTargaGraphic>("icb", "", "", 8, false);
  l.RegisterFileFormat<TTIFFGraphic>("tiff", "Tagged image file format images", "Macintosh TIFF images", 12,
                                     false);
  l.RegisterFileFormat<TTIFFGraphic>("tif", "", "PC TIF images", 12, false);
  l.RegisterFileFormat<TTIFFGraphic>("fax", "", "GFI fax images", 12, false);
  l.RegisterFileFormat<TPCXGraphic>("pcx", "ZSoft Paintbrush images", "", 8, false);
  l.RegisterFileFormat<TPCXGraphic>("pcc", "", "", 8, false);
  l.RegisterFileFormat<TPCXGraphic>("scr", "", "Word 5.x screen capture images", 8, false);
  l.RegisterFileFormat<TRLAGraphic>("rpf", "Alias/Wavefront images", "", 8, false);
  l.RegisterFileFormat<TRLAGraphic>("rla", "", "", 8, false);
  l.RegisterFileFormat<TSGIGraphic>("sgi", "SGI images", "SGI true color images", 8, false);
  l.RegisterFileFormat<TSGIGraphic>("rgba", "", "SGI true color images with alpha", 8, false);
  l.RegisterFileFormat<TSGIGraphic>("rgb", "", "SGI true color images", 8, false);
  l.RegisterFileFormat<TSGIGraphic>("bw", "", "SGI black/white images", 8, false);
  l.RegisterFileFormat<TPSDGraphic>("psd", "Photoshop images", "", 10, false);
  l.RegisterFileFormat<TPSDGraphic>("pdd", "", "", 10, false);
  l.RegisterFileFormat<TPPMGraphic>("ppm", "Portable map images", "Portable pixel map images", 8, false);
  l.RegisterFileFormat<TPPMGraphic>("pgm", "", "Portable gray map images", 8, false);
  l.RegisterFileFormat<TPPMGraphic>("pbm", "", "Portable bitmap images", 8, false);
  l.RegisterFileFormat<TAutodeskGraphic>("cel", "Autodesk images", "", 8, false);
  l.RegisterFileFormat<TAutodeskGraphic>("pic", "Autodesk images", "", 8, false);
  l.RegisterFileFormat<TPCDGraphic>("pcd", "Kodak Photo-CD images", "", 8, false);
  l.RegisterFileFormat<TCUTGraphic>("cut", "Dr. Halo images", "", 8, false);
  l.RegisterFileFormat<TPSPGraphic>("psp", "Paintshop Pro images", "", 24, false);
  l.RegisterFileFormat<TPNGGraphic>("png", "Portable network graphic images", "", 8, false);
}

void UnregisterRasterFormats() {
  if (!TheList()) return;
  TheList()->Clear();
  TheList().reset();
}
