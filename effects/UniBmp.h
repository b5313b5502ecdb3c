#pragma once
// TUniBitmap: a bitmap that also reads and writes BMP streams compressed
// with the LZRW1-KH block coder, in two forms:
//
// BLZ (files *.blz), little-endian:
//   "LZRW", u32 size of the BMP stream, then per 32768-byte slice of the BMP
//   stream a u16 block length and one block. The last slice is shorter; when
//   the size is a multiple of 32768 it is empty and its block is 0x80.
// BMP-wrapped BLZ: the BMP file header with the stream's size in its two
//   reserved fields; the info header with "LZRW" in place of biCompression
//   and biCompression moved after biClrImportant (44 bytes); then the rest of
//   the BMP stream (colour table and bits) in blocks as above.
// Readers also accept the signature written backwards ("WRZL").
//
// Loading detects the form from the data, so a TUniBitmap reads plain BMP
// files as well; RegisterUniBitmap() makes it the class for bmp, dib and blz.
// Damaged data raises EInvalidGraphic and leaves the bitmap as it was.
//
// Resources: a module's resources are the files of a folder, its
// "instance" (":/" for those compiled into the program). Raw data lives in
// <instance>/RCDATA/<NAME>, bitmaps in <instance>/BITMAP/<NAME>, names
// upper-cased as resource names are; a numbered resource is named "#<id>".

#include <QIcon>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gui/Bitmap.h"

class QPicture;
class TIcon;
class TPicture;

enum class TBlzForm { bfBmp, bfBlz, bfBlzBmp };

inline constexpr std::size_t kBlzSlice = 32768;
// The largest BMP stream a BLZ file may rebuild: the largest picture the
// BMP reader takes, at 32 bits, with room for headers.
inline constexpr std::size_t kMaxBlzContent = (std::size_t(1) << 28) + 65536;

TBlzForm DetectBlzForm(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> EncodeBlz(std::span<const std::uint8_t> bmp);
// Raises EInvalidGraphic for a BMP stream shorter than its two headers.
std::vector<std::uint8_t> EncodeBlzBmp(std::span<const std::uint8_t> bmp);
// The BMP stream rebuilt from either form; raises EInvalidGraphic for
// damaged data and for a stream larger than maxSize.
std::vector<std::uint8_t> DecodeBlz(std::span<const std::uint8_t> data, std::size_t maxSize = kMaxBlzContent);
std::vector<std::uint8_t> DecodeBlzBmp(std::span<const std::uint8_t> data,
                                       std::size_t maxSize = kMaxBlzContent);

class TUniBitmap : public TBitmap {
 public:
  TUniBitmap() = default;
  static std::unique_ptr<TUniBitmap> CreateFromFile(const QString& fileName);
  static std::unique_ptr<TUniBitmap> CreateFromStream(TStream& stream);

  // The file last loaded through LoadFromFile.
  const QString& FileName() const { return file_name_; }

  // Any of the three forms, detected from the data.
  void LoadFromBytes(const QByteArray& data) override;
  // Reads the whole stream from its start, wherever it is positioned.
  void LoadFromStream(TStream& stream) override;
  void LoadFromFile(const QString& fileName);

  void LoadFromBLZFile(const QString& fileName) { LoadFromFile(fileName); }
  void LoadFromBLZBmpFile(const QString& fileName) { LoadFromFile(fileName); }
  // These read one form only, from the stream's start.
  void LoadFromBLZStream(TStream& stream);
  void LoadFromBLZBmpStream(TStream& stream);
  // Written at the stream's position.
  void SaveToBLZStream(TStream& stream) const;
  void SaveToBLZBmpStream(TStream& stream) const;
  // Written through a temporary file renamed over the old one.
  void SaveToBLZFile(const QString& fileName) const;
  void SaveToBLZBmpFile(const QString& fileName) const;

  // Raw-data resources of a module: BMP-wrapped BLZ, plain BLZ, or any
  // form. A missing resource raises Exception "Invalid Resource".
  void LoadFromBLZBmpResName(const QString& instance, const QString& name);
  void LoadFromBLZBmpResID(const QString& instance, int id);
  void LoadFromBLZResName(const QString& instance, const QString& name);
  void LoadFromBLZResID(const QString& instance, int id);
  void LoadFromResName(const QString& instance, const QString& name);
  void LoadFromResID(const QString& instance, int id);
  // Bitmap resources (BMP data).
  void LoadFromResourceName(const QString& instance, const QString& name);
  void LoadFromResourceID(const QString& instance, int id);

  // Copies a picture into this bitmap: the bitmap takes its size and the
  // picture is drawn over it. Raise Exception for a missing or empty source.
  // The platform's bitmap handle is an image, its icon handle an icon and
  // its metafile a recorded picture.
  void AssignBitmapHandle(const QImage& handle);
  void AssignIconHandle(const QIcon& handle);
  void AssignPicture(const TPicture* picture);
  void AssignMetafile(const QPicture* metafile);
  void AssignIcon(const TIcon* icon);
  void AssignBitmap(const TBitmap* bitmap);

  // The same operations as functions that return the bitmap, so they chain.
  TUniBitmap& FnLoadFromFile(const QString& fileName);
  TUniBitmap& FnLoadFromStream(TStream& stream);
  TUniBitmap& FnLoadFromBLZBmpResName(const QString& instance, const QString& name);
  TUniBitmap& FnLoadFromBLZBmpResID(const QString& instance, int id);
  TUniBitmap& FnLoadFromBLZResName(const QString& instance, const QString& name);
  TUniBitmap& FnLoadFromBLZResID(const QString& instance, int id);
  TUniBitmap& FnLoadFromResName(const QString& instance, const QString& name);
  TUniBitmap& FnLoadFromResID(const QString& instance, int id);
  TUniBitmap& FnLoadFromResourceName(const QString& instance, const QString& name);
  TUniBitmap& FnLoadFromResourceID(const QString& instance, int id);
  TUniBitmap& FnAssignBitmapHandle(const QImage& handle);
  TUniBitmap& FnAssignIconHandle(const QIcon& handle);
  TUniBitmap& FnAssignPicture(const TPicture* picture);
  TUniBitmap& FnAssignMetafile(const QPicture* metafile);
  TUniBitmap& FnAssignIcon(const TIcon* icon);
  TUniBitmap& FnAssignBitmap(const TBitmap* bitmap);

  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TUniBitmap>(*this); }

 private:
  void LoadBmp(const std::vector<std::uint8_t>& bmp);
  void DrawOver(TGraphic& graphic, int width, int height, bool stretch);

  QString file_name_;
};

// Registers TUniBitmap with the picture class for "bmp", "dib" and "blz".
// Call it after every other picture class, once or more.
void RegisterUniBitmap();
