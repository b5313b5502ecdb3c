// The erase window, the drive, disc and session windows, the layout
// dialog, the tips window and the version check, driven on virtual
// recorders and a local web server.

#include <QFontInfo>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <filesystem>

#include "app/About.h"
#include "app/DiscLayout.h"
#include "app/Erase.h"
#include "app/SessionTree.h"
#include "app/Sessions.h"
#include "app/Tip.h"
#include "app/Unit2.h"
#include "app/tests/DialogRig.h"
#include "platform/core/IniFile.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Grids.h"
#include "platform/gui/Menus.h"
#include "recorder/tests/IsoTestSupport.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_engine.h"
#include "skin/se_skinform.h"

namespace {

namespace fs = std::filesystem;
using apptest::DialogRig;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
using isotest::Q;
using isotest::Shell;

using apptest::Press;

class Scratch : public apptest::ScratchFolderTest {};

// The information windows line their columns up in a fixed-pitch font: the
// widget that shows them must have it, not only the control's font.
bool ShowsFixedPitch(TWidgetHost* control) { return QFontInfo(control->Inner()->font()).fixedPitch(); }

// A clock whose sleeps pass at once in recorder time. Sleeps of threads
// other than the test's are paced by the test: each waits until the test
// lets one through, so a worker that polls the drive cannot run ahead of
// the test that samples its progress, however loaded the machine is.
class PacedClock final : public Clock {
 public:
  explicit PacedClock(FakeClock& fake) : fake_(fake), test_thread_(std::this_thread::get_id()) {}
  ~PacedClock() override { Open(); }
  TimePoint Now() const override { return fake_.Now(); }
  std::uint64_t TickMs() const override { return fake_.TickMs(); }
  void SleepMs(std::uint32_t ms) override {
    if (std::this_thread::get_id() != test_thread_) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return open_ || granted_; });
      granted_ = false;
      changed_.notify_all();
    }
    fake_.SleepMs(ms);
  }
  // Lets the next sleep of another thread pass and waits a little for it to
  // be taken. A step not taken stays granted: at most one sleep passes
  // between two steps.
  void Step() {
    std::unique_lock lock(mutex_);
    granted_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::milliseconds(20), [&] { return !granted_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  FakeClock& fake_;
  const std::thread::id test_thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool granted_ = false;
  bool open_ = false;
};

using EraseDiscs = Scratch;

TEST_F(EraseDiscs, QuickAndFullEraseOfRewritableDiscsShowRisingProgress) {
  struct Case {
    VirtualMedium medium;
    int method;
  } const cases[] = {{VirtualMedium::CdRw, 0}, {VirtualMedium::CdRw, 1}, {VirtualMedium::DvdRwSequential, 0},
                     {VirtualMedium::DvdRwSequential, 1}};
  Write("src/a.txt", "to be erased");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(MediumKey(c.medium)) + (c.method == 0 ? " quick" : " full"));
    DialogRig d({{'E', c.medium}});
    d.BurnSession('E', QPath("src"), false);
    ASSERT_EQ(d.rig.recorders.at('E')->Summary().sessions, 1u);
    d.rig.recorders.at('E')->SetTimingPercent(100);
    PacedClock clock(d.rig.clock);
    ScopedClock scoped(clock);

    d.rig.Click(d.rig.form->btnErase);
    TEraseForm& e = *EraseForm();
    ASSERT_TRUE(e.isVisible());
    EXPECT_FALSE(d.rig.form->isEnabled());
    EXPECT_EQ(e.cmbSpeed->Items()->Strings(0), "Max");
    apptest::ExpectWholeDriveIds(e.cbDrives);
    e.cmbMethod->SetItemIndex(c.method);
    e.cmbMethodChange();
    EXPECT_EQ(e.labFull1->Visible(), c.method == 1);
    d.rig.dialogs.AnswerMessage(mrYes);  // all data will be lost
    d.rig.dialogs.AnswerMessage(mrOk);   // erase process done
    Press(e.btnErase);
    EXPECT_FALSE(e.btnCancel->Enabled());
    EXPECT_TRUE(e.btnAbort->Visible());
    e.Close();  // refused while erasing
    EXPECT_TRUE(e.isVisible());
    std::vector<int> seen;
    // The erase thread polls the drive and sleeps between polls; each of
    // its sleeps waits for one sample here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!e.btnCancel->Enabled() && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents();
      if (d.rig.form->qcdb().Erasing()) {
        d.rig.form->Timer1Timer();
        seen.push_back(e.pbprogress->Position());
      }
      clock.Step();
    }
    ASSERT_TRUE(e.btnCancel->Enabled()) << "the erase did not end";
    EXPECT_EQ(e.pbprogress->Position(), 100);
    EXPECT_EQ(e.labProgress->Caption(), "100%");
    EXPECT_EQ(e.btnCancel->Caption(), "&Finish");
    EXPECT_FALSE(e.btnAbort->Visible());
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LT(seen.front(), seen.back());
    EXPECT_EQ(d.rig.recorders.at('E')->Summary().sessions, 0u);
    Press(e.btnCancel);
    EXPECT_FALSE(e.isVisible());
    EXPECT_TRUE(d.rig.form->isEnabled());
  }
}

