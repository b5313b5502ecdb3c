#pragma once
// A temporary folder tree shown as the only volume, with HOME and the XDG
// folders pointed inside it, dialogs answered by a script, file operations
// and shell opens through fakes where a test asks for them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "platform/gui/Dialogs.h"
#include "platform/gui/FileOps.h"
#include "platform/gui/Services.h"
#include "platform/gui/Shell.h"
#include "shell/EwFileExplorer28Volumes.h"

class ExplorerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path() + "/data";
    QDir().mkpath(root_);
    QDir().mkpath(tmp_.path() + "/home");
    saved_home_ = qgetenv("HOME");
    qputenv("HOME", (tmp_.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (tmp_.path() + "/home/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (tmp_.path() + "/home/.local/share").toUtf8());
    volumes_.volumes = {{"Data", root_ + "/", kDriveFixed}};
    scoped_volumes_ = std::make_unique<ScopedService<VolumeSource>>(volumes_);
    scoped_dialogs_ = std::make_unique<ScopedDialogService>(dialogs_);
    scoped_shell_ = std::make_unique<ScopedService<ShellService>>(shell_);
  }
  void TearDown() override {
    scoped_shell_.reset();
    scoped_dialogs_.reset();
    scoped_volumes_.reset();
    qputenv("HOME", saved_home_);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
  }

  QString Path(const QString& relative) const { return root_ + "/" + relative; }
  void MakeDir(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(Path(relative))); }
  void MakeFile(const QString& relative, qint64 size, const QDateTime& modified = {}) const {
    QFile file(Path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
    file.close();
    if (modified.isValid()) {
      ASSERT_TRUE(file.open(QIODevice::ReadWrite));
      ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
  }
  // Routes file operations through the fake for the rest of the test.
  void UseFakeFileOps() { scoped_ops_ = std::make_unique<ScopedService<FileOperations>>(fake_ops_); }
  // The texts of the message boxes shown so far.
  QStringList Messages() const {
    QStringList out;
    for (const auto& call : dialogs_.Calls())
      if (call.kind == ScriptedDialogService::Kind::Message) out.push_back(call.message.text);
    return out;
  }

  QTemporaryDir tmp_;
  QString root_;
  QByteArray saved_home_;
  FakeVolumes volumes_;
  ScriptedDialogService dialogs_;
  FakeShell shell_;
  FakeFileOperations fake_ops_;
  std::unique_ptr<ScopedService<VolumeSource>> scoped_volumes_;
  std::unique_ptr<ScopedDialogService> scoped_dialogs_;
  std::unique_ptr<ScopedService<ShellService>> scoped_shell_;
  std::unique_ptr<ScopedService<FileOperations>> scoped_ops_;
};

// Runs the events an edit's end queues (the commit, then the rename).
inline void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Saves a widget's picture for a look while building.
inline void SaveShot(QWidget* widget, const QString& name) {
  const QString dir = QStringLiteral(BURNER_BINARY_DIR "/shots");
  QDir().mkpath(dir);
  widget->grab().save(dir + "/" + name + ".png");
}
