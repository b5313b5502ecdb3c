#pragma once
// TMetafile: a vector picture in either metafile format, kept as the bytes
// it was read from and played each time it is drawn, so it stays sharp at
// any size. Loading checks the header and every record's length; a file
// larger than MaxMetafileBytes is refused.

#include <QColor>
#include <QImage>
#include <QSize>

#include "platform/gui/Graphic.h"
#include "platform/gui/MetafileFormats.h"

class TMetafile : public TGraphic {
 public:
  static constexpr qsizetype MaxMetafileBytes = 64 << 20;

  TMetafile() = default;
  TMetafile(const TMetafile& other) = default;

  bool Empty() const override { return data_.isEmpty(); }
  // Pixels at 96 per inch, unless set.
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // Hundredths of a millimetre.
  int MMWidth() const { return info_.mmWidth; }
  int MMHeight() const { return info_.mmHeight; }
  // True for an enhanced metafile.
  bool Enhanced() const { return info_.enhanced; }

  void LoadFromBytes(const QByteArray& data) override;
  // The bytes as read: a metafile is saved in its own format.
  QByteArray SaveToBytes() const override;
  // Draws the picture stretched into `rect`; what the records leave
  // unpainted stays as it was.
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }

  // The picture played into a new image of `size`, on `background`.
  QImage Render(QSize size, QColor background = Qt::transparent) const;
  // The picture at its own size, scaled down to fit `maxSide` pixels on
  // its longer side when it is larger (what the clipboard takes).
  QImage RenderFitting(int maxSide, QColor background = Qt::white) const;

 private:
  void Play(QPainter& painter, const QRectF& target) const;

  QByteArray data_;
  TMetafileInfo info_;
  int width_ = 0;
  int height_ = 0;
};
