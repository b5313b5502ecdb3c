// xorriso, wodim, cdrdao and dvd+rw-mediainfo read a disc this program
// burned in two sessions, through the preload library that shows the
// virtual recorder to them as /dev/srN.

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
  const std::string device = burntest::FreeDevicePath();
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
    const VirtualDiscSummary disc = rig.vrec->Summary();
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

    // The TOC and track readers report the tracks the drive's own summary holds.
    auto expect_in = [&](const std::string& text) {
      EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
    };
    char line[96];
    if (medium == VirtualMedium::CdR && Shell("command -v wodim cdrdao >/dev/null") == 0) {
      ASSERT_EQ(disc.tracks.size(), 2u);
      ASSERT_EQ(Shell(client + "wodim -toc dev=" + device + " 2>&1", &out), 0) << out;
      for (const VirtualTrackSummary& t : disc.tracks) {
        std::snprintf(line, sizeof line, "track: %3u lba: %9u", t.number, t.start);
        expect_in(line);
      }
      // The lead-out follows the last track's run-out blocks.
      std::snprintf(line, sizeof line, "track:lout lba: %9u", disc.tracks[1].start + disc.tracks[1].size);
      expect_in(line);
      ASSERT_EQ(Shell(client + "cdrdao disk-info --device " + device + " 2>&1", &out), 0) << out;
      expect_in("Sessions             : 2");
      expect_in("Start of last session: " + std::to_string(disc.tracks[1].start) + " (");
      expect_in("Start of new session : " + std::to_string(disc.next_writable) + " (");
    }
    if (medium == VirtualMedium::DvdPlusR && Shell("command -v dvd+rw-mediainfo >/dev/null") == 0) {
      ASSERT_EQ(disc.tracks.size(), 2u);
      ASSERT_EQ(Shell(client + "dvd+rw-mediainfo " + device + " 2>&1", &out), 0) << out;
      expect_in("Number of Sessions:    3");  // the two closed ones and the empty next one
      expect_in("Media ID:              BURNERVR/R01");
      // A closed DVD+R track reports the reserved bit, which the tool reads as complete.
      for (const VirtualTrackSummary& t : disc.tracks) {
        std::snprintf(line, sizeof line,
                      "READ TRACK INFORMATION[#%u]:\n Track State:           partial/complete\n"
                      " Track Start Address:   %u*2KB",
                      t.number, t.start);
        expect_in(line);
      }
    }
  }
}

