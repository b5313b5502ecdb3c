// The main window driven as a user drives it: drops from the explorer, the
// task-file commands, Burn, erase, on virtual recorders; discs are read back
// by xorriso.

#include <QDir>
#include <filesystem>
#include <fstream>

#include "app/tests/WindowRig.h"
#include "recorder/tests/IsoTestSupport.h"

namespace {

namespace fs = std::filesystem;
using apptest::WindowRig;
using isotest::Q;
using isotest::Shell;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/burner-app-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  QString QPath(const std::string& rel) const { return QString::fromStdString(Path(rel)); }
  void Write(const std::string& rel, const std::string& text) {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << text;
  }

  // Files and folders below `root`, relative, folders with a trailing "/",
  // each file with its size and a hash of its bytes.
  static std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
      const std::string rel = fs::relative(it->path(), root).string();
      if (it->is_directory())
        out[rel + "/"] = "";
      else
        out[rel] = Digest(isotest::ReadAll(it->path().string()));
    }
    return out;
  }
  // The last session of the disc in drive `letter`, extracted by xorriso.
  std::map<std::string, std::string> DiscTree(WindowRig& rig, char letter, const std::string& name) {
    const std::string image = rig.Disc(letter, Path(name + ".iso"));
    const std::string out_dir = Path(name + ".out");
    const auto summary = rig.recorders.at(letter)->Summary();
    std::uint32_t start = 0;
    for (const auto& track : summary.tracks)
      if (track.session == summary.sessions) start = track.start;
    std::string out;
    EXPECT_EQ(Shell("xorriso -osirrox on -indev " + Q(image) + " -load sbsector " + std::to_string(start) +
                        " -extract / " + Q(out_dir) + " 2>&1",
                    &out),
              0)
        << out;
    Shell("chmod -R u+w " + Q(out_dir));
    return Tree(out_dir);
  }

  static std::string Digest(const std::string& bytes) {
    return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>{}(bytes));
  }

  std::string dir_;
};

// Names a task file and a disc must carry unchanged.
const char* const kHardNames[] = {"Photos (2019)", "with space", "Café déjà", "数据 文件", ")starts"};

TEST_F(MainWindow, TreeSurvivesSaveNewOpenAndBurnsTwoSessionsToADvdPlusR) {
  std::string expected_root;
  for (const char* name : kHardNames) {
    Write(std::string("src/") + name + "/" + name + ".txt", std::string("text of ") + name);
    Write(std::string("src/") + name + "/inner (1)/data.bin", isotest::Pattern(70000, name[0]));
  }
  Write("src/loose (file).txt", "a loose file");
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  form.btnNewClick();

  // A disc folder named like a host folder with "(", filled from the explorer.
  TTreeNode* docs = form.Editor().CreateFolder("Docs (old)");
  ASSERT_NE(docs, nullptr);
  rig.AddFromExplorer(QPath("src"), {"Photos (2019)", "with space", "Café déjà", "数据 文件", ")starts"});
  form.trvDir->SetSelected(docs);
  rig.AddFromExplorer(QPath("src"), {"loose (file).txt"});
  EXPECT_EQ(form.clbox->Items()->Count(), 1);
  EXPECT_TRUE(form.Modified);
  const std::string before = SerializeTaskNode(form.Editor().Save());

  rig.dialogs.AnswerFile({QPath("task.tsk")});
  rig.Click(form.btnSave);
  EXPECT_FALSE(form.Modified);
  rig.Click(form.btnNew);  // saved: no question
  EXPECT_TRUE(form.Editor().Empty());
  rig.dialogs.AnswerFile({QPath("task.tsk")});
  rig.Click(form.btnOpen);
  EXPECT_EQ(SerializeTaskNode(form.Editor().Save()), before);
  EXPECT_EQ(rig.dialogs.Unanswered(), 0);
  ASSERT_EQ(form.trvDir->Items()->GetFirstNode()->Count(), 1);
  EXPECT_EQ(form.trvDir->Items()->GetFirstNode()->Item(0)->Text(), "Docs (old)");

  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd()) << rig.burn_view.All().toStdString();
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  EXPECT_TRUE(rig.burn_view.Has("Write/Burn CD(DVD) Process done", clLogGreen));
  EXPECT_TRUE(form.isEnabled());

  std::map<std::string, std::string> expected;
  for (const auto& [rel, bytes] : Tree(Path("src")))
    if (rel.rfind("loose", 0) != 0) expected[rel] = bytes;
  expected["Docs (old)/"] = "";
  expected["Docs (old)/loose (file).txt"] = Digest("a loose file");
  EXPECT_EQ(DiscTree(rig, 'E', "first"), expected);

  // The disc came out after the burn; the user pushes the tray in again. The
  // second burn imports the first session and adds a file.
  EXPECT_TRUE(rig.recorders.at('E')->Summary().tray_open);
  rig.recorders.at('E')->CloseTray();
  Write("more/later.txt", "added later");
  rig.options.ImportSessionNo = -1;
  form.trvDir->SetSelected(form.trvDir->Items()->GetFirstNode());
  form.btnNewClick();
  rig.AddFromExplorer(QPath("more"), {"later.txt"});
  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd()) << rig.burn_view.All().toStdString();
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  EXPECT_EQ(rig.recorders.at('E')->Summary().sessions, 2u);
  expected["later.txt"] = Digest("added later");
  EXPECT_EQ(DiscTree(rig, 'E', "second"), expected);
}

