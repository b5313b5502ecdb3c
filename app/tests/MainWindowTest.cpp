// The main window driven as a user drives it: drops from the explorer, the
// task-file commands, Burn, erase, on virtual recorders; discs are read back
// by xorriso.

#include <QDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/About.h"
#include "app/tests/DiscReadBack.h"
#include "app/tests/WindowRig.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Http.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"
#include "skin/se_binding_views.h"
#include "skin/se_engine.h"
#include "recorder/tests/IsoTestSupport.h"

namespace {

namespace fs = std::filesystem;
using apptest::WindowRig;

class MainWindow : public apptest::ScratchFolderTest {
 protected:
  static std::map<std::string, std::string> Tree(const std::string& root) { return apptest::HostTree(root); }
  static std::string Digest(const std::string& bytes) { return apptest::Digest(bytes); }
  // The last session of the disc in drive `letter`, extracted by xorriso.
  std::map<std::string, std::string> DiscTree(WindowRig& rig, char letter, const std::string& name) {
    const std::string image = rig.Disc(letter, Path(name + ".iso"));
    return apptest::XorrisoTree(image, apptest::LastSessionStart(*rig.recorders.at(letter)), Path(name + ".out"));
  }

};

// Whether the skin draws the headers of a control that is no skinned
// wrapper (the explorer's); false when nothing binds it to the skin.
bool DecorSkinned(TComponent* control) {
  for (int i = 0; i < control->ComponentCount(); ++i)
    if (auto* decor = dynamic_cast<TSeSkinViewDecor*>(control->Components(i))) return decor->HeaderSkinned();
  return false;
}

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
  const QString first = form.cbDrives->Items()->Strings(0);
  const QString second = form.cbDrives->Items()->Strings(1);
  // A drive named by text (as the scheduler picks one) becomes the item
  // shown and the recorder's drive.
  form.cbDrives->SetText(second);
  form.cbDrivesChange(form.cbDrives);
  EXPECT_EQ(form.cbDrives->ItemIndex(), 1);
  EXPECT_EQ(QString::fromStdString(form.qcdb().SelectedDeviceId), second);
  form.cbDrives->SetItemIndex(0);
  EXPECT_EQ(QString::fromStdString(form.qcdb().SelectedDeviceId), first);
  EXPECT_EQ(form.cbDrives->Text(), first);
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

TEST_F(MainWindow, TheDeleteKeyInTheEntryListRemovesTheSelectedEntries) {
  Write("a.txt", "a");
  Write("b.txt", "bb");
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  TForm1& form = *rig.form;
  struct Case {
    Qt::Key key;
    int left;
  } const cases[] = {{Qt::Key_Period, 2}, {Qt::Key_Backspace, 2}, {Qt::Key_Delete, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    form.Modified = false;  // no question at New
    form.btnNewClick();
    rig.AddFromExplorer(QString::fromStdString(dir_), {"a.txt", "b.txt"});
    form.Modified = false;
    form.clbox->Items()->Item(0)->SetSelected(true);
    QWidget* keys = form.clbox->focusProxy() ? form.clbox->focusProxy() : form.clbox;
    QTest::keyClick(keys, c.key);
    EXPECT_EQ(form.clbox->Items()->Count(), c.left);
    EXPECT_EQ(form.Modified, c.left == 1);
    EXPECT_EQ(form.CompilationSize(), c.left == 1 ? 2 : 3);
  }
}

TEST_F(MainWindow, TheWindowPaintsOnAndSaysWhatItAddsWhileALargeFolderIsMeasured) {
  Write("big/a.txt", "a");
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  form.btnNewClick();
  // The folder takes long to measure: it is done only once the window has
  // run its timers three times, which it can only do when it keeps serving
  // its events meanwhile (the wait gives up after ten seconds, so a window
  // that blocks fails the test instead of hanging it). The status line names
  // the folder meanwhile.
  std::atomic<int> ticks = 0;
  const auto measure = form.MeasureSource;
  form.MeasureSource = [measure, &ticks](const QString& path, bool folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (folder && ticks < 3 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return measure(path, folder);
  };
  QString shown;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (shown.isEmpty()) shown = form.StatusBar1->Panels()->Items(1)->Text();
    ++ticks;
  });
  timer.start(20);
  rig.AddFromExplorer(QPath(""), {"big"});
  timer.stop();
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(shown, "Adding " + QDir::toNativeSeparators(QPath("big")) + " ...");
  EXPECT_EQ(form.StatusBar1->Panels()->Items(1)->Text(), "");
  ASSERT_EQ(form.clbox->Items()->Count(), 1);
  EXPECT_EQ(form.CompilationSize(), 1);
}

TEST_F(MainWindow, HelpItemsOpenTheHelpFileByItsFullPathAndTheMakersAddresses) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  const TAppStrings& s = AppStrings();
  ASSERT_TRUE(QFileInfo(s.HelpFile()).isAbsolute()) << s.HelpFile().toStdString();
  struct Case {
    const char* item;
    QString target;
  } const cases[] = {
      {"&Help/Co&ntent", s.HelpFile()},
      {"&Help/Con&tact Us/Te&chnical Support", "mailto:" + s.ContactMail},
      {"&Help/Con&tact Us/Sa&le Support", "mailto:" + s.SalesMail},
      {"&Help/Con&tact Us/&Report Bug", "mailto:" + s.BugReportMail},
      {"&Help/O&ur Homepage", s.ProductURL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    TSeSkinItem* item = form.MenuItem(c.item);
    ASSERT_NE(item, nullptr);
    const std::size_t before = rig.shell.Calls().size();
    item->Click();  // runs once the menus have closed
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.shell.Calls().size() > before; }, 5000));
    EXPECT_EQ(rig.shell.Calls().back().target, c.target);
  }
  // The tool button and F1 open the same file.
  rig.Click(form.btnHelp);
  EXPECT_EQ(rig.shell.Calls().back().target, s.HelpFile());
  const std::size_t before = rig.shell.Calls().size();
  // F1 goes where a key goes: to the focused control of the window.
  QWidget* focused = QApplication::focusWidget();
  QTest::keyClick(focused && focused->window() == &form ? focused : &form, Qt::Key_F1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.shell.Calls().size() > before; }, 5000));
  EXPECT_EQ(rig.shell.Calls().back().target, s.HelpFile());
}

