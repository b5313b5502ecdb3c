#pragma once
// Edits with a control embedded at one end, inside the edit's frame:
// TSeCustomInplaceControlEdit leaves the text line room for it and places
// it over the border strip; the edit with a push button and the spin edit
// stand on it.

#include <functional>

#include "platform/gui/Bitmap.h"
#include "skin/se_buttons.h"
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

// The edit with a push button: the button shows the user's glyph, a
// subclass's default glyph, or an ellipsis drawn to fit it.
class TSeCustomEditButton : public TSeCustomInplaceControlEdit {
 public:
  explicit TSeCustomEditButton(TComponent* owner = nullptr);
  ~TSeCustomEditButton() override;

  TGlyphKind GlyphKind() const { return glyph_kind_; }
  void SetGlyphKind(TGlyphKind value);
  // The button's glyph; setting one makes the kind gkCustom.
  TBitmap* Glyph() const;
  void SetGlyph(const TBitmap& value);
  int NumGlyphs() const;
  void SetNumGlyphs(int value);
  TSeCustomButton* Button() const;

 protected:
  TControl* CreateInplaceControl(TComponent* owner) override;
  void SetButtonWidth(int value) override;
  bool IsButtonWidthStored() const override;
  // The bitmap gkDefault shows (null: none); freeIt asks the caller to free it.
  virtual TBitmap* GetDefaultGlyph(bool& freeIt);
  void UpdateGlyph();

 private:
  int DefaultWidth() const;
  TGlyphKind glyph_kind_ = gkCustom;
  int default_num_glyphs_ = 1;
};

namespace se {
// The glyph of an ellipsis button `buttonWidth` wide: three 2 x 2 black
// dots on white, in a bitmap max(1, width - 6) wide and 4 high.
std::unique_ptr<TBitmap> CreateEllipsisGlyph(int buttonWidth);
}  // namespace se
