#include "platform/gui/Metafile.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/BmpCodec.h"
#include "platform/gui/Canvas.h"

namespace {

// Bitmaps inside a metafile get a tighter pixel budget than picture files:
// the picture is drawn again on every paint.
constexpr long long kMaxDibPixels = 1LL << 24;

std::span<const uint8_t> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
}

}  // namespace

void PlayMetafile(std::span<const uint8_t> data, const TMetafileInfo& info, QPainter& painter, const QRectF& target) {
  if (info.enhanced)
    PlayEmf(data, info, painter, target);
  else
    PlayWmf(data, info, painter, target);
}

QImage MetafileDib(std::span<const uint8_t> header, std::span<const uint8_t> bits) {
  if (header.empty()) return {};
  std::vector<uint8_t> dib(header.begin(), header.end());
  dib.insert(dib.end(), bits.begin(), bits.end());
  try {
    TBitmap bitmap;
    BmpLimits limits;
    limits.maxPixels = kMaxDibPixels;
    bitmap.SetDib(ReadDib(dib, limits));
    return bitmap.ToQImage();
  } catch (const Exception&) {
    return {};  // a picture that cannot be read is left out, the rest is drawn
  }
}

void TMetafile::SetWidth(int width) {
  if (width == width_) return;
  width_ = std::max(0, width);
  Changed();
}

void TMetafile::SetHeight(int height) {
  if (height == height_) return;
  height_ = std::max(0, height);
  Changed();
}

void TMetafile::LoadFromBytes(const QByteArray& data) {
  if (data.size() > MaxMetafileBytes) throw EInvalidGraphic("Invalid metafile: the file is too large");
  const auto bytes = Bytes(data);
  const TMetafileInfo info = LooksLikeEmf(bytes) ? ReadEmfInfo(bytes) : ReadWmfInfo(bytes);
  data_ = data;
  info_ = info;
  width_ = info.width;
  height_ = info.height;
  Changed();
}

QByteArray TMetafile::SaveToBytes() const {
  if (data_.isEmpty()) throw EInvalidGraphicOperation("Cannot save an empty metafile");
  return data_;
}

void TMetafile::Play(QPainter& painter, const QRectF& target) const {
  if (data_.isEmpty() || target.isEmpty()) return;
  PlayMetafile(Bytes(data_), info_, painter, target);
}

QImage TMetafile::Render(QSize size, QColor background) const {
  if (size.isEmpty()) return {};
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(background);
  QPainter painter(&image);
  Play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

QImage TMetafile::RenderFitting(int maxSide, QColor background) const {
  if (Empty() || width_ <= 0 || height_ <= 0 || maxSide <= 0) return {};
  const double scale = std::min(1.0, double(maxSide) / std::max(width_, height_));
  const QSize size(std::max(1, int(std::lround(width_ * scale))), std::max(1, int(std::lround(height_ * scale))));
  return Render(size, background);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty()) return;
  const QRect target(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
  // Only the part that can be drawn is played, so a huge target costs no
  // more memory than the surface itself.
  const TRect clip = canvas.ClipRect();
  const QRect visible = target.normalized() & QRect(clip.Left, clip.Top, clip.Right - clip.Left, clip.Bottom - clip.Top);
  if (visible.isEmpty()) return;
  QImage image(visible.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    Play(painter, QRectF(target.translated(-visible.topLeft())));
  }
  canvas.DrawImage(visible.topLeft(), image, std::nullopt, true);
}
