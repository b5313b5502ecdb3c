#include "platform/core/Streams.h"

#include "platform/core/Exceptions.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::int64_t kCopyBlock = 1 << 20;
// Memory grows in steps of this many bytes, so a stream written a few bytes
// at a time does not reallocate on every write.
constexpr std::int64_t kMemoryDelta = 8192;

// The new position for a seek, or -1 when it would be negative or the origin
// is unknown.
std::int64_t SeekTarget(std::int64_t offset, std::uint16_t origin, std::int64_t position, std::int64_t size) {
  std::int64_t base;
  switch (origin) {
    case soBeginning:
      base = 0;
      break;
    case soCurrent:
      base = position;
      break;
    case soEnd:
      base = size;
      break;
    default:
      errno = EINVAL;
      return -1;
  }
  std::int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) {
    errno = EINVAL;
    return -1;
  }
  return target;
}

}  // namespace

void TStream::SetSize(std::int64_t) {}

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, soCurrent);
  const std::int64_t end = Seek(0, soEnd);
  Seek(position, soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count < 0 || (count > 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count < 0 || (count > 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count < 0) throw EReadError("Stream read error");
  std::vector<std::uint8_t> block(static_cast<size_t>(std::min(count, kCopyBlock)));
  std::int64_t left = count;
  while (left > 0) {
    const std::int64_t n = std::min(left, kCopyBlock);
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    left -= n;
  }
  return count;
}

TMemoryStream::~TMemoryStream() { std::free(memory_); }

void TMemoryStream::Reserve(std::int64_t capacity) {
  if (capacity <= capacity_) return;
  if (capacity > static_cast<std::int64_t>(SIZE_MAX / 2))
    throw EWriteError("Out of memory while expanding memory stream");
  void* grown = std::realloc(memory_, static_cast<size_t>(capacity));
  if (grown == nullptr) throw EWriteError("Out of memory while expanding memory stream");
  memory_ = static_cast<std::uint8_t*>(grown);
  capacity_ = capacity;
}

void TMemoryStream::SetCapacity(std::int64_t capacity) {
  if (capacity < size_) capacity = size_;
  if (capacity == 0) {
    Clear();
    return;
  }
  if (capacity < capacity_) {
    if (void* shrunk = std::realloc(memory_, static_cast<size_t>(capacity))) {
      memory_ = static_cast<std::uint8_t*>(shrunk);
      capacity_ = capacity;
    }
    return;
  }
  Reserve(capacity);
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw EWriteError("Stream write error");
  if (newSize > capacity_) Reserve((newSize + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta);
  if (newSize > size_) std::memset(memory_ + size_, 0, static_cast<size_t>(newSize - size_));
  size_ = newSize;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
  std::free(memory_);
  memory_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end;
  if (__builtin_add_overflow(position_, count, &end)) return 0;
  if (end > size_) {
    try {
      const std::int64_t position = position_;
      SetSize(end);
      position_ = position;
    } catch (const EWriteError&) {
      return 0;
    }
  }
  std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, std::uint16_t origin) {
  const std::int64_t target = SeekTarget(offset, origin, position_, size_);
  if (target >= 0) position_ = target;
  return target;
}

void TMemoryStream::SaveToStream(TStream& stream) {
  if (size_ > 0) stream.WriteBuffer(memory_, size_);
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const std::int64_t count = stream.Size();
  SetSize(count);
  if (count > 0) stream.ReadBuffer(memory_, count);
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

THandleStream::THandleStream(int handle) : handle_(handle) {
  const off_t at = lseek(handle, 0, SEEK_CUR);
  position_ = at > 0 ? at : 0;
}

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = ReadFullyAt(handle_, buffer, count, position_);
  if (n <= 0) return 0;
  position_ += n;
  return n;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = WriteFullyAt(handle_, buffer, count, position_);
  if (n <= 0) return 0;
  position_ += n;
  return n;
}

std::int64_t THandleStream::Seek(std::int64_t offset, std::uint16_t origin) {
  std::int64_t size = 0;
  if (origin == soEnd) {
    size = Size();
    if (size < 0) return -1;
  }
  const std::int64_t target = SeekTarget(offset, origin, position_, size);
  if (target >= 0) position_ = target;
  return target;
}

std::int64_t THandleStream::Size() {
  // The descriptor's own offset is not used by the stream, and lseek also
  // knows the size of a block device, where fstat says 0.
  return lseek(handle_, 0, SEEK_END);
}

void THandleStream::SetSize(std::int64_t newSize) {
  if (Seek(newSize, soBeginning) < 0 || ftruncate(handle_, newSize) != 0) {
    const int error = errno;
    throw EOSError(SysErrorMessage(error), error);
  }
}

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode)
    : THandleStream(OpenFileByMode(fileName, mode)), fileName_(fileName) {}

TFileStream::~TFileStream() {
  if (handle_ >= 0) close(handle_);
}
