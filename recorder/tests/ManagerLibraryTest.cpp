// The ASPI manager library, loaded at run time as the transport loads it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "recorder/tests/DriveMachine.h"
#include "recorder/xrASPI.h"
#include "recorder/xrDrvLib.h"

namespace {

// Points an environment variable somewhere for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ManagerLibrary, TheLibraryLayerRunsTheDriveCommands) {
  const std::string library_dir = std::string(BURNER_BINARY_DIR) + "/bin";
  DriveMachine m;
  const std::string map = "[E]\nImage=e.img\nMedium=cd-rw\n";
  m.factory = [](const DriveMapEntry&) -> std::unique_ptr<ScsiTarget> { return nullptr; };
  m.Start(map, library_dir);
  // The library reads the same drive-map file, and keeps its data in the
  // test's folder.
  ScopedEnv drive_map("BURNER_DRIVE_MAP", m.files / "DriveMap.ini");
  ScopedEnv data("XDG_DATA_HOME", m.files / "xdg");

  TSCSIDevice drive;
  ASSERT_TRUE(drive.InitializeASPI(false, "")) << "wnaspi32.so in " << library_dir;
  EXPECT_EQ(ActiveLayerName(), "WNASPI32.DLL");
  std::string line;
  const std::regex shape("[0-9]:[0-9]:0,[A-Z?]: BURNER  VIRTUAL DVD-RW  1.00");
  for (const auto& id : drive.Devices) {
    if (std::regex_match(id, shape)) line = id;
  }
  ASSERT_FALSE(line.empty()) << ::testing::PrintToString(drive.Devices);
  drive.SetDeviceID(line);
  ASSERT_NE(drive.HaId, 254);
  EXPECT_TRUE(drive.TestUnitReady());
  EXPECT_EQ(drive.GetDiscType(), dtCDRW);
  std::uint32_t last = 0, length = 0;
  EXPECT_FALSE(drive.ReadCapacity(last, length) && last > 0x7F000000u);
  ShutdownASPI();
  EXPECT_FALSE(ASPIInitialized());
}

}  // namespace
