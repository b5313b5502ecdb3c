#pragma once
// The recorder's own file streams, with 64-bit positions and sizes, for the
// source files, boot images and image files it reads and writes, which are
// often larger than 4 GB.
//
// Read and Write never raise: a short count tells the caller. Only opening a
// file and SetSize raise. Open modes are the class library's mode word (see
// platform/core/FileUtils.h, which also says what sharing means on Linux).

#include <cstdint>
#include <string>

class TStreamEx {
 public:
  TStreamEx() = default;
  TStreamEx(const TStreamEx&) = delete;
  TStreamEx& operator=(const TStreamEx&) = delete;
  virtual ~TStreamEx() = default;

  virtual void SetSize(std::int64_t newSize);
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
  // Origin 0 from the beginning, 1 from the current position, 2 from the
  // end. Returns the new position, or -1 when the target would be negative
  // or the origin is unknown (the position is then unchanged).
  virtual std::int64_t Seek(std::int64_t offset, std::uint16_t origin) = 0;

  // The size, leaving the position where it was.
  std::int64_t GetSize();
};

// A stream over a file descriptor that somebody else owns.
class THandleStreamEx : public TStreamEx {
 public:
  explicit THandleStreamEx(int handle);

  // Ends the file at newSize and leaves the position there; raises EOSError
  // with the system's text when the file cannot be ended there.
  void SetSize(std::int64_t newSize) override;
  // Up to count bytes from the position; 0 at the end of the file or on failure.
  std::int32_t Read(void* buffer, std::int32_t count) override;
  // count bytes at the position; fewer when the system fails part-way, 0 when
  // nothing could be written.
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, std::uint16_t origin) override;

  int Handle() const { return handle_; }

 protected:
  int handle_;

 private:
  std::int64_t position_ = 0;
};

class TFileStreamEx : public THandleStreamEx {
 public:
  // Mode FFFFh creates (or empties) the file for reading and writing; any
  // other mode opens an existing file. Raises EFCreateError / EFOpenError
  // with the system's text.
  TFileStreamEx(const std::string& fileName, std::uint16_t mode);
  ~TFileStreamEx() override;
};
