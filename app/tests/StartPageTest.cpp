// The start page driven as a user drives it: clicks on the launcher buttons
// (and beside them, on their see-through corners), the links, the title
// bars that move the borderless window, Close with and without backup
// tasks, the tray icon's menu and double click, and the "-Schedule" start.

#include <QMouseEvent>
#include <QTest>

#include "app/start.h"
#include "app/tests/WindowRig.h"
#include "effects/QRXPanels.h"
#include "effects/QRXShapeButton.h"
#include "effects/QRXTrayIcon.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"

namespace {

using apptest::WindowRig;

// The page made with a command line of its own.
struct StartRig {
  explicit StartRig(const QStringList& arguments = {}) : guard(arguments), rig({{'E', VirtualMedium::DvdPlusR}}) {
    rig.start->Show();
  }
  struct CommandLine {
    explicit CommandLine(const QStringList& arguments) { TStartForm::SetCommandLine(arguments); }
    ~CommandLine() { TStartForm::SetCommandLine({}); }
  } guard;
  WindowRig rig;
  TStartForm& page() { return *rig.start; }
  FakeTrayIcon& tray() { return *rig.trays.made.at(0); }
};

QPoint Middle(QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

TEST(StartPage, ScheduleSwitchPutsTheTrayIconUpOnlyAsTheFirstExactArgument) {
  const struct {
    QStringList arguments;
    bool tray;
  } cases[] = {
      {{}, false},
      {{"-Schedule"}, true},
      {{"-schedule"}, false},
      {{"-SCHEDULE"}, false},
      {{"/quiet", "-Schedule"}, false},
      {{"-Schedule", "extra"}, true},
  };
  for (const auto& c : cases) {
    StartRig s(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    EXPECT_EQ(s.page().TrayIcon->Active(), c.tray);
    EXPECT_EQ(s.tray().Visible(), c.tray);
    // The switch changes nothing else: the page is shown as usual.
    EXPECT_TRUE(s.page().isVisible());
  }
}

TEST(StartPage, LauncherButtonsOpenTheirWorkOnAClickInsideTheirShapeOnly) {
  StartRig s;
  TStartForm& page = s.page();
  std::vector<std::string> opened;
  page.OpenAudio = [&] { opened.push_back("audio"); };
  page.OpenClone = [&] { opened.push_back("copy"); };
  page.OpenEraser = [&] { opened.push_back("erase"); };
  page.OpenBackup = [&] { opened.push_back("backup"); };
  const struct {
    TQRXShapeButton* button;
    const char* opens;
  } cases[] = {
      {page.btnAudioCD, "audio"},
      {page.btnClone, "copy"},
      {page.btnEraser, "erase"},
      {page.btnBackup, "backup"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.opens);
    opened.clear();
    // The rounded corner lies outside the face: nothing happens there.
    QTest::mouseClick(c.button, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(c.button->ButtonState(), 0);
    QTest::mouseClick(c.button, Qt::LeftButton, {}, Middle(c.button));
    EXPECT_EQ(opened, std::vector<std::string>{c.opens});
  }
  // The underlined letters open the same work from the keyboard.
  opened.clear();
  QTest::keyClick(&page, Qt::Key_B, Qt::AltModifier);
  QTest::keyClick(&page, Qt::Key_E, Qt::AltModifier);
  EXPECT_EQ(opened, (std::vector<std::string>{"backup", "erase"}));
}

TEST(StartPage, DataButtonsOpenTheMainWindowWithTheirCaptionMaskAndToolBar) {
  StartRig s;
  TStartForm& page = s.page();
  TForm1& main = *s.rig.form;
  const QString product = AppStrings().ProductName + " V" + AppStrings().ProductVersion;
  const struct {
    TQRXShapeButton* button;
    QString caption;  // empty: left as it was
    QString mask;
    bool iso;
  } cases[] = {
      {page.btnBurn, product + " - Burn Data CD/DVD", "*.*", false},
      {page.btnMP3CD, product + " - Burn MP3 Data CD/DVD", "*.mp3", false},
      {page.btnISO, "", "*.*", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask.toStdString() + (c.iso ? " iso" : ""));
    page.Show();
    main.Hide();
    main.SetCaption("before");
    QTest::mouseClick(c.button, Qt::LeftButton, {}, Middle(c.button));
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.Caption(), c.caption.isEmpty() ? QString("before") : c.caption);
    EXPECT_EQ(main.lbFiles->Mask(), c.mask);
    EXPECT_EQ(main.tbISO->Visible(), c.iso);
    EXPECT_EQ(main.tbBurn->Visible(), !c.iso);
    auto* tools = c.iso ? main.tbISO : main.tbBurn;
    EXPECT_EQ(tools->Left(), main.tbDrive->Left() + main.tbDrive->Width());
    EXPECT_EQ(main.tbHelp->Left(), tools->Left() + tools->Width());
  }
}

TEST(StartPage, LinksAndHelpOpenThroughTheShell) {
  StartRig s;
  TStartForm& page = s.page();
  QTest::mouseClick(page.labSite, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(page.labCompany, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(page.btnHelp, Qt::LeftButton, {}, Middle(page.btnHelp));
  const auto& calls = s.rig.shell.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].target, AppStrings().ProductURL);
  EXPECT_EQ(calls[1].target, AppStrings().CompanyURL);
  // The help file by its full path, whatever the current folder.
  EXPECT_EQ(calls[2].target, AppStrings().HelpFile());
  EXPECT_TRUE(QFileInfo(calls[2].target).isAbsolute()) << calls[2].target.toStdString();
}

TEST(StartPage, BackgroundIsTheFillPanelThatTheOptionsRestyle) {
  StartRig s;
  TQRXFill& fill = *s.page().QRXFill1;
  // A point of the page that no button covers.
  const QPoint top(280, 62), bottom(280, fill.Top() + fill.Height() - 4);
  auto at = [&](QPoint p) { return s.page().grab().toImage().pixel(p) & 0xFFFFFF; };
  EXPECT_EQ(at(top), 0x7A96DFu);  // 14653050 as the screen shows it
  fill.FillObject().Brush().SetColor(RGB(10, 200, 30));
  EXPECT_EQ(at(top), 0x0AC81Eu);
  // The designed gradient runs from red at the top to blue at the bottom.
  fill.FillObject().SetStyle(TQRXFillStyle::sfGradient);
  EXPECT_EQ(at(QPoint(280, fill.Top())), 0xFF0000u);
  EXPECT_EQ(at(bottom), 0x0000FFu);
}

TEST(StartPage, TitleBarsAndTitleMoveTheBorderlessWindowByTheMouseTravel) {
  StartRig s;
  TStartForm& page = s.page();
  for (TControl* handle : std::initializer_list<TControl*>{page.QRXNImage1, page.QRXNImage2, page.labTitle}) {
    const int left = page.Left(), top = page.Top();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(20, 10));
    // The window follows at once, so the press point is under the mouse
    // again after each move.
    QMouseEvent move(QEvent::MouseMove, QPointF(47, 4), handle->mapToGlobal(QPointF(47, 4)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(page.Left(), left + 27);
    EXPECT_EQ(page.Top(), top - 6);
    EXPECT_TRUE(page.DragFlag);
    // A move without the button held leaves the window where it is.
    QMouseEvent hover(QEvent::MouseMove, QPointF(90, 20), handle->mapToGlobal(QPointF(90, 20)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &hover);
    EXPECT_EQ(page.Left(), left + 27);
  }
}

TEST(StartPage, CloseWaitsInTheTrayWhileBackupTasksAreListedElseEndsTheProgram) {
  for (int tasks : {1, 0}) {
    StartRig s;
    SCOPED_TRACE(tasks);
    TStartForm& page = s.page();
    page.ScheduledTaskCount = [tasks] { return tasks; };
    s.rig.form->Show();
    QTest::mouseClick(page.btnClose, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_FALSE(page.isVisible());
    EXPECT_EQ(page.TrayIcon->Active(), tasks > 0);
    EXPECT_EQ(s.tray().Visible(), tasks > 0);
    // Ending the program closes the main window first.
    EXPECT_EQ(s.rig.form->isVisible(), tasks > 0);
  }
}

TEST(StartPage, TrayIconMenuAndDoubleClick) {
  StartRig s({"-Schedule"});
  TStartForm& page = s.page();
  int backups = 0;
  page.OpenBackup = [&] { ++backups; };
  s.page().SetTrayHint("3 Backup Tasks");
  EXPECT_EQ(s.tray().Hint(), "3 Backup Tasks");

  s.tray().Fire(TrayEvent::DoubleClick);
  EXPECT_EQ(backups, 1);

  page.Hide();
  s.tray().Fire(TrayEvent::RightClick);
  QMenu* menu = page.PopupMenu1->Shown();
  ASSERT_NE(menu, nullptr);
  QStringList captions;
  for (QAction* a : menu->actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions, (QStringList{"&Main Window", "&Schedule List", "-", "&Options", "-", "&Exit"}));
  menu->actions().at(0)->trigger();
  menu->close();
  QTest::qWait(1);
  EXPECT_TRUE(page.isVisible());

  s.tray().Fire(TrayEvent::RightClick);
  page.PopupMenu1->Shown()->actions().at(1)->trigger();
  page.PopupMenu1->Shown()->close();
  QTest::qWait(1);
  EXPECT_EQ(backups, 2);

  s.rig.form->Show();
  s.tray().Fire(TrayEvent::RightClick);
  page.PopupMenu1->Shown()->actions().at(5)->trigger();
  page.PopupMenu1->Shown()->close();
  QTest::qWait(1);
  EXPECT_FALSE(page.isVisible());
  EXPECT_FALSE(s.rig.form->isVisible());
}

}  // namespace
