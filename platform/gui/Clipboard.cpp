#include "platform/gui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
const QString kText = QStringLiteral("text/plain");
// Named formats travel under a MIME type of our own so that other programs
// do not mistake them for theirs.
QString MimeOf(const QString& format) { return "application/x-burner-" + format.toLower().replace(' ', '-'); }
}  // namespace

void QtClipboard::SetText(const QString& text) { QGuiApplication::clipboard()->setText(text); }
QString QtClipboard::Text() const { return QGuiApplication::clipboard()->text(); }
void QtClipboard::SetImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }
QImage QtClipboard::Image() const { return QGuiApplication::clipboard()->image(); }

void QtClipboard::SetData(const QString& format, const QByteArray& data) {
  auto* mime = new QMimeData;  // the clipboard takes it
  mime->setData(MimeOf(format), data);
  QGuiApplication::clipboard()->setMimeData(mime);
}

QByteArray QtClipboard::Data(const QString& format) const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime ? mime->data(MimeOf(format)) : QByteArray();
}

bool QtClipboard::HasFormat(const QString& format) const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return false;
  if (format == kText) return mime->hasText();
  return mime->hasFormat(MimeOf(format));
}

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

void QtClipboard::SetContent(const ClipboardContent& content) {
  auto* mime = new QMimeData;  // the clipboard takes it
  if (!content.text.isEmpty()) mime->setText(content.text);
  if (!content.image.isNull()) mime->setImageData(content.image);
  for (const auto& [format, data] : content.formats) mime->setData(MimeOf(format), data);
  QGuiApplication::clipboard()->setMimeData(mime);
}

void FakeClipboard::SetText(const QString& text) {
  Clear();
  data_[kText] = text.toUtf8();
}
QString FakeClipboard::Text() const { return QString::fromUtf8(Data(kText)); }
void FakeClipboard::SetImage(const QImage& image) {
  Clear();
  image_ = image;
}
void FakeClipboard::SetData(const QString& format, const QByteArray& data) {
  Clear();
  data_[format] = data;
}
QByteArray FakeClipboard::Data(const QString& format) const {
  auto it = data_.find(format);
  return it == data_.end() ? QByteArray() : it->second;
}
bool FakeClipboard::HasFormat(const QString& format) const { return data_.count(format) != 0; }
void FakeClipboard::Clear() {
  data_.clear();
  image_ = QImage();
}
void FakeClipboard::SetContent(const ClipboardContent& content) {
  Clear();
  if (!content.text.isEmpty()) data_[kText] = content.text.toUtf8();
  image_ = content.image;
  for (const auto& [format, data] : content.formats) data_[format] = data;
}
