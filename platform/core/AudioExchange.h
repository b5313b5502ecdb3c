#pragma once
// The exchange file between the program and the audio burning process: the
// job (track list and drive) that the program writes before it starts the
// process, the status the process writes while it works, and the abort order.
//
// Both sides read and write the same INI file (documented in
// AUDIO-EXCHANGE.md beside this header). Every access holds an flock on
// path + ".lock", and every change is a read-modify-write ending in one atomic
// replace, so a status written by the process and an abort order written by
// the window at the same moment are both kept, and a reader never sees half
// of a change.
//
// This module is Qt-based and lives in its own library
// (`burner_audio_exchange`), so that burner_core stays free of Qt.

#include <QString>
#include <QStringList>
#include <optional>

namespace audio_exchange {

// $XDG_RUNTIME_DIR/burner/Task.ini; without a usable runtime folder, a
// folder of this user's under /tmp ("/tmp/burner-<uid>", mode 0700). The
// folder is made when missing; one that belongs to someone else or is open
// to others is not used (a job there could be read or replaced by them), and
// the path then names a file that cannot be written.
QString ExchangeFilePath();

struct Job {
  QStringList Tracks;  // full paths, in burn order
  QString Drive;       // the drive as the window's drive list names it
};

struct Status {
  int Track = -1;     // index of the track being processed, -1 before the first
  int Progress = -1;  // percent of the current track
  QString Text = "Unknown";
};

// Writes the job's keys. With deleteFirst the old file (and whatever status
// and order it held) goes first; without it the job's keys replace their old
// values and the rest stays. False with a message when the folder cannot be
// made, a path holds a line break, or the file cannot be written.
bool WriteJob(const QString& path, const Job& job, bool deleteFirst, QString* error);

// Reads the job back. Nothing with a message when the file is missing or
// unreadable, the count is not a number in 0..kMaxTracks, a track's name is
// missing or empty, or the drive is missing.
inline constexpr int kMaxTracks = 999;
std::optional<Job> ReadJob(const QString& path, QString* error);

// The status as last written; the defaults above for a missing file or key.
Status ReadStatus(const QString& path);
bool WriteStatus(const QString& path, const Status& status);

// "Order" "Message": the window's abort order ("Abort"); empty when none.
bool WriteOrder(const QString& path, const QString& message);
QString ReadOrder(const QString& path);

// Removes the file (a missing file is no error).
void Remove(const QString& path);

}  // namespace audio_exchange