// Discs the Debian burning programs write through the preload library, read
// back by our own session import: every file extracted byte-equal. wodim
// and cdrskin (whose default on a blank CD is session at once) write a CD
// at once, cdrdao a second session at once after wodim's first; growisofs
// starts a disc (-Z) and appends a session (-M, reading the old tree
// through the drive descriptor it hands to mkisofs), or writes a DVD-R disc
// at once.
TEST_F(BurnPeer, PeerBurnedDiscsImportByteEqual) {
  if (kSanitized) GTEST_SKIP() << "sanitizer runtimes cannot be preloaded into other programs";
  for (const char* program : {"wodim", "cdrskin", "growisofs", "xorriso", "genisoimage", "cdrdao"}) {
    if (Shell(std::string("command -v ") + program + " >/dev/null") != 0)
      GTEST_SKIP() << program << " is not installed (scripts/bootstrap installs it)";
  }
  const std::string preload = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
  if (!std::filesystem::exists(preload)) GTEST_SKIP() << preload << " is not built";
  const std::string device = burntest::FreeDevicePath();
  WriteFile(Path("one/first.txt"), "first\n");
  WriteFile(Path("one/deep/block.bin"), Pattern(300000, 1));
  WriteFile(Path("two/second.bin"), Pattern(100000, 2));
  std::string out;
  ASSERT_EQ(Shell("xorriso -as mkisofs -quiet -R -J -o " + Q(Path("one.iso")) + " " + Q(Path("one")), &out),
            0)
      << out;
  WriteFile(Path("next.toc"), "CD_ROM\nTRACK MODE1\nDATAFILE \"" + Path("next.iso") + "\"\n");

  struct Case {
    VirtualMedium medium;
    std::vector<std::string> burns;  // "DEV" stands for the drive
    const char* said;                // by the last burn
  } const cases[] = {
      {VirtualMedium::CdR, {"wodim -v -sao gracetime=0 dev=DEV ONE.ISO"}, "Sending CUE sheet..."},
      {VirtualMedium::CdRw, {"cdrskin -v gracetime=0 dev=DEV ONE.ISO"}, "in real SAO mode"},
      {VirtualMedium::CdR, {"cdrskin -v -tao -multi gracetime=0 dev=DEV ONE.ISO"}, "in real TAO mode"},
      // Both sessions written at once: wodim starts the disc (mode 1 data
      // with -data; its XA default has no cue sheet form), cdrdao's cue
      // sheet places the later session after the first one's lead-out and gap.
      {VirtualMedium::CdR,
       {"wodim -v -sao -multi -data gracetime=0 dev=DEV ONE.ISO",
        "sh -c \"genisoimage -quiet -R -J -C \\$(wodim -msinfo dev=DEV) -M DEV -o NEXT.ISO TWO\"",
        "cdrdao write -n --force --multi --device DEV NEXT.TOC"},
       "Writing finished successfully"},
      {VirtualMedium::DvdR, {"growisofs -use-the-force-luke=dao -Z DEV=ONE.ISO"}, "engaging DVD-R DAO"},
      {VirtualMedium::DvdPlusR, {"growisofs -Z DEV -R -J ONE", "growisofs -M DEV -R -J TWO"}, "-M /dev/fd/"},
      {VirtualMedium::DvdPlusRw, {"growisofs -Z DEV -R -J ONE", "growisofs -M DEV -R -J TWO"}, "-M /dev/fd/"},
      {VirtualMedium::DvdR, {"growisofs -Z DEV -R -J ONE", "growisofs -M DEV -R -J TWO"}, "-M /dev/fd/"},
      {VirtualMedium::DvdRwSequential,
       {"growisofs -Z DEV -R -J ONE", "growisofs -M DEV -R -J TWO"},
       "-M /dev/fd/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(MediumKey(c.medium) + ": " + c.burns.back());
    BurnRig rig(c.medium, true);
    rig.ReleaseDrive();
    const std::string files = rig.machine.files.path();
    const std::string client = "cd " + Q(files) + " && BURNER_DRIVE_MAP=" + Q(files + "/DriveMap.ini") +
                               " BURNER_PRELOAD_DEVICES=" + device +
                               "=E XDG_DATA_HOME=" + Q(files + "/data") + " LD_PRELOAD=" + Q(preload) +
                               " timeout 300 ";
    for (std::string burn : c.burns) {
      for (const auto& [name, value] : {std::pair<std::string, std::string>{"DEV", device},
                                        {"ONE.ISO", Q(Path("one.iso"))},
                                        {"NEXT.ISO", Q(Path("next.iso"))},
                                        {"NEXT.TOC", Q(Path("next.toc"))},
                                        {"ONE", Q(Path("one"))},
                                        {"TWO", Q(Path("two"))}}) {
        for (auto at = burn.find(name); at != std::string::npos; at = burn.find(name, at + value.size()))
          burn.replace(at, name.size(), value);
      }
      ASSERT_EQ(Shell(client + burn + " 2>&1", &out), 0) << burn << "\n" << out;
    }
    EXPECT_NE(out.find(c.said), std::string::npos) << out;

    rig.Attach();
    ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
    const bool appended = c.burns.size() > 1;
    std::vector<std::pair<std::string, std::string>> expected = {{"\\first.txt", "one/first.txt"},
                                                                 {"\\deep\\block.bin", "one/deep/block.bin"}};
    if (appended) expected.push_back({"\\second.bin", "two/second.bin"});
    std::filesystem::create_directories(Path("x"));
    for (const auto& [on_disc, source] : expected) {
      SCOPED_TRACE(on_disc);
      const auto slash = on_disc.rfind('\\');
      TDEntry* dir = rig.rec->FindDirByPath(slash == 0 ? "\\" : on_disc.substr(0, slash));
      ASSERT_NE(dir, nullptr);
      TFEntry* file = rig.rec->Compilation().FindChild(dir, on_disc.substr(slash + 1));
      ASSERT_NE(file, nullptr);
      const std::string target = Path("x/" + on_disc.substr(slash + 1));
      std::filesystem::remove(target);
      ASSERT_TRUE(rig.rec->ExtractFile(file, target));
      EXPECT_EQ(isotest::ReadAll(target), isotest::ReadAll(Path(source)));
    }
  }
}

}  // namespace
