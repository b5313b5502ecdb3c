#include "platform/core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"

namespace {

std::atomic<const ScopedAtomicWriteFault::Hook*> current_fault{nullptr};

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a write must replace: the target of a symbolic link rather than
// the link itself.
std::string ResolveTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  // A dangling link: write to where it points.
  char target[PATH_MAX];
  const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  if (length <= 0) return path;
  const std::string link(target, static_cast<std::size_t>(length));
  return link.front() == '/' ? link : FolderOf(path) + "/" + link;
}

std::string WriteError(const std::string& path, int error) {
  return "Unable to write to " + path + ". " + SysErrorMessage(error);
}

// Closes and removes the temporary file unless the write got through.
class TemporaryFile {
 public:
  // A new name beside the target. Created with mode 0666 so that the umask
  // shapes a new file's permissions just as a plain create would.
  explicit TemporaryFile(const std::string& stem) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = stem;
      for (int i = 0; i < 8; ++i) path_ += kLetters[TheRandom().Next(sizeof kLetters - 1)];
      path_ += ".tmp";
      fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) kept_ = true;  // nothing of ours to remove
  }
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!kept_) unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  int Close() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

void Stage(AtomicWriteStage stage, const std::string& temporary) {
  if (const auto* hook = current_fault.load()) (*hook)(stage, temporary);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = write(fd, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

}  // namespace

ScopedAtomicWriteFault::ScopedAtomicWriteFault(Hook hook)
    : hook_(std::move(hook)), previous_(current_fault.exchange(&hook_)) {}

ScopedAtomicWriteFault::~ScopedAtomicWriteFault() { current_fault.store(previous_); }

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = ResolveTarget(path);
  const std::string folder = FolderOf(target);
  const auto slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  TemporaryFile temporary(folder + "/." + name + ".");
  if (temporary.fd() < 0) {
    const int error = errno;
    throw EFCreateError("Cannot create file \"" + path + "\". " + SysErrorMessage(error));
  }
  // A replaced file keeps its permissions.
  struct stat old;
  if (stat(target.c_str(), &old) == 0 && fchmod(temporary.fd(), old.st_mode & 07777) != 0)
    throw EWriteError(WriteError(path, errno));

  Stage(AtomicWriteStage::TemporaryCreated, temporary.path());
  const std::size_t half = bytes.size() / 2;
  if (!WriteAll(temporary.fd(), bytes.data(), half)) throw EWriteError(WriteError(path, errno));
  Stage(AtomicWriteStage::HalfWritten, temporary.path());
  if (!WriteAll(temporary.fd(), bytes.data() + half, bytes.size() - half))
    throw EWriteError(WriteError(path, errno));
  Stage(AtomicWriteStage::Written, temporary.path());
  if (fsync(temporary.fd()) != 0) throw EWriteError(WriteError(path, errno));
  if (temporary.Close() != 0) throw EWriteError(WriteError(path, errno));
  Stage(AtomicWriteStage::Flushed, temporary.path());
  if (rename(temporary.path().c_str(), target.c_str()) != 0) throw EWriteError(WriteError(path, errno));
  temporary.Keep();

  // Make the rename itself survive a power cut. Failing here changes nothing
  // the caller could act on: the file is already whole.
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

std::string ReadWholeFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    throw EFOpenError("Cannot open file \"" + path + "\". " + SysErrorMessage(error));
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      throw EReadError("Cannot read file \"" + path + "\". " + SysErrorMessage(error));
    }
    if (got == 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return data;
}
