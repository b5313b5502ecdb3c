#pragma once
// Sounds: play a wave or media file, stop it. Playback runs an installed
// player program (paplay or aplay for waves; ffplay, mpg123 or paplay for
// other media); with none installed, Play says so and nothing plays.

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "platform/gui/Services.h"

class QProcess;

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts playing `file` (stops what played before); false with a reason
  // in LastError when it cannot.
  virtual bool Play(const QString& file) = 0;
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
  virtual QString LastError() const = 0;
};

class ProcessSoundPlayer final : public SoundPlayer {
 public:
  // `search_path` replaces PATH when looking for a player (tests use it).
  explicit ProcessSoundPlayer(QStringList search_path = {});
  ~ProcessSoundPlayer() override;
  bool Play(const QString& file) override;
  void Stop() override;
  bool Playing() const override;
  QString LastError() const override { return error_; }
  // The player command for `file`, or empty when none is installed.
  QStringList CommandFor(const QString& file) const;

 private:
  QStringList search_path_;
  std::unique_ptr<QProcess> process_;
  QString error_;
};

class FakeSoundPlayer final : public SoundPlayer {
 public:
  bool Play(const QString& file) override;
  void Stop() override;
  bool Playing() const override { return playing_; }
  QString LastError() const override { return {}; }
  std::vector<QString> calls;  // "play <file>" / "stop"

 private:
  bool playing_ = false;
};

inline SoundPlayer& Sounds() { return CurrentService<SoundPlayer, ProcessSoundPlayer>(); }
