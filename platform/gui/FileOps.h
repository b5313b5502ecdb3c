#pragma once
// File operations the user starts (the explorer's copy, move and delete):
// files and whole folders, delete to the trash. A copy onto itself and a
// move of a folder into its own subtree are refused before anything is
// touched; an existing target is never overwritten unless asked.

#include <QString>
#include <vector>

#include "platform/gui/Services.h"

struct FileOpResult {
  bool ok = true;
  QString error;  // what went wrong, for the message box
  explicit operator bool() const { return ok; }
  static FileOpResult Fail(const QString& error) { return {false, error}; }
};

class FileOperations {
 public:
  virtual ~FileOperations() = default;
  // Copies a file or a folder tree to `to` (the new path, not its parent).
  virtual FileOpResult Copy(const QString& from, const QString& to, bool overwrite) = 0;
  virtual FileOpResult Move(const QString& from, const QString& to, bool overwrite) = 0;
  virtual FileOpResult MoveToTrash(const QString& path) = 0;
  // Deletes for good (a folder with everything in it).
  virtual FileOpResult Delete(const QString& path) = 0;
};

class RealFileOperations final : public FileOperations {
 public:
  FileOpResult Copy(const QString& from, const QString& to, bool overwrite) override;
  FileOpResult Move(const QString& from, const QString& to, bool overwrite) override;
  FileOpResult MoveToTrash(const QString& path) override;
  FileOpResult Delete(const QString& path) override;
};

class FakeFileOperations final : public FileOperations {
 public:
  struct Call {
    QString op;
    QString from;
    QString to;
  };
  FileOpResult Copy(const QString& from, const QString& to, bool overwrite) override;
  FileOpResult Move(const QString& from, const QString& to, bool overwrite) override;
  FileOpResult MoveToTrash(const QString& path) override;
  FileOpResult Delete(const QString& path) override;
  const std::vector<Call>& Calls() const { return calls_; }
  FileOpResult result;

 private:
  std::vector<Call> calls_;
};

inline FileOperations& FileOps() { return CurrentService<FileOperations, RealFileOperations>(); }

// True when `inner` is `outer` or lies inside it (after resolving "..",
// links and the current folder).
bool IsSameOrInside(const QString& inner, const QString& outer);
