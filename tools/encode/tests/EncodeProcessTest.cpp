// burner-encode as the audio window runs it: a child process with the access
// code, a job in the exchange file, a virtual CD-R named in the drive map,
// tracks made by ffmpeg at test time; cdparanoia reads the disc back through
// the preload library.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/core/AudioExchange.h"
#include "platform/devices/VirtualRecorder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr char kAccessCode[] = "pq3vtz#rw%M7@jcx5hb#";
constexpr std::size_t kBlock = 2352;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Q(const std::string& text) { return "'" + text + "'"; }

class EncodeProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Shell("command -v ffmpeg") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    const char* bin = std::getenv("BURNER_BIN_DIR");
    encode_ = std::string(bin != nullptr ? bin : BURNER_BINARY_DIR "/bin") + "/burner-encode";
    ASSERT_TRUE(fs::exists(encode_)) << encode_;
    std::string pattern = (fs::temp_directory_path() / "encode-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::create_directory(dir_ / "run");
    fs::permissions(dir_ / "run", fs::perms::owner_all);
    // The child inherits these: its exchange file and its drives are the test's.
    ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    ::setenv("BURNER_DRIVE_MAP", (dir_ / "DriveMap.ini").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    std::ofstream(dir_ / "DriveMap.ini") << "[E]\nImage=e.img\nMedium=cd-r\n";
    exchange_ = audio_exchange::ExchangeFilePath();
    ASSERT_TRUE(exchange_.startsWith(QString::fromStdString((dir_ / "run").string())));
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  // A file made by ffmpeg from a test source ("sine=frequency=440:duration=3").
  std::string Make(const std::string& name, const std::string& source, const std::string& options) {
    const std::string path = (dir_ / name).string();
    std::string out;
    EXPECT_EQ(Shell("ffmpeg -nostdin -v error -f lavfi -i " + Q(source) + " " + options + " -y " + Q(path), &out), 0)
        << out;
    return path;
  }

  void WriteJob(const QStringList& tracks, const QString& drive = "E:") {
    QString error;
    ASSERT_TRUE(audio_exchange::WriteJob(exchange_, {tracks, drive}, true, &error)) << error.toStdString();
  }

  int RunEncode(const std::vector<std::string>& args) {
    std::string command = Q(encode_);
    for (const std::string& arg : args) command += " " + Q(arg);
    std::string out;
    const int status = Shell("cd " + Q(dir_.string()) + " && timeout 300 " + command, &out);
    output_ = out;
    return status;
  }

  VirtualDiscSummary Disc() {
    VirtualRecorderConfig config;
    config.image_path = (dir_ / "e.img").string();
    config.look_only = true;
    return VirtualRecorder::Open(config)->Summary();
  }

  // cdparanoia's reading of tracks `span` ("1-3") into trackNN.cdda.raw, as raw PCM.
  void Paranoia(const std::string& arguments, std::string* out) {
    const std::string preload = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
    ASSERT_TRUE(fs::exists(preload));
    std::string device;
    for (int n = 0; device.empty(); ++n) {
      if (!fs::exists("/dev/sr" + std::to_string(n))) device = "/dev/sr" + std::to_string(n);
    }
    ASSERT_EQ(Shell("cd " + Q(dir_.string()) + " && BURNER_PRELOAD_DEVICES=" + device + "=E LD_PRELOAD=" + Q(preload) +
                        " timeout 300 cdparanoia -d " + device + " " + arguments,
                    out),
              0)
        << *out;
  }

  bool CanReadBack() const { return !kSanitized && Shell("command -v cdparanoia") == 0; }

  fs::path dir_;
  std::string encode_;
  QString exchange_;
  std::string output_;
};

TEST_F(EncodeProcess, AnyOtherArgumentsLeaveTheExchangeFileAlone) {
  const std::string wav = Make("a.wav", "sine=duration=1", "-ac 2 -ar 44100");
  WriteJob({QString::fromStdString(wav)});
  const std::string before = ReadAll(exchange_.toStdString());
  const std::vector<std::vector<std::string>> calls = {
      {}, {"pq3vtz#rw%M7@jcx5hb"}, {std::string(kAccessCode) + " "}, {kAccessCode, kAccessCode}, {"-h"}};
  for (const auto& args : calls) {
    EXPECT_EQ(RunEncode(args), 2) << output_;
    EXPECT_EQ(ReadAll(exchange_.toStdString()), before);
  }
  EXPECT_FALSE(fs::exists(dir_ / "e.img"));
}

TEST_F(EncodeProcess, BurnsEveryTrackAndReportsDone) {
  // CD audio as it is, mono 48 kHz FLAC and an MP3: each becomes 44.1 kHz stereo.
  const std::string wav = Make("a.wav", "sine=frequency=440:duration=3", "-ac 2 -ar 44100 -c:a pcm_s16le");
  const std::string flac = Make("b.flac", "sine=frequency=1000:duration=5", "-ac 1 -ar 48000");
  const std::string mp3 = Make("c.mp3", "sine=frequency=300:duration=6", "-ac 2 -ar 44100 -b:a 128k");
  WriteJob({QString::fromStdString(wav), QString::fromStdString(flac), QString::fromStdString(mp3)});
  ASSERT_EQ(RunEncode({kAccessCode}), 0) << output_;

  const audio_exchange::Status status = audio_exchange::ReadStatus(exchange_);
  EXPECT_EQ(status.Text.toStdString(), "Write/Burn Audio CD Process done.");
  EXPECT_EQ(status.Track, 2);
  EXPECT_EQ(status.Progress, 100);
  const VirtualDiscSummary disc = Disc();
  EXPECT_EQ(disc.status, "complete");
  ASSERT_EQ(disc.tracks.size(), 3u);
  // Three seconds are padded to the four a track needs; five and six
  // seconds take their length (mp3 frames may add a few milliseconds).
  EXPECT_EQ(disc.tracks[0].size, 300u);
  EXPECT_EQ(disc.tracks[1].size, 375u);
  EXPECT_NEAR(disc.tracks[2].size, 450.0, 5.0);
  for (const auto& track : disc.tracks) EXPECT_TRUE(track.audio);

  if (!CanReadBack()) GTEST_SKIP() << "cdparanoia is not installed or cannot be preloaded";
  std::string out;
  Paranoia("-q -r -B 1-3", &out);
  // Track 1 comes back sample for sample, then silence (padding and track 2's pre-gap).
  std::string expected;
  ASSERT_EQ(Shell("ffmpeg -nostdin -v error -i " + Q(wav) + " -f s16le -", &expected), 0);
  const std::string first = ReadAll(dir_ / "track01.cdda.raw");
  ASSERT_EQ(first.size(), (300 + 150) * kBlock);
  EXPECT_EQ(first.substr(0, expected.size()), expected);
  EXPECT_EQ(first.find_first_not_of('\0', expected.size()), std::string::npos);
  // The resampled tone is there and loud, not silence.
  const std::string second = ReadAll(dir_ / "track02.cdda.raw");
  ASSERT_EQ(second.size(), (375 + 150) * kBlock);
  int peak = 0;
  for (std::size_t i = 0; i + 1 < 375 * kBlock; i += 2) {
    peak = std::max(peak, std::abs(static_cast<std::int16_t>((static_cast<unsigned char>(second[i + 1]) << 8) |
                                                            static_cast<unsigned char>(second[i]))));
  }
  EXPECT_GT(peak, 2000);  // the tone at its level (-3 dB from mono), not silence
}

TEST_F(EncodeProcess, FailuresEndWithAnErrorStatusAndNoDiscTouched) {
  const std::string wav = Make("a.wav", "sine=duration=1", "-ac 2 -ar 44100");
  std::ofstream(dir_ / "notes.mp3") << "these are not audio frames\n";
  struct Case {
    QStringList tracks;
    QString drive;
    std::string text;
  } cases[] = {
      {{QString::fromStdString(wav), QString::fromStdString((dir_ / "notes.mp3").string())}, "E:",
       "Error: track 2 (" + (dir_ / "notes.mp3").string() + ") cannot be decoded: it is not in an audio format"},
      {{QString::fromStdString((dir_ / "gone.wav").string())}, "E:",
       "Error: track 1 (" + (dir_ / "gone.wav").string() + ") cannot be decoded: No such file or directory."},
      {{QString::fromStdString(wav)}, "Q:", "Error: the drive \"Q:\" is not on this machine."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteJob(c.tracks, c.drive);
    EXPECT_EQ(RunEncode({kAccessCode}), 1) << output_;
    const QString text = audio_exchange::ReadStatus(exchange_).Text;
    EXPECT_TRUE(text.startsWith(QString::fromStdString(c.text))) << text.toStdString();
    EXPECT_FALSE(text.contains("missing"));
    EXPECT_FALSE(fs::exists(dir_ / "e.img.audio"));
  }
}

TEST_F(EncodeProcess, AbortOrderStopsMidTrackAndLeavesAReadableDisc) {
  // The track arrives through a pipe, so the test decides when the process
  // has data: eight seconds (more than the decoder looks at before it
  // starts), then the order, then the rest.
  const std::string wav = Make("long.wav", "sine=frequency=500:duration=60", "-ac 2 -ar 44100 -c:a pcm_s16le");
  const std::string pcm = ReadAll(wav);
  const fs::path fifo = dir_ / "track.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteJob({QString::fromStdString(fifo.string())});

  pid_t child = 0;
  char* argv[] = {encode_.data(), const_cast<char*>(kAccessCode), nullptr};
  ASSERT_EQ(::posix_spawn(&child, encode_.c_str(), nullptr, nullptr, argv, environ), 0);
  ::signal(SIGPIPE, SIG_IGN);
  const int feed = ::open(fifo.c_str(), O_WRONLY);
  ASSERT_GE(feed, 0);
  auto send = [&](std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to;) {
      const ssize_t n = ::write(feed, pcm.data() + at, std::min<std::size_t>(65536, to - at));
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return true;
  };
  const std::size_t first_part = 44 + 8 * 176400;
  ASSERT_TRUE(send(0, first_part));
  // A pipe has no length to count progress against: the disc's audio
  // image shows how far the burn has come.
  const fs::path written = dir_ / "e.img.audio";
  auto burned = [&] { return fs::exists(written) ? fs::file_size(written) : 0; };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (burned() < 5 * 176400 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GE(burned(), 5u * 176400);
  EXPECT_EQ(audio_exchange::ReadStatus(exchange_).Text.toStdString(), "Burning track 1 of 1.");
  ASSERT_TRUE(audio_exchange::WriteOrder(exchange_, "Abort"));
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  send(first_part, pcm.size());  // the process stops taking it once it has seen the order
  ::close(feed);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(audio_exchange::ReadStatus(exchange_).Text.toStdString(), "Burning is abort.");

  // One closed track, less than the whole minute, on a closed disc.
  const VirtualDiscSummary disc = Disc();
  EXPECT_EQ(disc.status, "complete");
  ASSERT_EQ(disc.tracks.size(), 1u);
  EXPECT_GE(disc.tracks[0].size, 300u);
  EXPECT_LT(disc.tracks[0].size, 60u * 75);
  if (!CanReadBack()) GTEST_SKIP() << "cdparanoia is not installed or cannot be preloaded";
  std::string out;
  Paranoia("-Q", &out);
  EXPECT_NE(out.find("  1. "), std::string::npos) << out;
  EXPECT_EQ(out.find("  2. "), std::string::npos) << out;
}

}  // namespace
