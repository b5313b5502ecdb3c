#pragma once
// The window rig with the dialogs of the application made as at start: the
// burn dialog and the options window over the main window, in a program
// folder of the test's own (Option.ini, temp, Skins).

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "app/About.h"
#include "app/Burning.h"
#include "app/DiscLayout.h"
#include "app/Erase.h"
#include "app/Option.h"
#include "app/Sessions.h"
#include "app/schedule.h"
#include "app/tests/WindowRig.h"
#include "platform/gui/Autostart.h"
#include "platform/gui/Http.h"
#include "platform/gui/Printing.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"

namespace apptest {

// A left click in the middle of a skinned button, as a user gives it; on a
// file edit, a click on its button.
inline void Press(TSeCustomButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}
inline void Press(TSeCustomEditButton* edit) { Press(edit->Button()); }

class DialogRig {
 public:
  explicit DialogRig(std::vector<Drive> drives, const std::string& option_ini = "", bool with_schedule = false)
      : rig(std::move(drives)) {
    AppStrings().AppDir = app_dir.path();
    if (!option_ini.empty()) Write("Option.ini", option_ini);
    AppForms().StartForm = rig.start;
    // The schedule window is made before the dialogs, as at start.
    if (with_schedule) schedule.reset(Create<TScheduleForm>(nullptr));
    burn.reset(CreateBurningForm());
    options.reset(CreateOptionForm());
    ConnectEraseWindow();
    ConnectInformationDialogs();
    ConnectLayoutDialog();
    ConnectVersionCheck();
  }
  ~DialogRig() {
    burn.reset();
    options.reset();
    schedule.reset();
    AppForms().ScheduleForm = nullptr;
    AppForms().StartForm = nullptr;
    ProgramOptions() = TProgramOptions{};
  }
  QString Path(const QString& relative) const { return app_dir.filePath(relative); }
  void Write(const QString& relative, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(Path(relative)).absolutePath());
    QFile file(Path(relative));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  void Write(const QString& relative, const std::string& text) { Write(relative, QByteArray::fromStdString(text)); }
  QByteArray Read(const QString& relative) const {
    QFile file(Path(relative));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }
  // Runs the event loop until the burn dialog's finishing button is enabled.
  bool WaitForFinish(int seconds = 120) {
    return QTest::qWaitFor([&] { return burn->btnEject->Enabled(); }, seconds * 1000);
  }
  QString Log() const { return burn->memo1->Text(); }

  // Burns the files of host folder `folder` through the burn dialog as one
  // more session (the disc stays open), and pushes the tray in again.
  void BurnSession(char letter, const QString& folder, bool import_last) {
    TForm1& main = *rig.form;
    main.Modified = false;
    main.btnNewClick();
    rig.AddFromExplorer(folder);
    ProgramOptions().ImportSessionNo = import_last ? -1 : 0;
    main.bBurn->Click();
    burn->cCloseDisc->SetChecked(false);
    Press(burn->btnStartBurn);
    ASSERT_TRUE(WaitForFinish()) << Log().toStdString();
    ASSERT_TRUE(Log().contains("Process done") && !Log().contains("with error")) << Log().toStdString();
    Press(burn->btnEject);
    rig.recorders.at(letter)->CloseTray();
    main.Modified = false;
  }

  QTemporaryDir app_dir;
  WindowRig rig;
  FakeAutostart autostart;
  ScopedService<AutostartService> scoped_autostart{autostart};
  FakePrintService printing;
  ScopedPrintService scoped_printing{printing};
  std::unique_ptr<TScheduleForm> schedule;
  std::unique_ptr<TBurningForm> burn;
  std::unique_ptr<TOptionForm> options;
};

}  // namespace apptest
