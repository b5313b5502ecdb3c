// The burn dialog driven as a user drives it on virtual recorders: a data
// burn with autorun files and a custom icon, its log saved as RTF and read
// back by unrtf, an image built and then burned byte for byte, and the
// starts that must end with a message and a closable dialog.

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/tests/DialogRig.h"
#include "platform/core/IniFile.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Bitmap.h"
#include "recorder/tests/IsoTestSupport.h"

namespace {

namespace fs = std::filesystem;
using apptest::DialogRig;
using apptest::Press;
using isotest::Q;
using isotest::Shell;

class BurnDialog : public apptest::ScratchFolderTest {
 protected:
  // The files of the last session of the disc in `letter`, by xorriso.
  std::string DiscListing(DialogRig& d, char letter) {
    const std::string image = d.rig.Disc(letter, dir_ + "/disc.iso");
    std::string out;
    EXPECT_EQ(Shell("xorriso -indev " + Q(image) + " -find / -type f 2>/dev/null", &out), 0);
    return out;
  }
  std::string DiscFile(DialogRig& d, char letter, const std::string& name) {
    const std::string image = d.rig.Disc(letter, dir_ + "/disc.iso");
    const std::string target = dir_ + "/out-" + name;
    std::string out;
    Shell("xorriso -osirrox on -indev " + Q(image) + " -extract /" + name + " " + Q(target) + " 2>&1", &out);
    return isotest::ReadAll(target);
  }
};

TEST_F(BurnDialog, AutorunFilesGoOnTheDiscOnlyAndAPictureBecomesARealIcon) {
  Write("src/data.txt", "payload");
  Write("tools/setup.exe", "MZ not really a program");
  TBitmap bitmap;
  bitmap.SetSize(20, 10);
  bitmap.Canvas().Brush().SetColor(clRed);
  bitmap.Canvas().FillRect(Rect(0, 0, 20, 10));
  bitmap.SaveToFile(QPath("logo.bmp"));

  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TForm1& main = *d.rig.form;
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("src"));
  const std::string task_before = SerializeTaskNode(main.Editor().Save());
  d.rig.PressBurn();
  TBurningForm& b = *d.burn;
  ASSERT_TRUE(b.isVisible());
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(b.Caption(), "Burn data disc");
  EXPECT_TRUE(b.gpbPreference->Visible());
  EXPECT_FALSE(b.edtISO->Visible());
  EXPECT_EQ(b.cbspeed->Items()->Strings(0), "Max");

  // The program's icon is asked for before a program is named.
  d.rig.dialogs.AnswerMessage(mrOk);
  b.rdbAutoIcon->SetChecked(true);
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text, "Please enter Auto-Run Execute File first.");
  EXPECT_TRUE(b.rdbBlank->Checked());

  b.chkAutoRun->SetChecked(true);
  b.edtAutoRun->SetText(QPath("tools/setup.exe"));
  b.rdbCustom->SetChecked(true);
  b.edtIcon->SetText(QPath("logo.bmp"));
  ASSERT_FALSE(b.imgIcon->Picture()->Graphic() == nullptr);
  Press(b.btnStartBurn);
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_TRUE(d.Log().contains("Write/Burn CD(DVD) Process done")) << d.Log().toStdString();
  EXPECT_FALSE(d.Log().contains("with error"));
  EXPECT_TRUE(b.gpbProgress->Visible());
  EXPECT_EQ(b.gpbProgress->Caption(), "Progress and Log - Burning " + b.edtLabel->Text());

  const std::string listing = DiscListing(d, 'E');
  for (const char* name : {"/data.txt", "/setup.exe", "/icon.ico", "/autorun.inf"})
    EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
  EXPECT_EQ(DiscFile(d, 'E', "autorun.inf"), "[AutoRun]\r\nOPEN=setup.exe\r\nICON=icon.ico\r\n");
  const std::string icon = DiscFile(d, 'E', "icon.ico");
  ASSERT_GE(icon.size(), 6u);
  EXPECT_EQ(icon.substr(0, 4), std::string("\0\0\1\0", 4));  // an ICO header, not a BMP
  // The editor and the task file never saw them; the temporary files are gone.
  EXPECT_EQ(SerializeTaskNode(main.Editor().Save()), task_before);
  EXPECT_TRUE(main.RootFiles.isEmpty());
  EXPECT_FALSE(QFile::exists(d.Path("temp/autorun.inf")));

  // The log saved as rich text reads back with its lines.
  d.rig.dialogs.AnswerFile({QPath("log.rtf")});
  Press(b.btnSave);
  std::string text;
  ASSERT_EQ(Shell("unrtf --text " + Q(dir_ + "/log.rtf") + " 2>/dev/null", &text), 0);
  EXPECT_NE(text.find("Write/Burn CD(DVD) Process done"), std::string::npos) << text;
  EXPECT_NE(text.find(">>> " + main.Caption().toStdString()), std::string::npos) << text;
  d.rig.dialogs.AnswerFile({QPath("log.txt")}, 2);
  Press(b.btnSave);
  QFile plain(QPath("log.txt"));
  ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
  EXPECT_TRUE(plain.readAll().startsWith(">>> "));

  // Done closes the dialog (the disc was ejected already) and the main
  // window comes back.
  EXPECT_EQ(b.btnEject->Caption(), "Eject && Done");
  Press(b.btnEject);
  EXPECT_FALSE(b.isVisible());
  EXPECT_TRUE(main.isVisible());

  // A second burn with the setup reset carries no autorun file.
  d.rig.recorders.at('E')->CloseTray();
  b.Setup("Burn");
  EXPECT_TRUE(b.rdbBlank->Checked());
  EXPECT_TRUE(b.edtAutoRun->Text().isEmpty());
  EXPECT_TRUE(b.btnAbort->Visible());
}

