#pragma once
// The show effects of a skinned window: fourteen mask generators that say,
// cell by cell, how far the finished window has replaced what lay behind
// it at a given percentage, the composer that builds one frame from the
// two pictures and a mask, and the driver that plays an effect for a set
// time on the program's clock. The form frame (se_form.h) shows each frame
// in its window.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "skin/se_bitmap.h"

// The effects, in their stored order.
enum TkeEffectNumber : int {
  kEffectRandomSelect = 0,
  kEffectFade,
  kEffectDiagonal,
  kEffectDown,
  kEffectIn,
  kEffectOut,
  kEffectRectIn,
  kEffectRectOut,
  kEffectPixel,
  kEffectPixelLine,
  kEffectDiamondIn,
  kEffectDiamondOut,
  kEffectSmoothDiagonal,
  kEffectSmoothRectIn,
  kEffectSmoothRectOut,
  kEffectCount
};

// The mask's rotation over the picture.
enum TkeDirectionNumber : int {
  kDirectionNone = 0,
  kDirectionNoRotate,
  kDirectionRotate90,
  kDirectionRotate180,
  kDirectionRotate270
};

// What an effect needs of the window's animation options.
struct TSeAnimationParams {
  int Effect = kEffectFade;
  int Direction = kDirectionNone;
  int Time = 400;  // milliseconds
  int Resolution = 1;  // edge of one mask cell in pixels
  int TileCount = 1;  // the picture is cut into TileCount x TileCount tiles
};

// Fills a cleared width x height mask (0 shows the start picture, 255 the
// end picture) for `step` percent of the way.
using TSeMaskGenerator = void (*)(std::uint8_t* mask, int width, int height, std::uint8_t step);

namespace se {

// The generator of an effect number 1..14; null otherwise.
TSeMaskGenerator AnimationGenerator(int effect);

// Sets the cells of the digital line from (x1, y1) to (x2, y2), ends
// included; cells outside the mask are skipped. Returns the last point.
TPoint DrawMaskLine(std::uint8_t* mask, int width, int height, std::uint8_t value, int x1, int y1, int x2,
                    int y2);

// One running effect: its mask and the two pictures.
class TSeAnimationPlayer {
 public:
  TSeAnimationPlayer(const TSeBitmap& start, const TSeBitmap& end, const TSeAnimationParams& params);
  bool Valid() const { return generator_ != nullptr; }
  int MaskWidth() const { return mask_w_; }
  int MaskHeight() const { return mask_h_; }
  // Builds the frame at `step` percent into `frame` (the start picture's size).
  void ComposeFrame(TSeBitmap& frame, int step);

 private:
  const TSeBitmap& start_;
  const TSeBitmap& end_;
  TSeAnimationParams params_;
  TSeMaskGenerator generator_ = nullptr;
  std::vector<std::uint8_t> mask_;
  int mask_w_ = 0;
  int mask_h_ = 0;
  int tile_w_ = 0;
  int tile_h_ = 0;
};

// Plays the effect: each frame shows the progress the time spent so far
// calls for (no waiting between frames), handed to `show` with its step;
// the loop ends after the frame that reaches `Time`. Returns the number of
// frames shown; the caller then shows the end picture. Nothing happens
// when a picture is empty or the effect is unknown.
int RunAnimationEffect(const TSeBitmap& start, const TSeBitmap& end, const TSeAnimationParams& params,
                       const std::function<void(const TSeBitmap& frame, int step)>& show);

}  // namespace se
