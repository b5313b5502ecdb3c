// Text routines, the bevel and caption objects, and the start page's
// controls: fill panel, simple label and image, painted on real widgets.

#include <gtest/gtest.h>

#include "effects/QRXClass.h"
#include "effects/QRXCtrls.h"
#include "effects/QRXPanels.h"
#include "effects/QRXText.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Shell.h"

namespace {

QImage Render(TControl& control) { return control.grab().toImage().convertToFormat(QImage::Format_RGB32); }

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TBitmap Canvas(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  b.Canvas().Font().SetName("Arial");
  b.Canvas().Font().SetHeight(-20);
  return b;
}

}  // namespace

TEST(QRXText, SunkenShadowIsThreeCopiesAtTheirOffsets) {
  TQRX3DCaption caption;
  caption.SetStyle(TQRXThreeDStyle::tdSunkenShadow);
  caption.SetShadowColor(clRed);
  caption.SetLightColor(clLime);
  TBitmap got = Canvas(80, 40);
  got.Canvas().Font().SetColor(clBlue);
  Draw3DText(got.Canvas(), "Hi", &caption, Rect(4, 4, 80, 40), DT_SINGLELINE, kQRXTextEnabled);

  // The same three copies drawn one by one with plain text output: shadow
  // at (0, 0), light at (2, 2), face at (1, 1).
  TBitmap want = Canvas(80, 40);
  want.Canvas().Brush().SetStyle(bsClear);
  const struct {
    int d;
    TColor color;
  } copies[] = {{0, clRed}, {2, clLime}, {1, clBlue}};
  for (const auto& c : copies) {
    want.Canvas().Font().SetColor(c.color);
    TRect r = Rect(4 + c.d, 4 + c.d, 78 + c.d, 40 + c.d);
    DrawText(want.Canvas(), "Hi", r, DT_SINGLELINE);
  }
  EXPECT_EQ(got.ToQImage(), want.ToQImage());
  EXPECT_EQ(got.Canvas().Font().Color(), clBlue);  // left as it was
}

TEST(QRXText, DisabledAndPlainText) {
  TQRX3DCaption caption;
  caption.SetStyle(TQRXThreeDStyle::tdRaised);
  TBitmap b = Canvas(60, 30);
  b.Canvas().Font().SetColor(clBlue);
  Draw3DText(b.Canvas(), "X", &caption, Rect(0, 0, 60, 30), DT_SINGLELINE, 0);
  // Disabled: the face is grey text, nothing in the font colour.
  const QImage img = b.ToQImage();
  int blue = 0, grey = 0;
  const uint32_t g = ColorToRGB(clGrayText);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      blue += At(img, x, y) == 0x0000FF;
      grey += At(img, x, y) == qRgb(GetRValue(g), GetGValue(g), GetBValue(g)) % 0x1000000;
    }
  EXPECT_EQ(blue, 0);
  EXPECT_GT(grey, 0);
  // Nothing for empty text or an empty rectangle.
  TBitmap e = Canvas(20, 20);
  Draw3DText(e.Canvas(), "", &caption, Rect(0, 0, 20, 20), 0, kQRXTextEnabled);
  Draw3DText(e.Canvas(), "A", &caption, Rect(0, 0, 0, 20), 0, kQRXTextEnabled);
  EXPECT_EQ(e.ToQImage(), Canvas(20, 20).ToQImage());
}

