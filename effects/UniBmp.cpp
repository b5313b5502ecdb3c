#include "effects/UniBmp.h"

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <cstring>
#include <string>

#include "effects/LZRW1KH.h"
#include "platform/core/AtomicFile.h"
#include "platform/gui/Icon.h"
#include "platform/gui/Picture.h"

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kWrappedInfo = 44;
constexpr std::size_t kSignatureAt = kFileHeader + 16;  // where biCompression was
constexpr std::size_t kReservedAt = 6;

bool IsSignature(const std::uint8_t* p) {
  return std::memcmp(p, "LZRW", 4) == 0 || std::memcmp(p, "WRZL", 4) == 0;
}

[[noreturn]] void Invalid(const std::string& what) { throw EInvalidGraphic("Invalid BLZ picture: " + what); }

void Put16(std::vector<std::uint8_t>& out, std::size_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::size_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

// Appends through memcpy: GCC 12 misreads vector::insert of small ranges.
void Append(std::vector<std::uint8_t>& out, const std::uint8_t* p, std::size_t n) {
  if (n == 0) return;
  const std::size_t at = out.size();
  out.resize(at + n);
  std::memcpy(out.data() + at, p, n);
}

std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

// The blocks of `data` in 32768-byte slices; always at least one block, and
// a last one that decodes to less than a whole slice.
void AppendBlocks(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> block(Lzrw1KhBufferSize(kBlzSlice));
  std::size_t at = 0;
  for (;;) {
    const std::size_t n = std::min(kBlzSlice, data.size() - at);
    const std::size_t length = Lzrw1KhCompress(data.subspan(at, n), block);
    Put16(out, length);
    Append(out, block.data(), length);
    at += n;
    if (n < kBlzSlice) break;
  }
}

// Decodes blocks from `at` on until one decodes to less than a whole slice.
void ReadBlocks(std::span<const std::uint8_t> data, std::size_t at, std::vector<std::uint8_t>& out,
                std::size_t maxSize) {
  std::vector<std::uint8_t> slice(kBlzSlice);
  for (;;) {
    if (data.size() - at < 2) Invalid("the data ends before its last block");
    const std::size_t length = std::size_t(data[at]) | std::size_t(data[at + 1]) << 8;
    at += 2;
    if (length > data.size() - at) Invalid("a block runs past the end of the data");
    std::size_t n = 0;
    try {
      n = Lzrw1KhDecompress(data.subspan(at, length), slice);
    } catch (const ELzrw1KHError& e) {
      Invalid(e.what());
    }
    at += length;
    if (n > maxSize - std::min(maxSize, out.size())) Invalid("the picture is larger than allowed");
    Append(out, slice.data(), n);
    if (n < kBlzSlice) return;
  }
}

}  // namespace

TBlzForm DetectBlzForm(std::span<const std::uint8_t> data) {
  if (data.size() >= 4 && IsSignature(data.data())) return TBlzForm::bfBlz;
  if (data.size() >= kFileHeader + kWrappedInfo && IsSignature(data.data() + kSignatureAt))
    return TBlzForm::bfBlzBmp;
  return TBlzForm::bfBmp;
}

std::vector<std::uint8_t> EncodeBlz(std::span<const std::uint8_t> bmp) {
  std::vector<std::uint8_t> out;
  out.reserve(bmp.size() / 2 + 16);
  Append(out, reinterpret_cast<const std::uint8_t*>("LZRW"), 4);
  Put32(out, bmp.size());
  AppendBlocks(out, bmp);
  return out;
}

std::vector<std::uint8_t> EncodeBlzBmp(std::span<const std::uint8_t> bmp) {
  if (bmp.size() < kFileHeader + kInfoHeader) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<std::uint8_t> out;
  out.reserve(bmp.size() / 2 + 64);
  Append(out, bmp.data(), kFileHeader);
  const std::size_t size = bmp.size();
  for (int i = 0; i < 4; ++i) out[kReservedAt + i] = std::uint8_t(size >> (8 * i));
  const std::uint8_t* info = bmp.data() + kFileHeader;
  Append(out, info, 16);
  Append(out, reinterpret_cast<const std::uint8_t*>("LZRW"), 4);
  Append(out, info + 20, kInfoHeader - 20);
  Append(out, info + 16, 4);
  AppendBlocks(out, bmp.subspan(kFileHeader + kInfoHeader));
  return out;
}

