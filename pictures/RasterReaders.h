#pragma once
// The multi-format picture readers: TIFF, Targa (also written), PNG, SGI,
// PCX, Photo-CD, Autodesk, PSD, PSP, RLA, CUT and the portable maps. Each
// is a TBitmap that fills itself from a file's bytes; the picture class
// reaches them by extension once RegisterRasterFormats has run. A reader
// decodes into a new DIB and takes it only when the whole picture read, so
// a bad file raises EInvalidGraphic and leaves the picture as it was.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <typeindex>
#include <vector>

#include "pictures/GraphicColor.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Picture.h"

// Largest DIB a reader allocates, in bytes; a file asking for more is
// refused before anything is allocated.
inline constexpr long long kMaxRasterBytes = 1LL << 28;

// Checked reads over the bytes of one picture. A read past the end raises
// EInvalidGraphic "Stream read error in <format> file.".
class TPictureReader {
 public:
  TPictureReader(std::span<const uint8_t> data, std::string format)
      : data_(data), format_(std::move(format)) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Left() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  const std::string& Format() const { return format_; }

  void Seek(uint64_t position);
  void Skip(uint64_t count) { Seek(uint64_t(pos_) + count); }
  void Read(void* buffer, size_t count);
  // A view of the next `count` bytes, then moves past them.
  std::span<const uint8_t> Bytes(size_t count);
  // Whatever is left, up to `count` bytes.
  std::span<const uint8_t> BytesUpTo(size_t count);
  uint8_t U8();
  // The next byte without moving, or -1 at the end.
  int Peek() const { return AtEnd() ? -1 : data_[pos_]; }
  uint16_t U16LE();
  uint16_t U16BE();
  uint32_t U32LE();
  uint32_t U32BE();

  [[noreturn]] void Truncated() const;

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  std::string format_;
};

[[noreturn]] void RaiseInvalidImage(const std::string& format);
// Allocates the DIB after checking the size against kMaxRasterBytes.
void AllocateRaster(TDib& dib, long long width, long long height, TPixelFormat format,
                    const std::string& name);

// Byte order and TIFF predictor helpers shared by the readers.
void SwapShort(uint16_t* values, size_t count);
void SwapLongArray(uint32_t* values, size_t count);
uint32_t SwapLong(uint32_t value);
// Undo horizontal differencing over `count` pixels after the first.
void Depredict1(uint8_t* row, size_t count);
void Depredict3(uint8_t* row, size_t count);
void Depredict4(uint8_t* row, size_t count);
void Depredict(uint8_t* row, size_t count, size_t pixelBytes);

class TRasterGraphic : public TBitmap {
 public:
  TRasterGraphic() = default;
  TRasterGraphic(const TRasterGraphic& other) = default;

  TColorManager& ColorManager() { return color_manager_; }
  void LoadFromBytes(const QByteArray& data) override;

 protected:
  // Reads the picture into `dib`; raises EInvalidGraphic.
  virtual void Decode(TPictureReader& in, TDib& dib) = 0;
  virtual std::string FormatName() const = 0;
  // Set by a reader whose file names a transparent colour.
  std::optional<TColor> loaded_transparent_color_;

 private:
  TColorManager color_manager_;
};

// Formats whose saving the readers do not offer refuse to save instead of
// writing an empty or foreign file.
class TReadOnlyRasterGraphic : public TRasterGraphic {
 public:
  QByteArray SaveToBytes() const override;
};

#define RASTER_GRAPHIC_CLASS(Name, Base)                                                       \
  class Name : public Base {                                                                   \
   public:                                                                                     \
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<Name>(*this); } \
                                                                                               \
   protected:                                                                                  \
    void Decode(TPictureReader& in, TDib& dib) override;                                       \
    std::string FormatName() const override;

RASTER_GRAPHIC_CLASS(TTIFFGraphic, TReadOnlyRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TTargaGraphic, TRasterGraphic)
public:
// The file's image identification string, written back when saving.
std::string ImageID;
// Run-length encoded Targa.
QByteArray SaveToBytes() const override { return SaveToBytesCompressed(true); }
QByteArray SaveToBytesCompressed(bool compressed) const;
}
;

RASTER_GRAPHIC_CLASS(TPNGGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TSGIGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TPCXGraphic, TReadOnlyRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TPCDGraphic, TReadOnlyRasterGraphic)
public:
// 0 Base16 (192 x 128), 1 Base4 (384 x 256), 2 Base (768 x 512).
int Resolution = 2;
}
;

RASTER_GRAPHIC_CLASS(TAutodeskGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TPSDGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TPSPGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TRLAGraphic, TRasterGraphic)
}
;

RASTER_GRAPHIC_CLASS(TCUTGraphic, TRasterGraphic)
public:
// The companion palette file; LoadFromFile sets it to the file's name
// with the extension ".pal". Without it the picture is a grey ramp.
QString PaletteFile;
void LoadFromFile(const QString& fileName);
}
;

RASTER_GRAPHIC_CLASS(TPPMGraphic, TRasterGraphic)
}
;

#undef RASTER_GRAPHIC_CLASS

// The registry of the readers' formats, which announces every extension to
// the picture class. One object for the module, made by
// RegisterRasterFormats.
class TFileFormatList {
 public:
  struct TClassEntry {
    std::type_index graphicClass;
    QString description;
    int count = 0;
  };
  struct TExtensionEntry {
    QString extension;
    QString description;
    uint8_t formatKinds = 0;  // 2 layered, 4 multi-image, 8 raster, 16 vector
    TClassEntry* classEntry = nullptr;
  };

  // Raises EInvalidGraphic "Attempt to register %s files twice." for a
  // known extension unless `replace` is set.
  void RegisterFileFormat(const QString& extension, const QString& commonDescription,
                          const QString& individualDescription, uint8_t formatKinds, bool replace,
                          std::type_index graphicClass, TGraphicFactory create);
  template <class T>
  void RegisterFileFormat(const QString& extension, const QString& commonDescription,
                          const QString& individualDescription, uint8_t formatKinds, bool replace) {
    RegisterFileFormat(extension, commonDescription, individualDescription, formatKinds, replace, typeid(T),
                       [] { return std::make_unique<T>(); });
  }
  // With an extension, removes it; with an empty one, the class with all
  // its extensions. (The picture class keeps what it was told: it has no
  // way to forget a format.)
  void UnregisterFileFormat(const QString& extension, std::type_index graphicClass);
  int FindExtension(const QString& extension) const;
  int FindGraphicClass(std::type_index graphicClass) const;
  void Clear();

  const std::vector<std::unique_ptr<TClassEntry>>& ClassList() const { return classes_; }
  const std::vector<std::unique_ptr<TExtensionEntry>>& ExtensionList() const { return extensions_; }

 private:
  TClassEntry* Link(TExtensionEntry& entry, std::type_index graphicClass, const QString& commonDescription);
  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// The module's list; null before RegisterRasterFormats.
TFileFormatList* FileFormatList();
// Registers every reader's extensions with the picture class; a second
// call does nothing.
void RegisterRasterFormats();
void UnregisterRasterFormats();
