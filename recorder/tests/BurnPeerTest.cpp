// xorriso reads a disc this program burned in two sessions, through the
// preload library that shows the virtual recorder to it as /dev/srN.

#include <gtest/gtest.h>

#include <filesystem>

#include "recorder/tests/BurnFixture.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

using burntest::BurnRig;
using isotest::Pattern;
using isotest::Q;
using isotest::Shell;
using isotest::WriteFile;

class BurnPeer : public isotest::ImageTest {};

TEST_F(BurnPeer, XorrisoListsEverySessionOfOurDisc) {
  if (kSanitized) GTEST_SKIP() << "sanitizer runtimes cannot be preloaded into other programs";
  if (Shell("command -v xorriso") != 0) GTEST_SKIP() << "xorriso is not installed";
  const std::string preload = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
  if (!std::filesystem::exists(preload)) GTEST_SKIP() << preload << " is not built";
  std::string device;
  for (int n = 0; device.empty(); ++n) {
    if (!std::filesystem::exists("/dev/sr" + std::to_string(n))) device = "/dev/sr" + std::to_string(n);
  }
  WriteFile(Path("one/first.txt"), "first\n");
  WriteFile(Path("two/second.bin"), Pattern(100000, 2));

  for (const auto medium : {VirtualMedium::CdR, VirtualMedium::DvdPlusR, VirtualMedium::DvdPlusRw}) {
    SCOPED_TRACE(MediumKey(medium));
    BurnRig rig(medium, true);
    rig.Add(Path("one"));
    ASSERT_EQ(rig.BurnCompilation(), "");
    rig.rec->InitCompilation(65535, 8191);
    ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
    rig.Add(Path("two"));
    ASSERT_EQ(rig.BurnCompilation(), "");
    const std::int64_t start = rig.rec->Layout().SessionStart;
    rig.ReleaseDrive();

    const std::string files = rig.machine.files.path();
    const std::string client = "cd " + Q(files) + " && BURNER_DRIVE_MAP=" + Q(files + "/DriveMap.ini") +
                               " BURNER_PRELOAD_DEVICES=" + device + "=E XDG_DATA_HOME=" + Q(files + "/data") +
                               " LD_PRELOAD=" + Q(preload) + " timeout 300 ";
    std::string out;
    const bool sequential = medium != VirtualMedium::DvdPlusRw;
    const std::string first = sequential ? " -load session 1 -find / --" : "";
    ASSERT_EQ(Shell(client + "xorriso -indev " + device + " -toc" + first + " -load sbsector " +
                        std::to_string(start) + " -find /",
                    &out),
              0)
        << out;
    if (sequential) {
      EXPECT_NE(out.find("ISO session  :   2 ,"), std::string::npos) << out;
      // The first session alone, then the second with both files.
      const auto second_load = out.find("sbsector");
      ASSERT_NE(second_load, std::string::npos);
      EXPECT_NE(out.find("'/first.txt'"), std::string::npos) << out;
      EXPECT_EQ(out.rfind("'/second.bin'", second_load), std::string::npos) << out;
    }
    EXPECT_NE(out.find("'/second.bin'"), std::string::npos) << out;
    // The second session lists the first one's file too.
    std::size_t listed = 0;
    for (auto at = out.find("'/first.txt'"); at != std::string::npos; at = out.find("'/first.txt'", at + 1)) ++listed;
    EXPECT_EQ(listed, sequential ? 2u : 1u) << out;
  }
}

}  // namespace
