#include "effects/QRXPreviews.h"

#include <functional>

#include "effects/QRXDraw.h"
#include "effects/QRXImgList.h"
#include "effects/QRXPanels.h"
#include "effects/QRXScrollBox.h"
#include "effects/QRXShapeButton.h"
#include "effects/QRXSpeedButtons.h"
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


// --- The button family ---

// A disc as the program's tasks show it: silver rings round a hole, on the
// transparent fuchsia that fills the rest of the picture.
void PaintDisc(TCanvas& c, int x, int y, int size, TColor tint) {
  c.Pen().SetStyle(psSolid);
  c.Pen().SetColor(clGray);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clSilver);
  c.Ellipse(x, y, x + size, y + size);
  c.Pen().SetStyle(psClear);
  c.Brush().SetColor(tint);
  const int ring = size / 5;
  c.Ellipse(x + ring, y + ring, x + size - ring + 1, y + size - ring + 1);
  c.Brush().SetColor(clWhite);
  const int hole = size * 2 / 5;
  c.Ellipse(x + hole, y + hole, x + size - hole + 1, y + size - hole + 1);
}

// The start page's whole-face artwork: a disc and the task's name.
TBitmap LaunchArtwork(const QString& text, TColor tint) {
  TBitmap b;
  b.SetSize(188, 50);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect(Rect(0, 0, 188, 50));
  PaintDisc(c, 12, 7, 36, tint);
  c.Font().SetName("Tahoma");
  c.Font().SetHeight(-13);
  c.Font().SetStyle(fsBold);
  c.Font().SetColor(clNavy);
  c.Brush().SetStyle(bsClear);
  c.TextOut(58, 17, text);
  return b;
}

TBitmap SmallGlyph(TColor tint) {
  TBitmap b;
  b.SetSize(16, 16);
  b.Canvas().Brush().SetColor(clFuchsia);
  b.Canvas().FillRect(Rect(0, 0, 16, 16));
  PaintDisc(b.Canvas(), 1, 1, 14, tint);
  return b;
}

// Shows a button in a state of its own choosing; hover is held still.
void Hold(TQRXBaseGraphicButton* b, int state) {
  if (state == 1) {
    b->SetEnabled(false);
    return;
  }
  if (state == 3) {
    // A group of its own, so that no other latched button releases it.
    static int group = 100;
    b->SetGroupIndex(++group);
    b->SetPressed(true);
    return;
  }
  b->SetButtonState(std::uint8_t(state));
  if (state == 2) {
    b->SetMouseOver(true);
    b->ReleaseButtonTimer(0);
  }
}

const char* StateName(int state) {
  switch (state) {
    case 0:
      return "up";
    case 1:
      return "disabled";
    case 2:
      return "mouse over";
    case 3:
      return "down (latched)";
    default:
      return "held down";
  }
}

void Caption(TForm& form, int x, int y, int w, const QString& text) {
  AddBox(form, Bounds(x, y, w, 16), [text](TCanvas& c, const TRect&) { Label(c, 0, 1, text); });
}

