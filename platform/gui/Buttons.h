#pragma once
// TSpeedButton: a button without a window that paints itself: a glyph and
// a caption, raised, flat (raised only under the mouse) or held down; in a
// group (GroupIndex) it stays down until another button of its group goes
// down.

#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
  Q_OBJECT

 public:
  explicit TSpeedButton(TComponent* owner = nullptr);

  // The glyph is copied; its bottom-left pixel's colour is transparent.
  TBitmap* Glyph() { return &glyph_; }
  void SetGlyph(const TBitmap& glyph);
  // How many images the glyph holds side by side (up, disabled, down).
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int count);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  bool Down() const { return down_; }
  void SetDown(bool down);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index) { group_index_ = index; }
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool allow) { allow_all_up_ = allow; }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  TButtonState State() const;
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override { update(); }

 private:
  TBitmap glyph_;
  int num_glyphs_ = 1;
  bool flat_ = false;
  bool down_ = false;
  bool pressing_ = false;
  bool hot_ = false;
  int group_index_ = 0;
  bool allow_all_up_ = false;
  TButtonLayout layout_ = blGlyphLeft;
};
