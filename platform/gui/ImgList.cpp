#include "platform/gui/ImgList.h"

#include <QPainter>

#include "platform/core/StringList.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Icon.h"

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

void TImageList::SetWidth(int width) {
  if (width == width_ || width <= 0) return;
  width_ = width;
  images_.clear();
  Changed();
}

void TImageList::SetHeight(int height) {
  if (height == height_ || height <= 0) return;
  height_ = height;
  images_.clear();
  Changed();
}

void TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError("Image index out of range");
}

int TImageList::AddChangeListener(std::function<void(TImageList* sender)> listener) {
  listeners_.emplace_back(++next_listener_, std::move(listener));
  return next_listener_;
}

void TImageList::RemoveChangeListener(int key) {
  std::erase_if(listeners_, [key](const auto& entry) { return entry.first == key; });
}

void TImageList::Changed() {
  // A listener may remove itself or another: walk a copy.
  const auto listeners = listeners_;
  for (const auto& [key, listener] : listeners) listener(this);
  if (OnChange) OnChange(this);
}

int TImageList::AddImage(const QImage& source) {
  const int first = Count();
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  // A strip wider than one image gives one image per cell.
  const int cells = std::max(1, image.width() / width_);
  for (int i = 0; i < cells; ++i) {
    QImage cell(width_, height_, QImage::Format_ARGB32);
    cell.fill(Qt::transparent);
    QPainter painter(&cell);
    painter.drawImage(0, 0, image, i * width_, 0, width_, height_);
    painter.end();
    images_.push_back(cell);
  }
  Changed();
  return first;
}

int TImageList::Add(const TBitmap& bitmap, const TBitmap* mask) {
  QImage image = bitmap.ToQImage().convertToFormat(QImage::Format_ARGB32);
  if (mask) {
    const QImage m = mask->ToQImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < std::min(image.height(), m.height()); ++y)
      for (int x = 0; x < std::min(image.width(), m.width()); ++x)
        if ((m.pixel(x, y) & 0xFFFFFF) != 0) image.setPixel(x, y, 0);
  }
  return AddImage(image);
}

int TImageList::AddMasked(const TBitmap& bitmap, TColor maskColor) {
  QImage image = bitmap.ToQImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ColorToQColor(maskColor).rgb() & 0xFFFFFF;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == key) image.setPixel(x, y, 0);
  return AddImage(image);
}

int TImageList::AddIcon(const TIcon& icon) {
  const QImage scaled = icon.Image().scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const int index = Count();
  images_.push_back(scaled.convertToFormat(QImage::Format_ARGB32));
  Changed();
  return index;
}

void TImageList::Replace(int index, const TBitmap& bitmap, const TBitmap* mask) {
  CheckIndex(index);
  const int added = Add(bitmap, mask);
  images_[static_cast<std::size_t>(index)] = images_[static_cast<std::size_t>(added)];
  images_.resize(static_cast<std::size_t>(added));
  Changed();
}

void TImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Changed();
}

void TImageList::Clear() {
  images_.clear();
  Changed();
}

QImage TImageList::Image(int index) const {
  CheckIndex(index);
  return images_[static_cast<std::size_t>(index)];
}

QIcon TImageList::IconOf(int index) const {
  if (index < 0 || index >= Count()) return {};
  return QIcon(QPixmap::fromImage(images_[static_cast<std::size_t>(index)]));
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
  CheckIndex(index);
  QImage image = images_[static_cast<std::size_t>(index)];
  if (!enabled) {
    // A disabled image is drawn in grey, as the host's disabled look.
    for (int py = 0; py < image.height(); ++py)
      for (int px = 0; px < image.width(); ++px) {
        const QRgb p = image.pixel(px, py);
        const int g = qGray(p);
        image.setPixel(px, py, qRgba(g, g, g, qAlpha(p)));
      }
  }
  canvas.DrawImage(QPoint(x, y), image, std::nullopt, true);
}

void TImageList::GetBitmap(int index, TBitmap& bitmap) const {
  CheckIndex(index);
  bitmap.AssignQImage(images_[static_cast<std::size_t>(index)]);
}