TEST(QRXText, Measuring) {
  TFont font;
  font.SetName("Arial");
  font.SetHeight(-20);
  QImage probe(1, 1, QImage::Format_RGB32);
  TCanvas c(&probe);
  c.SetFont(font);
  TRect blank = Rect(0, 0, 0, 0);
  MeasureTextTemp("", nullptr, blank, font, false, true, 0, DT_SINGLELINE);
  EXPECT_EQ(blank.Width(), c.TextWidth(" ") + 2);
  EXPECT_EQ(blank.Height(), c.TextHeight(" ") + 2);

  TQRX3DCaption deep;
  deep.SetStyle(TQRXThreeDStyle::tdRaisedShadow);
  deep.SetLightDepth(2);
  deep.SetShadowDepth(3);
  TRect r = Rect(10, 10, 10, 10);
  MeasureTextTemp("Title", &deep, r, font, false, false, 0, DT_SINGLELINE);
  EXPECT_EQ(r.Left, 10);
  EXPECT_EQ(r.Width(), c.TextWidth("Title") + 5 + 2);

  // Rotated by 90 degrees, width and height trade places.
  TQRXFxCaption turned;
  turned.SetAngle(90);
  TRect t;
  MeasureTextTemp("Wide text", &turned, t, font, false, false, 0, DT_SINGLELINE);
  EXPECT_NEAR(t.Height(), c.TextWidth("Wide text") + 2, 2);
  EXPECT_NEAR(t.Width(), c.TextHeight("Wide text") + 2, 2);

  const TRect placed = CalcAlignedTextRect(TQRXAlignment::agBottomRight, "A", nullptr, Rect(0, 0, 200, 100),
                                           font, false, false, DT_SINGLELINE);
  EXPECT_EQ(placed.Right, 200);
  EXPECT_EQ(placed.Bottom, 100);
  EXPECT_EQ(BlendColor(RGB(0, 0, 0), RGB(255, 100, 10), 1, 2), RGB(128, 50, 5));
}

TEST(QRXText, GlyphBesideCaption) {
  TBitmap glyph = Canvas(16, 16);
  glyph.Canvas().Brush().SetColor(clRed);
  glyph.Canvas().FillRect(Rect(0, 0, 16, 16));
  TQRXGlyphSource source{&glyph, Rect(0, 0, 16, 16)};
  TQRXButtonLayout layout;  // centred, text right of the glyph
  layout.SetSpacing(4);
  TBitmap b = Canvas(200, 60);
  const TQRXGlyphTextRects r =
      DrawGlyphText(b.Canvas(), "OK", Rect(0, 0, 200, 60), layout, nullptr, &source, kQRXTextEnabled, 0);
  EXPECT_EQ(r.glyph.Width(), 16);
  EXPECT_EQ(r.text.Left, r.glyph.Right + 4 + 1);
  // The block is centred.
  EXPECT_NEAR((r.glyph.Left + r.text.Right - 1) / 2.0, 100, 1.5);
  EXPECT_EQ(At(b.ToQImage(), r.glyph.Left + 8, r.glyph.Top + 8), 0xFF0000u);

  layout.SetAlignText2Glyph(TQRXTextArrange::taBottom);
  layout.SetArrow(true);
  const TQRXGlyphTextRects s = DrawGlyphText(b.Canvas(), "OK", Rect(0, 0, 200, 60), layout, nullptr, &source,
                                             kQRXTextEnabled, kQRXGlyphCalcOnly);
  EXPECT_GE(s.text.Top, s.glyph.Bottom + 4);
  EXPECT_EQ(s.arrow.Width(), 5);  // size 3: 2 x 3 - 1 pixels
  EXPECT_LE(s.arrow.Right, s.text.Right + 3 + 5);
}

TEST(QRXText, ButtonFaces) {
  EXPECT_FALSE(IsFlatButtonStyle(TQRXUserButtonStyle::ubsWin95));
  EXPECT_TRUE(IsFlatButtonStyle(TQRXUserButtonStyle::ubsWin98));
  EXPECT_TRUE(IsFlatButtonStyle(TQRXUserButtonStyle::ubsExplorerColored));
  EXPECT_FALSE(IsFlatButtonStyle(TQRXUserButtonStyle::ubsIntegrated));
  for (int style = 0; style <= int(TQRXUserButtonStyle::ubsIntegrated); ++style)
    for (int state : {0, 3, 4}) {
      TBitmap b = Canvas(40, 30);
      TRect r = Rect(0, 0, 40, 30);
      DrawButtonFace(b.Canvas(), false, r, TQRXUserButtonStyle(style), state, 0, clBtnFace);
      const bool down = state != 0;
      EXPECT_EQ(r, down ? Rect(4, 4, 38, 28) : Rect(3, 3, 37, 27)) << style << "/" << state;
    }
  // Win31: the up face in the colour, framed.
  TBitmap b = Canvas(40, 30);
  TRect r = Rect(0, 0, 40, 30);
  DrawButtonFace(b.Canvas(), false, r, TQRXUserButtonStyle::ubsWin31, 0, 0, clYellow);
  EXPECT_EQ(At(b.ToQImage(), 20, 15), 0xFFFF00u);
  EXPECT_NE(At(b.ToQImage(), 0, 15), 0xFFFF00u);
}

