#pragma once
// The start page's background as the options window sets it: a plain
// colour, a gradient between two colours or a picture, put on the page's
// fill. Kept apart so that any fill the page uses can be restyled and
// checked on its own.

#include <QString>
#include <exception>

#include "effects/QRXFillObject.h"
#include "effects/QRXPanels.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Picture.h"

// What the start page's fill shows.
struct TStartBackground {
  enum class TKind { None, Colour, Gradient, Image };
  TKind Kind;
  TColor Colour, Top, Bottom;
  QString ImageFile;
};

// A picture file drawn into `out`; false when it cannot be read.
inline bool LoadPictureBitmap(const QString& file, TBitmap& out) {
  TPicture picture;
  try {
    picture.LoadFromFile(file);
  } catch (const std::exception&) {
    return false;
  }
  TGraphic* graphic = picture.Graphic();
  if (!graphic || graphic->Width() <= 0 || graphic->Height() <= 0) return false;
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
    out.Assign(*bitmap);
  } else {
    out.SetSize(graphic->Width(), graphic->Height());
    out.Canvas().Draw(0, 0, *graphic);
  }
  return true;
}

// Restyles the start page's fill and repaints it; false when the picture
// could not be loaded, and the fill then keeps its style.
inline bool RestyleStartFill(TQRXFill* fill, const TStartBackground& b) {
  TQRXFillObject& object = fill->FillObject();
  switch (b.Kind) {
    case TStartBackground::TKind::Colour:
      object.Brush().SetColor(b.Colour);
      object.SetStyle(TQRXFillStyle::sfBrush);
      break;
    case TStartBackground::TKind::Gradient:
      object.Gradient().SetColor(b.Top);
      object.Gradient().SetEndColor(b.Bottom);
      object.SetStyle(TQRXFillStyle::sfGradient);
      break;
    case TStartBackground::TKind::Image: {
      TBitmap picture;
      if (!LoadPictureBitmap(b.ImageFile, picture)) return false;
      object.Bitmap().Assign(picture);
      object.SetStyle(TQRXFillStyle::sfBitmap);
      break;
    }
    case TStartBackground::TKind::None:
      break;
  }
  fill->Invalidate();
  return true;
}