TEST_F(EraseDiscs, NoDiscAndNoAnswerLeaveTheWindowClosable) {
  DialogRig d({{'E', VirtualMedium::None}});
  TEraseForm& e = *EraseForm();
  e.Show();
  d.rig.dialogs.AnswerMessage(mrOk);
  Press(e.btnErase);
  EXPECT_TRUE(d.rig.dialogs.Calls().back().message.text.startsWith("Drive E: is not ready. Please insert a rewritable"));
  EXPECT_TRUE(e.btnErase->Visible());
  EXPECT_TRUE(e.btnCancel->Enabled());
  Press(e.btnCancel);
  EXPECT_FALSE(e.isVisible());
}

TEST_F(EraseDiscs, TheWindowGoesWithTheMainWindowThatOwnsIt) {
  DialogRig d({{'E', VirtualMedium::CdRw}});
  QPointer<TEraseForm> e = EraseForm();
  e->Show();
  ASSERT_EQ(d.rig.form->EraseView, e.data());
  // A part of the main window that asks for it as it goes, as the erase
  // window does.
  struct Witness : TComponent {
    using TComponent::TComponent;
    ~Witness() override { *seen = AppForms().Form1; }
    TForm1** seen = nullptr;
  };
  TForm1* seen = d.rig.form;
  Create<Witness>(d.rig.form)->seen = &seen;
  delete d.rig.form;
  d.rig.form = nullptr;
  EXPECT_TRUE(e.isNull());
  EXPECT_EQ(seen, nullptr);
}

using InformationDialogs = Scratch;

TEST_F(InformationDialogs, CapabilitiesShowTheDrivesLastSetWithoutACommand) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TQCDBurner& r = d.rig.form->qcdb();
  const std::size_t commands = d.rig.recorders.at('E')->CommandLog().size();
  TForm2 caps;
  caps.ShowDrive(r);
  EXPECT_EQ(d.rig.recorders.at('E')->CommandLog().size(), commands);
  EXPECT_EQ(caps.Label1->Caption(), "  " + QString::fromStdString(r.SelectedDeviceId));
  EXPECT_TRUE(caps.Label2->Caption().startsWith("Max Write Speed   :  "));
  EXPECT_EQ(caps.WriteDVDPR->Checked(), (r.Capabilities & capWriteDVDPR) != 0);
  EXPECT_EQ(caps.UnderrunProtection->Checked(), (r.Capabilities & capUnderrunProtection) != 0);
  EXPECT_EQ(caps.ReadDVD->Checked(), (r.Capabilities & (1u << 3)) != 0);
  EXPECT_FALSE(caps.Panel2->Enabled());
  EXPECT_EQ(SpeedFigure(7056, false), "7,056 KB/s (40X)");
  EXPECT_EQ(SpeedFigure(11080, true), "11,080 KB/s (8.0X)");
}

