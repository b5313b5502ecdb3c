#pragma once
// Powering the computer off when a burn is done. The real one asks systemd
// (`systemctl poweroff`, no force); tests install the fake and never reach
// the real one.

#include <QString>

#include "platform/gui/Services.h"

class PowerService {
 public:
  virtual ~PowerService() = default;
  // Asks the system to power off; false when the request could not be made.
  virtual bool PowerOff() = 0;
};

class SystemdPower final : public PowerService {
 public:
  // `program` is the systemctl to run.
  explicit SystemdPower(QString program = QStringLiteral("systemctl")) : program_(std::move(program)) {}
  bool PowerOff() override;

 private:
  QString program_;
};

class FakePower final : public PowerService {
 public:
  bool PowerOff() override {
    ++requests;
    return result;
  }
  int requests = 0;
  bool result = true;
};

inline PowerService& Power() { return CurrentService<PowerService, SystemdPower>(); }
