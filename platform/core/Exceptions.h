#pragma once
// The exception family the program raises for file and conversion errors.
// Each carries the message the user sees.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EReadError : public Exception { using Exception::Exception; };
class EWriteError : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EFOpenError : public Exception { using Exception::Exception; };
class EFCreateError : public Exception { using Exception::Exception; };
// An operating-system call failed; the message is the system's own text.
class EOSError : public Exception {
 public:
  EOSError(const std::string& message, int error) : Exception(message), error_(error) {}
  int ErrorCode() const { return error_; }

 private:
  int error_;
};

// The system's text for an errno value.
std::string SysErrorMessage(int error);