std::vector<std::uint8_t> DecodeBlz(std::span<const std::uint8_t> data, std::size_t maxSize) {
  if (data.size() < 8 || !IsSignature(data.data())) Invalid("no LZRW signature");
  std::vector<std::uint8_t> out;
  ReadBlocks(data, 8, out, maxSize);
  return out;
}

std::vector<std::uint8_t> DecodeBlzBmp(std::span<const std::uint8_t> data, std::size_t maxSize) {
  if (data.size() < kFileHeader + kWrappedInfo || !IsSignature(data.data() + kSignatureAt))
    Invalid("no LZRW signature in the bitmap header");
  const std::int32_t size = std::int32_t(Get32(data.data() + kReservedAt));
  if (size <= 0) Invalid("the bitmap header gives no size");
  // The stored size bounds what the blocks may rebuild.
  const std::size_t limit = std::min(maxSize, std::size_t(size));
  if (limit < kFileHeader + kInfoHeader) Invalid("the bitmap header gives a size too small");
  std::vector<std::uint8_t> out;
  out.reserve(std::min(limit, data.size() * 2));
  Append(out, data.data(), kFileHeader);
  std::memset(out.data() + kReservedAt, 0, 4);
  const std::uint8_t* wrapped = data.data() + kFileHeader;
  Append(out, wrapped, 16);
  Append(out, wrapped + 40, 4);
  Append(out, wrapped + 20, 20);
  ReadBlocks(data, kFileHeader + kWrappedInfo, out, limit);
  return out;
}

std::unique_ptr<TUniBitmap> TUniBitmap::CreateFromFile(const QString& fileName) {
  auto bitmap = std::make_unique<TUniBitmap>();
  bitmap->LoadFromFile(fileName);
  return bitmap;
}

std::unique_ptr<TUniBitmap> TUniBitmap::CreateFromStream(TStream& stream) {
  auto bitmap = std::make_unique<TUniBitmap>();
  bitmap->LoadFromStream(stream);
  return bitmap;
}

void TUniBitmap::LoadBmp(const std::vector<std::uint8_t>& bmp) {
  TBitmap::LoadFromBytes(QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size())));
}

void TUniBitmap::LoadFromBytes(const QByteArray& data) {
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
  switch (DetectBlzForm(bytes)) {
    case TBlzForm::bfBlz:
      LoadBmp(DecodeBlz(bytes));
      break;
    case TBlzForm::bfBlzBmp:
      LoadBmp(DecodeBlzBmp(bytes));
      break;
    case TBlzForm::bfBmp:
      TBitmap::LoadFromBytes(data);
      break;
  }
}