TEST_F(BurnDialog, AnImageIsBuiltWithoutADiscAndBurnedByteForByte) {
  Write("src/a.txt", "alpha");
  Write("src/sub/b.bin", isotest::Pattern(300000, 3));
  DialogRig d({{'E', VirtualMedium::None}, {'F', VirtualMedium::DvdPlusR}});
  TForm1& main = *d.rig.form;
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("src"));
  TBurningForm& b = *d.burn;
  b.Setup("BuildISO");
  b.Show();
  EXPECT_EQ(b.Caption(), "Build .ISO");
  EXPECT_FALSE(b.edtLabel->Visible());
  d.rig.dialogs.AnswerFile({QPath("out.iso")});
  Press(b.edtISO);
  EXPECT_EQ(b.edtISO->Text(), QPath("out.iso"));
  Press(b.btnStartBurn);  // drive E is empty: no question about a disc
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_TRUE(d.Log().contains("Process done")) << d.Log().toStdString();
  EXPECT_EQ(b.btnEject->Caption(), "Done");
  const std::string image = isotest::ReadAll(dir_ + "/out.iso");
  ASSERT_GT(image.size(), 300000u);
  std::string out;
  EXPECT_EQ(Shell("xorriso -indev " + Q(dir_ + "/out.iso") + " -find / -type f 2>/dev/null", &out), 0);
  EXPECT_NE(out.find("/sub/b.bin"), std::string::npos) << out;
  b.Close();

  b.Setup("BurnISO");
  b.Show();
  EXPECT_TRUE(b.gpbBurnISO->Visible());
  b.cmbDriveISO->SetItemIndex(1);
  b.cmbDriveISO->OnChange(b.cmbDriveISO);
  d.rig.dialogs.AnswerFile({QPath("out.iso")});
  Press(b.edtSourceISO);
  Press(b.btnStartBurn);
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_TRUE(d.Log().contains("Process done")) << d.Log().toStdString();
  EXPECT_FALSE(d.Log().contains("with error")) << d.Log().toStdString();
  const std::string disc = isotest::ReadAll(d.rig.Disc('F', dir_ + "/disc.iso"));
  ASSERT_GE(disc.size(), image.size());
  EXPECT_TRUE(disc.compare(0, image.size(), image) == 0);
}

TEST_F(BurnDialog, StartsThatCannotWriteEndWithAMessageAndAClosableDialog) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TForm1& main = *d.rig.form;
  TBurningForm& b = *d.burn;
  // An image of an empty compilation.
  main.btnNewClick();
  b.Setup("BuildISO");
  b.Show();
  b.edtISO->SetText(QPath("empty.iso"));
  d.rig.dialogs.AnswerMessage(mrOk);
  Press(b.btnStartBurn);
  ASSERT_FALSE(d.rig.dialogs.Calls().empty());
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text, "Atleast one file/directory should be selected");
  EXPECT_TRUE(b.btnEject->Enabled());
  EXPECT_EQ(b.btnEject->Caption(), "Discard");
  Press(b.btnEject);
  EXPECT_FALSE(b.isVisible());

  // Every source gone: the user is told and can close the dialog.
  Write("gone/x.txt", "x");
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("gone"));
  fs::remove_all(dir_ + "/gone");
  b.Setup("BuildISO");
  b.Show();
  b.edtISO->SetText(QPath("none.iso"));
  d.rig.dialogs.AnswerMessage(mrYes);  // burn without the missing files
  d.rig.dialogs.AnswerMessage(mrOk);   // nothing could be added
  Press(b.btnStartBurn);
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text,
            "None of the files and folders of the compilation could be added. Nothing was written.");
  EXPECT_TRUE(b.btnEject->Enabled());
  EXPECT_FALSE(QFile::exists(QPath("none.iso")));

  // A missing image to burn and an empty image name keep the setup view.
  b.Setup("BurnISO");
  b.Show();
  b.edtSourceISO->SetText(QPath("missing.iso"));
  d.rig.dialogs.AnswerMessage(mrOk);
  Press(b.btnStartBurn);
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text, "The source .ISO file you enter does not exist.");
  EXPECT_TRUE(b.gpbBurnISO->Visible());
  EXPECT_TRUE(b.btnStartBurn->Enabled());
  b.Close();
}

