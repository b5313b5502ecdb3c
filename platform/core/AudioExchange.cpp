#include "platform/core/AudioExchange.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <functional>
#include <string>

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/IniFile.h"

namespace audio_exchange {

namespace {

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A folder only this user can enter: ours, a real folder (not a link), and
// closed to group and others. Made with mode 0700 when missing.
bool PrivateFolder(const QString& folder) {
  const std::string native = Native(folder);
  if (mkdir(native.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info;
  if (lstat(native.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

// The exchange lock: an flock on path + ".lock", held for one access.
class ExchangeLock {
 public:
  ExchangeLock(const QString& path, int operation) {
    fd_ = open(Native(path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, operation) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~ExchangeLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the flock
  }
  ExchangeLock(const ExchangeLock&) = delete;
  ExchangeLock& operator=(const ExchangeLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

void SetError(QString* error, const QString& message) {
  if (error) *error = message;
}

// One change of the file: under the lock, the current file (or nothing, with
// startEmpty) is copied to a scratch file beside it, `change` writes its keys
// there, and the scratch file is renamed over the exchange file. A reader
// sees the old file or the new one; no other writer runs in between.
bool Change(const QString& path, bool startEmpty, const std::function<void(TIniFile&)>& change,
            QString* error) {
  if (path.isEmpty()) {
    SetError(error, "There is no private folder for the audio exchange file.");
    return false;
  }
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    SetError(error, "Cannot create the folder " + folder + ".");
    return false;
  }
  ExchangeLock lock(path, LOCK_EX);
  if (!lock.Held()) {
    SetError(error, "Cannot lock the audio exchange file " + path + ".");
    return false;
  }
  const std::string target = Native(path);
  const std::string scratch = target + ".new";
  try {
    std::string current;
    if (!startEmpty && access(target.c_str(), F_OK) == 0) current = ReadWholeFile(target);
    WriteFileAtomically(scratch, current);
    {
      TIniFile ini(scratch);
      change(ini);
    }
    if (rename(scratch.c_str(), target.c_str()) != 0)
      throw EWriteError("Cannot replace " + target + ": " + SysErrorMessage(errno));
  } catch (const Exception& e) {
    unlink(scratch.c_str());
    SetError(error, QString::fromStdString(e.Message()));
    return false;
  }
  return true;
}

// Runs `read` on the file under a shared lock, so it never meets a writer.
template <typename Read>
void Inspect(const QString& path, Read read) {
  if (path.isEmpty()) return;
  ExchangeLock lock(path, LOCK_SH);
  const TIniFile ini(Native(path));
  read(ini);
}

QString FromIni(const std::string& s) { return QString::fromStdString(s); }
std::string ToIni(const QString& s) { return s.toStdString(); }

}  // namespace

QString ExchangeFilePath() {
  const QByteArray chosen = qgetenv("BURNER_EXCHANGE_FILE");
  if (!chosen.isEmpty()) return QFile::decodeName(chosen);
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    const QString folder = QFile::decodeName(runtime) + "/burner";
    if (PrivateFolder(folder)) return folder + "/Task.ini";
  }
  const QString folder = QString("/tmp/burner-%1").arg(geteuid());
  if (PrivateFolder(folder)) return folder + "/Task.ini";
  return {};
}

bool WriteJob(const QString& path, const Job& job, bool deleteFirst, QString* error) {
  if (job.Tracks.size() > kMaxTracks) {
    SetError(error, QString("An audio CD holds at most %1 tracks.").arg(kMaxTracks));
    return false;
  }
  return Change(
      path, deleteFirst,
      [&](TIniFile& ini) {
        ini.WriteInteger("Count", "Value", int(job.Tracks.size()));
        for (int i = 0; i < job.Tracks.size(); ++i)
          ini.WriteString(std::to_string(i), "Name", ToIni(job.Tracks[i]));
        ini.WriteString("Drive", "Value", ToIni(job.Drive));
      },
      error);
}

std::optional<Job> ReadJob(const QString& path, QString* error) {
  std::optional<Job> job;
  QString problem;
  Inspect(path, [&](const TIniFile& ini) {
    if (!ini.SectionExists("Count")) {
      problem = "The audio exchange file " + path + " holds no job.";
      return;
    }
    const int count = ini.ReadInteger("Count", "Value", -1);
    if (count < 0 || count > kMaxTracks) {
      problem = QString("The audio exchange file gives a track count that is not 0 to %1.").arg(kMaxTracks);
      return;
    }
    Job read;
    for (int i = 0; i < count; ++i) {
      const QString name = FromIni(ini.ReadString(std::to_string(i), "Name", ""));
      if (name.isEmpty()) {
        problem = QString("The audio exchange file names no file for track %1.").arg(i + 1);
        return;
      }
      read.Tracks << name;
    }
    if (!ini.ValueExists("Drive", "Value")) {
      problem = "The audio exchange file names no drive.";
      return;
    }
    read.Drive = FromIni(ini.ReadString("Drive", "Value", ""));
    job = std::move(read);
  });
  if (!job) SetError(error, problem.isEmpty() ? "Cannot read the audio exchange file " + path + "." : problem);
  return job;
}

Status ReadStatus(const QString& path) {
  Status status;
  Inspect(path, [&](const TIniFile& ini) {
    status.Track = ini.ReadInteger("Status", "Track", -1);
    status.Progress = ini.ReadInteger("Status", "Progress", -1);
    status.Text = FromIni(ini.ReadString("Status", "Status", "Unknown"));
  });
  return status;
}

bool WriteStatus(const QString& path, const Status& status) {
  return Change(
      path, false,
      [&](TIniFile& ini) {
        ini.WriteInteger("Status", "Track", status.Track);
        ini.WriteInteger("Status", "Progress", status.Progress);
        ini.WriteString("Status", "Status", ToIni(status.Text));
      },
      nullptr);
}

bool WriteOrder(const QString& path, const QString& message) {
  return Change(path, false, [&](TIniFile& ini) { ini.WriteString("Order", "Message", ToIni(message)); },
                nullptr);
}

QString ReadOrder(const QString& path) {
  QString order;
  Inspect(path, [&](const TIniFile& ini) { order = FromIni(ini.ReadString("Order", "Message", "")); });
  return order;
}

void Remove(const QString& path) {
  if (path.isEmpty()) return;
  ExchangeLock lock(path, LOCK_EX);
  unlink(Native(path).c_str());
}

}  // namespace audio_exchange
