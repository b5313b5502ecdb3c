// Stream and file plumbing shared by every picture class.

#include "platform/gui/Graphic.h"

#include "platform/core/AtomicFile.h"

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::LoadFromStream(TStream& stream) {
  const std::int64_t left = stream.Size() - stream.Position();
  QByteArray data;
  if (left > 0) {
    if (left > (std::int64_t(1) << 31) - 1) throw EInvalidGraphic("Picture data is too large");
    data.resize(qsizetype(left));
    stream.ReadBuffer(data.data(), left);
  }
  LoadFromBytes(data);
}

void TGraphic::SaveToStream(TStream& stream) const {
  const QByteArray data = SaveToBytes();
  stream.WriteBuffer(data.constData(), data.size());
}

void TGraphic::LoadFromFile(const QString& fileName) {
  const std::string bytes = ReadWholeFile(fileName.toStdString());
  LoadFromBytes(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

void TGraphic::SaveToFile(const QString& fileName) const {
  const QByteArray data = SaveToBytes();
  WriteFileAtomically(fileName.toStdString(), std::string_view(data.constData(), size_t(data.size())));
}