TEST_F(BurnDialog, NoDiscAsksToRetryAndCancelGivesUp) {
  DialogRig d({{'E', VirtualMedium::None}});
  Write("src/a.txt", "a");
  TForm1& main = *d.rig.form;
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("src"));
  TBurningForm& b = *d.burn;
  b.Setup("Burn");
  b.Show();
  d.rig.dialogs.AnswerMessage(mrRetry);
  d.rig.dialogs.AnswerMessage(mrCancel);
  d.rig.dialogs.AnswerMessage(mrOk);
  Press(b.btnStartBurn);
  const auto& calls = d.rig.dialogs.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_TRUE(calls[0].message.text.startsWith("Drive E: is not ready. Please insert a writable disc."));
  EXPECT_EQ(calls[0].message.caption, "Informaiton");
  EXPECT_EQ(calls[2].message.text, "Abort by user");
  EXPECT_TRUE(b.btnStartBurn->Enabled());
  EXPECT_TRUE(b.gpbPreference->Visible());
  b.Close();
}

TEST(SpeedList, EachSpeedOnceAfterMax) {
  apptest::WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  const auto list = CreateUnique<TSeSkinComboBox>();
  FillSpeedList(rig.form->qcdb(), list.get());
  const QStringList items = list->Items()->ToQStringList();
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(items[0], "Max");
  EXPECT_EQ(items.size(), QSet<QString>(items.begin(), items.end()).size());
  EXPECT_TRUE(items[1].contains("X (")) << items[1].toStdString();
  EXPECT_TRUE(items[1].endsWith(" KB/s)")) << items[1].toStdString();
  EXPECT_EQ(list->ItemIndex(), 0);
  list->SetItemIndex(1);
  FillSpeedList(rig.form->qcdb(), list.get());
  EXPECT_EQ(list->ItemIndex(), 1);
}

// The drive reports no write speed for a pressed disc: the list offers Max
// and nothing made up, and asks the drive for no speed.
TEST(SpeedList, PressedDiscOffersMaxOnly) {
  QTemporaryDir dir;
  const std::string iso = dir.filePath("pressed.iso").toStdString();
  std::ofstream(iso, std::ios::binary) << std::string(300 * 2048, 'x');
  for (VirtualMedium medium : {VirtualMedium::CdRom, VirtualMedium::DvdRom}) {
    SCOPED_TRACE(MediumKey(medium));
    apptest::WindowRig rig({{'E', VirtualMedium::CdR}});
    rig.recorders.at('E')->ImportIso(iso, medium);
    const auto list = CreateUnique<TSeSkinComboBox>();
    std::vector<std::uint8_t> opcodes;
    rig.hooks.at('E')->before = [&](const ScsiCommand& command) { opcodes.push_back(command.cdb[0]); };
    FillSpeedList(rig.form->qcdb(), list.get());
    EXPECT_EQ(list->Items()->ToQStringList().join(", ").toStdString(), "Max");
    EXPECT_EQ(std::count(opcodes.begin(), opcodes.end(), 0xBB), 0) << "SET CD SPEED";
  }
}

}  // namespace

namespace {

// Files below `root` with a digest of their bytes, folders with a "/".
std::map<std::string, std::string> TreeOf(const std::string& root) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).string();
    if (it->is_directory())
      out[rel + "/"] = "";
    else {
      const std::string bytes = isotest::ReadAll(it->path().string());
      out[rel] = std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>{}(bytes));
    }
  }
  return out;
}

