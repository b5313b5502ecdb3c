#include "skin/se_skinhints.h"

#include "platform/gui/DrawText.h"
#include "skin/se_drawing.h"
#include "skin/se_skinobject.h"

TSeSkinHint::TSeSkinHint(TComponent* owner)
    : TSeCustomHint(owner), binding_(Create<TSeSkinBinding>(this, "Hint")) {}

void TSeSkinHint::CalcHintRect(TCanvas& canvas, const QString& text, TRect& rect) {
  rect = Rect(0, 0, 1000, 1000);
  TSeSkinObject* copy = binding_->SkinCopy();
  if (copy) canvas.SetFont(copy->GetFont());
  se::DrawWideText(canvas, text, rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  rect.Right += copy ? copy->MarginLeft() + copy->MarginRight() : 6;
  rect.Bottom += copy ? copy->MarginTop() + copy->MarginBottom() : 6;
  if (Shadow()->Enabled()) {
    rect.Right += Shadow()->Size();
    rect.Bottom += Shadow()->Size();
  }
}

void TSeSkinHint::PaintHint(TCanvas& canvas, const TRect& rect, const QString& text) {
  if (!binding_->UseSkin()) return TSeCustomHint::PaintHint(canvas, rect, text);
  TSeSkinObject* copy = binding_->SkinCopy();
  copy->SetBoundsRect(rect);
  // A skin object writes one line; a hint may hold several (it was
  // measured with word breaks), so the copy draws the face and the text is
  // written here in the copy's font, inside its margins.
  copy->SetText({});
  copy->Draw(canvas);
  canvas.SetFont(copy->GetFont());
  canvas.Brush().SetStyle(bsClear);
  TRect r = Rect(rect.Left + copy->MarginLeft(), rect.Top + copy->MarginTop(),
                 rect.Right - copy->MarginRight(), rect.Bottom - copy->MarginBottom());
  se::DrawWideText(canvas, text, r, DT_WORDBREAK | DT_NOPREFIX);
}
