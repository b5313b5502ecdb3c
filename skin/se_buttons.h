#pragma once
// The skin library's push button, check box and radio button. Each draws
// itself whole (face, mark, caption, glyph) in the classic look; the skinned
// variants replace the painters named here and nothing else. The push
// button has stock kinds (caption, glyph, modal result), default and cancel
// behaviour in dialogs and an accelerator; the check box has two or three
// states; radio buttons are exclusive per parent and GroupIndex.

#include <QPointer>
#include <functional>
#include <memory>

#include "platform/gui/Bitmap.h"
#include "skin/se_buttons_layout.h"
#include "skin/se_controls.h"

// The stock glyph of a kind: 32 x 16, the normal and the disabled image;
// empty for bkCustom. Made on first use, freed by FreeKindGlyphs.
TBitmap* GetKindGlyph(TBitBtnKind kind);
void FreeKindGlyphs();

// Dialog keys for a control: Return, Escape and accelerators that nobody
// else took reach the control's window first; the control answers through
// DialogKey. Installed while the control is shown.
class TSeDialogKeyClient {
 public:
  virtual ~TSeDialogKeyClient() = default;
  // True when the control took the key.
  virtual bool DialogKey(int key, TShiftState shift, QChar text) = 0;
};
namespace se {
// Lets `client` (a control) see the keys its window was not given.
void WatchDialogKeys(TControl* control, TSeDialogKeyClient* client);
// A canvas with `font` for measuring text outside a paint.
TCanvas& MeasureCanvas(const TFont& font);
// Draws image `index` of a glyph strip of `count` images at `at`: pixels
// of the strip's bottom-left colour are left out, the others pass through
// GlyphPixelColor.
void DrawGlyphImage(TCanvas& canvas, const TBitmap& strip, int count, int index, TPoint at,
                    bool blackAndWhite, bool disabledSingle);
}  // namespace se

class TSeCustomButton : public TSeCustomControl, public TSeDialogKeyClient {
 public:
  explicit TSeCustomButton(TComponent* owner = nullptr);
  ~TSeCustomButton() override;

  bool ActiveDefault() const { return active_default_; }
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  bool MousePressed() const { return mouse_pressed_; }
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap& value) { glyph_->Assign(value); }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind value);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TSeButtonState State() const { return state_; }
  void SetState(TSeButtonState value);
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int value) { modal_result_ = value; }
  bool BlackAndWhiteGlyph() const { return black_and_white_; }
  void SetBlackAndWhiteGlyph(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);

  // The parent form takes the button's ModalResult, then OnClick.
  void Click() override;
  bool DialogKey(int key, TShiftState shift, QChar text) override;

 protected:
  virtual TRect CalcContentSize();
  virtual TRect GetCaptionRect();
  virtual TRect GetGlyphRect();
  virtual void PaintFace();
  virtual void PaintGlyph();
  virtual void PaintCaption();

  TPoint GetGlyphSize() const;
  void PaintBackground() override;
  void Loaded() override;
  void GlyphChanged();

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyUp(int& key, TShiftState shift) override;
  void TextChanged() override;
  void EnabledChanged() override;
  void showEvent(QShowEvent* event) override;
  // The button clicks on its own release (no click of the class library).
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TSeButtonContent Content();
  void FocusMoved(QWidget* now);

  bool active_default_ = false;
  bool default_ = false;
  bool cancel_ = false;
  bool mouse_pressed_ = false;
  std::unique_ptr<TBitmap> glyph_;
  TButtonLayout layout_ = blGlyphLeft;
  TBitBtnKind kind_ = bkCustom;
  int num_glyphs_ = 1;
  int spacing_ = 4;
  TSeButtonState state_ = kbsNormal;
  int modal_result_ = 0;
  bool black_and_white_ = false;
  bool word_wrap_ = false;
};

// What the check box and the radio button share: the mark at one side,
// the caption beside it, the focus frame around the caption.
class TSeCheckControl : public TSeCustomControl, public TSeDialogKeyClient {
 public:
  explicit TSeCheckControl(TComponent* owner = nullptr);

  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  bool Pressed() const { return pressed_; }
  TSeLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TSeLeftRight value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);

 protected:
  // Fires OnClick unless loading.
  virtual void Changed();
  virtual TSize GetCheckSize();
  virtual void PaintCheck() = 0;
  virtual void PaintCaption();
  // The click, Space and accelerator action.
  virtual void Activate() = 0;

  // Where the mark goes.
  TRect CheckRect();
  void PaintBackground() override;
  void SetPressed(bool value);

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyUp(int& key, TShiftState shift) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // The release toggles; there is no click of the class library.
  void mouseReleaseEvent(QMouseEvent* event) override;
  void EnabledChanged() override;
  void showEvent(QShowEvent* event) override;
  bool DialogKey(int key, TShiftState shift, QChar text) override;
  // The release test of the radio button uses Width and Height.
  virtual bool ReleaseInside(int x, int y);

  bool word_wrap_ = false;

 private:
  int spacing_ = 5;
  bool pressed_ = false;
  TSeLeftRight alignment_ = ktaLeftJustify;
};

class TSeCustomCheckBox : public TSeCheckControl {
 public:
  explicit TSeCustomCheckBox(TComponent* owner = nullptr);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool value) { allow_grayed_ = value; }

  virtual void Toggle();

 protected:
  void PaintCheck() override;
  void Activate() override { Toggle(); }

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allow_grayed_ = false;
};

class TSeCustomRadioButton : public TSeCheckControl {
 public:
  explicit TSeCustomRadioButton(TComponent* owner = nullptr);

  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value) { group_index_ = value & 0xFF; }
  bool ItemTabStop() const { return item_tab_stop_; }
  void SetItemTabStop(bool value) { item_tab_stop_ = value; }
  // Stores only: the radio button does not re-flow its caption.
  void SetWordWrap(bool value) { word_wrap_ = value; }

 protected:
  void PaintCheck() override;
  void Activate() override;
  void DoEnter() override;
  bool ReleaseInside(int x, int y) override;

 private:
  void UncheckSiblings();

  bool checked_ = false;
  int group_index_ = 0;
  bool item_tab_stop_ = true;
};