TEST_F(BurnDialog, ACopyOfATwoSessionDiscReadsBackTheSameAndLeavesTheCompilation) {
  Write("one/first.txt", "first session");
  Write("one/deep/er/file.bin", isotest::Pattern(90000, 9));
  Write("two/second.bin", isotest::Pattern(300000, 4));
  Write("mine/keep.txt", "the user's own compilation");
  DialogRig d({{'E', VirtualMedium::DvdPlusR}, {'F', VirtualMedium::DvdPlusR}});
  TForm1& main = *d.rig.form;
  d.rig.form->cbDrives->SetItemIndex(0);
  d.BurnSession('E', QPath("one"), false);
  d.BurnSession('E', QPath("two"), true);
  ASSERT_EQ(d.rig.recorders.at('E')->Summary().sessions, 2u);
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("mine"));
  const std::string compilation = SerializeTaskNode(main.Editor().Save());
  const bool close_disc = main.qcdb().FinalizeDisc();

  TBurningForm& b = *d.burn;
  b.Setup("Copy");
  b.Show();
  EXPECT_EQ(b.Caption(), "Make a copy of the disc");
  ASSERT_EQ(b.cmbSource->Items()->Count(), 2);
  // The same drive twice is refused with nothing else done.
  d.rig.dialogs.AnswerMessage(mrOk);
  Press(b.btnStartBurn);
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text, "The Source Drive and Destination Drive can not be the same.");
  EXPECT_TRUE(b.gpbCopy->Visible());

  b.cmbSource->SetItemIndex(0);
  b.cmbDestination->SetItemIndex(1);
  Press(b.btnStartBurn);
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_FALSE(d.Log().contains("with error")) << d.Log().toStdString();
  EXPECT_EQ(b.gpbProgress->Caption(), "Progress and Log - Making a copy of disc");
  EXPECT_EQ(d.rig.recorders.at('F')->Summary().sessions, 1u);
  EXPECT_EQ(main.qcdb().FinalizeDisc(), close_disc);
  EXPECT_EQ(SerializeTaskNode(main.Editor().Save()), compilation);
  EXPECT_FALSE(QDir(d.Path("temp/copy")).exists());

  // Both discs read back by xorriso: the copy holds the source's newest
  // session, byte for byte, under the source's volume label.
  auto extract = [&](char letter, const std::string& name) {
    const auto summary = d.rig.recorders.at(letter)->Summary();
    std::uint32_t start = 0;
    for (const auto& track : summary.tracks)
      if (track.session == summary.sessions) start = track.start;
    const std::string image = d.rig.Disc(letter, dir_ + "/" + name + ".iso");
    std::string out;
    EXPECT_EQ(Shell("xorriso -osirrox on -indev " + Q(image) + " -load sbsector " + std::to_string(start) +
                        " -extract / " + Q(dir_ + "/" + name) + " 2>&1",
                    &out),
              0)
        << out;
    Shell("chmod -R u+w " + Q(dir_ + "/" + name));
    std::string pvd;
    Shell("xorriso -indev " + Q(image) + " -load sbsector " + std::to_string(start) + " -pvd_info 2>&1", &pvd);
    return std::make_pair(TreeOf(dir_ + "/" + name), pvd);
  };
  const auto [source, source_info] = extract('E', "source");
  const auto [copy, copy_info] = extract('F', "copy");
  EXPECT_EQ(copy, source);
  EXPECT_EQ(source.count("deep/er/file.bin"), 1u);
  const auto volume = [](const std::string& info) {
    const auto at = info.find("Volume Id");
    return at == std::string::npos ? std::string() : info.substr(at, info.find('\n', at) - at);
  };
  EXPECT_FALSE(volume(source_info).empty()) << source_info;
  EXPECT_EQ(volume(copy_info), volume(source_info));
}

}  // namespace

namespace {

TEST_F(BurnDialog, AScheduledRunWithTheWindowHiddenBurnsWithTheOptionsBoxes) {
  Write("src/backup.txt", "backed up");
  DialogRig d({{'E', VirtualMedium::DvdPlusR}}, "[Burning]\r\nCloseDisc=0\r\n", true);
  ASSERT_NE(d.schedule, nullptr);
  TForm1& main = *d.rig.form;
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("src"));
  Write("task.tsk", SerializeTaskNode(main.Editor().Save()) + "\r\n");
  main.Modified = false;
  main.btnNewClick();
  d.burn->cCloseDisc->SetChecked(true);  // the options' box wins for a hidden run
  d.options->cCloseDisc->SetChecked(false);
  d.schedule->RunDataTask(QPath("task.tsk"));
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_FALSE(d.burn->isVisible());
  EXPECT_FALSE(d.burn->cCloseDisc->Checked());
  EXPECT_EQ(main.Operation, "Schedule");
  EXPECT_TRUE(d.Log().contains("Process done") && !d.Log().contains("with error")) << d.Log().toStdString();
  EXPECT_EQ(d.rig.recorders.at('E')->Summary().sessions, 1u);
  EXPECT_TRUE(QFile::exists(d.Path("Schedule/Log.txt")));
}

}  // namespace
