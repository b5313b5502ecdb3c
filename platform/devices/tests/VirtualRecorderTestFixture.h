#pragma once
// A temporary folder, a fake clock and a recorder on a fresh image: the
// ground every virtual recorder test stands on.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"
#include "platform/devices/VirtualRecorder.h"

class VirtualRecorderTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vrec-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    recorder_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  VirtualRecorder& Open(VirtualMedium medium, const std::string& name = "disc.img") {
    recorder_.reset();
    VirtualRecorderConfig config;
    config.image_path = Path(name);
    config.initial_medium = medium;
    recorder_ = VirtualRecorder::Open(config);
    return *recorder_;
  }

  // Opens the same files again, as the next process would.
  VirtualRecorder& Reopen(const std::string& name = "disc.img") {
    recorder_.reset();
    VirtualRecorderConfig config;
    config.image_path = Path(name);
    recorder_ = VirtualRecorder::Open(config);
    return *recorder_;
  }

  FakeClock clock_;
  ScopedClock scoped_clock_{clock_};
  std::filesystem::path dir_;
  std::unique_ptr<VirtualRecorder> recorder_;
};