namespace {

QByteArray WholeStream(TStream& stream) {
  const std::int64_t size = stream.Size();
  if (size > (std::int64_t(1) << 31) - 1) throw EInvalidGraphic("Picture data is too large");
  QByteArray data(qsizetype(std::max<std::int64_t>(size, 0)), Qt::Uninitialized);
  stream.SetPosition(0);
  stream.ReadBuffer(data.data(), data.size());
  return data;
}

std::span<const std::uint8_t> Span(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

}  // namespace

void TUniBitmap::LoadFromStream(TStream& stream) { LoadFromBytes(WholeStream(stream)); }

void TUniBitmap::LoadFromFile(const QString& fileName) {
  file_name_ = fileName;
  TGraphic::LoadFromFile(fileName);
}

void TUniBitmap::LoadFromBLZStream(TStream& stream) { LoadBmp(DecodeBlz(Span(WholeStream(stream)))); }

void TUniBitmap::LoadFromBLZBmpStream(TStream& stream) { LoadBmp(DecodeBlzBmp(Span(WholeStream(stream)))); }

void TUniBitmap::SaveToBLZStream(TStream& stream) const {
  const std::vector<std::uint8_t> out = EncodeBlz(Span(SaveToBytes()));
  stream.WriteBuffer(out.data(), std::int64_t(out.size()));
}

void TUniBitmap::SaveToBLZBmpStream(TStream& stream) const {
  const std::vector<std::uint8_t> out = EncodeBlzBmp(Span(SaveToBytes()));
  stream.WriteBuffer(out.data(), std::int64_t(out.size()));
}

void TUniBitmap::SaveToBLZFile(const QString& fileName) const {
  const std::vector<std::uint8_t> out = EncodeBlz(Span(SaveToBytes()));
  WriteFileAtomically(fileName.toStdString(),
                      std::string_view(reinterpret_cast<const char*>(out.data()), out.size()));
}

void TUniBitmap::SaveToBLZBmpFile(const QString& fileName) const {
  const std::vector<std::uint8_t> out = EncodeBlzBmp(Span(SaveToBytes()));
  WriteFileAtomically(fileName.toStdString(),
                      std::string_view(reinterpret_cast<const char*>(out.data()), out.size()));
}

void TUniBitmap::DrawOver(TGraphic& graphic, int width, int height, bool stretch) {
  // Start from a white page, so transparent parts of the source show no
  // leftovers of the old picture.
  TDib page;
  const TPixelFormat format =
      PixelFormat() == pfDevice || PixelFormat() == pfCustom ? pf32bit : PixelFormat();
  page.Allocate(width, height, format);
  if (IsPaletteFormat(format) && !Palette().empty()) page.palette = Palette();
  SetDib(std::move(page));
  Canvas().Brush().SetColor(clWhite);
  Canvas().FillRect(Rect(0, 0, width, height));
  if (stretch)
    Canvas().StretchDraw(Rect(0, 0, width, height), graphic);
  else
    Canvas().Draw(0, 0, graphic);
}

void TUniBitmap::AssignPicture(const TPicture* picture) {
  if (!picture || !picture->Graphic() || picture->Width() <= 0 || picture->Height() <= 0)
    throw Exception("Invalid Picture");
  DrawOver(*picture->Graphic(), picture->Width(), picture->Height(), true);
}

void TUniBitmap::AssignIcon(const TIcon* icon) {
  if (!icon || icon->Width() <= 0 || icon->Height() <= 0) throw Exception("Invalid Icon-Picture");
  TIcon copy(*icon);
  DrawOver(copy, icon->Width(), icon->Height(), true);
}

void TUniBitmap::AssignBitmap(const TBitmap* bitmap) {
  if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) throw Exception("Invalid Bitmap-Picture");
  TBitmap copy(*bitmap);
  DrawOver(copy, bitmap->Width(), bitmap->Height(), false);
}

namespace {

// The bytes of a module's resource of that type; "Invalid Resource" when
// there is none. Resources are the program's own, but a damaged one still
// goes through the checked decoders.
QByteArray ReadResource(const QString& instance, const char* type, const QString& name) {
  QString root = instance.isEmpty() ? QStringLiteral(":/") : instance;
  if (!root.endsWith('/')) root += '/';
  QFile file(root + type + '/' + name.toUpper());
  if (name.isEmpty() || !file.open(QIODevice::ReadOnly)) throw Exception("Invalid Resource");
  if (file.size() > qint64(kMaxBlzContent)) throw EInvalidGraphic("Picture data is too large");
  return file.readAll();
}

QString IdName(int id) { return "#" + QString::number(id); }

}  // namespace

void TUniBitmap::LoadFromBLZBmpResName(const QString& instance, const QString& name) {
  LoadBmp(DecodeBlzBmp(Span(ReadResource(instance, "RCDATA", name))));
}

void TUniBitmap::LoadFromBLZBmpResID(const QString& instance, int id) { LoadFromBLZBmpResName(instance, IdName(id)); }

void TUniBitmap::LoadFromBLZResName(const QString& instance, const QString& name) {
  const QByteArray data = ReadResource(instance, "RCDATA", name);
  // The signature is not asked for here: the data is known to be BLZ.
  if (data.size() < 8) Invalid("the resource is too short");
  std::vector<std::uint8_t> fixed(Span(data).begin(), Span(data).end());
  std::memcpy(fixed.data(), "LZRW", 4);
  LoadBmp(DecodeBlz(fixed));
}

void TUniBitmap::LoadFromBLZResID(const QString& instance, int id) { LoadFromBLZResName(instance, IdName(id)); }

void TUniBitmap::LoadFromResName(const QString& instance, const QString& name) {
  LoadFromBytes(ReadResource(instance, "RCDATA", name));
}

