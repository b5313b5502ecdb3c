#pragma once
// Tool-bar buttons of the skin library. TSeCustomSpeedButton is windowless:
// a glyph and a caption, Down alone or exclusively within a GroupIndex of
// its parent, a click repeated while held (AllowTimer), and a chevron strip
// at its right edge that opens ChevronMenu. TSeSpeedDivider separates
// buttons; TSeSpeedContainer holds them. TSeCustomSpinButton is a windowed
// pair of speed buttons stepping Position, optionally shown in an
// associated control, with arrow keys and a slider strip between halves.

#include <QPointer>
#include <functional>
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Timer.h"
#include "skin/se_controls.h"
#include "skin/se_speedbuttons_layout.h"

enum TSeChevronPos { dmpBottom, dmpRight };

class TSeCustomSpeedButton : public TSeGraphicControl {
 public:
  explicit TSeCustomSpeedButton(TComponent* owner = nullptr);
  ~TSeCustomSpeedButton() override;

  bool ShowChevron() const { return show_chevron_; }
  void SetShowChevron(bool value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value);
  TSeChevronPos MenuPosition() const { return menu_position_; }
  void SetMenuPosition(TSeChevronPos value) { menu_position_ = value; }
  TPopupMenu* ChevronMenu() const { return chevron_menu_; }
  void SetChevronMenu(TPopupMenu* value);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap& value) { glyph_->Assign(value); }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool value);
  bool ShowGlyph() const { return show_glyph_; }
  void SetShowGlyph(bool value);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  bool BlackAndWhiteGlyph() const { return black_and_white_; }
  void SetBlackAndWhiteGlyph(bool value);
  bool AllowTimer() const { return allow_timer_; }
  void SetAllowTimer(bool value) { allow_timer_ = value; }
  // Made on the first press with AllowTimer.
  TTimer* RepeatTimer() const { return repeat_timer_; }
  TSeSpeedButtonState ButtonState() const { return state_; }
  bool MouseHeld() const { return mouse_held_; }

  std::function<void(TControl* sender)> OnChevronClick;

  void Click() override;
  virtual void ChevronClick();
  void ShowChevronMenu();
  // Where ChevronMenu opens, in client coordinates.
  TPoint GetChevronMenuPoint() const;

  // Another button of the group went down (the class library's
  // button-pressed notification).
  void ButtonPressed(int groupIndex, TSeCustomSpeedButton* sender);

 protected:
  TSeSpeedButtonGeometry Geometry() const;
  virtual TRect GetButtonRect() { return Geometry().ButtonRect(); }
  virtual TRect GetChevronAreaRect() { return Geometry().ChevronAreaRect(); }
  virtual TRect GetChevronArrowRect() { return Geometry().ChevronArrowRect(); }
  virtual TRect GetGlyphRect() { return Geometry().GlyphRect(); }
  virtual TRect GetCaptionRect() { return Geometry().CaptionRect(); }
  virtual TPoint GetGlyphSize() const;
  virtual TPoint GetCaptionSize() const;
  virtual void PaintChevron(TPoint offset);
  virtual void PaintGlyph(TPoint offset);
  virtual void PaintCaption(TPoint offset);
  void PaintBackground() override;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // While held, the face is down only with the mouse over it: the window
  // system sends no enter or leave to the button that holds the mouse.
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void DblClick() override;
  void EnabledChanged() override;
  void TextChanged() override { Invalidate(); }
  void FontChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  void GlyphChanged();
  void UpdateExclusive();

 private:
  void RepeatTick();

  bool show_chevron_ = false;
  bool flat_ = false;
  int group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  TSeChevronPos menu_position_ = dmpBottom;
  TPopupMenu* chevron_menu_ = nullptr;
  std::unique_ptr<TBitmap> glyph_;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool show_caption_ = true;
  bool show_glyph_ = true;
  int num_glyphs_ = 1;
  bool black_and_white_ = false;
  bool allow_timer_ = false;
  TTimer* repeat_timer_ = nullptr;
  TSeSpeedButtonState state_ = kssUp;
  bool mouse_held_ = false;
};

// A thin separator between speed buttons; nothing shows at run time.
class TSeSpeedDivider : public TSeGraphicControl {
 public:
  explicit TSeSpeedDivider(TComponent* owner = nullptr);

 protected:
  void PaintBackground() override;
};

// A transparent holder of speed buttons.
class TSeSpeedContainer : public TSeCustomControl {
 public:
  explicit TSeSpeedContainer(TComponent* owner = nullptr);

 protected:
  void PaintBackground() override;
};

// Scoped: the skin objects' TSeAlign has its own saLeft and saRight.
enum class TSeSpinAlign { saLeft, saRight };

class TSeCustomSpinButton : public TSeCustomControl {
 public:
  explicit TSeCustomSpinButton(TComponent* owner = nullptr);
  ~TSeCustomSpinButton() override;
  // Makes the halves through CreateButton (a subclass's factory).
  void Init() override;

  TSeCustomSpeedButton* UpButton() const { return up_; }
  TSeCustomSpeedButton* DownButton() const { return down_; }
  TSeCustomSpeedButton* FocusedButton() const { return focused_; }
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* value);
  TSeSpinAlign SpinAlign() const { return spin_align_; }
  void SetSpinAlign(TSeSpinAlign value);
  bool EnabledSlider() const { return enabled_slider_; }
  void SetEnabledSlider(bool value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value; }
  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value);
  // Null gives the half its own arrow.
  void SetUpGlyph(const TBitmap* value);
  void SetDownGlyph(const TBitmap* value);
  int UpNumGlyphs() const { return up_ ? up_->NumGlyphs() : 1; }
  void SetUpNumGlyphs(int value) {
    if (up_) up_->SetNumGlyphs(value);
  }
  int DownNumGlyphs() const { return down_ ? down_->NumGlyphs() : 1; }
  void SetDownNumGlyphs(int value) {
    if (down_) down_->SetNumGlyphs(value);
  }
  bool SliderDragging() const { return slider_dragging_; }
  TTimer* SyncTimer() const { return sync_timer_; }

  std::function<void(TControl* sender)> OnUpClick;
  std::function<void(TControl* sender)> OnDownClick;
  std::function<void(TControl* sender, bool& allowChange)> OnChanging;

  void SetBounds(int left, int top, int width, int height) override;
  // Reads the associate's text into Position (the sync timer's tick).
  void SyncTimerTick();

 protected:
  virtual TSeCustomSpeedButton* CreateButton();
  void HalfClick(TControl* sender);
  void HalfMouseDown(TControl* sender, TMouseButton button);
  void FocusHalf(TSeCustomSpeedButton* half);
  void LayoutHalves(int width, int height);
  void AlignToAssociate();
  void UpdateAssociate();
  void PaintBackground() override;
  void Loaded() override;
  void KeyDown(int& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TSeCustomSpeedButton* up_ = nullptr;
  TSeCustomSpeedButton* down_ = nullptr;
  TSeCustomSpeedButton* focused_ = nullptr;
  QPointer<TWinControl> associate_;
  TPoint drag_start_;
  bool slider_dragging_ = false;
  bool enabled_slider_ = true;
  int increment_ = 1;
  int min_ = 0;
  int position_ = 0;
  int max_ = 100;
  TSeSpinAlign spin_align_ = TSeSpinAlign::saRight;
  bool updating_ = false;
  TTimer* sync_timer_ = nullptr;
};
