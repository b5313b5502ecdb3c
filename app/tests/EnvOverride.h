#pragma once
// An environment variable set (or, with a null value, unset) for a scope and
// restored afterwards.

#include <QByteArray>
#include <QtGlobal>

namespace apptest {

class EnvOverride {
 public:
  EnvOverride(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value);
  }
  ~EnvOverride() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

}  // namespace apptest
