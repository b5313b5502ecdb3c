#pragma once
// The start page's visual-effects controls: the fill panel (a brush, a
// bitmap or a gradient behind everything), the simple label (3D text that
// can twinkle and open a web or mail address) and the image control (a
// bitmap placed in eight styles, with a transparent colour and effects).
// All are graphic controls, transparent by default, and repaint when one
// of their property objects reports a change.

#include <QString>
#include <cstdint>
#include <memory>

#include "effects/QRXCtrls.h"
#include "effects/QRXFillObject.h"
#include "effects/QRXProps.h"
#include "platform/gui/Bitmap.h"

class TQRXFill : public TQRXGraphicControl {
 public:
  explicit TQRXFill(TComponent* owner = nullptr);
  ~TQRXFill() override;

  TQRXCaption& Caption() { return *caption_; }
  void SetCaption(const TQRXCaption& v) { caption_->Assign(&v); }
  TQRXFillObject& FillObject() { return *fill_; }
  void SetFillObject(const TQRXFillObject& v) { fill_->Assign(&v); }

  void GetChange(TQRXObject* sender) override;
  bool IsBlank() const override;
  void ImageListChanged(TComponent* sender) override;
  // Null while transparent, otherwise the fill's palette.
  TQRXPaletteHandle GetPalette() const;

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TQRXCaption> caption_;
  std::unique_ptr<TQRXFillObject> fill_;
};

enum class TQRXLabelOption : std::uint8_t { loPathEllipsis, loEndEllipsis, loEditControl };
using TQRXLabelOptions = std::uint8_t;  // bits 1 << TQRXLabelOption
enum class TQRXJumpModes : std::uint8_t { jmInternet, jmApplication, jmNone, jmCustom };

class TQRXBaseLabel : public TQRXBaseGraphicControl {
 public:
  explicit TQRXBaseLabel(TComponent* owner = nullptr);
  ~TQRXBaseLabel() override;

  TQRXAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQRXAlignment v);
  bool AutoSize() const { return flags_[0]; }
  void SetAutoSize(bool v) { SetFlag(0, v); }
  bool MultiLine() const { return flags_[1]; }
  void SetMultiLine(bool v) { SetFlag(1, v); }
  bool ShowAccelChar() const { return flags_[2]; }
  void SetShowAccelChar(bool v) { SetFlag(2, v); }
  bool Twinkle() const { return flags_[3]; }
  void SetTwinkle(bool v) { SetFlag(3, v); }
  // Milliseconds; a running twinkle takes new values at its next phase.
  int TwinkleVisible() const { return twinkle_visible_; }
  void SetTwinkleVisible(int v) { twinkle_visible_ = v; }
  int TwinkleInVisible() const { return twinkle_invisible_; }
  void SetTwinkleInVisible(int v) { twinkle_invisible_ = v; }
  TColor TwinkleColor() const { return twinkle_color_; }
  void SetTwinkleColor(TColor v) { twinkle_color_ = v; }
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* v);
  TQRXLabelOptions Options() const { return options_; }
  void SetOptions(TQRXLabelOptions v);

  // The visible phase of a twinkling label (always true when still).
  bool TwinkleShown() const { return shown_; }
  std::uint16_t TwinkleTimer() const { return timer_; }

  void GetChange(TQRXObject* sender) override;
  bool IsBlank() const override;

 protected:
  virtual void AdjustBounds() {}
  void TextChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void SetFlag(int index, bool v);
  void TwinkleTick();

  TQRXAlignment alignment_ = TQRXAlignment::agTopLeft;
  bool flags_[4] = {true, false, true, false};
  int twinkle_visible_ = 700;
  int twinkle_invisible_ = 700;
  TColor twinkle_color_ = clNone;
  TWinControl* focus_control_ = nullptr;
  TQRXLabelOptions options_ = 0;
  std::uint16_t timer_ = 0;  // 0: no pool timer
  bool shown_ = true;
};

