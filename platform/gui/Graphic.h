#pragma once
// TGraphic: the base of every picture class (bitmap, icon, JPEG and the
// codecs registered by other folders). EInvalidGraphic is what a reader
// raises for data it cannot accept.

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"
#include "platform/gui/Geometry.h"

class TCanvas;

class EInvalidGraphic : public Exception {
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
  using Exception::Exception;
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);

  // Reads the whole picture from `data`; raises EInvalidGraphic for data it
  // cannot accept and leaves the picture as it was.
  virtual void LoadFromBytes(const QByteArray& data) = 0;
  virtual QByteArray SaveToBytes() const = 0;
  // Streams are read from their current position to their end.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  // A missing file raises EFOpenError; a file that cannot be written
  // EFCreateError. Saving goes through a temporary file renamed over the
  // old one, so a failure leaves no half-written file.
  void LoadFromFile(const QString& fileName);
  void SaveToFile(const QString& fileName) const;

  // Draws the picture stretched into `rect` of the canvas.
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  // A copy of the same class and content.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  std::function<void(TGraphic* sender)> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  bool transparent_ = false;
};
