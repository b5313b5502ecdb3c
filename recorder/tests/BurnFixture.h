#pragma once
// A recorder component on a virtual recorder of a chosen medium, with a fake
// clock, a queue dispatcher standing in for the main thread, and helpers to
// run a burn to its end and to look at the disc afterwards.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "platform/devices/VirtualMedia.h"
#include "platform/devices/VirtualRecorder.h"
#include "recorder/tests/DriveMachine.h"
#include "recorder/tests/IsoTestSupport.h"
#include "recorder/xrCDBC.h"

namespace burntest {

// Passes every command to the recorder, and lets a test act just before one.
class HookTarget final : public ScsiTarget {
 public:
  explicit HookTarget(std::unique_ptr<VirtualRecorder> recorder) : recorder_(std::move(recorder)) {}
  ScsiResult Execute(const ScsiCommand& command) override {
    if (before) before(command);
    return recorder_->Execute(command);
  }
  std::optional<ScsiAddress> Address() const override { return recorder_->Address(); }
  std::string Describe() const override { return recorder_->Describe(); }
  VirtualRecorder* Recorder() { return recorder_.get(); }
  // Set before the operation starts; runs on the thread that sends.
  std::function<void(const ScsiCommand&)> before;

 private:
  std::unique_ptr<VirtualRecorder> recorder_;
};

struct BurnRig {
  FakeClock clock{Clock::TimePoint(std::chrono::seconds(1700000000))};
  ScopedClock scoped_clock{clock};
  QueueDispatcher dispatcher;
  ScopedDispatcher scoped_dispatcher{dispatcher};
  DriveMachine machine;
  VirtualRecorder* vrec = nullptr;
  HookTarget* hook = nullptr;
  std::unique_ptr<TQCDBurner> rec;
  std::mutex debug_mutex;
  std::vector<std::string> debug;
  int done_calls = 0;
  int finalizing_calls = 0;
  std::optional<std::string> done;
  std::string map_text;

  explicit BurnRig(VirtualMedium medium, bool persist = false) {
    machine.factory = [this, medium, persist](const DriveMapEntry& entry) {
      VirtualRecorderConfig config;
      config.image_path = entry.image;
      config.initial_medium = medium;
      config.persist = persist;
      auto r = VirtualRecorder::Open(config);
      r->SetTimingPercent(0);
      vrec = r.get();
      auto h = std::make_unique<HookTarget>(std::move(r));
      hook = h.get();
      return h;
    };
    map_text = "[E]\nImage=e.img\nMedium=" + MediumKey(medium) + "\n";
    machine.Start(map_text);
    Attach();
  }
  ~BurnRig() {
    // The write thread may still post its last calls.
    rec.reset();
    dispatcher.RunPending();
  }

  // A recorder component on the drive, the first or again after ReleaseDrive.
  void Attach() {
    if (!machine.host) machine.Start(map_text);
    rec = std::make_unique<TQCDBurner>();
    rec->OnDebugMessage = [this](TSCSIDevice*, const std::string& text, std::uint8_t level) {
      std::lock_guard guard(debug_mutex);
      debug.push_back(std::to_string(level) + " " + text);
    };
    rec->OnWriteDone = [this](TQCDBurner*, const std::string& error) {
      ++done_calls;
      done = error;
    };
    rec->OnFinalizingTrack = [this](TQCDBurner*) { ++finalizing_calls; };
    EXPECT_TRUE(rec->InitializeASPI(true, ""));
    EXPECT_EQ(rec->Devices.size(), 1u);
    if (!rec->Devices.empty()) rec->SetDeviceID(rec->Devices[0]);
    rec->SetWriteSpeed(0xFFFF);
    rec->SetReadSpeed(0xFFFF);
  }

  // Closes the drive so that another program (a peer through the preload
  // library) can own it; its files stay. The rig's recorder is gone after.
  void ReleaseDrive() {
    rec.reset();
    dispatcher.RunPending();
    ShutdownASPI();
    machine.scoped.reset();
    machine.host.reset();
    vrec = nullptr;
    hook = nullptr;
  }

  // Runs an operation to its OnWriteDone; the text, or "<hang>".
  std::string Run(const std::function<bool()>& start) {
    done.reset();
    const int before = done_calls;
    start();
    const bool ended = dispatcher.RunUntil([&] { return done.has_value(); }, std::chrono::seconds(120));
    if (!ended) return "<hang>";
    // Nothing more may arrive for this operation.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    dispatcher.RunPending();
    EXPECT_EQ(done_calls, before + 1) << "OnWriteDone must fire once";
    return *done;
  }

  // Adds host folder `source` to the compilation root.
  void Add(const std::string& source) {
    ASSERT_GT(rec->AddDir("\\", source, "*.*", 0xFF, true, false, false), 0);
  }
  std::string BurnCompilation() {
    return Run([&] {
      rec->Prepare(false, nullptr);
      return rec->BurnCompilation();
    });
  }

  // The disc's recorded bytes.
  std::string Disc(const std::string& dir) {
    const std::string path = dir + "/disc.iso";
    vrec->ExportIso(path);
    return isotest::ReadAll(path);
  }

  std::vector<std::uint8_t> Opcodes() const {
    std::vector<std::uint8_t> out;
    for (const auto& c : vrec->CommandLog()) out.push_back(c.opcode());
    return out;
  }
};

// The first /dev/srN that no real drive holds: the name under which the
// preload library shows a virtual recorder to another program.
inline std::string FreeDevicePath() {
  for (int n = 0;; ++n) {
    const std::string path = "/dev/sr" + std::to_string(n);
    if (!std::filesystem::exists(path)) return path;
  }
}

}  // namespace burntest
