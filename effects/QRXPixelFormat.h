#pragma once
// Pixel operations on 24-bit bitmaps (blue, green, red bytes): grey,
// negative, brightness, mirroring and an alpha blend. Each reads the
// source rectangle [Left, Right) x [Top, Bottom) and writes the pixel of
// source (x, y) to the target at (TargetX + x - Left, TargetY + y - Top);
// source and target may be the same bitmap at the same place. The parts of
// the rectangle outside either bitmap are left out, so no call reaches past
// a row or a bitmap, whatever its width.

#include <string>

#include "platform/core/Exceptions.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Geometry.h"

class EQRXWrongPixelFormat : public Exception {
  using Exception::Exception;
};

// True for a 24-bit bitmap; otherwise raises EQRXWrongPixelFormat
// ("Wrong PixelFormat in <name> bitmap!").
bool RaiseWrongPixelFormat(const TBitmap& bitmap, const std::string& name);

void GrayScaleBitmap(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin);
void InvertBitmap(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin);
// Each byte plus `amount`, kept within 0..255.
void ChangeBrightness(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin,
                      std::int16_t amount);
void FlipBitmapLeftRight(const TBitmap& source, const TRect& sourceRect, TBitmap& target,
                         TPoint targetOrigin);
void FlipBitmapTopBottom(const TBitmap& source, const TRect& sourceRect, TBitmap& target,
                         TPoint targetOrigin);
// Target = Source2 + (Source1 - Source2) x strength per byte (modulo 256).
// All three must be 24-bit (EQRXWrongPixelFormat names the first that is
// not: "Source 1", "Source 2", "Target").
void AlphaBlendBitmaps(const TBitmap& source1, const TBitmap& source2, const TRect& sourceRect,
                       TPoint source2Origin, TBitmap& target, float strength, TPoint targetOrigin);
