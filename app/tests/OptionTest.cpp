// The options window over Option.ini: every key's default and round trip,
// the file it writes byte for byte, what it applies at start, and what
// Cancel, bad numbers and the skins folder do.

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QFile>

#include "app/StartBackground.h"
#include "app/tests/DialogRig.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Spin.h"

namespace {

using apptest::DialogRig;

QByteArray Golden() {
  QFile file(QStringLiteral(BURNER_SOURCE_DIR "/app/tests/golden/Option.ini"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
  return file.readAll();
}

const TOptionForm::TOptionKey& Key(const TOptionForm& form, const std::string& key) {
  for (const auto& k : form.Keys())
    if (k.Key == key) return k;
  throw std::runtime_error("no key " + key);
}

// A value of each key that differs from its default.
std::string Changed(const TOptionForm::TOptionKey& key) {
  const std::string name = key.Key;
  // Radio buttons of a group change together; the picture stays off, as
  // none is there to load.
  if (name == "Image") return "0";
  if (key.Kind == TOptionForm::TOptionKey::Bool) return key.Default == "1" ? "0" : "1";
  if (name == "Buffer") return "20";
  if (name == "SessionNo") return "-1";
  if (name == "Drive") return "";  // set by the test from the drive list
  if (key.Kind == TOptionForm::TOptionKey::Integer) return "1193046";
  return "/data/" + name + ".wav";
}

TEST(Options, EveryKeyHasItsDefaultAndTheFileIsTheGoldenOne) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TOptionForm& o = *d.options;
  for (const auto& key : o.Keys()) {
    const std::string expected = std::string(key.Key) == "Drive" ? d.rig.form->cbDrives->Text().toStdString() : key.Default;
    EXPECT_EQ(key.Get(), expected) << key.Section << "/" << key.Key;
  }
  EXPECT_EQ(d.rig.form->SkinName, "devoir");
  o.SaveOptions();
  const QByteArray written = d.Read("Option.ini");
  if (qEnvironmentVariableIsSet("BURNER_WRITE_GOLDEN")) {
    QFile out(QStringLiteral(BURNER_SOURCE_DIR "/app/tests/golden/Option.ini"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(written);
  }
  EXPECT_EQ(written.toStdString(), Golden().toStdString());
}

TEST(Options, EveryKeyRoundTripsThroughTheFile) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}, {'F', VirtualMedium::CdRw}});
  const QString second_drive = d.rig.form->cbDrives->Items()->Strings(1);
  // Each key changed, written, read by a new window and written again.
  std::string ini;
  std::string section;
  for (const auto& key : d.options->Keys()) {
    if (key.Section != section) ini += std::string("[") + (section = key.Section) + "]\r\n";
    const std::string value = std::string(key.Key) == "Drive" ? second_drive.toStdString() : Changed(key);
    ini += std::string(key.Key) + "=" + value + "\r\n";
  }
  d.Write("Option.ini", ini);
  std::unique_ptr<TOptionForm> loaded(CreateOptionForm());
  for (const auto& key : loaded->Keys()) {
    const std::string value = std::string(key.Key) == "Drive" ? second_drive.toStdString() : Changed(key);
    EXPECT_EQ(key.Get(), value) << key.Section << "/" << key.Key;
  }
  EXPECT_EQ(loaded->tkbBuffer->Position(), 20);
  const QByteArray before = d.Read("Option.ini");
  loaded->SaveOptions();
  std::unique_ptr<TOptionForm> again(CreateOptionForm());
  for (std::size_t i = 0; i < again->Keys().size(); ++i)
    EXPECT_EQ(again->Keys()[i].Get(), loaded->Keys()[i].Get()) << again->Keys()[i].Key;
  AppForms().OptionForm = d.options.get();
}

TEST(Options, TheFileIsAppliedToTheRecorderAtStart) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}},
              "[General]\r\nBuffer=20\r\n[Burning]\r\nCloseDisc=0\r\nJolietFS=0\r\nTestWrite=1\r\nCloseTrack=0\r\n"
              "Underrun Protection=0\r\nPerformOPC=1\r\nBootable=1\r\nBootImage=boot.img\r\nImportSession=1\r\n"
              "SessionNo=-1\r\nShowFiles=1\r\nArchiveFiles=1\r\nQuickSaveISO=1\r\n");
  const TQCDBurner& r = d.rig.form->qcdb();
  EXPECT_EQ(r.CacheSize(), 20 * 1048576);
  EXPECT_FALSE(r.FinalizeDisc());
  EXPECT_FALSE(r.JolietFileSystem());
  EXPECT_TRUE(r.TestWrite());
  EXPECT_FALSE(r.FinalizeTrack());
  EXPECT_FALSE(r.UnderrunProtection());
  EXPECT_TRUE(r.PerformOPC());
  EXPECT_TRUE(r.Bootable);
  EXPECT_EQ(r.BootImage, "boot.img");
  EXPECT_EQ(ProgramOptions().ImportSessionNo, -1);
  EXPECT_TRUE(ProgramOptions().ShowFiles);
  EXPECT_TRUE(ProgramOptions().ArchiveOnly);
  EXPECT_TRUE(ProgramOptions().QuickSaveISO);
  const TDriverOptions driver = d.rig.form->ReadOptions();
  EXPECT_EQ(driver.ImportSessionNo, -1);
  EXPECT_FALSE(driver.CloseDisc);
  // The burning page shows -1 again.
  d.options->Show();
  d.options->pgcOption->SetActivePage(d.options->tsBurning);
  EXPECT_EQ(d.options->eSession->Text(), "-1");
  d.options->btnCancelClick();
}