TEST(SessionFigures, SizesRoundHalfToEvenAndNeverCut) {
  EXPECT_EQ(SessionSizeText(200 * 512), " 200 MB");
  EXPECT_EQ(SessionSizeText(256), "   0 MB");    // 0.5 MB rounds to even
  EXPECT_EQ(SessionSizeText(768), "   2 MB");    // 1.5 MB rounds to even
  EXPECT_EQ(SessionSizeText(10000 * 512), "10000 MB");
}

TEST_F(InformationDialogs, SessionsMatchThePeersAndTheViewerImportsThePickedSession) {
  Write("one/first.txt", "first session");
  Write("two/second.bin", isotest::Pattern(200000, 5));
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  d.BurnSession('E', QPath("one"), false);
  d.BurnSession('E', QPath("two"), true);
  ASSERT_EQ(d.rig.recorders.at('E')->Summary().sessions, 2u);

  TfrmSessions sessions;
  sessions.Fill(d.rig.form->qcdb());
  const QStringList lines = sessions.lb->Items()->ToQStringList();
  ASSERT_EQ(lines.size(), 3) << lines.join("\n").toStdString();
  EXPECT_TRUE(lines[0].startsWith("  001      000:02:00  ")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].startsWith("  002      ")) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(" Free      ")) << lines[2].toStdString();
  EXPECT_TRUE(ShowsFixedPitch(sessions.lb));
  EXPECT_EQ(sessions.lMedium->Caption(), QString::fromStdString(DiscTypeName(dtDVDPlusR)));
  EXPECT_TRUE(sessions.lDiscSize->Caption().endsWith(" MB"));

  // The second line imports session 2, which holds both files.
  std::vector<std::string> names;
  sessions.ShowViewer = [&](TfrmTree* viewer) {
    viewer->Show();
    EXPECT_TRUE(ShowsFixedPitch(viewer->fl));
    for (int row = 1; row < viewer->fl->RowCount(); ++row) names.push_back(viewer->fl->Cells(0, row).toStdString());
    // Extract all into a folder of the user's choice; a hostile name on
    // the disc stays inside it.
    auto* entry = static_cast<TFEntry*>(viewer->fl->Objects(1, 2));
    ASSERT_NE(entry, nullptr);
    const std::string real_name = entry->LongName;
    entry->LongName = "../../escaped.bin";
    d.rig.dialogs.AnswerFolder(QPath("out"));
    fs::create_directories(dir_ + "/out");
    viewer->MsgClick();
    EXPECT_FALSE(fs::exists(dir_ + "/escaped.bin"));
    EXPECT_FALSE(fs::exists(dir_ + "/../escaped.bin"));
    entry->LongName = real_name;
    // A file that is there already is replaced only when the user says so.
    d.rig.dialogs.AnswerFolder(QPath("out"));
    d.rig.dialogs.AnswerMessage(mrNo);
    d.rig.dialogs.AnswerMessage(mrNo);
    viewer->MsgClick();
    viewer->Close();
  };
  sessions.lb->SetItemIndex(1);
  sessions.SpeedButton1Click();
  EXPECT_EQ(names, (std::vector<std::string>{" 1 first.txt", " 2 second.bin"}));
  EXPECT_EQ(isotest::ReadAll(dir_ + "/out/first.txt"), "first session");
  EXPECT_EQ(isotest::ReadAll(dir_ + "/out/.._.._escaped.bin").size() +
                isotest::ReadAll(dir_ + "/out/escaped.bin").size() + isotest::ReadAll(dir_ + "/out/_.._escaped.bin").size(),
            200000u)
      << [&] {
           std::string list;
           for (auto& f : fs::directory_iterator(dir_ + "/out")) list += f.path().filename().string() + " ";
           return list;
         }();

  // Nothing selected, and the Free line: nothing is imported.
  d.rig.dialogs.AnswerMessage(mrOk);
  sessions.lb->SetItemIndex(-1);
  sessions.SpeedButton1Click();
  EXPECT_EQ(d.rig.dialogs.Calls().back().message.text, "Select session from list");
  int opened = 0;
  sessions.ShowViewer = [&](TfrmTree*) { ++opened; };
  sessions.lb->SetItemIndex(2);
  sessions.SpeedButton1Click();
  EXPECT_EQ(opened, 0);
  // The first line imports the first session alone.
  names.clear();
  sessions.ShowViewer = [&](TfrmTree* viewer) {
    viewer->Show();
    for (int row = 1; row < viewer->fl->RowCount(); ++row) names.push_back(viewer->fl->Cells(0, row).toStdString());
    // One file extracted by double click, byte for byte.
    viewer->fl->SetRow(1);
    d.rig.dialogs.AnswerInput(QPath("single.txt"));
    viewer->Extract1Click();
    viewer->Close();
  };
  sessions.lb->SetItemIndex(0);
  sessions.SpeedButton1Click();
  EXPECT_EQ(names, (std::vector<std::string>{" 1 first.txt"}));
  EXPECT_EQ(isotest::ReadAll(dir_ + "/single.txt"), "first session");

  // The peers read the same disc: session starts (the window shows them
  // with the 150-frame offset) and the recorded size.
  auto frames = [](const QString& msf) {
    const QStringList parts = msf.split(':');
    return (parts[0].toInt() * 60 + parts[1].toInt()) * 75 + parts[2].toInt() - 150;
  };
  const int start1 = frames(lines[0].mid(11, 9)), start2 = frames(lines[1].mid(11, 9));
  const int lead_out = frames(lines[2].mid(11, 9));
  const std::string preload = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
  if (!fs::exists(preload)) GTEST_SKIP() << preload << " is not built";
  if (kSanitized) GTEST_SKIP() << "sanitizer runtimes cannot be preloaded into other programs";
  std::string device;
  for (int n = 0; device.empty(); ++n)
    if (!fs::exists("/dev/sr" + std::to_string(n))) device = "/dev/sr" + std::to_string(n);
  const std::string files = d.rig.machine.files.path();
  // The program lets go of its drives first, as it does when it ends.
  d.burn.reset();
  d.options.reset();
  delete d.rig.form;
  d.rig.form = nullptr;
  AppForms().Form1 = nullptr;
  ShutdownASPI();
  d.rig.machine.scoped.reset();
  d.rig.machine.host.reset();
  const std::string client = "cd " + Q(files) + " && BURNER_DRIVE_MAP=" + Q(files + "/DriveMap.ini") +
                             " BURNER_PRELOAD_DEVICES=" + device + "=E XDG_DATA_HOME=" + Q(files + "/data") +
                             " LD_PRELOAD=" + Q(preload) + " timeout 300 ";
  std::string toc, cap;
  ASSERT_EQ(Shell(client + "xorriso -indev " + device + " -toc 2>&1", &toc), 0) << toc;
  ASSERT_EQ(Shell(client + "sg_readcap " + device + " 2>&1", &cap), 0) << cap;
  const QRegularExpression session("ISO session\\s*:\\s*(\\d+)\\s*,\\s*(\\d+)\\s*,");
  std::vector<int> starts;
  for (auto it = session.globalMatch(QString::fromStdString(toc)); it.hasNext();) starts.push_back(it.next().captured(2).toInt());
  EXPECT_EQ(starts, (std::vector<int>{start1, start2})) << toc;
  const QRegularExpressionMatch blocks =
      QRegularExpression("Number of logical blocks=(\\d+)").match(QString::fromStdString(cap));
  ASSERT_TRUE(blocks.hasMatch()) << cap;
  EXPECT_EQ(blocks.captured(1).toInt(), lead_out) << cap << lines[2].toStdString();
}

