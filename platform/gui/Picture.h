#pragma once
// TPicture: holds one graphic of any registered class, and the format
// registry that maps a file extension to the graphic class that reads it.
// Extensions are kept lower-cased without the dot; the last registration
// of an extension wins, so a codec registered later takes the extension
// over. The class library registers bmp, dib and rle (TBitmap), ico
// (TIcon), emf and wmf (TMetafile), and jpg, jpeg, jpe and jfif
// (TJPEGImage).

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphic.h"
#include "platform/gui/Icon.h"

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
  QString extension;  // lower case, no dot
  QString description;
  TGraphicFactory create;
};

class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture& other) { Assign(other); }
  TPicture& operator=(const TPicture& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TPicture& other);

  // Null when the picture is empty.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes a copy of the graphic (null empties the picture).
  void SetGraphic(const TGraphic* graphic);
  // The graphic as a bitmap; a picture that holds another class (or none)
  // gets a new empty bitmap, as callers expect.
  TBitmap& Bitmap();
  TIcon& Icon();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Chooses the class by the file's extension; an unknown extension raises
  // EInvalidGraphic. A failed load leaves the picture as it was.
  void LoadFromFile(const QString& fileName);
  // Raises EInvalidGraphicOperation when the picture is empty.
  void SaveToFile(const QString& fileName) const;

  std::function<void(TPicture* sender)> OnChange;

  static void RegisterFileFormat(const QString& extension, const QString& description,
                                 TGraphicFactory create);
  template <class T>
  static void RegisterFileFormat(const QString& extension, const QString& description) {
    RegisterFileFormat(extension, description, [] { return std::make_unique<T>(); });
  }
  // The registered formats, in registration order (each extension once).
  static std::vector<TFileFormat> FileFormats();
  // Null when no class reads the extension.
  static TGraphicFactory FactoryFor(const QString& extension);
  // The open-dialog filter of every format: "All (*.bmp;*.jpg)|*.bmp;*.jpg|
  // Bitmaps (*.bmp)|*.bmp|...".
  static QString GraphicFilter();

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};
