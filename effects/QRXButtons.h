#pragma once
// The windowless button the library's shape, speed, office and multimedia
// buttons derive from: a drawing state driven by the mouse, the caption's
// accelerator, the enabled state and button groups; a mouse-over look kept
// up by polling; clicks repeated while held; a drop-down menu; and glyph
// and caption drawn through the button's glyph object.
//
// Button states: 0 up, 1 disabled, 2 mouse over, 3 down (latched), 4 held
// down, 6 menu dropped down, 7 disabled and down.
//
// Timers come from the library's shared pool. The repeat timer polls at
// the pool's pace and measures its delay and interval on TheClock(), so a
// test drives repeats with a fake clock and pool ticks.
//
// The accelerator: a key press that reaches the button's window unhandled
// (Alt with the letter, or the letter alone) is the host's dialog
// character; the button watches its window for it.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "effects/QRXCtrls.h"
#include "effects/QRXGlyphs.h"
#include "effects/QRXProps.h"

class TPopupMenu;
class TQRXCustomScrollBox;

// Sent to the siblings of a grouped button that became pressed: wParam the
// group index, lParam the button.
inline constexpr unsigned CM_QRXBUTTONPRESSED = 0xB0E0;

class TQRXBaseGraphicButton : public TQRXBaseGraphicControl {
 public:
  explicit TQRXBaseGraphicButton(TComponent* owner = nullptr);
  ~TQRXBaseGraphicButton() override;

