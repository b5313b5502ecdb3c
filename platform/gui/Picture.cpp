// TPicture and the picture format registry (module-wide state of the class
// library, kept in one object).

#include "platform/gui/Picture.h"

#include <QFileInfo>

#include "platform/gui/Jpeg.h"
#include "platform/gui/Metafile.h"

namespace {

class FormatRegistry {
 public:
  static FormatRegistry& Instance() {
    static FormatRegistry registry;
    return registry;
  }

  void Register(QString extension, const QString& description, TGraphicFactory create) {
    extension = extension.toLower();
    if (extension.startsWith('.')) extension.remove(0, 1);
    std::erase_if(formats_, [&](const TFileFormat& f) { return f.extension == extension; });
    formats_.push_back({extension, description, std::move(create)});
  }

  const std::vector<TFileFormat>& Formats() const { return formats_; }

 private:
  FormatRegistry() {
    Register<TJPEGImage>("jpg", "JPEG Image File");
    Register<TJPEGImage>("jpeg", "JPEG Image File");
    Register<TJPEGImage>("jpe", "JPEG Image File");
    Register<TJPEGImage>("jfif", "JPEG Image File");
    Register<TBitmap>("bmp", "Bitmaps");
    Register<TBitmap>("dib", "Bitmaps");
    Register<TBitmap>("rle", "Bitmaps");
    Register<TIcon>("ico", "Icons");
    Register<TMetafile>("emf", "Enhanced Metafiles");
    Register<TMetafile>("wmf", "Metafiles");
  }
  template <class T>
  void Register(const char* ext, const char* description) {
    Register(ext, description, [] { return std::make_unique<T>(); });
  }

  std::vector<TFileFormat> formats_;
};

}  // namespace

void TPicture::RegisterFileFormat(const QString& extension, const QString& description,
                                  TGraphicFactory create) {
  FormatRegistry::Instance().Register(extension, description, std::move(create));
}

std::vector<TFileFormat> TPicture::FileFormats() { return FormatRegistry::Instance().Formats(); }

TGraphicFactory TPicture::FactoryFor(const QString& extension) {
  QString ext = extension.toLower();
  if (ext.startsWith('.')) ext.remove(0, 1);
  for (const TFileFormat& f : FormatRegistry::Instance().Formats())
    if (f.extension == ext) return f.create;
  return nullptr;
}

QString TPicture::GraphicFilter() {
  QStringList all, parts;
  for (const TFileFormat& f : FormatRegistry::Instance().Formats()) {
    all << "*." + f.extension;
    parts << QString("%1 (*.%2)|*.%2").arg(f.description, f.extension);
  }
  const QString joined = all.join(';');
  return QString("All (%1)|%1|").arg(joined) + parts.join('|');
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::Assign(const TPicture& other) {
  if (this == &other) return;
  SetGraphic(other.graphic_.get());
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  graphic_ = graphic ? graphic->Clone() : nullptr;
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) {
    graphic_ = std::make_unique<TBitmap>();
    Changed();
  }
  return static_cast<TBitmap&>(*graphic_);
}

TIcon& TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(graphic_.get())) {
    graphic_ = std::make_unique<TIcon>();
    Changed();
  }
  return static_cast<TIcon&>(*graphic_);
}

void TPicture::LoadFromFile(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toLower();
  const TGraphicFactory create = FactoryFor(ext);
  if (!create) throw EInvalidGraphic("Unknown picture file extension (." + ext.toStdString() + ")");
  std::unique_ptr<TGraphic> graphic = create();
  graphic->LoadFromFile(fileName);
  graphic_ = std::move(graphic);
  Changed();
}

void TPicture::SaveToFile(const QString& fileName) const {
  if (!graphic_ || graphic_->Empty()) throw EInvalidGraphicOperation("Cannot save an empty picture");
  graphic_->SaveToFile(fileName);
}
