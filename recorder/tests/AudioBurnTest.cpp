// Audio CDs written track at once on the virtual recorder: the tracks on
// the disc, the commands that made them, abort and failures; and cdparanoia
// and icedax reading the disc back through the preload library.

#include <gtest/gtest.h>

#include <filesystem>

#include "recorder/tests/BurnFixture.h"
#include "recorder/xrAudio.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

using burntest::BurnRig;

std::string Pcm(std::size_t bytes, unsigned seed) {
  std::string pcm = isotest::Pattern(bytes, seed);
  return pcm;
}

// A source over bytes in memory, handed out in uneven pieces as a decoder would.
TAudioSource MemorySource(const std::string& pcm, bool announce_size = true) {
  auto at = std::make_shared<std::size_t>(0);
  TAudioSource source;
  source.ExpectedBytes = announce_size ? pcm.size() : 0;
  source.Read = [pcm, at](std::uint8_t* buffer, std::size_t length, std::string&) -> std::int64_t {
    const std::size_t n = std::min({length, pcm.size() - *at, std::size_t{10007}});
    std::memcpy(buffer, pcm.data() + *at, n);
    *at += n;
    return static_cast<std::int64_t>(n);
  };
  return source;
}

// The PCM of `blocks` audio blocks from `lba`, through READ CD.
std::string ReadAudio(VirtualRecorder& drive, std::uint32_t lba, std::uint32_t blocks) {
  std::string out(std::size_t{blocks} * kCddaSectorSize, '\0');
  ScsiCommand c;
  c.cdb = {0xBE, 0x04, static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
           static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), static_cast<std::uint8_t>(blocks >> 16),
           static_cast<std::uint8_t>(blocks >> 8), static_cast<std::uint8_t>(blocks), 0x10, 0, 0};
  c.cdb_length = 12;
  c.direction = ScsiDirection::In;
  c.data = reinterpret_cast<std::uint8_t*>(out.data());
  c.data_length = static_cast<std::uint32_t>(out.size());
  const ScsiResult r = drive.Execute(c);
  EXPECT_TRUE(r.ok()) << int(r.sense_key()) << "/" << int(r.asc());
  return out;
}

std::string Padded(std::string pcm, std::uint32_t blocks) {
  pcm.resize(std::size_t{blocks} * kCddaSectorSize, '\0');
  return pcm;
}

class AudioBurn : public isotest::ImageTest {};

TEST_F(AudioBurn, WritesOneTrackPerSourceAndClosesTheDisc) {
  BurnRig rig(VirtualMedium::CdR);
  // A short track (padded to four seconds and a whole block) and a longer
  // one whose size the source does not announce.
  const std::string one = Pcm(100001, 1);
  const std::string two = Pcm(5 * 176400 + 1000, 2);
  std::vector<TAudioSource> sources = {MemorySource(one), MemorySource(two, false)};
  std::vector<std::pair<int, int>> progress;
  TAudioWriter writer(*rig.rec);
  writer.OnProgress = [&](int track, int percent) { progress.emplace_back(track, percent); };
  const TAudioBurnResult result = writer.Write(sources);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.TracksWritten, 2);

  const VirtualDiscSummary disc = rig.vrec->Summary();
  EXPECT_EQ(disc.status, "complete");
  ASSERT_EQ(disc.tracks.size(), 2u);
  const std::uint32_t two_blocks = TAudioWriter::TrackBlocks(two.size());
  EXPECT_TRUE(disc.tracks[0].audio && disc.tracks[1].audio);
  EXPECT_EQ(disc.tracks[0].start, 0u);
  EXPECT_EQ(disc.tracks[0].size, 300u);
  EXPECT_EQ(disc.tracks[1].start, 300u + 150u);
  EXPECT_EQ(disc.tracks[1].size, two_blocks);
  EXPECT_EQ(ReadAudio(*rig.vrec, 0, 300), Padded(one, 300));
  EXPECT_EQ(ReadAudio(*rig.vrec, 450, two_blocks), Padded(two, two_blocks));

  // Progress climbs per track and ends at 100 for each.
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), std::make_pair(0, 0));
  EXPECT_EQ(progress.back(), std::make_pair(1, 100));
  EXPECT_NE(std::find(progress.begin(), progress.end(), std::make_pair(0, 100)), progress.end());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

  // Track at once, audio track mode, raw blocks, no next session; each
  // track closed, then the session.
  const auto log = rig.vrec->CommandLog();
  const auto select = std::find_if(log.rbegin(), log.rend(), [](const auto& c) { return c.opcode() == 0x55; });
  ASSERT_NE(select, log.rend());
  ASSERT_GE(select->data_out.size(), 8u + 16);
  const std::uint8_t* page = select->data_out.data() + 8;
  EXPECT_EQ(page[2] & 0x0F, 1);
  EXPECT_EQ(page[3], 0x00);
  EXPECT_EQ(page[4], 0x00);
  EXPECT_EQ((page[14] << 8) | page[15], 150);
  std::vector<int> closes;
  for (const auto& c : log) {
    if (c.opcode() == 0x5B) closes.push_back(c.cdb[2] * 100 + c.cdb[5]);
  }
  EXPECT_EQ(closes, (std::vector<int>{101, 102, 200}));
}

