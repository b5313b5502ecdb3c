#pragma once
// The rest of the graphic-button family: the speed button (a small tool
// button whose face and frame come from DrawButtonFace in one of the
// library's button looks), the office button that publishes its look, and
// the multimedia button whose face in each state is an image-list picture
// and whose hit test follows the picture's opaque pixels.

#include <cstdint>

#include "effects/QRXButtons.h"
#include "effects/QRXDraw.h"

// The frame width of a button look.
int ButtonStyleExtent(TQRXUserButtonStyle style);

class TQRXCustomSpeedButton : public TQRXBaseGraphicButton {
 public:
  explicit TQRXCustomSpeedButton(TComponent* owner = nullptr);

  TQRXUserButtonStyle Style() const { return style_; }
  virtual void SetStyle(TQRXUserButtonStyle v);
  // Where glyph and caption go in the current state.
  TRect ContentRect() const;

 protected:
  void Paint() override;
  bool RepaintsOnMouseOver() const override;
  bool EveryStateLooks() const override;
  void StoreStyle(TQRXUserButtonStyle v) { style_ = v; }

 private:
  TQRXUserButtonStyle style_ = TQRXUserButtonStyle::ubsAutoDetect;
};

class TQRXOfficeButton : public TQRXCustomSpeedButton {
 public:
  explicit TQRXOfficeButton(TComponent* owner = nullptr);
  // The grey-until-hover looks grey the glyph while up; the explorer looks
  // are transparent.
  void SetStyle(TQRXUserButtonStyle v) override;
};

class TQRXButtonFace;

class TQRXCustomMMButton : public TQRXBaseGraphicButton {
 public:
  explicit TQRXCustomMMButton(TComponent* owner = nullptr);
  ~TQRXCustomMMButton() override;

  // A published object property without data: always null.
  TQRXButtonFace* ButtonFace() const { return nullptr; }
  TQRXCustomImageList* ButtonFaceImageList() const { return face_list_; }
  void SetButtonFaceImageList(TQRXCustomImageList* list);
  // The picture (list index, image index) of a button state 0..7.
  int FaceListIndex(int state) const { return faces_[state & 7][0]; }
  int FaceImageIndex(int state) const { return faces_[state & 7][1]; }
  void SetFace(int state, int listIndex, int imageIndex);
  int CaptionDown() const { return caption_down_; }
  void SetCaptionDown(int v) { caption_down_ = v; }
  TColor FaceTransparentColor() const { return face_transparent_color_; }
  void SetFaceTransparentColor(TColor v) { face_transparent_color_ = v; }
  bool ForceTransparent() const { return force_transparent_; }
  void SetForceTransparent(bool v);
  bool QuickDraw() const { return quick_draw_; }
  void SetQuickDraw(bool v);
  TQRXBitmapStyle ButtonFaceStyle() const { return face_style_; }
  void SetButtonFaceStyle(TQRXBitmapStyle v);
  // Where the last face went.
  const TRect& FaceRect() const { return face_rect_; }

  virtual void FaceListChanged(TComponent* sender);
  bool FaceItemMissing(int state) const;
  // The state whose picture is on show (a missing one borrows the up or the
  // down picture), or -1 when there is none.
  int FaceState() const;
  bool IsBlank() const override { return face_list_ == nullptr; }
  bool PointInButton(int x, int y) const override;
  // Form-file data: the face indices (older layouts are read, the newest
  // written) and the face transparent colour.
  void DefineProperties(TQRXFiler& filer);

 protected:
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool EveryStateLooks() const override { return true; }

 private:
  TQRXCustomImageList* face_list_ = nullptr;
  TQRXChangeLink link_;
  int faces_[8][2] = {};
  int caption_down_ = 1;
  TColor face_transparent_color_ = clWhite;
  bool force_transparent_ = true;
  bool quick_draw_ = false;
  TQRXBitmapStyle face_style_ = TQRXBitmapStyle::sbNone;
  TRect face_rect_;
};

class TQRXMMButton : public TQRXCustomMMButton {
 public:
  using TQRXCustomMMButton::TQRXCustomMMButton;
};
