// DrawText layout measured against the canvas's own text metrics, and the
// classic painters probed pixel by pixel.

#include <gtest/gtest.h>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

namespace {

struct Fixture {
  TBitmap bitmap;
  Fixture(int w = 200, int h = 100) {
    bitmap.SetSize(w, h);
    Canvas().Brush().SetStyle(bsClear);
    Canvas().Font().SetColor(clBlack);
  }
  TCanvas& Canvas() { return bitmap.Canvas(); }
  // The box around every non-white pixel.
  TRect Ink() {
    TRect r{1 << 20, 1 << 20, -1, -1};
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x)
        if (Canvas().Pixel(x, y) != clWhite) {
          r.Left = std::min(r.Left, x), r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1), r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
};

}  // namespace

TEST(DrawText, CalcRectMeasures) {
  Fixture f;
  TCanvas& c = f.Canvas();
  const int lh = c.TextHeight("X");
  struct Case {
    QString text;
    unsigned flags;
    int width;  // of the given rectangle
    int expectW;
    int expectH;
  };
  const Case cases[] = {
      {"Hello", DT_CALCRECT | DT_SINGLELINE, 0, c.TextWidth("Hello"), lh},
      {"One\r\nThree", DT_CALCRECT, 0, c.TextWidth("Three"), 2 * lh},
      {"One\nTwo\rThree", DT_CALCRECT, 0, c.TextWidth("Three"), 3 * lh},
      {"One\r\nThree", DT_CALCRECT | DT_SINGLELINE, 0, c.TextWidth("OneThree"), lh},
      {"&File", DT_CALCRECT | DT_SINGLELINE, 0, c.TextWidth("File"), lh},
      {"&File", DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, 0, c.TextWidth("&File"), lh},
      {"a && b", DT_CALCRECT | DT_SINGLELINE, 0, c.TextWidth("a & b"), lh},
      {"aaa bbb ccc", DT_CALCRECT | DT_WORDBREAK, c.TextWidth("aaa bbb"), c.TextWidth("aaa bbb"), 2 * lh},
      {"aaa bbb ccc", DT_CALCRECT | DT_WORDBREAK, c.TextWidth("aaa"), c.TextWidth("aaa"), 3 * lh},
      {"unbreakable", DT_CALCRECT | DT_WORDBREAK, 10, c.TextWidth("unbreakable"), lh},
      {"a\tb", DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS, 0,
       8 * QFontMetrics(c.Font().ToQFont()).averageCharWidth() + c.TextWidth("b"), lh},
      {"a\tb", DT_CALCRECT | DT_SINGLELINE, 0, c.TextWidth("ab"), lh},
      {"", DT_CALCRECT | DT_SINGLELINE, 0, 0, 0},
  };
  for (const Case& k : cases) {
    TRect r = Rect(5, 7, 5 + k.width, 7);
    const int h = DrawText(c, k.text, r, k.flags);
    EXPECT_EQ(r, Rect(5, 7, 5 + k.expectW, 7 + k.expectH)) << k.text.toStdString() << " flags " << k.flags;
    EXPECT_EQ(h, k.expectH) << k.text.toStdString();
  }
  EXPECT_EQ(f.Ink().Right, -1) << "DT_CALCRECT drew something";
}

TEST(DrawText, AlignmentPlacesTheText) {
  const TRect box = Rect(10, 10, 190, 90);
  struct Case {
    unsigned flags;
    const char* name;
  };
  const Case cases[] = {
      {DT_SINGLELINE, "left top"},
      {DT_SINGLELINE | DT_CENTER | DT_VCENTER, "centre"},
      {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, "right bottom"},
  };
  for (const Case& k : cases) {
    Fixture f;
    TCanvas& c = f.Canvas();
    c.Brush().SetColor(clYellow);  // opaque: the cell of the line is filled
    TRect r = box;
    const int ret = DrawText(c, "Wide", r, k.flags);
    const int w = c.TextWidth("Wide"), h = c.TextHeight("Wide");
    int x = box.Left, y = box.Top;
    if (k.flags & DT_CENTER) x = box.Left + (box.Width() - w) / 2, y = box.Top + (box.Height() - h) / 2;
    if (k.flags & DT_RIGHT) x = box.Right - w, y = box.Bottom - h;
    EXPECT_EQ(f.Ink(), Bounds(x, y, w, h)) << k.name;
    EXPECT_EQ(ret, (k.flags & (DT_VCENTER | DT_BOTTOM)) ? y - box.Top + h : h) << k.name;
  }
}

TEST(DrawText, ClipsUnlessNoClip) {
  for (bool noClip : {false, true}) {
    Fixture f;
    TRect r = Rect(10, 10, 20, 30);
    DrawText(f.Canvas(), "MMMMMMMM", r, DT_SINGLELINE | (noClip ? DT_NOCLIP : 0));
    if (noClip)
      EXPECT_GT(f.Ink().Right, 20);
    else
      EXPECT_LE(f.Ink().Right, 20);
  }
}