class TQRXCustomSimpleLabel : public TQRXBaseLabel {
 public:
  explicit TQRXCustomSimpleLabel(TComponent* owner = nullptr);
  ~TQRXCustomSimpleLabel() override;

  TQRX3DCaption& Font3D() { return *font3d_; }
  void SetFont3D(const TQRX3DCaption& v) { font3d_->Assign(&v); }
  const QString& Jump() const { return jump_; }
  void SetJump(const QString& v) { jump_ = v; }
  TQRXJumpModes JumpMode() const { return jump_mode_; }
  void SetJumpMode(TQRXJumpModes v);
  bool JumpUnderline() const { return jump_underline_; }
  void SetJumpUnderline(bool v);
  TColor ActiveColor() const { return active_color_; }
  void SetActiveColor(TColor v) { SetJumpColor(0, v); }
  TColor InActiveColor() const { return inactive_color_; }
  void SetInActiveColor(TColor v) { SetJumpColor(1, v); }
  // The legacy flag of older form files (read, never written).
  void ReadUseAsJump(bool v) { use_as_jump_ = v; }

  void Click() override;

 protected:
  void AdjustBounds() override;
  void Paint() override;
  void FontChanged() override;
  void Loaded() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void SetJumpColor(int index, TColor v);
  unsigned TextFormat() const;

  std::unique_ptr<TQRX3DCaption> font3d_;
  QString jump_;
  TQRXJumpModes jump_mode_ = TQRXJumpModes::jmNone;
  bool jump_underline_ = true;
  TColor active_color_ = clPurple;
  TColor inactive_color_ = clBlue;
  bool use_as_jump_ = false;
  bool painting_ = false;
};

class TQRXSimpleLabel : public TQRXCustomSimpleLabel {
 public:
  using TQRXCustomSimpleLabel::TQRXCustomSimpleLabel;
};

class TQRXTransparent : public TQRXObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TQRXTransparentMode Mode() const { return mode_; }
  void SetMode(TQRXTransparentMode v);
  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXTransparent"; }

 private:
  TColor color_ = clBtnFace;
  TQRXTransparentMode mode_ = TQRXTransparentMode::tpNone;
};

class TQRXBaseImage : public TQRXGraphicControl {
 public:
  explicit TQRXBaseImage(TComponent* owner = nullptr) : TQRXGraphicControl(owner) {}

  bool QuickDraw() const { return quick_draw_; }
  void SetQuickDraw(bool v);
  TQRXBitmapStyle Style() const { return style_; }
  void SetStyle(TQRXBitmapStyle v);

 protected:
  // Answers whether the bounds changed.
  virtual bool AdjustBounds() { return false; }

 private:
  bool quick_draw_ = true;
  TQRXBitmapStyle style_ = TQRXBitmapStyle::sbNone;
};

class TQRXCustomNImage : public TQRXBaseImage {
 public:
  explicit TQRXCustomNImage(TComponent* owner = nullptr);
  ~TQRXCustomNImage() override;

  TBitmap& Bitmap() { return *bitmap_; }
  void SetBitmap(const TBitmap& v) { bitmap_->Assign(v); }
  // Another image whose bitmap this one shows.
  TQRXCustomNImage* Control() const { return control_; }
  void SetControl(TQRXCustomNImage* v);
  TQRXTransparent& TransparentStyle() { return *transparent_style_; }
  void SetTransparentStyle(const TQRXTransparent& v) { transparent_style_->Assign(&v); }

  // The bitmap shown: the Control's when one is set.
  TBitmap& GetBitmap();
  bool IsBlank() const override;

 protected:
  void Paint() override;
  bool AdjustBounds() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<TBitmap> bitmap_;
  TQRXCustomNImage* control_ = nullptr;
  std::unique_ptr<TQRXTransparent> transparent_style_;
};

class TQRXNImage : public TQRXCustomNImage {
 public:
  using TQRXCustomNImage::TQRXCustomNImage;
};
