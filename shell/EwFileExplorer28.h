#pragma once
// The plain routines the explorer controls share: starting files through
// the shell service, file operations with the user's confirmations, path
// texts, drive probing, sizes and times.
//
// Paths are native POSIX paths. AddBackslash and RemoveBackslash keep the
// names the controls' code uses; they add and remove the path delimiter
// "/" (the root "/" keeps it).

#include <QApplication>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>

class QWidget;

// The operations of ShellFileOperation.
enum : int { FO_MOVE = 1, FO_COPY = 2, FO_DELETE = 3, FO_RENAME = 4 };
// Show commands the callers pass on; the shell service ignores them.
enum : int { SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// Opens `file_name` (a program runs with `params`) in `directory`. Returns
// a value above 32 on success; a failure shows "ERROR - Can't <operation>
// file  <name>" and returns 2.
int ExecuteFile(const QString& operation, const QString& file_name, const QString& params,
                const QString& directory, int show_cmd);

// Runs one file operation on every path of `sources`:
//   FO_MOVE, FO_COPY  to `dest`; a `dest` ending in "/" is a folder that
//                     receives each source under its own name, any other
//                     `dest` is the new path of the one source;
//   FO_RENAME         the one source becomes `dest`;
//   FO_DELETE         after the user confirms, every source goes to the trash.
// An existing target is replaced only when the user says so. Failures are
// shown in a message box. True only when every source was done; `aborted`
// tells that the user declined something.
bool ShellFileOperation(int func, const QStringList& sources, const QString& dest, bool& aborted);

bool ContainsAnyChar(const QString& chars, const QString& s);
// The folder picker titled "Please specify a directory"; on OK `folder` is
// the choice with a trailing "/".
bool BrowseForFolderPrompt(QWidget* owner, QString& folder);

// Total and free space of the volume holding `path`, in KB; -1 when it
// cannot be read.
std::int64_t DiskSizeKB(const QString& path);
std::int64_t DiskFreeKB(const QString& path);
// Whether the volume at `root` can be read; when not and `show_message`, a
// warning names it. An empty root shows "Not a valid Drive ID".
bool CheckDriveReady(const QString& root, bool show_message);

QString ConcatPath(const QString& dir, const QString& name);
QString AddBackslash(const QString& s);
QString RemoveBackslash(const QString& s);
// Local time of `time`, formatted with date_fmt + " " + time_fmt (the
// host's date and time patterns).
QString FileTimeToText(std::chrono::system_clock::time_point time, const QString& date_fmt,
                       const QString& time_fmt);
// True when something named `path` exists; then an error box says so.
bool FileAlreadyExists(const QString& path);
int GetFolderIconIndex(const QString& path);
int GetOpenFolderIconIndex(const QString& path);
// " " for a "DIR" kind; else size div 1024 + " KB", 1 to 1023 bytes
// showing 1 KB.
QString SizeToKBText(std::int64_t size, const QString& kind);
QString FileNameWithoutExt(const QString& path);
// Shows what a file manager's properties sheet would: name, type, place,
// size, modification time and attributes.
void ShowFileProperties(const QString& path);
// Sum of the sizes of the files (not sub-folders) directly in `path`.
std::int64_t FolderFilesSize(const QString& path);
// Sum of the sizes of every file under `path`, sub-folders included.
std::int64_t TreeFilesSize(const QString& path);
bool PathStartsWith(const QString& prefix, const QString& path);
// An error message box captioned "Error".
void ErrorBox(const QString& text);

// Shows the hourglass for the life of the object.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
// The name characters a folder name may not hold.
extern const QString kInvalidNameChars;