TEST_F(AudioBurn, AbortClosesWhatWasWrittenAndFailuresSayWhy) {
  {
    BurnRig rig(VirtualMedium::CdRw);
    std::vector<TAudioSource> sources = {MemorySource(Pcm(400 * kCddaSectorSize, 3)),
                                         MemorySource(Pcm(900 * kCddaSectorSize, 4))};
    TAudioWriter writer(*rig.rec);
    int track_now = -1;
    writer.OnProgress = [&](int track, int) { track_now = track; };
    int asked_in_second = 0;
    writer.ShouldAbort = [&] { return track_now == 1 && ++asked_in_second > 3; };
    const TAudioBurnResult result = writer.Write(sources);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Aborted);
    EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER");
    EXPECT_EQ(result.TracksWritten, 2);
    // The disc is closed with the whole first track and the start of the second.
    const VirtualDiscSummary disc = rig.vrec->Summary();
    EXPECT_EQ(disc.status, "complete");
    ASSERT_EQ(disc.tracks.size(), 2u);
    EXPECT_EQ(disc.tracks[0].size, 400u);
    EXPECT_EQ(disc.tracks[1].size, 300u);  // three writes, filled up to four seconds
  }
  struct Case {
    const char* name;
    VirtualMedium medium;
    std::uint64_t announced;  // bytes the source claims
    bool source_fails;
    bool finalized_first;
    const char* error;
    int tracks;
  };
  const Case cases[] = {
      {"dvd", VirtualMedium::DvdPlusR, 0, false, false, "Audio CDs need a CD-R or CD-RW disc; the drive holds a DVD+R disc.", 0},
      {"too long", VirtualMedium::CdR, 90ull * 60 * 176400, false, false, "The tracks need", 0},
      {"unreadable source", VirtualMedium::CdR, 0, true, false, "decoder stopped", 1},
      {"closed disc", VirtualMedium::CdR, 0, false, true, "The disc is closed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurnRig rig(c.medium);
    if (c.finalized_first) {
      std::vector<TAudioSource> first = {MemorySource(Pcm(1000, 5))};
      ASSERT_TRUE(TAudioWriter(*rig.rec).Write(first).Ok);
    }
    rig.vrec->ClearCommandLog();
    std::vector<TAudioSource> sources = {MemorySource(Pcm(400 * kCddaSectorSize, 6))};
    if (c.announced != 0) sources[0].ExpectedBytes = c.announced;
    if (c.source_fails) {
      auto calls = std::make_shared<int>(0);
      auto inner = sources[0].Read;
      sources[0].Read = [inner, calls](std::uint8_t* b, std::size_t n, std::string& error) -> std::int64_t {
        if (++*calls > 20) {
          error = "The decoder stopped: damaged frame.";
          return -1;
        }
        return inner(b, n, error);
      };
    }
    const TAudioBurnResult result = TAudioWriter(*rig.rec).Write(sources);
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Aborted);
    EXPECT_NE(result.Error.find(c.error), std::string::npos) << result.Error;
    EXPECT_EQ(result.TracksWritten, c.tracks);
    const auto log = rig.vrec->CommandLog();
    const bool wrote = std::any_of(log.begin(), log.end(), [](const auto& r) { return r.opcode() == 0x2A; });
    EXPECT_EQ(wrote, c.tracks != 0);
  }
}

TEST_F(AudioBurn, CdparanoiaAndIcedaxReadTheTracksBack) {
  if (kSanitized) GTEST_SKIP() << "sanitizer runtimes cannot be preloaded into other programs";
  if (isotest::Shell("command -v cdparanoia >/dev/null") != 0) GTEST_SKIP() << "cdparanoia is not installed";
  const std::string preload = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
  if (!std::filesystem::exists(preload)) GTEST_SKIP() << preload << " is not built";
  const std::string device = burntest::FreeDevicePath();
  BurnRig rig(VirtualMedium::CdR, true);
  const std::string one = Pcm(7 * 176400 + 4, 7);
  const std::string two = Pcm(5 * 176400, 8);
  std::vector<TAudioSource> sources = {MemorySource(one), MemorySource(two)};
  ASSERT_TRUE(TAudioWriter(*rig.rec).Write(sources).Ok);
  rig.ReleaseDrive();

  const std::string files = rig.machine.files.path();
  const std::string client = "cd " + isotest::Q(Path("")) + " && BURNER_DRIVE_MAP=" +
                             isotest::Q(files + "/DriveMap.ini") + " BURNER_PRELOAD_DEVICES=" + device +
                             "=E XDG_DATA_HOME=" + isotest::Q(files + "/data") + " LD_PRELOAD=" +
                             isotest::Q(preload) + " timeout 300 ";
  std::string out;
  ASSERT_EQ(isotest::Shell(client + "cdparanoia -d " + device + " -Q 2>&1", &out), 0) << out;
  EXPECT_NE(out.find("TOTAL"), std::string::npos) << out;
  // cdparanoia counts the pre-gap of track 2 into track 1, as players do.
  ASSERT_EQ(isotest::Shell(client + "cdparanoia -d " + device + " -q -r -B 1-2 2>&1", &out), 0) << out;
  const std::string first = isotest::ReadAll(Path("track01.cdda.raw"));
  const std::string second = isotest::ReadAll(Path("track02.cdda.raw"));
  const std::uint32_t one_blocks = TAudioWriter::TrackBlocks(one.size());
  EXPECT_EQ(first, Padded(one, one_blocks + 150));
  EXPECT_EQ(second, two);

  if (isotest::Shell("command -v icedax >/dev/null") != 0) GTEST_SKIP() << "icedax is not installed";
  // icedax's raw output has the samples big-endian.
  ASSERT_EQ(isotest::Shell(client + "icedax -D " + device + " -t 2 -O raw -q icedax 2>&1", &out), 0) << out;
  std::string swapped = isotest::ReadAll(Path("icedax.raw"));
  for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  EXPECT_EQ(swapped, two);
}

}  // namespace