TEST_F(MainWindow, EntriesBelongToTheirFolderNotToItsNameAndDepth) {
  Write("a.txt", "a");
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  TTreeNode* first = form.Editor().CreateFolder("Same");
  TTreeNode* second = form.Editor().CreateFolder("Same");
  form.trvDir->SetSelected(second);
  rig.AddFromExplorer(QString::fromStdString(dir_), {"a.txt"});
  EXPECT_EQ(form.clbox->Items()->Count(), 1);
  form.trvDir->SetSelected(first);
  EXPECT_EQ(form.clbox->Items()->Count(), 0);

  // Removing the first folder leaves the second's entry.
  form.RemoveFolderClick();
  form.trvDir->SetSelected(form.trvDir->Items()->GetFirstNode()->Item(0));
  EXPECT_EQ(form.clbox->Items()->Count(), 1);
  EXPECT_EQ(form.CompilationSize(), 1);
}

TEST_F(MainWindow, CutAndPasteMoveEntriesAndTheBarFollowsTheSize) {
  Write("f1.bin", std::string(3 * 1048576, 'x'));
  Write("f2.bin", std::string(1048576, 'y'));
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  TTreeNode* target = form.Editor().CreateFolder("Target");
  rig.AddFromExplorer(QString::fromStdString(dir_), {"f1.bin", "f2.bin"});
  EXPECT_EQ(form.ProgressBar1->Hint(), "4 MB");
  form.clbox->SelectAll();
  rig.Click(form.btnCut);
  form.trvDir->SetSelected(target);
  rig.Click(form.btnPaste);
  EXPECT_EQ(form.clbox->Items()->Count(), 2);
  form.trvDir->SetSelected(form.trvDir->Items()->GetFirstNode());
  EXPECT_EQ(form.clbox->Items()->Count(), 0);
  // A second paste does nothing; the size is unchanged by the move.
  rig.Click(form.btnPaste);
  EXPECT_EQ(form.CompilationSize(), 4 * 1048576);
  EXPECT_EQ(form.ProgressBar1->Hint(), "4 MB");
}

TEST_F(MainWindow, CancellingTheSaveDialogAfterYesCancelsNewOpenAndClose) {
  Write("a.txt", "a");
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  rig.AddFromExplorer(QString::fromStdString(dir_), {"a.txt"});
  const std::string before = SerializeTaskNode(form.Editor().Save());

  rig.dialogs.AnswerMessage(mrYes);
  rig.dialogs.AnswerFile({});  // the save dialog is cancelled
  rig.Click(form.btnNew);
  EXPECT_EQ(SerializeTaskNode(form.Editor().Save()), before);
  EXPECT_TRUE(form.Modified);

  rig.dialogs.AnswerMessage(mrYes);
  rig.dialogs.AnswerFile({});
  rig.Click(form.btnOpen);
  EXPECT_EQ(SerializeTaskNode(form.Editor().Save()), before);

  rig.dialogs.AnswerMessage(mrYes);
  rig.dialogs.AnswerFile({});
  form.Close();
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.Modified);

  rig.dialogs.AnswerMessage(mrNo);
  form.Close();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(rig.dialogs.Unanswered(), 0);
  EXPECT_EQ(rig.dialogs.Leftover(), 0u);
}

TEST_F(MainWindow, NamesTheDiscCannotHoldAreShownBeforeAnythingIsWritten) {
  const std::string long_name = std::string(120, 'n') + ".txt";
  Write("src/" + long_name, "too long");
  Write("src/ok.txt", "fine");
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  rig.AddFromExplorer(QPath("src"));
  QString shown;
  rig.dialogs.OnMessage = [&](const MessageRequest& request) { shown = request.text; };
  rig.dialogs.AnswerMessage(mrNo);
  rig.PressBurn();
  EXPECT_TRUE(shown.contains(QString::fromStdString(long_name))) << shown.toStdString();
  EXPECT_FALSE(rig.burn_view.Has("Start burning", clLogBlue));
  EXPECT_EQ(rig.recorders.at('E')->Summary().sessions, 0u);
  EXPECT_TRUE(form.isEnabled());
}