TEST_F(InformationDialogs, NoDiscGivesTheErrorLineAndShowFilesDoesNothing) {
  DialogRig d({{'E', VirtualMedium::None}});
  TfrmSessions sessions;
  sessions.Fill(d.rig.form->qcdb());
  EXPECT_EQ(sessions.lb->Items()->ToQStringList(), QStringList{"     Error getting session information"});
  EXPECT_TRUE(sessions.lMedium->Caption().isEmpty());
  sessions.lb->SetItemIndex(0);
  int opened = 0;
  sessions.ShowViewer = [&](TfrmTree*) { ++opened; };
  sessions.SpeedButton1Click();
  EXPECT_EQ(opened, 0);
}

TEST_F(InformationDialogs, TheLayoutDialogTakesFilesAndFoldersOut) {
  Write("src/keep.txt", "keep");
  Write("src/drop.txt", "drop");
  Write("src/folder/inner.txt", "inner");
  Write("src/empty/.keep", "");
  fs::remove(dir_ + "/src/empty/.keep");
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TForm1& main = *d.rig.form;
  int shown = 0;
  main.ShowLayout = [&] {
    ++shown;
    TfrmDiscLayout layout;
    layout.SetRecorder(&main.qcdb());
    layout.Show();
    EXPECT_EQ(layout.fl->Cells(2, 0), "    Date & Time ");
    EXPECT_TRUE(ShowsFixedPitch(layout.fl));
    // The cells lie on the window colour, wherever the font came from.
    EXPECT_EQ(layout.fl->Inner()->palette().color(QPalette::Base), ColorToQColor(clWindow));
    auto row_of = [&](const QString& name) {
      for (int row = 1; row < layout.fl->RowCount(); ++row)
        if (layout.fl->Cells(0, row) == name) return row;
      return -1;
    };
    ASSERT_GT(row_of("drop.txt"), 0);
    EXPECT_TRUE(QRegularExpression("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                    .match(layout.fl->Cells(2, row_of("drop.txt")))
                    .hasMatch())
        << layout.fl->Cells(2, row_of("drop.txt")).toStdString();
    auto press_delete = [](QWidget* w) {
      QTest::keyClick(w->focusProxy() ? w->focusProxy() : w, Qt::Key_Delete);
    };
    // Del in the grid takes the file out.
    layout.fl->SetRow(row_of("drop.txt"));
    press_delete(layout.fl);
    EXPECT_EQ(row_of("drop.txt"), -1);
    // A folder row is refused in the grid; the tree removes it.
    d.rig.dialogs.AnswerMessage(mrOk);
    layout.fl->SetRow(row_of("folder"));
    layout.MenuItem1Click();
    EXPECT_GT(row_of("folder"), 0);
    for (TTreeNode* n = layout.tvDir->Items()->GetFirstNode()->GetFirstChild(); n; n = n->GetNextSibling())
      if (n->Text() == "folder") layout.tvDir->SetSelected(n);
    press_delete(layout.tvDir);
    EXPECT_EQ(row_of("folder"), -1);
    // Delete on the root only rebuilds.
    layout.Delete1Click();
    EXPECT_GT(row_of("keep.txt"), 0);
    layout.Close();
  };
  ProgramOptions().ShowFiles = true;
  main.btnNewClick();
  d.rig.AddFromExplorer(QPath("src"), {"keep.txt", "drop.txt", "folder"});
  main.bBurn->Click();
  Press(d.burn->btnStartBurn);
  ASSERT_TRUE(d.WaitForFinish()) << d.Log().toStdString();
  EXPECT_EQ(shown, 1);
  const std::string image = d.rig.Disc('E', dir_ + "/disc.iso");
  std::string out;
  Shell("xorriso -indev " + Q(image) + " -find / 2>/dev/null", &out);
  EXPECT_NE(out.find("/keep.txt"), std::string::npos) << out;
  EXPECT_EQ(out.find("/drop.txt"), std::string::npos) << out;
  EXPECT_EQ(out.find("/folder"), std::string::npos) << out;
}

// --- The program's skin

// Each dialog draws from the program's one skin engine: its frame with the
// caption buttons it is given and its controls; a bold title stays bold
// under the skin's font; without a skin all of it is plain again.
TEST(SkinnedDialogs, FramesAndControlsFollowTheProgramsSkin) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  TSeSkinEngine* engine = AppSkinEngine();
  ASSERT_NE(engine, nullptr);
  const auto tips = CreateUnique<TTipForm>();
  const auto about = CreateUnique<TAboutForm>();
  TEraseForm* erase = EraseForm();
  const TBurningForm& b = *d.burn;
  struct Case {
    const char* window;
    TSeSkinForm* frame;
    TSeBorderIcons icons;
    std::vector<const TSeSkinBinding*> controls;
  } const cases[] = {
      {"burn dialog",
       b.SeSkinForm1,
       kbiClose | kbiMinimize,
       {&b.btnStartBurn->Binding(), &b.cbspeed->Binding(), &b.edtISO->Binding(), &b.edtLabel->Binding(),
        &b.rdbCustom->Binding(), &b.cCloseDisc->Binding(), &b.gpbOption->Binding(), &b.LabLabel->Binding(),
        &b.pcd->Binding(), &b.sbxIcon->Binding()}},
      {"erase window",
       erase->SeSkinForm1,
       kbiClose,
       {&erase->cmbMethod->Binding(), &erase->pbprogress->Binding(), &erase->btnErase->Binding(),
        &erase->Label1->Binding()}},
      {"tips", tips->SeSkinForm1, kbiClose, {&tips->memo1->Binding(), &tips->chkTip->Binding(), &tips->Label1->Binding()}},
      {"about box", about->SeSkinForm1, kbiClose, {&about->btnOK->Binding(), &about->labVersion->Binding()}},
  };
  engine->SetSkinFile(BURNER_BINARY_DIR "/bin/Skins/devoir.mskn");
  ASSERT_GT(engine->Source().Count(), 0);
  for (const Case& c : cases) {
    ASSERT_NE(c.frame, nullptr) << c.window;
    EXPECT_TRUE(c.frame->UseSkin()) << c.window;
    EXPECT_EQ(c.frame->SkinEngine(), engine) << c.window;
    EXPECT_EQ(c.frame->BorderIcons(), c.icons) << c.window;
    EXPECT_EQ(c.frame->SkinObject(), "Form") << c.window;
    for (std::size_t i = 0; i < c.controls.size(); ++i) EXPECT_TRUE(c.controls[i]->UseSkin()) << c.window << " " << i;
  }
  EXPECT_TRUE(tips->Label1->Font()->Style() & fsBold);
  apptest::ExpectWholeDriveIds(erase->cbDrives);
  engine->SetSkinFile("");
  for (const Case& c : cases) {
    EXPECT_FALSE(c.frame->UseSkin()) << c.window;
    for (const TSeSkinBinding* control : c.controls) EXPECT_FALSE(control->UseSkin()) << c.window;
  }
}

