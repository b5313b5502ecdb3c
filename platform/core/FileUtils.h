#pragma once
// File routines the program was written against, done on POSIX: opening by
// the class library's mode word, existence checks, folders, renames, path
// parts, free space, and the attribute word.
//
// Open modes. The mode word is the class library's: fmCreate (FFFFh) creates
// or truncates the file for reading and writing; any other value opens an
// existing file with the access in its low two bits (0 read, 1 write, 2 read
// and write) and the sharing in bits 4-7 (0 and 1 none, 2 deny write, 3 deny
// read, 4 deny none). Linux has no share modes: the sharing value is checked
// for range and otherwise has no effect, so another program may open a file
// we hold "exclusively". Files are opened with O_CLOEXEC and 64-bit offsets.
// A folder, a FIFO or a socket is refused like a missing file (a FIFO would
// otherwise block the open until some writer appears).
//
// Attributes. The attribute word keeps the host's bits:
//   faReadOnly 1  - the file is not writable for the current user, judged by
//                   the permission bits of the class the user falls in
//                   (owner, group, others; root counts as the owner, so a
//                   0444 file reads as read-only for root as well);
//   faHidden   2  - the name starts with ".";
//   faDirectory 16;
//   faArchive  32 - regular files only, see below.
// Linux has no archive bit, so the program keeps its own: clearing the bit
// (FileSetAttr without faArchive) stores the file's modification time and
// size in the user extended attribute "user.burner.archived"; the bit reads
// as set whenever that record is missing or no longer matches the file, that
// is, whenever the file was created, copied or changed since it was last
// backed up. Where the file system refuses user extended attributes the bit
// always reads as set and clearing it reports the failure (ENOTSUP), so an
// "archive files only" backup there includes every file rather than silently
// missing some. Setting faArchive removes the record.

#include <sys/stat.h>
#include <cstdint>
#include <string>

constexpr std::uint16_t fmCreate = 0xFFFF;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// Opens or creates FileName by the mode word and returns the descriptor.
// Raises EFCreateError (fmCreate) or EFOpenError with the system's text.
int OpenFileByMode(const std::string& fileName, std::uint16_t mode);

// Reads up to count bytes at offset, retrying short reads and interrupted
// calls; returns the bytes read (fewer only at the end of the file or on an
// error, -1 when nothing could be read because of an error).
std::int64_t ReadFullyAt(int fd, void* buffer, std::int64_t count, std::int64_t offset);
// Writes count bytes at offset; returns the bytes written (fewer on an
// error, -1 when nothing could be written).
std::int64_t WriteFullyAt(int fd, const void* buffer, std::int64_t count, std::int64_t offset);

bool FileExists(const std::string& fileName);  // a file, not a folder; links followed
bool DirectoryExists(const std::string& dir);
// Creates dir and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& dir);
bool DeleteFile(const std::string& fileName);  // files only, never a folder
bool RenameFile(const std::string& oldName, const std::string& newName);

// Path parts, for POSIX paths ("/" separates).
std::string ExtractFilePath(const std::string& fileName);  // up to and including the last "/"
std::string ExtractFileName(const std::string& fileName);  // after the last "/"
std::string ExtractFileExt(const std::string& fileName);   // from the last "." of the name, else ""
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);

struct DiskSpace {
  std::uint64_t freeBytes = 0;  // available to this user
  std::uint64_t totalBytes = 0;
};
// Space of the file system holding path; false (errno set) when it cannot be read.
bool GetDiskFreeSpace(const std::string& path, DiskSpace& space);

// The attribute word of a file or folder (links followed), -1 when it does
// not exist or cannot be examined.
int FileGetAttr(const std::string& fileName);
// Applies faReadOnly and faArchive of attr; the other bits cannot be set on
// Linux and are ignored. Returns 0 or the errno of the failure.
int FileSetAttr(const std::string& fileName, int attr);

// The attribute word for a name and its stat record, for enumerators that
// already hold the stat. Reads the archive record of a regular file at path.
int AttributesOf(const std::string& path, const std::string& name, const struct stat& st);

// The name of the extended attribute that stands for a cleared archive bit.
inline constexpr const char* kArchiveAttributeName = "user.burner.archived";
