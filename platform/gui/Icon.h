#pragma once
// TIcon: an icon read from .ico data (the entry with the most pixels, then
// the most colours; BMP or PNG entries), kept as a 32-bit picture with
// alpha and drawn blended. Saving writes a one-entry .ico of 32 bits.

#include <QImage>

#include "platform/gui/Graphic.h"

class TIcon : public TGraphic {
 public:
  TIcon() = default;
  TIcon(const TIcon& other) : TGraphic(), image_(other.image_) {}

  bool Empty() const override { return image_.isNull(); }
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  // An icon's size comes from its data: both raise EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // The picture, ARGB32 (not premultiplied).
  const QImage& Image() const { return image_; }
  void SetImage(const QImage& image);

  void LoadFromBytes(const QByteArray& data) override;
  QByteArray SaveToBytes() const override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }

 private:
  QImage image_;
};