// --- Tips and about box

TEST(Tips, ATipFromTheFileAndTheDefaultsForMissingKeys) {
  DialogRig d({{'E', VirtualMedium::DvdPlusR}});
  SeededRandom random(7);
  ScopedRandom scoped(random);
  d.Write("Tips.ini", std::string("[Count]\r\nValue=1\r\n[1]\r\nTitle=Only tip\r\nContent=Its text\r\n"));
  TTipForm tips;
  tips.Show();
  EXPECT_EQ(tips.Label1->Caption(), "Only tip");
  EXPECT_EQ(tips.memo1->Text(), "Its text");
  tips.Close();
  d.Write("Tips.ini", std::string("[Count]\r\nValue=2\r\n"));
  tips.Show();
  EXPECT_EQ(tips.Label1->Caption(), "No title available.");
  EXPECT_EQ(tips.memo1->Text(), "No content available.");
  // "Never show" turns the option off and is saved when the window closes.
  tips.chkTip->SetChecked(true);
  EXPECT_FALSE(d.options->chkTip->Checked());
  tips.Close();
  EXPECT_TRUE(d.Read("Option.ini").contains("Display Tips=0\r\n"));
  // Without a file the design text stays and nothing is asked.
  QFile::remove(d.Path("Tips.ini"));
  tips.Show();
  EXPECT_EQ(tips.Label1->Caption(), "No title available.");
  tips.Close();
}

