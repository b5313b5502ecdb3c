#pragma once
// The class library's streams: a byte stream interface with 64-bit
// positions, a growable memory stream (the recorder's file-system header)
// and a file stream opened by the class library's mode word (see
// FileUtils.h for the modes and what sharing means on Linux).
//
// Read and Write return how many bytes moved and never raise; ReadBuffer and
// WriteBuffer raise EReadError / EWriteError when the whole count cannot be
// moved. Seek returns the new position, or -1 when the position would be
// negative or the origin is unknown (the position is then unchanged).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/FileUtils.h"

constexpr std::uint16_t soBeginning = 0;
constexpr std::uint16_t soCurrent = 1;
constexpr std::uint16_t soEnd = 2;

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, std::uint16_t origin) = 0;
  // Does nothing in a stream whose size cannot change.
  virtual void SetSize(std::int64_t newSize);
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }

  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source's position on; count 0 copies the whole
  // source from its start. Raises EReadError / EWriteError when short.
  // Returns the bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over a block of memory that grows as it is written. A write past
// the end fills the gap with zeros.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, std::uint16_t origin) override;
  // Raises EWriteError when the memory cannot be had.
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override { return size_; }

  // Room reserved without changing the size; never shrinks below the size.
  void SetCapacity(std::int64_t capacity);
  std::int64_t Capacity() const { return capacity_; }
  std::uint8_t* Memory() { return memory_; }
  const std::uint8_t* Memory() const { return memory_; }
  // Empties the stream and gives its memory back.
  void Clear();

  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream);
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);

 private:
  void Reserve(std::int64_t capacity);

  std::uint8_t* memory_ = nullptr;
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t position_ = 0;
};

// A stream over an open file descriptor, which it does not own.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int handle);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, std::uint16_t origin) override;
  // Ends the file at newSize; raises EOSError with the system's text.
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override;
  int Handle() const { return handle_; }

 protected:
  int handle_;
  std::int64_t position_ = 0;
};

// A file opened or created by name; closes it when destroyed.
class TFileStream : public THandleStream {
 public:
  // Raises EFCreateError / EFOpenError with the system's text.
  TFileStream(const std::string& fileName, std::uint16_t mode);
  ~TFileStream() override;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};
