// A data disc from end to end, driven through the windows with mouse clicks
// and drops as a person drives them: the start page's launcher opens the
// main window, a folder tree goes in from the explorer, the task file is
// saved and opened again, the burn dialog burns it on a virtual recorder,
// and xorriso and isoinfo read every session back. A rewritable CD is
// erased from the main window first; drive faults end a burn with its text
// in the log and leave the windows to burn again.

#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/Erase.h"
#include "app/tests/DialogRig.h"
#include "app/tests/DiscReadBack.h"
#include "effects/QRXShapeButton.h"
#include "skin/se_binding_buttons.h"

namespace {

namespace fs = std::filesystem;
using apptest::DialogRig;
using apptest::FileTree;
using apptest::Press;
using apptest::WindowRig;

class DataDiscEndToEnd : public apptest::ScratchFolderTest {
 protected:
  // Burn on the main window, then Start in the burn dialog with the disc
  // left open; runs until the dialog's finishing button is enabled.
  static void BurnThroughTheDialog(DialogRig& d) {
    d.rig.PressBurn();
    TBurningForm& burn = *d.burn;
    ASSERT_TRUE(burn.isVisible());
    ASSERT_FALSE(d.rig.form->isVisible());
    if (burn.cCloseDisc->Checked()) QTest::mouseClick(burn.cCloseDisc, Qt::LeftButton, {}, QPoint(6, 6));
    ASSERT_FALSE(burn.cCloseDisc->Checked());
    // Nothing of an earlier run may pass for this one's end.
    burn.memo1->Clear();
    Press(burn.btnStartBurn);
    ASSERT_TRUE(d.Log().contains("Drive is ready.")) << d.Log().toStdString();
    ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  }
  // The finishing button closes the dialog and brings the main window back;
  // the user pushes the ejected tray in again.
  static void Finish(DialogRig& d, char letter) {
    Press(d.burn->btnEject);
    EXPECT_FALSE(d.burn->isVisible());
    EXPECT_TRUE(d.rig.form->isVisible());
    EXPECT_TRUE(d.rig.form->isEnabled());
    d.rig.recorders.at(letter)->CloseTray();
  }
  static bool Succeeded(const DialogRig& d) {
    return d.Log().contains("Write/Burn CD(DVD) Process done") && !d.Log().contains("with error");
  }

