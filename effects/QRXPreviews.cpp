#include "effects/QRXPreviews.h"

#include <functional>

#include "effects/QRXDraw.h"
#include "effects/QRXPanels.h"
#include "effects/QRXRegionPreviews.h"
#include "effects/QRXShapeGeometry.h"
#include "effects/QRXText.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"

namespace {

// A control that paints whatever it is given, for galleries of routines.
class PaintBox : public TGraphicControl {
 public:
  PaintBox(TComponent* owner, std::function<void(TCanvas&, const TRect&)> paint)
      : TGraphicControl(owner), paint_(std::move(paint)) {}

 protected:
  void Paint() override { paint_(*Canvas(), ClientRect()); }

 private:
  std::function<void(TCanvas&, const TRect&)> paint_;
};

std::unique_ptr<TForm> MakeForm(const char* caption, int w, int h) {
  auto form = CreateUnique<TForm>();
  form->SetCaption(caption);
  form->SetBounds(0, 0, w, h);
  form->SetColor(clBtnFace);
  form->Font()->SetName("Tahoma");
  return form;
}

void AddBox(TForm& form, const TRect& bounds, std::function<void(TCanvas&, const TRect&)> paint) {
  auto* box = Create<PaintBox>(&form, std::move(paint));
  box->SetParent(&form);
  box->SetBoundsRect(bounds);
}

void Label(TCanvas& c, int x, int y, const QString& text) {
  c.Brush().SetStyle(bsClear);
  c.Font().SetColor(clBlack);
  c.TextOut(x, y, text);
}

std::unique_ptr<TCustomForm> Gradients() {
  auto form = MakeForm("Gradients", 660, 330);
  static const char* kNames[] = {"horizontal",    "vertical",      "square",      "elliptic",
                                 "top left",      "top right",     "bottom left", "bottom right",
                                 "top left diag", "top right diag"};
  for (int s = 0; s < 10; ++s) {
    const int x = 10 + (s % 5) * 128, y = 10 + (s / 5) * 150;
    AddBox(*form, Bounds(x, y, 120, 140), [s](TCanvas& c, const TRect&) {
      TQRXColorList colors;
      CalcGradientColors(RGB(40, 90, 220), RGB(250, 230, 90), 24, &colors, true);
      DrawGradient(c, Rect(0, 0, 120, 120), TQRXGradientStyle(s), &colors, nullptr, kQRXDrawOffscreen, 0);
      Label(c, 2, 123, kNames[s]);
    });
  }
  return form;
}

std::unique_ptr<TCustomForm> Shapes() {
  auto form = MakeForm("Shapes", 700, 420);
  static const char* kNames[] = {"ellipse", "rectangle", "round rect", "up",      "right", "down",
                                 "left",    "diamond",   "comb",       "octagon", "star"};
  const TQRXSimpleBevelStyle styles[] = {TQRXSimpleBevelStyle::sbNormal, TQRXSimpleBevelStyle::sbInset,
                                         TQRXSimpleBevelStyle::sbOffset};
  for (int s = 0; s < 11; ++s) {
    for (int row = 0; row < 2; ++row) {
      const int x = 10 + (s % 6) * 113, y = 10 + (s / 6) * 200 + row * 95;
      AddBox(*form, Bounds(x, y, 105, 92), [s, row, styles](TCanvas& c, const TRect&) {
        TQRXSimpleBevel bevel;
        bevel.SetWidth(row == 0 ? 2 : 3);
        bevel.SetStyle(styles[(s + row) % 3]);
        bevel.SetColor(RGB(0, 128, 255));
        TQRXShadow shadow;
        shadow.SetDepth(5);
        shadow.SetColor(clGray);
        shadow.SetStyle(row == 0 ? TQRXShadowStyle::hssSolid : TQRXShadowStyle::hssTracing);
        TBrush face;
        face.SetColor(row == 0 ? RGB(250, 210, 120) : RGB(160, 220, 160));
        if (row == 1 && s % 2 == 1) face.SetStyle(bsDiagCross);
        DrawShape(Rect(2, 2, 102, 74), c, TQRXShapeType(s), nullptr, false, face, 33, &bevel, &shadow,
                  nullptr, clWhite, clWhite);
        Label(c, 2, 76, kNames[s]);
      });
    }
  }
  return form;
}

std::unique_ptr<TCustomForm> Frames() {
  auto form = MakeForm("Frames and text", 620, 360);
  AddBox(*form, Bounds(10, 10, 600, 110), [](TCanvas& c, const TRect&) {
    const TQRXBevelStyle styles[] = {TQRXBevelStyle::bvLowered, TQRXBevelStyle::bvRaised,
                                     TQRXBevelStyle::bvFrameLowered, TQRXBevelStyle::bvFrameRaised,
                                     TQRXBevelStyle::bvNormal};
    for (int i = 0; i < 5; ++i) {
      TRect r = Bounds(i * 70, 0, 62, 44);
      DrawBevelFrame(c, r, styles[i], clWhite, clGray, 2);
      TRect s = Bounds(i * 70, 55, 62, 44);
      DrawBevelFrame(c, s, styles[i], clWhite, clGray, 1);
    }
    TRect sh = Bounds(360, 0, 62, 44);
    DrawShadowFrame(c, sh, clWhite, clGray, clBtnFace, 4, 1, false);
    for (int i = 0; i < 3; ++i) {
      DrawArrow(c, 440 + i * 30, 10, 4 + i, clBlack, true, true);
      DrawArrow(c, 440 + i * 30, 40, 4 + i, clBlack, false, i != 1);
    }
  });
  AddBox(*form, Bounds(10, 130, 600, 40), [](TCanvas& c, const TRect&) {
    for (int s = 1; s <= int(TQRXBorderStyle::lsDoubleLowered); ++s) {
      TRect r = Bounds((s - 1) * 42, 0, 36, 36);
      DrawEdgeFrame(c, r, TQRXBorderStyle(s), 0);
    }
  });
  AddBox(*form, Bounds(10, 180, 600, 170), [](TCanvas& c, const TRect&) {
    c.Font().SetName("Arial");
    c.Font().SetHeight(-16);
    c.Font().SetStyle(fsBold);
    for (int s = 0; s <= int(TQRXThreeDStyle::tdExtrudeEnh); ++s) {
      TQRX3DCaption caption;
      caption.SetStyle(TQRXThreeDStyle(s));
      caption.SetShadowDepth(s >= int(TQRXThreeDStyle::tdExtrude) ? 4 : 2);
      caption.SetShadowColor(clGray);
      caption.SetLightColor(clWhite);
      c.Font().SetColor(clNavy);
      c.Brush().SetColor(RGB(200, 60, 60));
      const TRect r = Bounds((s % 4) * 150, (s / 4) * 40, 146, 36);
      Draw3DText(c, "Style " + QString::number(s), &caption, r, DT_SINGLELINE, kQRXTextEnabled);
    }
    TQRXFxCaption turned;
    turned.SetAngle(30);
    turned.SetStyle(TQRXThreeDStyle::tdShadow);
    turned.SetShadowColor(clSilver);
    TRect m = Rect(0, 0, 0, 0);
    MeasureText(c, "Turned", &turned, m, c.Font(), false, false, 0, DT_SINGLELINE);
    OffsetRect(m, 460, 80);
    Draw3DText(c, "Turned", &turned, m, DT_SINGLELINE, kQRXTextEnabled);
  });
  return form;
}

// The pieces of the start page at their sizes: the gradient fill behind
// everything, the two image bars whose white shows the fill, the sunken
// title and a task button's shape.
std::unique_ptr<TCustomForm> StartPage() {
  auto form = MakeForm("Start page pieces", 600, 420);
  form->Font()->SetName("Tahoma");
  auto* fill = Create<TQRXFill>(form.get());
  fill->SetParent(form.get());
  fill->SetBounds(0, 0, 600, 420);
  fill->FillObject().Gradient().SetColor(RGB(20, 60, 160));
  fill->FillObject().Gradient().SetEndColor(clBlack);
  fill->FillObject().SetStyle(TQRXFillStyle::sfGradient);

  auto bar = [](TColor color) {
    TBitmap b;
    b.SetSize(573, 50);
    b.Canvas().Brush().SetColor(clWhite);
    b.Canvas().FillRect(Rect(0, 0, 573, 50));
    b.Canvas().Brush().SetColor(color);
    for (int i = 0; i < 12; ++i) b.Canvas().Ellipse(i * 48, 5, i * 48 + 40, 45);
    return b;
  };
  for (int i = 0; i < 2; ++i) {
    auto* image = Create<TQRXNImage>(form.get());
    image->SetParent(form.get());
    image->SetBounds(13, i == 0 ? 5 : 365, 573, 50);
    image->SetBitmap(bar(i == 0 ? RGB(230, 180, 40) : RGB(80, 190, 90)));
    image->TransparentStyle().SetColor(clWhite);
    image->TransparentStyle().SetMode(TQRXTransparentMode::tpRBTranspColor);
  }
  auto* title = Create<TQRXSimpleLabel>(form.get());
  title->SetParent(form.get());
  title->SetBounds(20, 70, 300, 30);
  TFont font = *title->Font();
  font.SetName("Impact");
  font.SetHeight(-21);
  font.SetColor(RGB(250, 220, 120));
  title->SetFont(font);
  title->Font3D().SetStyle(TQRXThreeDStyle::tdSunken);
  title->SetCaption("Burner start page");

  AddBox(*form, Bounds(20, 120, 200, 60), [](TCanvas& c, const TRect&) {
    TQRXShape shape;
    shape.SetShape(TQRXShapeType::stRoundRect);
    shape.Shadow().SetDepth(3);
    shape.Bevel().SetColor(33023);
    shape.Bevel().SetWidth(0);
    shape.Brush().SetColor(clBtnFace);
    DrawShape(Rect(0, 0, 190, 53), c, shape.Shape(), nullptr, shape.Square(), shape.Brush(),
              shape.RoundPercent(), &shape.Bevel(), &shape.Shadow(), nullptr, clWhite, clWhite);
  });
  return form;
}

}  // namespace

std::unique_ptr<TCustomForm> MakeEffectsPreview(const QString& name) {
  if (name == "effects-gradients") return Gradients();
  if (name == "effects-shapes") return Shapes();
  if (name == "effects-frames") return Frames();
  if (name == "effects-startpage") return StartPage();
  return nullptr;
}

void RegisterEffectsPreviewWindows() {
  RegisterPreviewWindow("effects-gradients", Gradients);
  RegisterPreviewWindow("effects-shapes", Shapes);
  RegisterPreviewWindow("effects-frames", Frames);
  RegisterPreviewWindow("effects-startpage", StartPage);
  RegisterRegionPreviewWindows();
}
