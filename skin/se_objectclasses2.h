#pragma once
// The second family of skin objects: places for the window's own controls,
// window pictures with an inactive variant, caption buttons drawn from
// pictures, colour-only buttons, nine-slice boxes and panels that roll in
// and out. Unlike the first family, the picture classes here draw their
// text but neither lay out nor draw their children, and every part is
// masked by Masked.

#include <memory>
#include <string>

#include "skin/se_bitmap.h"
#include "skin/se_objectclasses.h"
#include "skin/se_skinobject.h"

enum TSeRollKind { rkLeft, rkTop, rkRight, rkBottom };

namespace se {
std::span<const char* const> RollKindNames();
}  // namespace se

// The rectangle where the skinned form puts the control named LinkControl.
// It draws nothing.
class TSeLinkSkinObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeLinkSkinObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void Draw(TCanvas&) override {}

  const std::string& LinkControl() const { return link_control_; }
  void SetLinkControl(const std::string& v) { link_control_ = v; }

 private:
  std::string link_control_;
};

// Colour and font of the hot or focused look; it turns hot under the mouse.
class TSeActiveSkinObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeActiveSkinObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void Draw(TCanvas& canvas) override;
  void ChangeHue(int delta) override;
  void MouseEnter() override;
  void MouseLeave() override;

  TColor ActiveColor() const { return active_color_; }
  void SetActiveColor(TColor v) { active_color_ = v; }
  TFont& ActiveFont() { return active_font_; }

 private:
  TColor active_color_ = 0;
  TFont active_font_;
};

// A picture filling the object by TileStyle, then the text.
class TSeBitmapSkinObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeBitmapSkinObject";
  explicit TSeBitmapSkinObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;
  // The bounds for the client part; else the pixels that are not the key.
  QRegion GetRegion() override;

  TSeBitmapLink& Bitmap() { return *bitmap_; }
  TscTileStyle TileStyle() const { return tile_style_; }
  void SetTileStyle(TscTileStyle v) { tile_style_ = v; }

 protected:
  // The fill and the text with `link` as the picture; nothing when the link
  // is not valid or the object has no area.
  void DrawFill(TCanvas& canvas, const TSeBitmapLink& link);
  std::unique_ptr<TSeBitmapLink> bitmap_;

 private:
  TscTileStyle tile_style_ = tsTile;
};

// A window picture with a second one while the window is inactive.
class TSeFormBitmapSkinObject : public TSeBitmapSkinObject {
 public:
  static constexpr const char* kClassName = "TSeFormBitmapSkinObject";
  explicit TSeFormBitmapSkinObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;

  TSeBitmapLink& InactiveBitmap() { return *inactive_; }

 private:
  std::unique_ptr<TSeBitmapLink> inactive_;
};

// A caption button drawn from a picture per button state; sbaRollPanel
// rolls the panel named RollPanel in or out.
class TSeSysButtonSkinObject : public TSeBitmapSkinObject {
 public:
  static constexpr const char* kClassName = "TSeSysButtonSkinObject";
  enum ButtonState { bsNormal, bsHot, bsPressed };
  explicit TSeSysButtonSkinObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void SetState(TSeObjectState state) override;
  void Draw(TCanvas& canvas) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(TMouseButton button, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, int x, int y) override;
  void DblClick(TMouseButton button, int x, int y) override;

  TSeAction Action() const { return action_; }
  void SetAction(TSeAction v) { action_ = v; }
  TSeBitmapLink& BitmapHover() { return *hover_; }
  TSeBitmapLink& BitmapDown() { return *down_; }
  const std::string& RollPanel() const { return roll_panel_; }
  void SetRollPanel(const std::string& v) { roll_panel_ = v; }
  ButtonState ButtonStateNow() const { return button_state_; }

 private:
  void DoAction();

  TSeAction action_ = sbaNone;
  std::unique_ptr<TSeBitmapLink> hover_;
  std::unique_ptr<TSeBitmapLink> down_;
  std::string roll_panel_;
  ButtonState button_state_ = bsNormal;
  TShiftState last_shift_ = 0;
};