  // The disc in drive `letter`, read by both peers from the session that
  // starts at `start` (the last one when negative); they must agree.
  FileTree ReadBack(DialogRig& d, char letter, const std::string& name, long start = -1) {
    const std::string image = d.rig.Disc(letter, Path(name + ".iso"));
    const std::uint32_t sector =
        start < 0 ? apptest::LastSessionStart(*d.rig.recorders.at(letter)) : static_cast<std::uint32_t>(start);
    const FileTree by_xorriso = apptest::XorrisoTree(image, sector, Path(name + ".out"));
    EXPECT_EQ(apptest::IsoinfoTree(image, sector), apptest::IsoinfoNames(by_xorriso)) << name;
    return by_xorriso;
  }

};

TEST_F(DataDiscEndToEnd, StartPageToTwoSessionsOnADvdPlusRThatReadBackByteForByte) {
  // Names a task file and a disc must carry unchanged, and two the disc
  // cannot hold.
  Write("src/Photos (2019)/a (1).txt", "first photo");
  Write("src/Photos (2019)/inner dir/data.bin", isotest::Pattern(70000, 3));
  Write("src/with space/x y.txt", "spaced");
  Write("src/Café déjà/résumé.txt", "accented");
  Write("src/数据 文件/文件.txt", "CJK");
  Write("src/)starts/(1).txt", "brackets");
  std::string deep = "src/deep";
  for (int i = 1; i <= 9; ++i) deep += "/level " + std::to_string(i);
  Write(deep + "/leaf.txt", "too deep");
  const std::string long_name = std::string(120, 'n') + ".txt";
  Write("src/long/" + long_name, "too long");
  Write("src/long/short.txt", "fits");
  FileTree expected = apptest::HostTree(Path("src"));
  // What the disc cannot hold stays out: the name too long, and the ninth
  // level of folders (the root is the first) with all it holds.
  const std::string too_deep = "deep/level 1/level 2/level 3/level 4/level 5/level 6/level 7/";
  std::erase_if(expected, [&](const auto& e) { return e.first.rfind(too_deep, 0) == 0; });
  expected.erase("long/" + long_name);

  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  WindowRig& rig = d.rig;
  TForm1& main = *rig.form;

  // The start page's data launcher opens the main window.
  main.Hide();
  rig.start->Show();
  QTest::mouseClick(rig.start->btnBurn, Qt::LeftButton, {}, rig.start->btnBurn->rect().center());
  ASSERT_TRUE(main.isVisible());
  EXPECT_FALSE(rig.start->isVisible());

  rig.Click(main.btnNew);
  rig.AddFromExplorer(QPath("src"));
  const std::string composed = SerializeTaskNode(main.Editor().Save());

  // Save, New, Open: the editor holds the same tree.
  rig.dialogs.AnswerFile({QPath("task.tsk")});
  rig.Click(main.btnSave);
  EXPECT_FALSE(main.Modified);
  rig.Click(main.btnNew);
  EXPECT_TRUE(main.Editor().Empty());
  rig.dialogs.AnswerFile({QPath("task.tsk")});
  rig.Click(main.btnOpen);
  EXPECT_EQ(SerializeTaskNode(main.Editor().Save()), composed);

  // The names the disc cannot hold are named before anything is written;
  // the user burns without them.
  QString refused;
  rig.dialogs.OnMessage = [&](const MessageRequest& request) { refused = request.text; };
  rig.dialogs.AnswerMessage(mrYes);
  BurnThroughTheDialog(d);
  rig.dialogs.OnMessage = nullptr;
  EXPECT_TRUE(refused.contains(QString::fromStdString(long_name))) << refused.toStdString();
  EXPECT_TRUE(refused.contains("\\level 6\\level 7: folders nested deeper than 8 levels")) << refused.toStdString();
  EXPECT_FALSE(refused.contains("short.txt")) << refused.toStdString();
  ASSERT_TRUE(Succeeded(d)) << d.Log().toStdString();
  Finish(d, 'E');
  EXPECT_EQ(ReadBack(d, 'E', "first"), expected);

  // A second burn imports the first session and adds a file.
  Write("more/later (2).txt", "added later");
  ProgramOptions().ImportSessionNo = -1;
  rig.Click(main.btnNew);
  rig.AddFromExplorer(QPath("more"));
  BurnThroughTheDialog(d);
  ASSERT_TRUE(Succeeded(d)) << d.Log().toStdString();
  Finish(d, 'E');
  ASSERT_EQ(rig.recorders.at('E')->Summary().sessions, 2u);
  FileTree both = expected;
  both["later (2).txt"] = apptest::Digest("added later");
  EXPECT_EQ(ReadBack(d, 'E', "second"), both);
  EXPECT_EQ(ReadBack(d, 'E', "second-first", 0), expected);
}

TEST_F(DataDiscEndToEnd, QuickEraseOfACdRwFromTheMainWindowThenABurn) {
  Write("old/old.txt", "to be erased");
  Write("new/Café (new)/new.bin", isotest::Pattern(300000, 5));
  DialogRig d({{'E', VirtualMedium::CdRw}});
  WindowRig& rig = d.rig;
  TForm1& main = *rig.form;
  d.BurnSession('E', QPath("old"), false);
  ASSERT_EQ(rig.recorders.at('E')->Summary().sessions, 1u);

  rig.Click(main.btnErase);
  TEraseForm& erase = *EraseForm();
  ASSERT_TRUE(erase.isVisible());
  EXPECT_EQ(erase.cmbMethod->ItemIndex(), 0);  // quick
  rig.dialogs.AnswerMessage(mrYes);            // all data will be lost
  rig.dialogs.AnswerMessage(mrOk);             // erase process done
  Press(erase.btnErase);
  ASSERT_TRUE(QTest::qWaitFor([&] { return erase.btnCancel->Enabled(); }, 120000)) << "the erase did not end";
  EXPECT_EQ(erase.btnCancel->Caption(), "&Finish");
  EXPECT_EQ(rig.recorders.at('E')->Summary().sessions, 0u);
  Press(erase.btnCancel);
  EXPECT_FALSE(erase.isVisible());
  ASSERT_TRUE(main.isEnabled());
  rig.recorders.at('E')->CloseTray();  // ejected after the erase

  ProgramOptions().ImportSessionNo = 0;
  rig.Click(main.btnNew);
  rig.AddFromExplorer(QPath("new"));
  BurnThroughTheDialog(d);
  ASSERT_TRUE(Succeeded(d)) << d.Log().toStdString();
  Finish(d, 'E');
  EXPECT_EQ(ReadBack(d, 'E', "cd"), apptest::HostTree(Path("new")));
}

TEST_F(DataDiscEndToEnd, DriveFaultsEndTheBurnWithTheirTextAndTheWindowsBurnAgain) {
  Write("src/big.bin", isotest::Pattern(4 * 1048576, 7));
  Write("src/small.txt", "small");
  struct Case {
    const char* name;
    VirtualFault::Kind kind;
  } const cases[] = {{"write error", VirtualFault::Kind::WriteError},
                     {"medium removed", VirtualFault::Kind::MediumRemoved}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRig d({{'E', VirtualMedium::DvdPlusR}});
    WindowRig& rig = d.rig;
    TForm1& main = *rig.form;
    VirtualRecorder& drive = *rig.recorders.at('E');
    rig.Click(main.btnNew);
    rig.AddFromExplorer(QPath("src"));

    // The fault strikes at the tenth block write of the burn.
    std::atomic<int> writes{0};
    rig.hooks.at('E')->before = [&](const ScsiCommand& command) {
      if (command.opcode() != 0x2A || ++writes != 10) return;
      VirtualFault fault;
      fault.kind = c.kind;
      fault.opcode = c.kind == VirtualFault::Kind::WriteError ? 0x2A : -1;
      // This very write fails, or every command after it finds no disc.
      fault.lba = static_cast<std::uint32_t>(command.cdb[2]) << 24 | command.cdb[3] << 16 | command.cdb[4] << 8 |
                  command.cdb[5];
      drive.AddFault(fault);
    };
    BurnThroughTheDialog(d);
    rig.hooks.at('E')->before = nullptr;
    drive.ClearFaults();
    EXPECT_GE(writes.load(), 10);
    EXPECT_TRUE(d.Log().contains("Write/Burn CD(DVD) Process done with error")) << d.Log().toStdString();
    EXPECT_TRUE(d.Log().contains("WRITER ERROR [")) << d.Log().toStdString();
    EXPECT_EQ(d.burn->btnEject->Caption(), "Discard");
    EXPECT_FALSE(main.Timer1->Enabled());
    EXPECT_EQ(main.qcdb().GetFileCount(), 0);
    Press(d.burn->btnEject);
    ASSERT_TRUE(main.isVisible());
    ASSERT_TRUE(main.isEnabled());
    EXPECT_FALSE(main.Editor().Empty());

    // A new disc goes in; the same compilation burns and reads back.
    drive.InsertBlank(VirtualMedium::DvdPlusR);
    BurnThroughTheDialog(d);
    ASSERT_TRUE(Succeeded(d)) << d.Log().toStdString();
    Finish(d, 'E');
    EXPECT_EQ(ReadBack(d, 'E', std::string("again-") + (c.kind == VirtualFault::Kind::WriteError ? "w" : "m")),
              apptest::HostTree(Path("src")));
  }
}

}  // namespace