std::unique_ptr<TCustomForm> ButtonGallery() {
  auto form = MakeForm("Buttons", 860, 482);
  TForm& f = *form;

  // The start page's launcher button in each state.
  Caption(f, 10, 6, 840, "Shape button, start-page look: up, mouse over, held down, latched, disabled");
  const int states[] = {0, 2, 4, 3, 1};
  for (int i = 0; i < 5; ++i) {
    auto* b = Create<TQRXShapeButton>(&f);
    b->SetParent(&f);
    b->SetBounds(10 + (i % 4) * 210, 26 + (i / 4) * 78, 190, 53);
    b->Shape().SetShape(TQRXShapeType::stRoundRect);
    b->Shape().Shadow().SetDepth(3);
    b->Shape().Bevel().SetWidth(0);
    b->Shape().Bevel().SetColor(33023);
    b->SetColor(clBtnFace);
    b->Colors().SetMouseOver(RGB(255, 236, 190));
    b->Colors().SetDown(RGB(236, 226, 206));
    const TBitmap art = LaunchArtwork("Data CD / DVD", RGB(120, 170, 240));
    b->SetGlyph(&art);
    Hold(b, states[i]);
    Caption(f, 12 + (i % 4) * 210, 80 + (i / 4) * 78, 190, StateName(states[i]));
  }

  // Other shapes, the 3D style and the fill mode, with glyph and caption.
  Caption(f, 220, 112, 630, "Shapes, 3D style and picture fills (the second of each pair held down)");
  struct Kind {
    TQRXShapeType shape;
    TQRXShapeButtonStyle style;
    bool fill;
    const char* text;
  };
  const Kind kinds[] = {{TQRXShapeType::stEllipse, TQRXShapeButtonStyle::sbsShadow, false, "&Ellipse"},
                        {TQRXShapeType::stRectangle, TQRXShapeButtonStyle::sbs3D, false, "&3D"},
                        {TQRXShapeType::stOctagon, TQRXShapeButtonStyle::sbsShadow, true, "&Gradient"},
                        {TQRXShapeType::stDiamond, TQRXShapeButtonStyle::sbs3D, false, "&Diamond"}};
  for (int k = 0; k < 4; ++k) {
    for (int pressed = 0; pressed < 2; ++pressed) {
      auto* b = Create<TQRXShapeButton>(&f);
      b->SetParent(&f);
      b->SetBounds(220 + k * 158 + pressed * 78, 132, 74, 60);
      b->Shape().SetShape(kinds[k].shape);
      b->Shape().Shadow().SetDepth(3);
      b->Shape().Bevel().SetWidth(2);
      b->Shape().Bevel().SetColor(RGB(0, 90, 180));
      b->Shape().Bevel().SetLightColor(clWhite);
      b->Shape().Bevel().SetShadowColor(RGB(90, 90, 90));
      b->SetStyle(kinds[k].style);
      b->Colors().SetUp(RGB(250, 214, 130));
      b->Colors().SetDown(RGB(235, 180, 90));
      b->SetColor(clBtnFace);
      b->SetCaption(kinds[k].text);
      b->Font()->SetName("Tahoma");
      b->Font()->SetHeight(-11);
      b->ButtonLayout().SetAlignText2Glyph(TQRXTextArrange::taBottom);
      const TBitmap glyph = SmallGlyph(RGB(240, 120, 80));
      b->SetGlyph(&glyph);
      if (kinds[k].fill) {
        b->ShapeFill().Gradient().SetColor(RGB(255, 250, 200));
        b->ShapeFill().Gradient().SetEndColor(RGB(230, 140, 40));
        b->ShapeFill().SetStyle(TQRXFillStyle::sfGradient);
        b->SetMode(TQRXShapeButtonMode::sbmShapeFill);
      }
      if (pressed) Hold(b, 4);
    }
  }

  // Speed buttons: every look in each state.
  Caption(f, 10, 200, 840, "Speed buttons in each look: up, mouse over, held down; below them latched and disabled");
  const TQRXUserButtonStyle looks[] = {TQRXUserButtonStyle::ubsWin31,     TQRXUserButtonStyle::ubsWin40,
                                       TQRXUserButtonStyle::ubsWin95,     TQRXUserButtonStyle::ubsFlat,
                                       TQRXUserButtonStyle::ubsNavigator, TQRXUserButtonStyle::ubsExplorerColored,
                                       TQRXUserButtonStyle::ubsIntegrated};
  const char* lookNames[] = {"Win31", "Win40", "Win95", "Flat", "Navigator", "Explorer", "Integrated"};
  for (int l = 0; l < 7; ++l) {
    const int x = 10 + l * 120;
    Caption(f, x, 220, 118, lookNames[l]);
    for (int s = 0; s < 5; ++s) {
      auto* b = Create<TQRXOfficeButton>(&f);
      b->SetParent(&f);
      b->SetBounds(x + (s % 3) * 32, 240 + (s / 3) * 28, 28, 26);
      b->SetStyle(looks[l]);
      const TBitmap glyph = SmallGlyph(RGB(90, 160, 90));
      b->SetGlyph(&glyph);
      Hold(b, states[s]);
    }
  }

  // Office buttons: a group with one latched, and a drop-down button.
  Caption(f, 10, 300, 420, "Office buttons: a group of three, the middle one latched; captions");
  for (int i = 0; i < 3; ++i) {
    auto* b = Create<TQRXOfficeButton>(&f);
    b->SetParent(&f);
    b->SetBounds(10 + i * 84, 320, 80, 26);
    b->SetStyle(TQRXUserButtonStyle::ubsWin40);
    b->SetGroupIndex(1);
    b->SetCaption(i == 0 ? "&Left" : i == 1 ? "&Middle" : "&Right");
    const TBitmap glyph = SmallGlyph(RGB(200, 80, 200));
    b->SetGlyph(&glyph);
    if (i == 1) b->SetPressed(true);
  }
  auto* menuButton = Create<TQRXOfficeButton>(&f);
  menuButton->SetParent(&f);
  menuButton->SetBounds(270, 320, 90, 26);
  menuButton->SetStyle(TQRXUserButtonStyle::ubsFlat);
  menuButton->SetCaption("&Options");
  menuButton->ButtonLayout().SetArrow(true);
  Hold(menuButton, 2);

  // Multimedia buttons: faces drawn here, one picture per state.
  Caption(f, 10, 356, 420, "Multimedia buttons (faces per state): up, mouse over, held down");
  auto* faces = Create<TQRXImageList>(&f);
  auto* item = faces->Items(faces->Add());
  item->SetWidth(44);
  item->SetHeight(44);
  const TColor rims[] = {RGB(40, 120, 200), RGB(80, 170, 250), RGB(20, 70, 140)};
  for (TColor rim : rims) {
    TBitmap face;
    face.SetSize(44, 44);
    TCanvas& c = face.Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect(Rect(0, 0, 44, 44));
    c.Pen().SetStyle(psClear);
    c.Brush().SetColor(rim);
    c.Ellipse(1, 1, 43, 43);
    c.Brush().SetColor(RGB(250, 250, 240));
    const TPoint play[] = {{17, 12}, {33, 22}, {17, 32}};
    c.Polygon(play);
    item->Add(&face);
  }
  for (int s = 0; s < 3; ++s) {
    auto* b = Create<TQRXMMButton>(&f);
    b->SetParent(&f);
    b->SetBounds(10 + s * 60, 376, 44, 44);
    b->SetButtonFaceImageList(faces);
    b->SetFace(0, 0, 0);
    b->SetFace(2, 0, 1);
    b->SetFace(4, 0, 2);
    b->SetAllowMouseOver(true);
    b->SetTransparent(true);
    Hold(b, s == 0 ? 0 : s == 1 ? 2 : 4);
  }

  // Scroll boxes: the standard edge with both bars, and the library's frame.
  Caption(f, 440, 300, 410, "Scroll boxes: standard edge, scrolled; raised library frame");
  auto* box = Create<TQRXScrollBox>(&f);
  box->SetParent(&f);
  box->SetBounds(440, 320, 200, 150);
  box->SetColor(clWindow);
  for (int i = 0; i < 4; ++i) {
    auto* b = Create<TQRXShapeButton>(&f);
    b->SetParent(box);
    b->SetBounds(10 + (i % 2) * 150, 10 + i * 60, 140, 44);
    b->Shape().SetShape(TQRXShapeType::stRoundRect);
    b->Shape().Shadow().SetDepth(3);
    b->Shape().Bevel().SetWidth(0);
    b->SetColor(clWindow);
    b->SetCaption(QString("Task &%1").arg(i + 1));
    const TBitmap glyph = SmallGlyph(RGB(120, 170, 240));
    b->SetGlyph(&glyph);
  }
  box->UpdateScrollBars();
  box->ScrollTo(40, 30);
  auto* framed = Create<TQRXScrollBox>(&f);
  framed->SetParent(&f);
  framed->SetBounds(660, 320, 190, 150);
  framed->SetColor(RGB(236, 240, 250));
  framed->Bevel().SetMode(TQRXBevelMode::bmCustom);
  framed->Bevel().SetStyleOuter(TQRXBevelStyle::bvRaised);
  framed->Bevel().SetStyleInner(TQRXBevelStyle::bvLowered);
  framed->Bevel().SetWidthOuter(2);
  for (int i = 0; i < 2; ++i) {
    auto* b = Create<TQRXCustomSpeedButton>(&f);
    b->SetParent(framed);
    b->SetBounds(10, 10 + i * 34, 120, 28);
    b->SetStyle(TQRXUserButtonStyle::ubsWin95);
    b->SetCaption(i == 0 ? "&Speed button" : "Speed, held");
    const TBitmap glyph = SmallGlyph(RGB(240, 200, 60));
    b->SetGlyph(&glyph);
    if (i == 1) Hold(b, 4);
  }
  return form;
}

struct Gallery {
  const char* name;
  std::unique_ptr<TCustomForm> (*make)();
};
const Gallery kGalleries[] = {{"effects-gradients", Gradients},
                              {"effects-shapes", Shapes},
                              {"effects-frames", Frames},
                              {"effects-startpage", StartPage},
                              {"fx-buttons", ButtonGallery}};

}  // namespace

std::unique_ptr<TCustomForm> MakeEffectsPreview(const QString& name) {
  for (const Gallery& g : kGalleries)
    if (name == g.name) return g.make();
  return MakeRegionPreview(name);
}

void RegisterEffectsPreviewWindows() {
  for (const Gallery& g : kGalleries) RegisterPreviewWindow(g.name, g.make);
  RegisterRegionPreviewWindows();
}