TEST(QRXBevel, ExtentsAndCoupledStyles) {
  TQRXBevel bevel;
  int notes = 0;
  bevel.OnChange = [&](TQRXObject*) { ++notes; };
  EXPECT_EQ(bevel.Extent(), 0);
  bevel.SetStyleInner(TQRXBevelStyle::bvShadow);
  EXPECT_EQ(bevel.StyleOuter(), TQRXBevelStyle::bvShadow);
  bevel.SetStyleOuter(TQRXBevelStyle::bvRaised);
  EXPECT_EQ(bevel.StyleInner(), TQRXBevelStyle::bvNone);

  bevel.SetStyleInner(TQRXBevelStyle::bvLowered);
  bevel.SetStyleOuter(TQRXBevelStyle::bvLowered);
  bevel.SetBorderWidth(2);
  EXPECT_EQ(bevel.Extent(), 4);
  bevel.SetStyleOuter(TQRXBevelStyle::bvFrameRaised);
  EXPECT_EQ(bevel.Extent(), 5);

  bevel.SetMode(TQRXBevelMode::bmEdge);
  bevel.SetBorderSides(TQRXFrameSides{});
  bevel.SetBorderInnerWidth(3);
  EXPECT_EQ(bevel.Extent(), 3);
  TBitmap b = Canvas(20, 20);
  TRect inner;
  bevel.PaintBevel(b.Canvas(), Rect(0, 0, 20, 20), inner, true);  // transparent: nothing drawn
  EXPECT_EQ(inner, Rect(3, 3, 17, 17));
  EXPECT_EQ(b.ToQImage(), Canvas(20, 20).ToQImage());

  bevel.SetMode(TQRXBevelMode::bmCustom);
  notes = 0;
  bevel.SetStandardStyle(TQRXBorderStyle::lsRaised);
  EXPECT_EQ(notes, 0);
  bevel.SetMode(TQRXBevelMode::bmStandard);
  EXPECT_EQ(bevel.Extent(), 2 + 3);
  bevel.SetMode(TQRXBevelMode::bmWindows);
  EXPECT_EQ(bevel.Extent(), 3 + 2);
  bevel.SetWindowed(true);
  EXPECT_EQ(bevel.Extent(), 0);
  EXPECT_EQ(bevel.GetSummary(), "{Windows style}");
  EXPECT_THROW(bevel.SetWidthInner(51), EQRXRangeError);

  TQRXBevel copy;
  copy.Assign(&bevel);
  EXPECT_EQ(copy.Mode(), TQRXBevelMode::bmWindows);
  EXPECT_TRUE(copy.Windowed());
}

TEST(QRXFillPanel, TransparencyFollowsTheFill) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 120, 80);
  form->SetColor(clLime);
  auto* fill = Create<TQRXFill>(form.get());
  fill->SetParent(form.get());
  fill->SetBounds(10, 10, 100, 60);
  EXPECT_TRUE(fill->IsBlank());
  EXPECT_TRUE(fill->Transparent());
  EXPECT_EQ(At(Render(*form), 50, 40), 0x00FF00u);  // nothing painted

  fill->FillObject().SetStyle(TQRXFillStyle::sfGradient);
  EXPECT_FALSE(fill->Transparent());
  fill->FillObject().Gradient().SetColor(clRed);
  fill->FillObject().Gradient().SetEndColor(clBlue);
  QImage img = Render(*form);
  EXPECT_EQ(At(img, 50, 10), 0xFF0000u);
  EXPECT_EQ(At(img, 50, 69), 0x0000FFu);
  EXPECT_EQ(At(img, 5, 5), 0x00FF00u);

  fill->FillObject().SetStyle(TQRXFillStyle::sfBrush);
  fill->FillObject().Brush().SetColor(clYellow);
  EXPECT_FALSE(fill->Transparent());
  EXPECT_EQ(At(Render(*form), 50, 40), 0xFFFF00u);

  fill->Caption().SetCaption("Hello");
  fill->Bevel().SetStyleOuter(TQRXBevelStyle::bvRaised);
  img = Render(*form);
  EXPECT_NE(At(img, 10, 40), 0xFFFF00u);  // the bevel
  int text = 0;
  for (int x = 10; x < 110; ++x) text += At(img, x, 40) != 0xFFFF00u;
  EXPECT_GT(text, 2);
}

