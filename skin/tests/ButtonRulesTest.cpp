// Push button content layout, stock kinds, glyph strips and pixels, and
// the check box cycle: the rules the button controls draw and act by.

#include <gtest/gtest.h>

#include "skin/se_buttons_layout.h"

TEST(SeButtonRules, KindsGiveTheirCaptionResultAndDefault) {
  struct Case {
    TBitBtnKind kind;
    const char* caption;
    int result;
    bool isDefault;
  } cases[] = {{bkOK, "OK", 1, true},        {bkCancel, "Cancel", 2, false}, {bkHelp, "&Help", 0, false},
               {bkYes, "&Yes", 6, true},     {bkNo, "&No", 7, false},        {bkClose, "&Close", 0, false},
               {bkAbort, "Abort", 3, false}, {bkRetry, "&Retry", 4, false},  {bkIgnore, "&Ignore", 5, false},
               {bkAll, "&All", 8, false}};
  for (const auto& c : cases) {
    const TSeKindInfo& info = KindInfo(c.kind);
    EXPECT_STREQ(info.Caption, c.caption);
    EXPECT_EQ(info.ModalResult, c.result) << c.caption;
    EXPECT_EQ(info.Default, c.isDefault) << c.caption;
  }
  EXPECT_EQ(KindInfo(bkCustom).Caption, nullptr);
}

TEST(SeButtonRules, GlyphStripSizeGivesTheImageCount) {
  EXPECT_EQ(GlyphCountForSize(48, 16), 3);
  EXPECT_EQ(GlyphCountForSize(32, 16), 2);
  EXPECT_EQ(GlyphCountForSize(100, 16), std::nullopt);  // no whole multiple: unchanged
  EXPECT_EQ(GlyphCountForSize(96, 16), 1);              // six images are too many
  EXPECT_EQ(GlyphCountForSize(16, 0), std::nullopt);
  EXPECT_EQ(GlyphCountForSize(0, 16), std::nullopt);  // never zero images
}

TEST(SeButtonRules, GlyphAndCaptionShareTheCentredContent) {
  // A 75 x 25 button, a 16 x 16 glyph and a 30 x 13 caption.
  TSeButtonContent c;
  c.PaintedWidth = 75;
  c.PaintedHeight = 25;
  c.Glyph = {16, 16};
  c.Text = {30, 13};
  struct Case {
    TButtonLayout layout;
    TRect content, caption, glyph;
  } cases[] = {
      {blGlyphLeft, Rect(12, 4, 62, 20), Rect(32, 4, 62, 20), Rect(12, 4, 32, 20)},
      {blGlyphRight, Rect(12, 4, 62, 20), Rect(12, 4, 42, 20), Rect(42, 4, 62, 20)},
      {blGlyphTop, Rect(22, -4, 52, 29), Rect(22, 16, 52, 29), Rect(22, -4, 52, 16)},
      {blGlyphBottom, Rect(22, -4, 52, 29), Rect(22, -4, 52, 9), Rect(22, 9, 52, 29)},
  };
  for (const auto& k : cases) {
    c.Layout = k.layout;
    EXPECT_EQ(ButtonContentRect(c), k.content) << k.layout;
    EXPECT_EQ(ButtonCaptionRect(c), k.caption) << k.layout;
    EXPECT_EQ(ButtonGlyphRect(c), k.glyph) << k.layout;
  }
  // Pressed moves everything one pixel down and right.
  c.Layout = blGlyphLeft;
  c.Pressed = true;
  EXPECT_EQ(ButtonContentRect(c), Rect(13, 5, 63, 21));
  // Without a glyph caption and glyph places are the whole content.
  c = {};
  c.PaintedWidth = 75;
  c.PaintedHeight = 25;
  c.Text = {21, 13};
  EXPECT_EQ(ButtonCaptionRect(c), Rect(27, 6, 48, 19));
  EXPECT_EQ(ButtonGlyphRect(c), Rect(27, 6, 48, 19));
}

TEST(SeButtonRules, GlyphImageFollowsEnabledAndPressed) {
  EXPECT_EQ(ButtonGlyphIndex(1, false, true), 0);
  EXPECT_EQ(ButtonGlyphIndex(2, false, false), 1);
  EXPECT_EQ(ButtonGlyphIndex(2, true, true), 0);  // two images have no pressed one
  EXPECT_EQ(ButtonGlyphIndex(3, true, true), 2);
  EXPECT_EQ(ButtonGlyphIndex(4, false, true), 3);
}

TEST(SeButtonRules, GlyphPixelsGreyByLightness) {
  EXPECT_EQ(GlyphPixelColor(RGB(200, 10, 10), false, false), RGB(200, 10, 10));
  // Lightness of (200, 10, 10) is 105 / 255.
  EXPECT_EQ(GlyphPixelColor(RGB(200, 10, 10), true, false), RGB(105, 105, 105));
  EXPECT_EQ(GlyphPixelColor(RGB(0, 0, 0), false, true), RGB(160, 160, 160));
  EXPECT_EQ(GlyphPixelColor(RGB(255, 255, 255), false, true), RGB(210, 210, 210));
}

TEST(SeButtonRules, CheckBoxCyclesThroughGrayedOnlyWhenAllowed) {
  TCheckBoxState s = cbUnchecked;
  std::vector<TCheckBoxState> seen;
  for (int i = 0; i < 3; ++i) seen.push_back(s = NextCheckBoxState(s, true));
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  EXPECT_EQ(NextCheckBoxState(cbUnchecked, false), cbChecked);
  EXPECT_EQ(NextCheckBoxState(cbChecked, false), cbUnchecked);
}

TEST(SeButtonRules, ClassicMarkFlags) {
  EXPECT_EQ(CheckBoxFrameFlags(cbUnchecked, true), 0x000u);
  EXPECT_EQ(CheckBoxFrameFlags(cbChecked, true), 0x400u);
  EXPECT_EQ(CheckBoxFrameFlags(cbGrayed, false), 0x508u);
  EXPECT_EQ(RadioFrameFlags(false, true), 0x004u);
  EXPECT_EQ(RadioFrameFlags(true, false), 0x504u);
}

TEST(SeButtonRules, AcceleratorIsTheLetterAfterASingleAmpersand) {
  EXPECT_EQ(AcceleratorOf("&Yes"), QChar(u'y'));
  EXPECT_EQ(AcceleratorOf("Save && E&xit"), QChar(u'x'));
  EXPECT_EQ(AcceleratorOf("Plain"), QChar());
  EXPECT_EQ(AcceleratorOf("Trailing&"), QChar());
}
