#include "app/SkinnedScale.h"

#include <QColor>

#include "platform/gui/Bitmap.h"
#include "platform/gui/ExtCtrls.h"
#include "skin/se_binding.h"
#include "skin/se_binding_views.h"

namespace {

TColor Between(TColor a, TColor b) {
  const QColor x = ColorToQColor(a), y = ColorToQColor(b);
  return RGB((x.red() + y.red()) / 2, (x.green() + y.green()) / 2, (x.blue() + y.blue()) / 2);
}

// Owned by the image: its binding points at the skin's list object, whose
// colours the image takes (and gives back without a skin) before the
// picture is drawn again.
class TScaleSkin final : public TComponent {
 public:
  TScaleSkin(TComponent* owner, TImage* image, TScaleDrawing scale)
      : TComponent(owner), image_(image), scale_(std::move(scale)), binding_(Create<TSeSkinBinding>(this, "ListBox")) {
    binding_->OnBind = [this] { Redraw(); };
  }
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }
  void Redraw() {
    colours_.Apply(*image_, *binding_);
    DrawScale(image_->Picture()->Bitmap(), scale_, image_->Color(), image_->Font()->Color());
  }

 private:
  TImage* image_;
  TScaleDrawing scale_;
  TSeSkinBinding* binding_;
  TSeSkinColours colours_;
};

}  // namespace

void DrawScale(TBitmap& bitmap, const TScaleDrawing& scale, TColor back, TColor ink) {
  bitmap.SetSize(scale.Width, scale.Height);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(back);
  canvas.FillRect(TRect{0, 0, scale.Width, scale.Height});
  canvas.Pen().SetColor(Between(back, ink));
  for (const int x : scale.Ticks) {
    canvas.MoveTo(x, scale.Height - 5);
    canvas.LineTo(x, scale.Height);
  }
  canvas.Font().SetSize(7);
  canvas.Font().SetColor(ink);
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetColor(clRed);
  for (const TScaleMark& mark : scale.Marks) {
    canvas.MoveTo(mark.X, 0);
    canvas.LineTo(mark.X, scale.Height);
    canvas.TextOut(mark.LabelLeft ? mark.X - 2 - canvas.TextWidth(mark.Label) : mark.X + 2, 1, mark.Label);
  }
}

void ShowSkinnedScale(TImage* image, TSeSkinEngine* engine, TScaleDrawing scale) {
  image->SetColor(clWhite);
  TFont font = *image->Font();
  font.SetColor(clWindowText);
  image->SetFont(font);
  auto* skin = Create<TScaleSkin>(image, image, std::move(scale));
  skin->Redraw();
  skin->SetSkinEngine(engine);
}
