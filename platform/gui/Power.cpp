#include "platform/gui/Power.h"

#include <QProcess>

bool SystemdPower::PowerOff() {
  // Wait for systemctl's answer: a refusal (no permission) must not look
  // like success.
  QProcess process;
  process.start(program_, {"poweroff"});
  if (!process.waitForStarted(5000)) return false;
  if (!process.waitForFinished(30000)) return false;
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