TEST(Options, ASessionNumberThatIsNoSignedByteFallsBackToNone) {
  for (const char* bad : {"abc", "300", "-129", "1.5"}) {
    DialogRig d({{'E', VirtualMedium::DvdPlusR}},
                std::string("[Burning]\r\nImportSession=1\r\nSessionNo=") + bad + "\r\n");
    EXPECT_EQ(ProgramOptions().ImportSessionNo, 0) << bad;
    EXPECT_EQ(d.options->eSession->Text(), "0") << bad;
    // The rest of the file still loads.
    EXPECT_TRUE(d.options->cImportSession->Checked()) << bad;
  }
}

TEST(Options, CancelPutsBackWhatTheWindowShowedAndKeepsTheRecorder) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TOptionForm& o = *d.options;
  d.rig.form->bAdvance->Click();
  ASSERT_TRUE(o.isVisible());
  EXPECT_FALSE(d.rig.form->isEnabled());
  QTest::mouseClick(o.chkClose, Qt::LeftButton);  // power off when done
  EXPECT_TRUE(o.chkClose->Checked());
  o.tkbBuffer->SetPosition(30);
  o.cCloseDisc->SetChecked(false);
  EXPECT_TRUE(d.rig.form->ReadOptions().PowerOffWhenDone);
  EXPECT_EQ(o.edtBuffer->Value(), 30);
  QTest::mouseClick(o.btnCancel, Qt::LeftButton);
  EXPECT_FALSE(o.isVisible());
  EXPECT_TRUE(d.rig.form->isEnabled());
  EXPECT_FALSE(o.chkClose->Checked());
  EXPECT_FALSE(d.rig.form->ReadOptions().PowerOffWhenDone);
  EXPECT_EQ(o.tkbBuffer->Position(), 6);
  EXPECT_EQ(o.edtBuffer->Value(), 6);
  EXPECT_TRUE(o.cCloseDisc->Checked());
  EXPECT_EQ(d.rig.form->qcdb().CacheSize(), 6 * 1048576);
  EXPECT_FALSE(QFile::exists(d.Path("Option.ini")));

  // OK keeps and writes them.
  d.rig.form->bAdvance->Click();
  o.tkbBuffer->SetPosition(12);
  QTest::mouseClick(o.btnOK, Qt::LeftButton);
  EXPECT_EQ(d.rig.form->qcdb().CacheSize(), 12 * 1048576);
  EXPECT_TRUE(d.Read("Option.ini").contains("Buffer=12\r\n"));
}

TEST(Options, OkWritesTheRunValueOnlyWhileBackupTasksAreListed) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TOptionForm& o = *d.options;
  int tasks = 1;
  d.rig.start->ScheduledTaskCount = [&] { return tasks; };
  o.Show();
  o.btnOKClick();
  ASSERT_TRUE(d.autostart.RunValue(kScheduleRunValue).has_value());
  EXPECT_TRUE(d.autostart.RunValue(kScheduleRunValue)->endsWith("\" -Schedule"));
  tasks = 0;
  o.Show();
  o.btnOKClick();
  EXPECT_FALSE(d.autostart.RunValue(kScheduleRunValue).has_value());
}

TEST(Options, TheSkinListShowsExactlyTheSkinsThatLoad) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  // One of the program's skins as the build compiles it from its source.
  QFile skin(QStringLiteral(BURNER_BINARY_DIR "/bin/Skins/devoir.mskn"));
  ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
  const QByteArray good = skin.readAll();
  d.Write("Skins/Default.mskn", good);
  d.Write("Skins/a.b.mskn", good);
  d.Write("Skins/broken.mskn", QByteArray("TBLZ not a skin"));
  d.Write("Skins/notes.txt", QByteArray("text"));
  d.Write("Skins/Default.uskn", good);
  TOptionForm& o = *d.options;
  o.FillSkinList();
  EXPECT_EQ(o.ltbSkin->Items()->ToQStringList(), (QStringList{"None", "a.b", "Default"}));

  // Choosing one loads it; the name is what Option.ini keeps.
  o.Show();
  o.ltbSkin->SetItemIndex(1);
  o.btnOKClick();
  EXPECT_EQ(d.rig.form->SkinName, "a.b");
  EXPECT_TRUE(d.Read("Option.ini").contains("Skin=a.b\r\n"));
}

