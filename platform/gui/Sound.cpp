#include "platform/gui/Sound.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

ProcessSoundPlayer::ProcessSoundPlayer(QStringList search_path) : search_path_(std::move(search_path)) {}

ProcessSoundPlayer::~ProcessSoundPlayer() { Stop(); }

QStringList ProcessSoundPlayer::CommandFor(const QString& file) const {
  const bool wave = QFileInfo(file).suffix().compare("wav", Qt::CaseInsensitive) == 0;
  struct Player {
    const char* program;
    QStringList arguments;
    bool waves_only;
  };
  const Player players[] = {
      {"paplay", {}, true},  // wave through the sound server
      {"aplay", {"-q"}, true},
      {"ffplay", {"-nodisp", "-autoexit", "-loglevel", "quiet"}, false},
      {"mpg123", {"-q"}, false},
  };
  for (const Player& p : players) {
    if (p.waves_only && !wave) continue;
    const QString path = QStandardPaths::findExecutable(p.program, search_path_);
    if (!path.isEmpty()) return QStringList{path} + p.arguments + QStringList{file};
  }
  return {};
}

bool ProcessSoundPlayer::Play(const QString& file) {
  Stop();
  error_.clear();
  if (!QFileInfo(file).isFile()) {
    error_ = "Cannot find the sound file " + file;
    return false;
  }
  QStringList command = CommandFor(file);
  if (command.isEmpty()) {
    error_ = "No sound player is installed";
    return false;
  }
  process_ = std::make_unique<QProcess>();
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const QString program = command.takeFirst();
  process_->start(program, command);
  if (!process_->waitForStarted(5000)) {
    error_ = "Cannot start " + program;
    process_.reset();
    return false;
  }
  return true;
}

void ProcessSoundPlayer::Stop() {
  if (!process_) return;
  if (process_->state() != QProcess::NotRunning) {
    process_->kill();
    process_->waitForFinished(2000);
  }
  process_.reset();
}

bool ProcessSoundPlayer::Playing() const { return process_ && process_->state() == QProcess::Running; }

bool FakeSoundPlayer::Play(const QString& file) {
  calls.push_back("play " + file);
  playing_ = true;
  return true;
}

void FakeSoundPlayer::Stop() {
  calls.push_back("stop");
  playing_ = false;
}