TEST(Tips, TheShippedFileHasEveryTip) {
  const TIniFile ini(BURNER_SOURCE_DIR "/resources/Tips.ini");
  const int count = ini.ReadInteger("Count", "Value", 0);
  ASSERT_GT(count, 0);
  for (int i = 1; i <= count; ++i) {
    EXPECT_FALSE(ini.ReadString(std::to_string(i), "Title", "").empty()) << i;
    EXPECT_FALSE(ini.ReadString(std::to_string(i), "Content", "").empty()) << i;
  }
}

TEST(About, VersionAndNotice) {
  AppStrings().ProductVersion = "1.8";
  TAboutForm about;
  about.Init();
  EXPECT_EQ(about.labVersion->Caption(), "Version 1.8");
  EXPECT_EQ(about.Label2->Caption(), "Windows95/98/ME/2000/NT/XP/2003");
  EXPECT_TRUE(about.labCompany->Caption().contains(AppStrings().CompanyName));
}

// --- Version check against a web server of the test's own

class UpdateServer {
 public:
  UpdateServer() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          request_ += socket->readAll();
          if (!request_.contains("\r\n\r\n") || silent) return;
          socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\n\r\n" + body);
          socket->disconnectFromHost();
        });
      }
    });
  }
  QString Url() const { return QString("http://127.0.0.1:%1/").arg(server_.serverPort()); }
  QByteArray body;
  bool silent = false;
  QByteArray request_;

 private:
  QTcpServer server_;
};

