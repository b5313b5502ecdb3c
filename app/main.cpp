// The program's entry point: every module's registrations, then the
// long-lived forms in their fixed order (the start page first, which becomes
// the main form), then the message loop until the start page closes.

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "app/About.h"
#include "app/Audio.h"
#include "app/Burning.h"
#include "app/DiscLayout.h"
#include "app/Erase.h"
#include "app/Option.h"
#include "app/Sessions.h"
#include "app/Tip.h"
#include "app/ModuleInit.h"
#include "app/Unit1.h"
#include "app/schedule.h"
#include "app/start.h"
#include "platform/gui/Application.h"

namespace {

bool HaveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// The skinned windows place, move and shape themselves, which a Wayland
// compositor does not let a client do: in a Wayland session with XWayland
// the program runs through X11, unless the user chose a platform.
void PreferX11UnderWayland() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  if ((chosen && *chosen) || !wayland || !*wayland || !x11 || !*x11) return;
  setenv("QT_QPA_PLATFORM", "xcb", 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (!HaveDisplay()) {
    std::fputs(
        "burner: no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset); "
        "scripts/screenshot <window> <file.png> shows its windows under Xvfb\n",
        stderr);
    return 1;
  }
  PreferX11UnderWayland();
  InitializeModules();
  QApplication qt(argc, argv);
  TApplication application;
  application.SetTitle("");
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  TStartForm::SetCommandLine(arguments);

  // Each form's creation handler runs as it is made, in this order.
  application.CreateForm<TStartForm>();
  AppForms().Form1 = application.CreateForm<TForm1>();
  application.CreateForm<TScheduleForm>();
  CreateBurningForm();
  CreateOptionForm();
  CreateAudioForms();
  ConnectEraseWindow();
  ConnectInformationDialogs();
  ConnectLayoutDialog();
  ConnectVersionCheck();
  ShowTipsAtStart();
  application.Run();
  return 0;
}
