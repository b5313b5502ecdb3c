#pragma once
// The first family of drawing skin objects: objects that change colour and
// font by state, objects drawn from a rectangle of a skin bitmap with
// nine-slice scaling, their state-dependent variants, the caption buttons
// of a skinned window frame, and objects that change font by state.

#include <memory>

#include "skin/se_bitmap.h"
#include "skin/se_skinobject.h"

enum TscTileStyle { tsTile, tsStretch, tsCenter };

enum TSeAction {
  sbaNone,
  sbaClose,
  sbaHelp,
  sbaMinimize,
  sbaMaximize,
  sbaRestore,
  sbaRollUp,
  sbaRollDown,
  sbaTray,
  sbaSysMenu,
  sbaRollPanel,
  sbaCustom
};

namespace se {
std::span<const char* const> TileStyleNames();
std::span<const char* const> ActionNames();
// Resolves a link through the skin's bitmaps by its name and rectangle;
// an unresolved link stays as it is (and is not valid).
void ResolveLink(std::unique_ptr<TSeBitmapLink>& link, TSeBitmapList* bitmaps);
// One part of a nine-slice picture into `dest` by the fill style; tsCenter
// draws the part unscaled and centred in `object`, whatever `dest` is.
void DrawBitmapPart(TCanvas& canvas, TSeBitmap& bitmap, const TRect& src, const TRect& dest,
                    TscTileStyle style, bool masked, const TRect& object);
// What every kind of caption button shares: it shows or hides itself by
// the window state and the frame's icons, runs its action on the frame,
// and a system-menu button shows the window's icon.
void ShowSystemButtonFor(TSeSkinObject& button, TSeAction action, TSeObjectState state);
void RunSystemButtonAction(TSeSkinObject& button, TSeAction action);
void DrawWindowIcon(TCanvas& canvas, TSeSkinObject& button);
}  // namespace se

// Colour and font of the active look while the window is active or the
// object is hot, pressed or focused.
class TSeActiveObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeActiveObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  const TFont& GetFont() override;
  void Draw(TCanvas& canvas) override;
  void ChangeHue(int delta) override;
  void SetCharset(int charset) override;

  TColor ActiveColor() const { return active_color_; }
  void SetActiveColor(TColor v) { active_color_ = v; }
  TFont& ActiveFont() { return active_font_; }

 private:
  TColor active_color_ = 0;
  TFont active_font_;
};

// A picture from a skin bitmap, nine-sliced by the margins.
class TSeBitmapObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeBitmapObject";
  explicit TSeBitmapObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;
  // The pixels that are not the key colour, for a masked object that is
  // not the client part; else the bounds.
  QRegion GetRegion() override;

  TSeBitmapLink& Bitmap() { return *bitmap_; }
  TscTileStyle TileStyle() const { return tile_style_; }
  void SetTileStyle(TscTileStyle v) { tile_style_ = v; }
  TscTileStyle BorderTileStyle() const { return border_tile_style_; }
  void SetBorderTileStyle(TscTileStyle v) { border_tile_style_ = v; }
  bool MaskedBorder() const { return masked_border_; }
  void SetMaskedBorder(bool v) { masked_border_ = v; }
  bool MaskedAngles() const { return masked_angles_; }
  void SetMaskedAngles(bool v) { masked_angles_ = v; }

 protected:
  // The nine-slice drawing with `link` as the picture, then text, layout
  // and children. Nothing when the link is not valid.
  void DrawWithLink(TCanvas& canvas, const TSeBitmapLink& link);
  std::unique_ptr<TSeBitmapLink> bitmap_;

 private:
  TscTileStyle tile_style_ = tsTile;
  TscTileStyle border_tile_style_ = tsTile;
  bool masked_border_ = true;
  bool masked_angles_ = true;
};

// A second picture (and font) while active, hot or focused.
class TSeActiveBitmap : public TSeBitmapObject {
 public:
  static constexpr const char* kClassName = "TSeActiveBitmap";
  explicit TSeActiveBitmap(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  const TFont& GetFont() override;
  void Draw(TCanvas& canvas) override;
  void SetCharset(int charset) override;

  TSeBitmapLink& ActiveBitmap() { return *active_bitmap_; }
  TFont& ActiveFont() { return active_font_; }

 private:
  std::unique_ptr<TSeBitmapLink> active_bitmap_;
  TFont active_font_;
};

// A caption button of a skinned window frame.
class TSeSystemButton : public TSeActiveBitmap {
 public:
  static constexpr const char* kClassName = "TSeSystemButton";
  enum ButtonState { bsNormal, bsHot, bsPressed };
  explicit TSeSystemButton(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  // Shows or hides the button by the window state and the frame's icons.
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
  TSeBitmapLink& BitmapHot() { return *bitmap_hot_; }
  TSeBitmapLink& BitmapPressed() { return *bitmap_pressed_; }
  ButtonState ButtonStateNow() const { return button_state_; }

 private:
  void DrawLook(TCanvas& canvas, std::unique_ptr<TSeBitmapLink>& look, TSeObjectState childState);
  void DoAction();

  TSeAction action_ = sbaNone;
  std::unique_ptr<TSeBitmapLink> bitmap_hot_;
  std::unique_ptr<TSeBitmapLink> bitmap_pressed_;
  ButtonState button_state_ = bsNormal;
  TShiftState last_shift_ = 0;
};

// A picture per state: focused, hot, pressed, disabled.
class TSeButtonObject : public TSeBitmapObject {
 public:
  static constexpr const char* kClassName = "TSeButtonObject";
  explicit TSeButtonObject(TComponent* owner = nullptr);
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  void AfterLoad() override;
  void Draw(TCanvas& canvas) override;

  TSeBitmapLink& BitmapFocused() { return *focused_; }
  TSeBitmapLink& BitmapHot() { return *hot_; }
  TSeBitmapLink& BitmapPressed() { return *pressed_; }
  TSeBitmapLink& BitmapDisabled() { return *disabled_; }

 private:
  std::unique_ptr<TSeBitmapLink> focused_;
  std::unique_ptr<TSeBitmapLink> hot_;
  std::unique_ptr<TSeBitmapLink> pressed_;
  std::unique_ptr<TSeBitmapLink> disabled_;
};

// A font per state: hot, focused, pressed, disabled.
class TSeTextObject : public TSeSkinObject {
 public:
  static constexpr const char* kClassName = "TSeTextObject";
  using TSeSkinObject::TSeSkinObject;
  const char* ClassName() const override { return kClassName; }
  void DefineProperties(TSePropertyFiler& filer) override;
  void Assign(const TSeSkinObject& source) override;
  const TFont& GetFont() override;
  void Draw(TCanvas& canvas) override;
  void ChangeHue(int delta) override;
  void SetCharset(int charset) override;

  TFont& FontHot() { return font_hot_; }
  TFont& FontFocused() { return font_focused_; }
  TFont& FontPressed() { return font_pressed_; }
  TFont& FontDisabled() { return font_disabled_; }

 private:
  TFont font_hot_;
  TFont font_focused_;
  TFont font_pressed_;
  TFont font_disabled_;
};