// A button of colours and fonts only, one pair per state.
class TSeColorButtonObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeColorButtonObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void Draw(TCanvas& canvas) override;

  TColor HotColor() const { return hot_color_; }
  void SetHotColor(TColor v) { hot_color_ = v; }
  TColor PressedColor() const { return pressed_color_; }
  void SetPressedColor(TColor v) { pressed_color_ = v; }
  TColor FocusedColor() const { return focused_color_; }
  void SetFocusedColor(TColor v) { focused_color_ = v; }
  TColor DisabledColor() const { return disabled_color_; }
  void SetDisabledColor(TColor v) { disabled_color_ = v; }
  TFont& HotFont() { return hot_font_; }
  TFont& PressedFont() { return pressed_font_; }
  TFont& FocusedFont() { return focused_font_; }
  TFont& DisabledFont() { return disabled_font_; }

 private:
  TColor hot_color_ = 0;
  TColor pressed_color_ = 0;
  TColor focused_color_ = 0;
  TColor disabled_color_ = 0;
  TFont hot_font_;
  TFont pressed_font_;
  TFont focused_font_;
  TFont disabled_font_;
};

// A picture in nine parts by the margins: the centre by TileStyle, the
// edges by BorderTileStyle, the corners unscaled.
class TSeBitmapBoxObject : public TSeBitmapSkinObject {
 public:
  static constexpr const char* kClassName = "TSeBitmapBoxObject";
  using TSeBitmapSkinObject::TSeBitmapSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void Draw(TCanvas& canvas) override;

  TscTileStyle BorderTileStyle() const { return border_tile_style_; }
  void SetBorderTileStyle(TscTileStyle v) { border_tile_style_ = v; }

 protected:
  void DrawBox(TCanvas& canvas, const TSeBitmapLink& link);

 private:
  TscTileStyle border_tile_style_ = tsTile;
};

// A box with a second picture while hot or focused.
class TSeActiveBitmapBoxObject : public TSeBitmapBoxObject {
 public:
  static constexpr const char* kClassName = "TSeActiveBitmapBoxObject";
  explicit TSeActiveBitmapBoxObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;

  TSeBitmapLink& FocusedBitmap() { return *focused_; }

 private:
  std::unique_ptr<TSeBitmapLink> focused_;
};

// A box with a picture per state: focused, hot, disabled, pressed.
class TSeButtonBitmapBoxObject : public TSeBitmapBoxObject {
 public:
  static constexpr const char* kClassName = "TSeButtonBitmapBoxObject";
  explicit TSeButtonBitmapBoxObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;

  TSeBitmapLink& FocusedBitmap() { return *focused_; }
  TSeBitmapLink& HotBitmap() { return *hot_; }
  TSeBitmapLink& PressedBitmap() { return *pressed_; }
  TSeBitmapLink& DisabledBitmap() { return *disabled_; }

 private:
  std::unique_ptr<TSeBitmapLink> focused_;
  std::unique_ptr<TSeBitmapLink> hot_;
  std::unique_ptr<TSeBitmapLink> pressed_;
  std::unique_ptr<TSeBitmapLink> disabled_;
};

// A panel whose edge RollKind moves in to RollValue and back out.
class TSeRollPanelObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeRollPanelObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;

  TSeRollKind RollKind() const { return roll_kind_; }
  void SetRollKind(TSeRollKind v) { roll_kind_ = v; }
  int RollValue() const { return roll_value_; }
  void SetRollValue(int v) { roll_value_ = v; }
  // Rolls in when the moving side is not RollValue, else back out to the
  // size it had; only a panel inside another object rolls. The frame is
  // asked to lay itself out and repaint.
  void Toggle();

 private:
  TSeRollKind roll_kind_ = rkLeft;
  int roll_value_ = 0;
  int unrolled_size_ = 0;
};

// Registers the second family in its order; calling it again does nothing.
void RegisterSkinObjectClasses2();