TEST(Options, TheStartPageFillTakesColourGradientOrPictureAndKeepsItsStyleOnABadPicture) {
  QTemporaryDir dir;
  TBitmap picture;
  picture.SetSize(3, 2);
  picture.Canvas().SetPixel(2, 1, static_cast<TColor>(0x00336699));
  picture.SaveToFile(dir.filePath("back.bmp"));
  QFile bad(dir.filePath("bad.bmp"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BM not a bitmap");
  bad.close();

  std::unique_ptr<TQRXFill> fill(Create<TQRXFill>(nullptr));
  TQRXFillObject& object = fill->FillObject();
  using K = TStartBackground::TKind;
  const TColor colour = 14653050, top = 255, bottom = 16711680;
  auto restyle = [&](K kind, const QString& file = {}) {
    return RestyleStartFill(fill.get(), TStartBackground{kind, colour, top, bottom, file});
  };
  ASSERT_TRUE(restyle(K::Gradient));
  EXPECT_EQ(object.Style(), TQRXFillStyle::sfGradient);
  EXPECT_EQ(object.Gradient().Color(), top);
  EXPECT_EQ(object.Gradient().EndColor(), bottom);
  ASSERT_TRUE(restyle(K::Colour));
  EXPECT_EQ(object.Style(), TQRXFillStyle::sfBrush);
  EXPECT_EQ(object.Brush().Color(), colour);
  fill->SetBounds(0, 0, 40, 30);
  EXPECT_EQ(fill->grab().toImage().pixel(20, 15) & 0xFFFFFFu, qRgb(0x7A, 0x96, 0xDF) & 0xFFFFFFu);
  ASSERT_TRUE(restyle(K::Image, dir.filePath("back.bmp")));
  EXPECT_EQ(object.Style(), TQRXFillStyle::sfBitmap);
  ASSERT_EQ(object.Bitmap().Width(), 3);
  EXPECT_EQ(object.Bitmap().Canvas().Pixel(2, 1), static_cast<TColor>(0x00336699));
  // A picture that does not read leaves the fill as it was.
  ASSERT_TRUE(restyle(K::Colour));
  for (const QString& file : {dir.filePath("bad.bmp"), dir.filePath("missing.bmp"), QString()}) {
    EXPECT_FALSE(restyle(K::Image, file)) << file.toStdString();
    EXPECT_EQ(object.Style(), TQRXFillStyle::sfBrush);
  }
}

TEST(Options, TheBufferEditAndBarShowOneValueWhicheverTheUserMoves) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TOptionForm& o = *d.options;
  o.Show();
  o.edtBuffer->SetFocus();
  QTest::keyClick(o.edtBuffer, Qt::Key_Up);
  EXPECT_EQ(o.edtBuffer->Text(), "7");
  EXPECT_EQ(o.tkbBuffer->Position(), 7);
  o.tkbBuffer->SetFocus();
  QTest::keyClick(o.tkbBuffer, Qt::Key_End);
  QTest::mouseMove(o.tkbBuffer, QPoint(2, 2));
  EXPECT_EQ(o.tkbBuffer->Position(), 50);
  EXPECT_EQ(o.edtBuffer->Text(), "50");
  o.btnOKClick();
  EXPECT_EQ(d.rig.form->qcdb().CacheSize(), 50 * 1048576);
}

TEST(Options, WhileOpenTheMainAndScheduleWindowsWait) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}}, "", true);
  d.rig.form->bAdvance->Click();
  for (TForm* form : std::initializer_list<TForm*>{d.rig.start, d.rig.form, d.schedule.get()})
    EXPECT_FALSE(form->Enabled()) << form->Caption().toStdString();
  d.options->btnCancelClick();
  for (TForm* form : std::initializer_list<TForm*>{d.rig.start, d.rig.form, d.schedule.get()})
    EXPECT_TRUE(form->Enabled()) << form->Caption().toStdString();
  // The schedule window's Options opens the schedule page.
  d.schedule->btnOptionClick();
  EXPECT_TRUE(d.options->isVisible());
  EXPECT_EQ(d.options->pgcOption->GetActivePageIndex(), 2);
  d.options->btnCancelClick();
}

}  // namespace
