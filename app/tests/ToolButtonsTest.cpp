// The windows' tool buttons: each wears its own drawn glyph above its
// caption, whole inside the button, on every skin's face.

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <set>

#include "app/AddSchedule.h"
#include "app/AppGlobals.h"
#include "app/Audio.h"
#include "app/ToolButtons.h"
#include "app/schedule.h"
#include "app/tests/AudioRig.h"
#include "app/tests/WindowRig.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_engine.h"

namespace {

const TToolGlyph kGlyphs[] = {TToolGlyph::New,      TToolGlyph::Open,    TToolGlyph::Save,    TToolGlyph::Cut,
                              TToolGlyph::Copy,     TToolGlyph::Paste,   TToolGlyph::Eject,   TToolGlyph::Drive,
                              TToolGlyph::Disc,     TToolGlyph::Options, TToolGlyph::Burn,    TToolGlyph::CopyDisc,
                              TToolGlyph::Erase,    TToolGlyph::BurnIso, TToolGlyph::BuildIso, TToolGlyph::About,
                              TToolGlyph::Help,     TToolGlyph::Add,     TToolGlyph::Remove,  TToolGlyph::Clear,
                              TToolGlyph::AddFile,  TToolGlyph::RemoveFile, TToolGlyph::AddTask, TToolGlyph::EditTask,
                              TToolGlyph::DeleteTask, TToolGlyph::Run};

constexpr QRgb kKey = 0xFF00FF;

// Where the glyph's picture shows whole in the button's rendering (its
// top-left corner), or (-1, -1) when it shows nowhere.
QPoint GlyphPlace(const QImage& shown, const QImage& glyph) {
  for (int top = 0; top + glyph.height() <= shown.height(); ++top)
    for (int left = 0; left + glyph.width() <= shown.width(); ++left) {
      bool whole = true;
      for (int y = 0; y < glyph.height() && whole; ++y)
        for (int x = 0; x < glyph.width() && whole; ++x) {
          const QRgb p = glyph.pixel(x, y) & 0xFFFFFF;
          if (p != kKey) whole = (shown.pixel(left + x, top + y) & 0xFFFFFF) == p;
        }
      if (whole) return {left, top};
    }
  return {-1, -1};
}

// The button's caption lies below its glyph (`above`) or right of it, and
// inside the button: the rows (columns) past the glyph's end that hold
// another colour than their first pixel's (the face's, which may shade
// from row to row).
void ExpectGlyphAndCaption(TSeSkinSpeedButton* button, bool above) {
  SCOPED_TRACE(button->Caption().toStdString());
  ASSERT_FALSE(button->Glyph()->Empty());
  EXPECT_EQ(button->Layout(), above ? blGlyphTop : blGlyphLeft);
  const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage glyph = button->Glyph()->ToQImage().convertToFormat(QImage::Format_RGB32);
  const QPoint place = GlyphPlace(shown, glyph);
  ASSERT_GE(place.y(), 0) << "the glyph is not shown whole";
  int text = 0;
  if (above) {
    EXPECT_LE(std::abs(place.x() - (shown.width() - glyph.width()) / 2), 1) << "the glyph is not centred";
    for (int y = place.y() + glyph.height(); y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if ((shown.pixel(x, y) & 0xFFFFFF) != (shown.pixel(0, y) & 0xFFFFFF)) {
          ++text;
          EXPECT_LT(y, shown.height() - 1) << "the caption touches the button's edge";
          break;
        }
  } else {
    const int middle = place.y() + glyph.height() / 2;
    for (int x = place.x() + glyph.width(); x < shown.width() - 2; ++x)
      for (int y = middle - 4; y <= middle + 4; ++y)
        if ((shown.pixel(x, y) & 0xFFFFFF) != (shown.pixel(x, 2) & 0xFFFFFF)) {
          ++text;
          break;
        }
  }
  EXPECT_GE(text, 6) << "no caption beside the glyph";
}

void ExpectGlyphOverCaption(TSeSkinSpeedButton* button) { ExpectGlyphAndCaption(button, true); }

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

TEST(ToolGlyphs, ScheduleWindowAndTaskEditorButtonsShowThem) {
  QTemporaryDir folder;
  const QString app_dir = AppStrings().AppDir;
  AppStrings().AppDir = folder.path();
  // The windows follow the program's engine; without a main window it is a
  // standalone one.
  std::unique_ptr<TSeSkinEngine> engine(Create<TSeSkinEngine>(nullptr));
  AppForms().StandaloneSkinEngine = engine.get();
  std::unique_ptr<TScheduleForm> schedule(Create<TScheduleForm>(nullptr));
  schedule->Timer1->SetEnabled(false);
  std::unique_ptr<TAddScheduleForm> editor(Create<TAddScheduleForm>(nullptr));
  for (const char* skin : {"", "slate"}) {
    SCOPED_TRACE(skin);
    engine->SetSkinFile(*skin ? std::string(BURNER_BINARY_DIR "/bin/Skins/") + skin + ".mskn" : "");
    for (TSeSkinSpeedButton* b : {schedule->btnAdd, schedule->btnEdit, schedule->btnDelete, schedule->btnClear,
                                  schedule->btnRun, schedule->btnOption})
      ExpectGlyphOverCaption(b);
    for (TSeSkinSpeedButton* b : {editor->btnAddFile, editor->btnRemoveFile, editor->btnClearFile,
                                  editor->btnAddTrack, editor->btnRemoveTrack, editor->btnClearTrack})
      ExpectGlyphAndCaption(b, false);
  }
  editor.reset();
  schedule.reset();
  AppForms().StandaloneSkinEngine = nullptr;
  AppStrings().AppDir = app_dir;
}
