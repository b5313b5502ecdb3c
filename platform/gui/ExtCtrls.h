#pragma once
// Panels and images. Both paint through the canvas: a panel its bevels and
// centred caption, an image its picture (stretched, centred or at the top
// left, with the picture's transparency).

#include <memory>

#include "platform/gui/Controls.h"
#include "platform/gui/Picture.h"
#include "platform/gui/StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
  Q_OBJECT

 public:
  explicit TPanel(TComponent* owner = nullptr);

  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut cut);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // Children are laid out inside the bevels and the border.
  TRect ClientRect() const override;

 protected:
  void Paint() override;

 private:
  int FrameWidth() const;
  TBevelCut bevel_outer_ = bvRaised;
  TBevelCut bevel_inner_ = bvNone;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TAlignment alignment_ = taCenter;
};

class TImage : public TGraphicControl {
  Q_OBJECT

 public:
  explicit TImage(TComponent* owner = nullptr);
  ~TImage() override;

  // The picture shown; changing it repaints (and resizes with AutoSize).
  TPicture* Picture() { return picture_.get(); }
  void SetPicture(const TPicture& picture) { picture_->Assign(picture); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool proportional);
  // Whether the picture's transparent parts show the parent through.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool autoSize);
  // Where the picture lands in the control's coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};
