#pragma once
// Writing a whole file so that no failure ever leaves half of it.
//
// The bytes go to a temporary file in the same folder, are flushed to the
// disk, and the temporary file is renamed over the target. A crash, a kill or
// a full disk at any point leaves either the old file or the new one, never a
// mixture. The new file keeps the permission bits of the one it replaces; a
// symbolic link is followed, so the file it points at is replaced and the
// link stays.

#include <functional>
#include <string>
#include <string_view>

// Raises EFCreateError when the temporary file cannot be made and
// EWriteError when writing, flushing or renaming fails; the old file is then
// untouched and the temporary file is removed.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file. Raises EFOpenError when it cannot be opened and
// EReadError when reading fails.
std::string ReadWholeFile(const std::string& path);

// The points of an atomic write at which a test can make it fail.
enum class AtomicWriteStage {
  TemporaryCreated,  // the temporary file exists, nothing written yet
  HalfWritten,       // the first half of the bytes is in the temporary file
  Written,           // all bytes written, not yet flushed
  Flushed,           // flushed to the disk, not yet renamed
};

// While one of these lives, every atomic write calls the hook at each stage
// with the temporary file's path. A hook that throws makes the write fail
// there (as an I/O error would); a hook that ends the process stands for a
// crash or a kill. Tests only.
class ScopedAtomicWriteFault {
 public:
  using Hook = std::function<void(AtomicWriteStage stage, const std::string& temporaryPath)>;
  explicit ScopedAtomicWriteFault(Hook hook);
  ~ScopedAtomicWriteFault();
  ScopedAtomicWriteFault(const ScopedAtomicWriteFault&) = delete;
  ScopedAtomicWriteFault& operator=(const ScopedAtomicWriteFault&) = delete;

 private:
  Hook hook_;
  const Hook* previous_;
};
