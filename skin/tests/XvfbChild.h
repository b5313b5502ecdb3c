#pragma once
// Runs this test program again, on a real X server under Xvfb, for the
// tests a gtest filter names: the X11 half of tests that must hold on both
// platforms.

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <utility>
#include <vector>

struct XvfbChild {
  bool ran = false;  // false: xvfb-run is not installed
  int exit_code = -1;
  QString log;
};

inline XvfbChild RunUnderXvfb(const QString& filter, const std::vector<std::pair<QString, QString>>& environment,
                              int timeout_ms = 300000) {
  XvfbChild result;
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) return result;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.remove("BURNER_WRITE_GOLDEN");
  for (const auto& [name, value] : environment) env.insert(name, value);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfb, {"-a", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=" + filter});
  result.ran = true;
  if (child.waitForFinished(timeout_ms)) result.exit_code = child.exitCode();
  result.log = QString::fromLocal8Bit(child.readAll());
  return result;
}