void TUniBitmap::LoadFromResID(const QString& instance, int id) { LoadFromResName(instance, IdName(id)); }

void TUniBitmap::LoadFromResourceName(const QString& instance, const QString& name) {
  TBitmap::LoadFromBytes(ReadResource(instance, "BITMAP", name));
}

void TUniBitmap::LoadFromResourceID(const QString& instance, int id) { LoadFromResourceName(instance, IdName(id)); }

void TUniBitmap::AssignBitmapHandle(const QImage& handle) {
  if (handle.isNull()) throw Exception("Invalid Bitmap");
  TBitmap picture;
  picture.AssignQImage(handle);
  DrawOver(picture, picture.Width(), picture.Height(), true);
}

void TUniBitmap::AssignIconHandle(const QIcon& handle) {
  const QList<QSize> sizes = handle.availableSizes();
  if (handle.isNull() || sizes.isEmpty()) throw Exception("Invalid Icon");
  // The largest size the icon offers.
  QSize size = sizes.first();
  for (const QSize& s : sizes)
    if (s.width() * s.height() > size.width() * size.height()) size = s;
  TIcon icon;
  icon.SetImage(handle.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32));
  DrawOver(icon, icon.Width(), icon.Height(), true);
}

void TUniBitmap::AssignMetafile(const QPicture* metafile) {
  if (!metafile || metafile->isNull() || metafile->boundingRect().width() <= 0 ||
      metafile->boundingRect().height() <= 0)
    throw Exception("Invalid Metafile-Picture");
  const QRect bounds = metafile->boundingRect();
  QImage image(bounds.size(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.translate(-bounds.topLeft());
    painter.drawPicture(0, 0, *metafile);
  }
  TBitmap picture;
  picture.AssignQImage(image);
  DrawOver(picture, picture.Width(), picture.Height(), true);
}

TUniBitmap& TUniBitmap::FnLoadFromFile(const QString& fileName) { return LoadFromFile(fileName), *this; }
TUniBitmap& TUniBitmap::FnLoadFromStream(TStream& stream) { return LoadFromStream(stream), *this; }
TUniBitmap& TUniBitmap::FnLoadFromBLZBmpResName(const QString& instance, const QString& name) {
  return LoadFromBLZBmpResName(instance, name), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromBLZBmpResID(const QString& instance, int id) {
  return LoadFromBLZBmpResID(instance, id), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromBLZResName(const QString& instance, const QString& name) {
  return LoadFromBLZResName(instance, name), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromBLZResID(const QString& instance, int id) {
  return LoadFromBLZResID(instance, id), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromResName(const QString& instance, const QString& name) {
  return LoadFromResName(instance, name), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromResID(const QString& instance, int id) { return LoadFromResID(instance, id), *this; }
TUniBitmap& TUniBitmap::FnLoadFromResourceName(const QString& instance, const QString& name) {
  return LoadFromResourceName(instance, name), *this;
}
TUniBitmap& TUniBitmap::FnLoadFromResourceID(const QString& instance, int id) {
  return LoadFromResourceID(instance, id), *this;
}
TUniBitmap& TUniBitmap::FnAssignBitmapHandle(const QImage& handle) { return AssignBitmapHandle(handle), *this; }
TUniBitmap& TUniBitmap::FnAssignIconHandle(const QIcon& handle) { return AssignIconHandle(handle), *this; }
TUniBitmap& TUniBitmap::FnAssignPicture(const TPicture* picture) { return AssignPicture(picture), *this; }
TUniBitmap& TUniBitmap::FnAssignMetafile(const QPicture* metafile) { return AssignMetafile(metafile), *this; }
TUniBitmap& TUniBitmap::FnAssignIcon(const TIcon* icon) { return AssignIcon(icon), *this; }
TUniBitmap& TUniBitmap::FnAssignBitmap(const TBitmap* bitmap) { return AssignBitmap(bitmap), *this; }

void RegisterUniBitmap() {
  TPicture::RegisterFileFormat<TUniBitmap>("bmp", "BMP-Format");
  TPicture::RegisterFileFormat<TUniBitmap>("blz", "BLZ-Format");
  TPicture::RegisterFileFormat<TUniBitmap>("dib", "DIB-Format");
}
