#include "recorder/xrStreamEx.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"

#include <unistd.h>
#include <cerrno>

void TStreamEx::SetSize(std::int64_t) {}

std::int64_t TStreamEx::GetSize() {
  const std::int64_t position = Seek(0, 1);
  const std::int64_t end = Seek(0, 2);
  Seek(position, 0);
  return end;
}

THandleStreamEx::THandleStreamEx(int handle) : handle_(handle) {
  const off_t at = lseek(handle, 0, SEEK_CUR);
  position_ = at > 0 ? at : 0;
}

void THandleStreamEx::SetSize(std::int64_t newSize) {
  if (Seek(newSize, 0) < 0 || ftruncate(handle_, newSize) != 0) {
    const int error = errno;
    throw EOSError(SysErrorMessage(error), error);
  }
}

std::int32_t THandleStreamEx::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = ReadFullyAt(handle_, buffer, count, position_);
  if (n <= 0) return 0;
  position_ += n;
  return static_cast<std::int32_t>(n);
}

std::int32_t THandleStreamEx::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = WriteFullyAt(handle_, buffer, count, position_);
  if (n <= 0) return 0;
  position_ += n;
  return static_cast<std::int32_t>(n);
}

std::int64_t THandleStreamEx::Seek(std::int64_t offset, std::uint16_t origin) {
  std::int64_t base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = position_;
      break;
    case 2:
      // The stream keeps its own position; the descriptor's offset is free
      // to ask for the end.
      base = lseek(handle_, 0, SEEK_END);
      if (base < 0) return -1;
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
  position_ = target;
  return target;
}

TFileStreamEx::TFileStreamEx(const std::string& fileName, std::uint16_t mode)
    : THandleStreamEx(OpenFileByMode(fileName, mode)) {}

TFileStreamEx::~TFileStreamEx() {
  if (handle_ >= 0) close(handle_);
}