TEST(VersionCheck, NewerSameOlderGarbageAndTimeOut) {
  UpdateServer server;
  ScriptedDialogService dialogs;
  ScopedDialogService scoped_dialogs(dialogs);
  FakeShell shell;
  ScopedService<ShellService> scoped_shell(shell);
  AppStrings() = TAppStrings{};
  AppStrings().ProductURL = server.Url();
  AppStrings().ProductVersion = "1.8";
  // The user's regional settings use a decimal comma: the site's point
  // still reads.
  FormatSettings comma = TheFormatSettings();
  comma.DecimalSeparator = ",";
  ScopedFormatSettings scoped_format(comma);

  struct Case {
    QByteArray body;
    bool silent;
    QString text;
  } const cases[] = {
      {"1.9", false,
       "The latest version of " + AppStrings().ProductName + " is 1.9\n\rDo you want to download it now?"},
      {"1.8\r\n", false, "The current version is the latest version."},
      {"1.805", false, "The current version is the latest version."},
      {"1.7", false, "The current version is the latest version."},
      {"<html>not found</html>", false, kMenuCheckFailure},
      {"1,9", false, kMenuCheckFailure},
      {"", true, kMenuCheckFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.toStdString());
    server.body = c.body;
    server.silent = c.silent;
    server.request_.clear();
    dialogs.AnswerMessage(mrYes);
    CheckLatestVersion(kMenuCheckFailure, 1500);
    ASSERT_FALSE(dialogs.Calls().empty());
    EXPECT_EQ(dialogs.Calls().back().message.text, c.text);
    EXPECT_EQ(dialogs.Calls().back().message.caption, "Information");
    EXPECT_TRUE(server.request_.startsWith("GET /update.txt ")) << server.request_.toStdString();
  }
  // Yes on the newer version opened the download address, once.
  ASSERT_EQ(shell.Calls().size(), 1u);
  EXPECT_EQ(shell.Calls()[0].target, AppStrings().DownloadURL);

  // No server at all: the start page's own text.
  AppStrings().ProductURL = "http://127.0.0.1:1/";
  dialogs.AnswerMessage(mrOk);
  CheckLatestVersion(kStartCheckFailure, 1500);
  EXPECT_EQ(dialogs.Calls().back().message.text, kStartCheckFailure);
  AppStrings() = TAppStrings{};
}

TEST(VersionCheck, NumbersReadTheSameInEveryRegion) {
  EXPECT_EQ(ParseVersionNumber("1.8"), 1.8);
  EXPECT_EQ(ParseVersionNumber(" 2.05\n"), 2.05);
  EXPECT_EQ(ParseVersionNumber("3"), 3.0);
  for (const char* bad : {"", "1,8", "1.8.1", "v1.8", "1e3", "-1", "nan"}) EXPECT_FALSE(ParseVersionNumber(bad)) << bad;
}

}  // namespace
