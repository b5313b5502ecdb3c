// Stream and file plumbing shared by every picture class.

#include "platform/gui/Graphic.h"

#include <QFile>
#include <QSaveFile>

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::LoadFromStream(QIODevice& stream) { LoadFromBytes(stream.readAll()); }

void TGraphic::SaveToStream(QIODevice& stream) const {
  const QByteArray data = SaveToBytes();
  if (stream.write(data) != data.size()) throw EWriteError("Stream write error");
}

void TGraphic::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EFOpenError("Cannot open file \"" + fileName.toStdString() + "\". " +
                      file.errorString().toStdString());
  LoadFromBytes(file.readAll());
}

void TGraphic::SaveToFile(const QString& fileName) const {
  const QByteArray data = SaveToBytes();
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
    throw EFCreateError("Cannot create file \"" + fileName.toStdString() + "\". " +
                        file.errorString().toStdString());
}
