#pragma once
// The skin library's group box and label. The group box frames its
// children under a caption, or under a caption check box that enables and
// disables everything inside it; the label is windowless transparent text
// that can size itself to its text and hand its accelerator to a control.

#include <QPointer>
#include <functional>

#include "platform/gui/StdCtrls.h"
#include "skin/se_buttons.h"
#include "skin/se_controls.h"

class TSeCustomGroupBox : public TSeCustomControl, public TSeDialogKeyClient {
 public:
  explicit TSeCustomGroupBox(TComponent* owner = nullptr);
  ~TSeCustomGroupBox() override;

  int CaptionMargin() const { return caption_margin_; }
  void SetCaptionMargin(int value);
  // The group's own flag. While the caption check box is in use the group
  // stays enabled (the check box enables the children instead), so these
  // hide the class library's pair.
  bool GroupEnabled() const { return group_enabled_; }
  bool Enabled() const { return group_enabled_ || UsingCheckBox(); }
  void SetEnabled(bool value);
  bool UseCheckBox() const { return UsingCheckBox(); }
  void SetUseCheckBox(bool value);
  TSeCustomCheckBox* CaptionCheckBox() const { return check_box_; }
  TSeLeftRight CheckBoxAlignment() const;
  void SetCheckBoxAlignment(TSeLeftRight value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);

  std::function<void(TControl* sender)> OnCheckBoxClick;

  bool DialogKey(int key, TShiftState shift, QChar text) override;

 protected:
  virtual void CheckBoxClick(TControl* sender);
  virtual TSeCustomCheckBox* CreateCheckBox(TComponent* owner);
  virtual TRect GetFrameRect();
  void PaintBackground() override;
  void Loaded() override;
  void Resize() override;
  void TextChanged() override;
  void EnabledChanged() override;
  void showEvent(QShowEvent* event) override;
  void SetCheckedState(bool value);
  void AlignCheckBox();
  // The caption's height: its text, or the check box.
  int CaptionHeight();

 public:
  // Children are aligned below the caption.
  TRect ClientRect() const override;

 private:
  bool UsingCheckBox() const { return use_check_box_ && check_box_; }
  void ApplyEnabled();

  int caption_margin_ = 12;
  bool group_enabled_ = true;
  bool use_check_box_ = false;
  QPointer<TSeCustomCheckBox> check_box_;
  TSeLeftRight check_box_alignment_ = ktaLeftJustify;
  bool checked_ = true;
};

class TSeCustomLabel : public TSeGraphicControl, public TSeDialogKeyClient {
 public:
  explicit TSeCustomLabel(TComponent* owner = nullptr);

  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* value) { focus_control_ = value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return auto_size_; }
  virtual void SetAutoSize(bool value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);

  bool DialogKey(int key, TShiftState shift, QChar text) override;
  // Sizes the label to its text (with AutoSize, not while loading).
  virtual void AdjustBounds();

 protected:
  virtual QString GetLabelText() { return Caption(); }
  virtual void DoDrawText(TRect& rect, unsigned flags);
  void Paint() override;
  void PaintBackground() override;
  void Loaded() override;
  void TextChanged() override;
  void FontChanged() override;
  void showEvent(QShowEvent* event) override;
  // Measuring and drawing go through this canvas.
  TCanvas& TextCanvas();

 private:
  QPointer<TWinControl> focus_control_;
  TAlignment alignment_ = taLeftJustify;
  bool auto_size_ = true;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  bool in_paint_ = false;
};