TEST_F(MainWindow, AboutAndTheVersionCheckRunFromTheMenu) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  FakeHttpClient http;  // knows no address: the check fails
  ScopedService<HttpClient> scoped_http(http);
  rig.dialogs.AnswerMessage(mrOk);
  form.MenuItem("Too&ls/&Check the latest version")->Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.dialogs.Calls().empty(); }, 5000));
  EXPECT_EQ(rig.dialogs.Calls().back().message.text, kMenuCheckFailure);
  ASSERT_EQ(http.requested.size(), 1u);
  EXPECT_TRUE(http.requested[0].endsWith("/update.txt")) << http.requested[0].toStdString();

  const auto about_shown = [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (dynamic_cast<TAboutForm*>(w) && w->isVisible()) return static_cast<TAboutForm*>(w);
    return static_cast<TAboutForm*>(nullptr);
  };
  for (const auto& open : std::vector<std::function<void()>>{
           [&] { form.MenuItem("&Help/&About")->Click(); }, [&] { rig.Click(form.btnAbout); }}) {
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return about_shown() != nullptr; }, 5000));
    about_shown()->Close();
    EXPECT_EQ(about_shown(), nullptr);
  }
}

TEST_F(MainWindow, EveryPartOfTheWindowWearsTheSkinAndDropsIt) {
  Write("a.txt", "a");
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  EXPECT_EQ(form.SeSkinForm1->SkinEngine(), form.SeSkinEngine1);
  EXPECT_EQ(form.SeSkinForm1->SkinObject(), "Form");
  EXPECT_EQ(form.SeSkinForm1->BorderIcons(), kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  EXPECT_EQ(form.SeSkinForm1->Caption(), form.Caption());
  const std::vector<std::pair<const char*, std::function<bool()>>> parts = {
      {"frame", [&] { return form.SeSkinForm1->UseSkin(); }},
      {"menu bar", [&] { return form.SeSkinMenuBar1->UseSkin(); }},
      {"menu items", [&] { return form.MenuItem("&Task/&New")->UseSkin(); }},
      {"popup items", [&] { return dynamic_cast<TSeSkinItem*>(form.PopupMenu2->Items()->Items(0))->UseSkin(); }},
      {"hint", [&] { return form.SeSkinHint1->UseSkin(); }},
      {"tool bar", [&] { return form.tbFile->Binding().UseSkin(); }},
      {"tool button", [&] { return form.bBurn->Binding().UseSkin(); }},
      {"drive combo", [&] { return form.cbDrives->Binding().UseSkin(); }},
      {"drive label", [&] { return form.lDrive->Binding().UseSkin(); }},
      {"folder tree", [&] { return form.trvDir->Binding().UseSkin(); }},
      {"entry list", [&] { return form.clbox->Binding().UseSkin(); }},
      {"capacity bar", [&] { return form.ProgressBar1->Binding().UseSkin(); }},
      {"status bar", [&] { return form.StatusBar1->Binding().UseSkin(); }},
      {"entry list headers", [&] { return form.clbox->HeaderDecor()->HeaderSkinned(); }},
      {"explorer tree", [&] { return DecorSkinned(form.Dirlist); }},
      {"explorer file list", [&] { return DecorSkinned(form.lbFiles); }},
  };
  for (const auto& [name, skinned] : parts) EXPECT_FALSE(skinned()) << name;
  form.SeSkinEngine1->SetSkinFile(BURNER_BINARY_DIR "/bin/Skins/devoir.mskn");
  for (const auto& [name, skinned] : parts) EXPECT_TRUE(skinned()) << name;
  // The editor works on under the skin: a drop lands, the bar and the
  // status line follow.
  form.btnNewClick();
  rig.AddFromExplorer(QString::fromStdString(dir_), {"a.txt"});
  EXPECT_EQ(form.clbox->Items()->Count(), 1);
  EXPECT_EQ(form.ProgressBar1->Hint(), "0 MB");
  EXPECT_EQ(form.StatusBar1->Panels()->Items(0)->Text(), "0 MB");
  form.SeSkinEngine1->SetSkinFile("");
  for (const auto& [name, skinned] : parts) EXPECT_FALSE(skinned()) << name;
}

// The scale under the capacity bar is drawn on the entry list's ground with
// its text colour: white without a skin, dark under a dark skin, and white
// again when the skin goes.
TEST_F(MainWindow, TheCapacityScaleTakesTheListsColours) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  const auto ground = [&] { return QColor(form.Image3->Picture()->Bitmap().ToQImage().pixel(20, 4)); };
  // Pixels of the labels written in `ink`.
  const auto inked = [&](TColor ink) {
    const QImage scale = form.Image3->Picture()->Bitmap().ToQImage();
    int n = 0;
    for (int y = 0; y < scale.height(); ++y)
      for (int x = 0; x < scale.width(); ++x) n += QColor(scale.pixel(x, y)) == ColorToQColor(ink);
    return n;
  };
  EXPECT_EQ(ground(), QColor(Qt::white));
  EXPECT_GT(inked(clBlack), 20);
  form.SeSkinEngine1->SetSkinFile(BURNER_BINARY_DIR "/bin/Skins/slate.mskn");
  ASSERT_TRUE(form.clbox->Binding().UseSkin());
  EXPECT_EQ(ground(), ColorToQColor(form.clbox->Color()));
  EXPECT_LT(ground().lightness(), 64) << "slate's lists are dark";
  EXPECT_GT(inked(form.clbox->Font()->Color()), 20);
  form.SeSkinEngine1->SetSkinFile("");
  EXPECT_EQ(ground(), QColor(Qt::white));
}

TEST_F(MainWindow, TheDriveComboShowsWholeDriveNames) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusR}});
  TForm1& form = *rig.form;
  for (const char* skin : {"", "slate", "devoir", "meadow"}) {
    SCOPED_TRACE(skin);
    form.SeSkinEngine1->SetSkinFile(*skin ? std::string(BURNER_BINARY_DIR "/bin/Skins/") + skin + ".mskn" : "");
    apptest::ExpectWholeDriveIds(form.cbDrives);
    // The whole row of tool bars still fits the window, with either bar of
    // the burn buttons.
    EXPECT_LE(form.tbHelp->Left() + form.tbHelp->Width(), form.tbTools->ClientWidth());
    EXPECT_LE(form.tbISO->Width(), form.tbBurn->Width());
  }
  form.SeSkinEngine1->SetSkinFile("");
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
