#pragma once
// Edits with a control embedded at one end, inside the edit's frame:
// TSeCustomInplaceControlEdit leaves the text line room for it and places
// it over the border strip; the edit with a push button and the spin edit
// stand on it.

#include <functional>

#include "platform/gui/Bitmap.h"
#include "skin/se_edit.h"

enum TSeButtonAlign { baLeft, baRight };
enum TGlyphKind { gkCustom, gkDefault, gkEllipsis };

class TSeCustomInplaceControlEdit : public TSeCustomEdit {
 public:
  explicit TSeCustomInplaceControlEdit(TComponent* owner = nullptr);
  void Init() override;

  TSeButtonAlign ButtonAlign() const { return button_align_; }
  void SetButtonAlign(TSeButtonAlign value);
  int ButtonWidth() const { return GetButtonWidth(); }
  void SetButtonWidthProperty(int value) { SetButtonWidth(value); }
  QString ButtonHint() const;
  void SetButtonHint(const QString& value);
  bool ButtonShowHint() const;
  void SetButtonShowHint(bool value);
  bool ButtonTabStop() const;
  void SetButtonTabStop(bool value);
  bool ButtonTransparent() const;
  void SetButtonTransparent(bool value);
  bool ButtonBlend() const;
  void SetButtonBlend(bool value);
  int ButtonBlendValue() const;
  void SetButtonBlendValue(int value);
  QString ButtonCaption() const;
  void SetButtonCaption(const QString& value);

  // The embedded control.
  TControl* InplaceControl() const { return control_; }
  TRect GetEditRect() const override;
  void SetBounds(int left, int top, int width, int height) override;

  std::function<void(TControl*)> OnButtonClick;

 protected:
  virtual TControl* CreateInplaceControl(TComponent* owner);
  virtual int GetButtonHeight() const;
  virtual int GetButtonWidth() const;
  virtual void SetButtonWidth(int value);
  virtual bool IsButtonWidthStored() const { return ButtonWidth() != 21; }
  virtual void UpdateControlBounds();
  virtual void ButtonClick();
  void PaintEditBackground(const TRect& rect, TCanvas& canvas) override;
  void EnabledChanged() override;
  void resizeEvent(QResizeEvent* event) override;
  void BorderChanged() override;

 private:
  TControl* control_ = nullptr;
  TSeButtonAlign button_align_ = baRight;
};

namespace se {
// The glyph of an ellipsis button `buttonWidth` wide: three 2 x 2 black
// dots on white, in a bitmap max(1, width - 6) wide and 4 high.
std::unique_ptr<TBitmap> CreateEllipsisGlyph(int buttonWidth);
}  // namespace se
