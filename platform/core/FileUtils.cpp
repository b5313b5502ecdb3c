#include "platform/core/FileUtils.h"

#include "platform/core/Exceptions.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <vector>

static_assert(sizeof(off_t) == 8, "the file routines need 64-bit offsets");

namespace {

std::string OpenErrorText(const char* what, const std::string& fileName, int error) {
  return std::string(what) + " \"" + fileName + "\". " + SysErrorMessage(error);
}

[[noreturn]] void RaiseOpenError(bool create, const std::string& fileName, int error) {
  if (create) throw EFCreateError(OpenErrorText("Cannot create file", fileName, error));
  throw EFOpenError(OpenErrorText("Cannot open file", fileName, error));
}

bool InGroup(gid_t gid) {
  if (gid == getegid()) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = getgroups(count, groups.data());
  for (int i = 0; i < got; ++i)
    if (groups[static_cast<size_t>(i)] == gid) return true;
  return false;
}

bool WritableForUser(const struct stat& st) {
  // Asked once: this runs for every file of a folder walk, and the program
  // never changes its user.
  static const uid_t uid = geteuid();
  if (uid == 0 || uid == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

// The record that stands for a cleared archive bit: what the file looked
// like when it was backed up.
std::string ArchiveRecord(const struct stat& st) {
  char text[96];
  std::snprintf(text, sizeof text, "%lld.%09ld %lld", static_cast<long long>(st.st_mtim.tv_sec),
                static_cast<long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_size));
  return text;
}

bool ArchiveBitSet(const std::string& path, const struct stat& st) {
  char stored[96];
  const ssize_t n = getxattr(path.c_str(), kArchiveAttributeName, stored, sizeof stored);
  if (n <= 0) return true;
  return std::string(stored, static_cast<size_t>(n)) != ArchiveRecord(st);
}

}  // namespace

int OpenFileByMode(const std::string& fileName, std::uint16_t mode) {
  const bool create = mode == fmCreate;
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    const int access = mode & 0x3;
    const int share = (mode & 0xF0) >> 4;
    if (access == 3 || share > 4 || (mode & 0xFF0C) != 0) RaiseOpenError(false, fileName, EINVAL);
    flags |= access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR;
  }
  if (fileName.empty()) RaiseOpenError(create, fileName, ENOENT);
  int fd;
  do {
    fd = open(fileName.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseOpenError(create, fileName, errno);
  struct stat st {};
  int error = 0;
  if (fstat(fd, &st) != 0)
    error = errno;
  else if (S_ISDIR(st.st_mode))
    error = EISDIR;
  else if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
    error = ENXIO;
  else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    error = errno;
  if (error != 0) {
    close(fd);
    RaiseOpenError(create, fileName, error);
  }
  return fd;
}

std::int64_t ReadFullyAt(int fd, void* buffer, std::int64_t count, std::int64_t offset) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, out + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t WriteFullyAt(int fd, const void* buffer, std::int64_t count, std::int64_t offset) {
  const auto* in = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = pwrite(fd, in + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool FileExists(const std::string& fileName) {
  struct stat st {};
  return !fileName.empty() && stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& dir) {
  const std::string path = ExcludeTrailingPathDelimiter(dir);
  if (path.empty()) {
    errno = ENOENT;
    return dir == "/";
  }
  if (DirectoryExists(path)) return true;
  const std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(path));
  if (!parent.empty() && !ForceDirectories(parent)) return false;
  if (mkdir(path.c_str(), 0777) == 0) return true;
  // Someone else may have made it meanwhile.
  return errno == EEXIST && DirectoryExists(path);
}

bool DeleteFile(const std::string& fileName) { return !fileName.empty() && unlink(fileName.c_str()) == 0; }

bool RenameFile(const std::string& oldName, const std::string& newName) {
  // The host's rename never replaces an existing file.
  if (renameat2(AT_FDCWD, oldName.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace flag: check, then rename.
  struct stat st {};
  if (lstat(newName.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return std::rename(oldName.c_str(), newName.c_str()) == 0;
}

std::string ExtractFilePath(const std::string& fileName) {
  const auto slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  const auto slash = fileName.rfind('/');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  const auto dot = fileName.rfind('.');
  const auto slash = fileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  const auto dot = fileName.rfind('.');
  const auto slash = fileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return fileName + extension;
  return fileName.substr(0, dot) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && path.back() == '/' ? path : path + '/';
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  std::string result = path;
  while (!result.empty() && result.back() == '/') result.pop_back();
  return result;
}

bool GetDiskFreeSpace(const std::string& path, DiskSpace& space) {
  struct statvfs vfs {};
  if (statvfs(path.c_str(), &vfs) != 0) return false;
  space.freeBytes = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  space.totalBytes = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
  return true;
}

int AttributesOf(const std::string& path, const std::string& name, const struct stat& st) {
  int attr = 0;
  if (!WritableForUser(st)) attr |= faReadOnly;
  if (!name.empty() && name[0] == '.') attr |= faHidden;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if (S_ISREG(st.st_mode) && ArchiveBitSet(path, st)) attr |= faArchive;
  return attr;
}

int FileGetAttr(const std::string& fileName) {
  struct stat st {};
  if (fileName.empty() || stat(fileName.c_str(), &st) != 0) return -1;
  return AttributesOf(fileName, ExtractFileName(ExcludeTrailingPathDelimiter(fileName)), st);
}

int FileSetAttr(const std::string& fileName, int attr) {
  struct stat st {};
  if (fileName.empty() || stat(fileName.c_str(), &st) != 0) return errno;
  const mode_t oldMode = st.st_mode & 07777;
  if (S_ISREG(st.st_mode)) {
    const char* path = fileName.c_str();
    // chmod below does not touch the modification time, so this stat still
    // describes the contents being marked as backed up.
    const std::string record = ArchiveRecord(st);
    const auto change = [&] {
      if (attr & faArchive) {
        if (getxattr(path, kArchiveAttributeName, nullptr, 0) < 0) return errno == ENODATA ? 0 : errno;
        return removexattr(path, kArchiveAttributeName) == 0 ? 0 : errno;
      }
      return setxattr(path, kArchiveAttributeName, record.data(), record.size(), 0) == 0 ? 0 : errno;
    };
    int error = change();
    // The host changes the archive bit of a read-only file too, but Linux
    // wants write permission for a user attribute: lend it to our own file.
    if ((error == EACCES || error == EPERM) && geteuid() == st.st_uid && !(oldMode & S_IWUSR) &&
        chmod(path, oldMode | S_IWUSR) == 0) {
      error = change();
      chmod(path, oldMode);
    }
    if (error != 0) return error;
  }
  mode_t mode = oldMode;
  if (attr & faReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else if (!WritableForUser(st))
    mode |= S_IWUSR;
  if (mode != oldMode && chmod(fileName.c_str(), mode) != 0) return errno;
  return 0;
}