TEST(QRXSimpleLabelTest, AutoSizeTwinkleAndJump) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 300, 100);
  auto* label = Create<TQRXSimpleLabel>(form.get());
  label->SetParent(form.get());
  TFont font = *label->Font();
  font.SetName("Impact");
  font.SetHeight(-21);
  label->SetFont(font);
  label->Font3D().SetStyle(TQRXThreeDStyle::tdSunken);
  label->SetCaption("Start");
  QImage probe(1, 1, QImage::Format_RGB32);
  TCanvas c(&probe);
  c.SetFont(font);
  EXPECT_EQ(label->Width(), c.TextWidth("Start") + 1 + 2);
  EXPECT_EQ(label->Height(), c.TextHeight("Start") + 1 + 2);

  label->SetTwinkleVisible(200);
  label->SetTwinkleInVisible(600);
  label->SetTwinkle(true);
  TQRXTimerItem* item = QRXApplication().GetTimerItem(label->TwinkleTimer());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Interval(), 200);
  const int shownBefore = label->TwinkleShown();
  for (int i = 0; i < 4; ++i) QRXApplication().TimerPool().Tick();
  EXPECT_NE(int(label->TwinkleShown()), shownBefore);
  EXPECT_EQ(item->Interval(), 600);
  label->SetTwinkle(false);
  EXPECT_TRUE(label->TwinkleShown());
  EXPECT_EQ(QRXApplication().GetTimerItem(label->TwinkleTimer()), nullptr);

  FakeShell shell;
  ScopedService<ShellService> scoped(shell);
  label->SetJumpMode(TQRXJumpModes::jmInternet);
  EXPECT_EQ(label->Cursor(), crHandPoint);
  label->SetCaption("someone@example.org");
  label->Click();
  label->SetCaption("www.example.org");
  label->Click();
  ASSERT_EQ(shell.Calls().size(), 2u);
  EXPECT_EQ(shell.Calls()[0].target, "mailto:someone@example.org");
  EXPECT_EQ(shell.Calls()[1].target, "www.example.org");
  shell.result = false;
  label->Click();
  EXPECT_EQ(label->JumpMode(), TQRXJumpModes::jmNone);
  EXPECT_FALSE(label->Enabled());
}

TEST(QRXNImageTest, TransparentColourShowsThePanel) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 120, 80);
  auto* fill = Create<TQRXFill>(form.get());
  fill->SetParent(form.get());
  fill->SetBounds(0, 0, 120, 80);
  fill->FillObject().SetStyle(TQRXFillStyle::sfBrush);
  fill->FillObject().Brush().SetColor(clNavy);
  auto* image = Create<TQRXNImage>(form.get());
  image->SetParent(form.get());
  image->SetBounds(10, 10, 40, 20);
  TBitmap bar = Canvas(40, 20);
  bar.Canvas().Brush().SetColor(clRed);
  bar.Canvas().FillRect(Rect(0, 0, 20, 20));
  image->SetBitmap(bar);
  image->TransparentStyle().SetColor(clWhite);
  image->TransparentStyle().SetMode(TQRXTransparentMode::tpRBTranspColor);
  const QImage img = Render(*form);
  EXPECT_EQ(At(img, 15, 15), 0xFF0000u);
  EXPECT_EQ(At(img, 40, 15), 0x000080u);  // white of the bar: the panel shows

  auto* empty = Create<TQRXNImage>(form.get());
  empty->SetParent(form.get());
  empty->Bevel().SetStyleOuter(TQRXBevelStyle::bvRaised);
  empty->SetStyle(TQRXBitmapStyle::sbAutosize);
  Render(*form);
  EXPECT_EQ(empty->Width(), 20 + 2);
  EXPECT_EQ(empty->Height(), 20 + 2);
}
