#pragma once
// A machine for transport tests: a fixture /sys tree with optional real
// drives (answered by a fake sg driver), a drive-map file with virtual
// recorders made by the test, and a host over both installed for the test.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/devices/DriveMap.h"
#include "platform/devices/WinHost.h"
#include "platform/devices/tests/DeviceFixtures.h"
#include "recorder/xrASPI.h"

// A drive that answers INQUIRY with its own identification and TEST UNIT
// READY; everything else fails with ILLEGAL REQUEST.
class IdentifiedTarget final : public ScsiTarget {
 public:
  explicit IdentifiedTarget(std::string identification, std::uint8_t type = 5)
      : identification_(std::move(identification)), type_(type) {}
  ScsiResult Execute(const ScsiCommand& command) override {
    ++commands;
    if (command.opcode() == 0x12) {
      std::uint8_t inquiry[36] = {type_, 0x80, 0x05, 0x32, 31};
      std::memcpy(inquiry + 8, identification_.data(), std::min<std::size_t>(28, identification_.size()));
      const auto n = std::min<std::uint32_t>(command.data_length, sizeof inquiry);
      std::memcpy(command.data, inquiry, n);
      ScsiResult result;
      result.transferred = n;
      return result;
    }
    if (command.opcode() == 0x00) return ScsiResult{};
    return CheckCondition(0x05, 0x20, 0x00);
  }
  std::optional<ScsiAddress> Address() const override { return std::nullopt; }
  std::string Describe() const override { return "identified"; }
  int commands = 0;

 private:
  std::string identification_;
  std::uint8_t type_;
};

struct DriveMachine {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  std::function<std::unique_ptr<ScsiTarget>(const DriveMapEntry&)> factory;
  std::unique_ptr<WinHost> host;
  std::unique_ptr<ScopedHost> scoped;

  // `map_text` is the drive-map file; the factory makes its recorders.
  void Start(const std::string& map_text, const std::string& library_dir = "/nonexistent") {
    DriveMapOptions options;
    options.root = machine.dir.path();
    options.data_dir = files / "data";
    options.fallback_recorder = false;
    if (!map_text.empty()) {
      files.Write("DriveMap.ini", map_text);
      options.map_file = files / "DriveMap.ini";
    }
    auto map = std::make_unique<DriveMap>(options, kernel,
                                          [this](const DriveMapEntry& entry) { return factory(entry); });
    host = std::make_unique<WinHost>(std::move(map), library_dir);
    scoped = std::make_unique<ScopedHost>(*host);
  }
  ~DriveMachine() {
    ShutdownASPI();
    scoped.reset();
  }
};