TEST_F(MainWindow, WriteErrorEndsTheBurnWithTheDriveTextAndTheWindowStaysUsable) {
  Write("src/big.bin", isotest::Pattern(4 * 1048576, 7));
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  rig.AddFromExplorer(QPath("src"));
  VirtualFault fault;
  fault.kind = VirtualFault::Kind::WriteError;
  fault.opcode = 0x2A;
  fault.lba = 600;
  rig.recorders.at('E')->AddFault(fault);
  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd()) << rig.burn_view.All().toStdString();
  EXPECT_FALSE(rig.burn_view.last_success);
  EXPECT_TRUE(rig.burn_view.Has("Process done with error", clLogRed));
  EXPECT_TRUE(rig.burn_view.Has("WRITER ERROR [", clLogRed)) << rig.burn_view.All().toStdString();
  EXPECT_TRUE(form.isEnabled());
  EXPECT_FALSE(form.Timer1->Enabled());
  // The recorder's tables are empty again; the editor keeps the compilation.
  EXPECT_EQ(form.qcdb().GetFileCount(), 0);
  EXPECT_FALSE(form.Editor().Empty());
}

TEST_F(MainWindow, QuickEraseOfACdRwThenABurn) {
  Write("src/one.txt", "first burn");
  Write("src2/two.txt", "after the erase");
  WindowRig rig({{'E', VirtualMedium::CdRw}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  rig.AddFromExplorer(QPath("src"));
  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd());
  ASSERT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  rig.recorders.at('E')->CloseTray();

  rig.dialogs.AnswerMessage(mrYes);  // "All Data on the CD will be lost"
  rig.dialogs.AnswerMessage(mrOk);   // "Erase process done."
  form.QuickErase(form.cbDrives->Text(), "Max");
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.erase_view.done > 0; }, 60000))
      << rig.erase_view.declined << " " << form.qcdb().Erasing() << " " << form.qcdb().LastError;
  EXPECT_FALSE(rig.erase_view.with_error);
  EXPECT_EQ(rig.recorders.at('E')->Summary().sessions, 0u);

  rig.dialogs.AnswerMessage(mrNo);  // the changed compilation is not saved
  form.btnNewClick();
  rig.AddFromExplorer(QPath("src2"));
  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd());
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  EXPECT_EQ(DiscTree(rig, 'E', "cd"), (std::map<std::string, std::string>{{"two.txt", Digest("after the erase")}}));
}

TEST_F(MainWindow, TheBurnGoesToTheDriveTheComboShows) {
  Write("src/x.txt", "x");
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}, {'F', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  ASSERT_EQ(form.cbDrives->Items()->Count(), 2);
  form.cbDrives->SetItemIndex(1);
  form.btnNewClick();
  rig.AddFromExplorer(QPath("src"));
  rig.PressBurn();
  ASSERT_TRUE(rig.WaitForBurnEnd());
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  EXPECT_EQ(rig.recorders.at('E')->Summary().sessions, 0u);
  EXPECT_EQ(rig.recorders.at('F')->Summary().sessions, 1u);
  EXPECT_TRUE(rig.burn_view.Has("F: ", clLogBlue));
}

TEST_F(MainWindow, BurnRefusesAnEmptyCompilation) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  rig.form->btnNewClick();
  rig.dialogs.AnswerMessage(mrOk);
  rig.PressBurn();
  ASSERT_EQ(rig.dialogs.Calls().size(), 1u);
  EXPECT_EQ(rig.dialogs.Calls()[0].message.text, "Please add files or folders to the Burning List.");
  EXPECT_TRUE(rig.burn_view.log.empty());
}

TEST(DriverFigures, SpeedsAndTimes) {
  EXPECT_EQ(TForm1::SpeedTextToKBps("16X", 1), 2832);
  EXPECT_EQ(TForm1::SpeedTextToKBps("4X", 10), 5540);
  EXPECT_EQ(TForm1::SpeedTextToKBps("Max", 10), 0);
  EXPECT_EQ(TForm1::SpeedTextToKBps("", 1), 0);
  EXPECT_EQ(TForm1::SpeedTextToKBps("2.4X", 10), 3324);
  EXPECT_EQ(TForm1::SecondsText(3725), "1:2:5");
}

}  // namespace