TEST(DrawText, EllipsesShortenWhatDoesNotFit) {
  Fixture f;
  TCanvas& c = f.Canvas();
  const int width = c.TextWidth("Some long...");
  TRect r = Rect(0, 0, width, 20);
  DrawText(c, "Some long text that does not fit", r, DT_SINGLELINE | DT_END_ELLIPSIS);
  const TRect ink = f.Ink();
  EXPECT_LE(ink.Right, width);
  EXPECT_GT(ink.Right, c.TextWidth("Some long"));

  // The path keeps its file name: what is drawn equals drawing the
  // shortened text directly.
  const QString path = "C:\\Program Files\\Burner\\Skins\\Default.mskn";
  const int pw = c.TextWidth("C:\\Prog...\\Default.mskn");
  Fixture a, b;
  TRect ra = Rect(0, 0, pw, 20), rb = Rect(0, 0, pw, 20);
  DrawText(a.Canvas(), path, ra, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
  DrawText(b.Canvas(), "C:\\Prog...\\Default.mskn", rb, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(a.bitmap.ToQImage(), b.bitmap.ToQImage());
}

TEST(DrawText, AcceleratorIsUnderlined) {
  Fixture a, b;
  TRect ra = Rect(0, 0, 100, 20), rb = Rect(0, 0, 100, 20);
  DrawText(a.Canvas(), "&File", ra, DT_SINGLELINE);
  DrawText(b.Canvas(), "&File", rb, DT_SINGLELINE | DT_HIDEPREFIX);
  const QImage ua = a.bitmap.ToQImage(), ub = b.bitmap.ToQImage();
  ASSERT_NE(ua, ub);
  // The difference is a horizontal bar under the "F" only.
  const int fw = a.Canvas().TextWidth("F");
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 100; ++x)
      if (ua.pixel(x, y) != ub.pixel(x, y)) {
        EXPECT_LT(x, fw);
        EXPECT_GT(y, a.Canvas().TextHeight("F") / 2);
      }
}

TEST(Painters, DrawEdgeRings) {
  TBitmap b;
  b.SetSize(10, 10);
  TCanvas& c = b.Canvas();
  TRect r = Rect(0, 0, 10, 10);
  EXPECT_TRUE(DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE));
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  struct Probe {
    int x, y;
    TColor color;
  };
  const Probe probes[] = {
      {0, 0, cl3DLight},    {5, 0, cl3DLight},    {0, 5, cl3DLight},      {9, 0, cl3DDkShadow},
      {0, 9, cl3DDkShadow}, {9, 9, cl3DDkShadow}, {1, 1, clBtnHighlight}, {8, 1, clBtnShadow},
      {1, 8, clBtnShadow},  {5, 5, clBtnFace},    {8, 5, clBtnShadow},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(ColorToRGB(c.Pixel(p.x, p.y)), ColorToRGB(p.color)) << p.x << "," << p.y;

  TRect s = Rect(0, 0, 10, 10);
  DrawEdge(c, s, BDR_SUNKENOUTER, BF_TOP | BF_LEFT);
  EXPECT_EQ(s, Rect(0, 0, 10, 10));  // no BF_ADJUST
  EXPECT_EQ(ColorToRGB(c.Pixel(4, 0)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(c.Pixel(9, 9)), ColorToRGB(cl3DDkShadow));  // bottom and right untouched
}

TEST(Painters, FrameControlsDrawTheirStates) {
  struct Case {
    unsigned type, state;
  };
  const Case cases[] = {
      {DFC_BUTTON, DFCS_BUTTONPUSH},
      {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED},
      {DFC_BUTTON, DFCS_BUTTONCHECK},
      {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
      {DFC_BUTTON, DFCS_BUTTONRADIO},
      {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
      {DFC_SCROLL, DFCS_SCROLLUP},
      {DFC_SCROLL, DFCS_SCROLLDOWN},
      {DFC_SCROLL, DFCS_SCROLLLEFT},
      {DFC_SCROLL, DFCS_SCROLLRIGHT},
      {DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE},
      {DFC_CAPTION, DFCS_CAPTIONCLOSE},
      {DFC_CAPTION, DFCS_CAPTIONMIN},
      {DFC_CAPTION, DFCS_CAPTIONMAX},
      {DFC_CAPTION, DFCS_CAPTIONRESTORE},
      {DFC_CAPTION, DFCS_CAPTIONHELP},
  };
  std::vector<QImage> seen;
  for (const Case& k : cases) {
    TBitmap b;
    b.SetSize(16, 16);
    TRect r = Rect(0, 0, 16, 16);
    EXPECT_TRUE(DrawFrameControl(b.Canvas(), r, k.type, k.state)) << k.type << " " << k.state;
    const QImage img = b.ToQImage();
    for (const QImage& other : seen)
      EXPECT_NE(img, other) << "two states look the same: " << k.type << " " << k.state;
    seen.push_back(img);
  }
  // A check mark sits inside the box and in the text colour.
  TBitmap b;
  b.SetSize(13, 13);
  TRect r = Rect(0, 0, 13, 13);
  DrawFrameControl(b.Canvas(), r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(b.Canvas().Pixel(6, 6), clBlack);
  EXPECT_EQ(ColorToRGB(b.Canvas().Pixel(0, 0)), ColorToRGB(clBtnShadow));
  TRect bad = Rect(0, 0, 13, 13);
  EXPECT_FALSE(DrawFrameControl(b.Canvas(), bad, 99, 0));
}
