// The windows' tool buttons: each wears its own drawn glyph above its
// caption, whole inside the button, on every skin's face.

#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "app/Audio.h"
#include "app/ToolButtons.h"
#include "app/tests/AudioRig.h"
#include "app/tests/WindowRig.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_engine.h"

namespace {

const TToolGlyph kGlyphs[] = {TToolGlyph::New,      TToolGlyph::Open,    TToolGlyph::Save,    TToolGlyph::Cut,
                              TToolGlyph::Copy,     TToolGlyph::Paste,   TToolGlyph::Eject,   TToolGlyph::Drive,
                              TToolGlyph::Disc,     TToolGlyph::Options, TToolGlyph::Burn,    TToolGlyph::CopyDisc,
                              TToolGlyph::Erase,    TToolGlyph::BurnIso, TToolGlyph::BuildIso, TToolGlyph::About,
                              TToolGlyph::Help,     TToolGlyph::Add,     TToolGlyph::Remove,  TToolGlyph::Clear};

constexpr QRgb kKey = 0xFF00FF;

// Where the glyph's picture shows whole in the button's rendering: the top
// row of the glyph, or -1 when it shows nowhere in its column.
int GlyphRow(const QImage& shown, const QImage& glyph) {
  const int left = (shown.width() - glyph.width()) / 2;
  for (int top = 0; top + glyph.height() <= shown.height(); ++top) {
    bool whole = true;
    for (int y = 0; y < glyph.height() && whole; ++y)
      for (int x = 0; x < glyph.width() && whole; ++x) {
        const QRgb p = glyph.pixel(x, y) & 0xFFFFFF;
        if (p != kKey) whole = (shown.pixel(left + x, top + y) & 0xFFFFFF) == p;
      }
    if (whole) return top;
  }
  return -1;
}

// The button's caption lies below its glyph and inside the button: the
// rows after the glyph's end that hold another colour than their first
// pixel's (the face's, which may shade from row to row).
void ExpectGlyphOverCaption(TSeSkinSpeedButton* button) {
  SCOPED_TRACE(button->Caption().toStdString());
  ASSERT_FALSE(button->Glyph()->Empty());
  EXPECT_EQ(button->Layout(), blGlyphTop);
  const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage glyph = button->Glyph()->ToQImage().convertToFormat(QImage::Format_RGB32);
  const int top = GlyphRow(shown, glyph);
  ASSERT_GE(top, 0) << "the glyph is not shown whole";
  int textRows = 0;
  for (int y = top + glyph.height(); y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      if ((shown.pixel(x, y) & 0xFFFFFF) != (shown.pixel(0, y) & 0xFFFFFF)) {
        ++textRows;
        EXPECT_LT(y, shown.height() - 1) << "the caption touches the button's edge";
        break;
      }
  EXPECT_GE(textRows, 6) << "no caption below the glyph";
}

}  // namespace

TEST(ToolGlyphs, EachIsItsOwnPictureOnTheKeyColour) {
  std::set<QByteArray> seen;
  for (TToolGlyph kind : kGlyphs) {
    SCOPED_TRACE(static_cast<int>(kind));
    const QImage glyph = ToolGlyphBitmap(kind).ToQImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(glyph.size(), QSize(kToolGlyphSize, kToolGlyphSize));
    // The speed button leaves out the bottom-left pixel's colour.
    EXPECT_EQ(glyph.pixel(0, glyph.height() - 1) & 0xFFFFFF, kKey);
    int drawn = 0;
    for (int y = 0; y < glyph.height(); ++y)
      for (int x = 0; x < glyph.width(); ++x) drawn += (glyph.pixel(x, y) & 0xFFFFFF) != kKey;
    EXPECT_GT(drawn, glyph.width() * glyph.height() / 6) << "hardly a picture";
    EXPECT_LT(drawn, glyph.width() * glyph.height() * 9 / 10) << "a block, not a picture";
    EXPECT_TRUE(seen.insert(QByteArray(reinterpret_cast<const char*>(glyph.constBits()), glyph.sizeInBytes())).second)
        << "the same picture as another tool's";
  }
}

TEST(ToolGlyphs, MainWindowButtonsShowThemAboveTheirCaptions) {
  apptest::WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& f = *rig.form;
  for (const char* skin : {"", "slate"}) {
    SCOPED_TRACE(skin);
    f.SeSkinEngine1->SetSkinFile(*skin ? std::string(BURNER_BINARY_DIR "/bin/Skins/") + skin + ".mskn" : "");
    for (TSeSkinSpeedButton* b : {f.btnNew, f.btnOpen, f.btnSave, f.btnCut, f.btnCopy, f.btnPaste, f.bEject, f.bCaps,
                                  f.bDisc, f.bAdvance, f.bBurn, f.btnClone, f.btnErase, f.btnBurnISO, f.btnBuildISO,
                                  f.btnAbout, f.btnHelp})
      ExpectGlyphOverCaption(b);
  }
}

TEST(ToolGlyphs, AudioWindowButtonsShowThemAboveTheirCaptions) {
  apptest::AudioRig audio;
  TAudioForm& a = *audio.audio;
  for (TSeSkinSpeedButton* b : {a.btnNew, a.btnOpen, a.btnSave, a.btnAdd, a.btnRemove, a.btnClear, a.bEject, a.bCaps,
                                a.bDisc, a.bBurn, a.btnClone, a.btnErase, a.bAdvance, a.btnAbout, a.btnHelp})
    ExpectGlyphOverCaption(b);
}