  // --- Glyph and caption ---
  TBitmap& Glyph() { return glyph_->Glyph(); }
  // Clears ImageList (unless loading).
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return glyph_->NumGlyphs(); }
  // 0..5.
  void SetNumGlyphs(int value);
  TQRXGlyph& GlyphObject() { return *glyph_; }
  TQRXButtonLayout& ButtonLayout() { return *layout_; }
  void SetButtonLayout(const TQRXButtonLayout& v) { layout_->Assign(&v); }
  TQRXFxCaption& FontFX() { return *font_fx_; }
  void SetFontFX(const TQRXFxCaption& v) { font_fx_->Assign(&v); }
  bool UseCaption() const { return use_caption_; }
  void SetUseCaption(bool v);
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool v);
  TColor EnterColor() const { return enter_color_; }
  void SetEnterColor(TColor v);
  bool EnterColorChange() const { return enter_color_change_; }
  void SetEnterColorChange(bool v);

  // --- Clicks ---
  bool RepeatedClick() const { return repeated_click_; }
  void SetRepeatedClick(bool v) { repeated_click_ = v; }
  std::uint16_t RepeatingDelay() const { return repeating_delay_; }
  void SetRepeatingDelay(std::uint16_t v) { repeating_delay_ = v; }
  std::uint16_t RepeatingInterval() const { return repeating_interval_; }
  void SetRepeatingInterval(std::uint16_t v) { repeating_interval_ = v; }

  // --- Drop-down menu ---
  TPopupMenu* DropDownMenu() const { return drop_down_menu_; }
  void SetDropDownMenu(TPopupMenu* menu);
  int DropDownIndent() const { return drop_down_indent_; }
  void SetDropDownIndent(int v);
  bool DropDownRight() const { return drop_down_right_; }
  void SetDropDownRight(bool v);
  bool HideHint() const { return hide_hint_; }
  void SetHideHint(bool v) { hide_hint_ = v; }

  // --- Behaviour ---
  bool AllowTransparency() const { return allow_transparency_; }
  void SetAllowTransparency(bool v) { allow_transparency_ = v; }
  bool AllowMouseOver() const { return allow_mouse_over_; }
  void SetAllowMouseOver(bool v) { allow_mouse_over_ = v; }
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int v);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool v);
  // Latched down; only a grouped button can be.
  bool Pressed() const { return pressed_; }
  void SetPressed(bool v);
  bool MouseOver() const { return mouse_over_; }
  void SetMouseOver(bool v);

  std::uint8_t ButtonState() const { return state_; }
  std::uint8_t PreviousState() const { return previous_state_; }
  // The one place the state changes; repaints only when the look changes.
  void SetButtonState(std::uint8_t newState);

  // --- Overridable ---
  virtual bool GlyphStored() const { return ImageList() == nullptr; }
  virtual bool CanUseActionImage() const { return true; }
  virtual void RepeatClick();
  // Whether the mouse-over state looks different from the up state.
  virtual bool HasMouseOverLook() const { return false; }
  // The button's own area for hit tests with AllowTransparency.
  virtual bool PointInButton(int x, int y) const;
  // Leaves the mouse-over state once the cursor is no longer on the button.
  virtual void CheckMouseOver();

  bool BackgroundAvailable() const override;
  void ImageListChanged(TComponent* sender) override;
  // Draws what lies behind the button: rect in the button's coordinates,
  // offset the button's position in its parent.
  void CopyParentBackground(TCanvas& canvas, const TRect& rect, const TPoint& offset);

  // One pool timer per index (0 mouse-over poll, 1 repeat); raises
  // EOutOfResources "Not enough timers available" when the pool is full.
  void AllocButtonTimer(int index, std::uint16_t interval, std::function<void()> callback);
  void ReleaseButtonTimer(int index);
  std::uint16_t ButtonTimer(int index) const { return index >= 0 && index < 2 ? timers_[index] : 0; }

  // The caption's accelerator, as the host's dialog character; true when
  // the button took it.
  bool DialogChar(QChar key);
  // What the accelerator does: opens the drop-down menu, toggles a grouped
  // button, or clicks.
  void ActivateFromKeyboard();
  // Opens the drop-down menu (state 6 while it is open).
  void DoDropDown();

  void Click() override;

  std::function<void(TControl*)> OnDropDown;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void MouseEnter() override;
  void MouseExit() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void EnabledChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void Dispatch(TMessage& message) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  void DrawCaptionAndGlyph(TCanvas& canvas, const TRect& rect);
  void UpdateExclusive();
  virtual void FontFXChanged(TQRXObject* sender);
  // A speed or office button whose look follows MouseOver repaints when it
  // changes.
  virtual bool RepaintsOnMouseOver() const { return false; }
  // Descendants whose every state has a look of its own (multimedia faces,
  // the colourful speed looks) always repaint.
  virtual bool EveryStateLooks() const { return false; }
  bool InsideForRelease(int x, int y) const;
  // States 3, 4 and 6 look pressed.
  static bool DownLooking(int state) { return state == 3 || state == 4 || state == 6; }

 private:
  void RepeatTimerTick();
  void PostClickCheck(std::uint8_t resting);
  void WatchWindow();
  void FireMouseEnter();
  void FireMouseExit();

  std::unique_ptr<TQRXGlyph> glyph_;
  std::unique_ptr<TQRXButtonLayout> layout_;
  std::unique_ptr<TQRXFxCaption> font_fx_;
  bool use_caption_ = true;
  bool multi_line_ = false;
  TColor enter_color_ = clCaptionText;
  bool enter_color_change_ = false;
  bool repeated_click_ = false;
  std::uint16_t repeating_delay_ = 500;
  std::uint16_t repeating_interval_ = 100;
  std::uint64_t next_repeat_ms_ = 0;
  TPopupMenu* drop_down_menu_ = nullptr;
  int drop_down_indent_ = 0;
  bool drop_down_right_ = false;
  bool hide_hint_ = true;
  bool allow_transparency_ = true;
  bool allow_mouse_over_ = false;
  int group_index_ = 0;
  bool allow_all_up_ = false;
  bool pressed_ = false;
  bool mouse_over_ = false;
  std::uint8_t state_ = 0;
  std::uint8_t previous_state_ = 0;
  bool mouse_down_ = false;
  bool space_down_ = false;
  bool post_click_ = false;
  std::uint16_t timers_[2] = {0, 0};
  QObject* watched_window_ = nullptr;
};
