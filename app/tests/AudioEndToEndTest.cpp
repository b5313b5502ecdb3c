// An audio CD from end to end: tracks made at test time (a WAV and a WMA by
// ffmpeg, an MP3 by lame) go into the audio window through its Add menu,
// Burn starts the real burner-encode as a child process on a virtual CD-R,
// and cdparanoia reads the disc back through the preload library. The
// abort and a killed process are played on a track fed through a pipe, so
// that the test decides when the process has data.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <atomic>
#include <thread>

#include "app/tests/AudioRig.h"
#include "platform/devices/VirtualRecorder.h"

namespace apptest {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr qsizetype kBlock = 2352;
constexpr qsizetype kSecond = 44100 * 4;
const QString kDoneText = "Write/Burn Audio CD Process done.";

// A program's exit code and its standard output (its errors after them).
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(300000)) return -1;
  if (out) *out = p.readAllStandardOutput() + p.readAllStandardError();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The tracks as FFmpeg decodes them to CD audio: 16-bit stereo at 44.1 kHz.
QByteArray DecoderOutput(const QString& file) {
  QProcess p;
  p.start("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-f", "s16le", "-ac", "2", "-ar", "44100", "-"});
  p.waitForFinished(300000);
  return p.readAllStandardOutput();
}

class AudioEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunProgram("sh", {"-c", "command -v ffmpeg && command -v lame"}) != 0) GTEST_SKIP() << "ffmpeg or lame is missing";
    // burner-encode drives the disc in a map of its own: the rig's drive E
    // lives in this process, which the child cannot reach.
    rig.Write(rig.Media("DriveMap.ini"), "[E]\nImage=disc.img\nMedium=cd-r\n");
    drive_map_ = std::make_unique<EnvOverride>("BURNER_DRIVE_MAP", rig.Media("DriveMap.ini").toUtf8());
    // The process ships in the program folder, as it is installed.
    const QString shipped = rig.dialogs.Path(kAudioProcessName);
    ASSERT_TRUE(QFile::copy(QString(BURNER_BINARY_DIR) + "/bin/" + kAudioProcessName, shipped));
    QFile::setPermissions(shipped, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    rig.burning->TimProgress->SetInterval(20);
  }

  // `seconds` of pink noise from `seed`, stereo 44.1 kHz, through ffmpeg
  // with `codec`. Noise, not a tone: a reader that checks its reads by
  // their overlap can slip by whole periods in a pure tone.
  QString Noise(const QString& name, int seed, int seconds, const QString& codec) {
    const QString path = rig.Media(name);
    QByteArray out;
    EXPECT_EQ(RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                             QString("anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:seed=%1:duration=%2").arg(seed).arg(seconds), "-ac", "2", "-ar",
                             "44100", "-c:a", codec, path},
                  &out),
              0)
        << out.toStdString();
    return path;
  }

  void AddThroughMenu(const QStringList& files) {
    rig.audio->Show();
    rig.Dialogs().AnswerFile(files);
    rig.ChooseFromPopup(rig.audio->btnAdd, "Add Files");
    ASSERT_EQ(rig.Column(0), files);
  }

  VirtualDiscSummary Disc(const QString& image = "disc.img") {
    VirtualRecorderConfig config;
    config.image_path = rig.Media(image).toStdString();
    config.look_only = true;
    return VirtualRecorder::Open(config)->Summary();
  }

  // `reader` (cdparanoia, icedax) on the virtual disc, run in the media
  // folder.
  int ReadBack(const QString& reader, const QStringList& args, QByteArray* out) {
    const QString preload = QString(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
    QString device;
    for (int n = 0; device.isEmpty(); ++n)
      if (!QFileInfo::exists(QString("/dev/sr%1").arg(n))) device = QString("/dev/sr%1").arg(n);
    QString command = "cd '" + rig.Media("") + "' && BURNER_PRELOAD_DEVICES=" + device + "=E LD_PRELOAD='" + preload +
                      "' timeout 300 " + reader + " " + (reader == "icedax" ? "-D " : "-d ") + device;
    for (const QString& a : args) command += " " + a;
    return RunProgram("sh", {"-c", command}, out);
  }
  bool CanReadBack(const QString& reader = "cdparanoia") const {
    return !kSanitized && RunProgram("sh", {"-c", "command -v " + reader}) == 0;
  }

  bool Ended(int seconds) {
    return QTest::qWaitFor([&] { return !rig.burning->Running(); }, seconds * 1000);
  }

  AudioRig rig;
  std::unique_ptr<EnvOverride> drive_map_;
};

TEST_F(AudioEndToEnd, BurnsWavMp3AndWmaThatReadBackAsTheDecoderPlaysThem) {
  const QString wav = Noise("one.wav", 1, 20, "pcm_s16le");
  const QString source = Noise("two-source.wav", 2, 20, "pcm_s16le");
  const QString mp3 = rig.Media("two.mp3");
  QByteArray out;
  ASSERT_EQ(RunProgram("lame", {"--quiet", "-b", "128", source, mp3}, &out), 0) << out.toStdString();
  const QString wma = Noise("three.wma", 3, 20, "wmav2");
  const QStringList tracks{wav, mp3, wma};
  AddThroughMenu(tracks);

  // The figures as the window shows them, sampled while the burn runs.
  QList<int> totals;
  const auto sample = [&] {
    const int p = rig.burning->pgbTotal->Position();
    if (totals.isEmpty() || totals.last() != p) totals << p;
  };
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, sample);
  sampler.start(5);
  QTest::mouseClick(rig.audio->bBurn, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_TRUE(rig.burning->isVisible());
  ASSERT_TRUE(Ended(240)) << rig.Log().toStdString();
  sampler.stop();
  sample();

  EXPECT_EQ(rig.burning->labStatus->Caption(), kDoneText) << rig.Log().toStdString();
  EXPECT_TRUE(rig.LogHas(" " + kDoneText));
  EXPECT_FALSE(rig.LogHas("abort")) << rig.Log().toStdString();
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(rig.LogHas(QString(" Processing: %1  (Track %2)").arg(tracks[i]).arg(i + 1)));
  EXPECT_EQ(rig.burning->labTProgress->Caption(), "100%");
  EXPECT_EQ(rig.burning->labCProgress->Caption(), "100%");
  ASSERT_FALSE(totals.isEmpty());
  EXPECT_EQ(totals.last(), 100);
  EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end())) << QString::number(totals.size()).toStdString();
  EXPECT_TRUE(std::any_of(totals.begin(), totals.end(), [](int p) { return p > 0 && p < 100; }))
      << "the total bar went from nothing to full";
  EXPECT_TRUE(rig.burning->btnEject->Enabled());
  EXPECT_FALSE(QFile::exists(rig.Exchange()));

  const VirtualDiscSummary disc = Disc();
  EXPECT_EQ(disc.status, "complete");
  ASSERT_EQ(disc.tracks.size(), 3u);
  for (const auto& track : disc.tracks) EXPECT_TRUE(track.audio);

  if (!CanReadBack()) GTEST_SKIP() << "cdparanoia is not installed or cannot be preloaded";
  ASSERT_EQ(ReadBack("cdparanoia", {"-Q"}, &out), 0) << out.toStdString();
  for (const char* line : {"  1. ", "  2. ", "  3. "}) EXPECT_TRUE(out.contains(line)) << out.toStdString();
  EXPECT_FALSE(out.contains("  4. "));
  ASSERT_EQ(ReadBack("cdparanoia", {"-q", "-r", "-B", "1-3"}, &out), 0) << out.toStdString();
  // Each track is FFmpeg's decoding of its file, sample for sample (the
  // process decodes with the same libraries), then silence: the padding to
  // a whole block and, before the next track, its pre-gap.
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(tracks[i].toStdString());
    QFile read(rig.Media(QString("track%1.cdda.raw").arg(i + 1, 2, 10, QChar('0'))));
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray pcm = read.readAll();
    const QByteArray expected = DecoderOutput(tracks[i]);
    ASSERT_GE(expected.size(), 19 * kSecond);
    ASSERT_GE(pcm.size(), expected.size());
    EXPECT_EQ(pcm.size() % kBlock, 0);
    EXPECT_LT(pcm.size() - expected.size(), (i < 2 ? 151 : 1) * kBlock);
    EXPECT_TRUE(pcm.left(expected.size()) == expected);
    EXPECT_EQ(pcm.mid(expected.size()).count('\0'), pcm.size() - expected.size());
  }
  // icedax's disc summary asks the drive for more than the TOC (sub-channel
  // data, CD-Text, its own read commands) and takes what it cannot have.
  if (!CanReadBack("icedax")) GTEST_SKIP() << "icedax is not installed";
  ASSERT_EQ(ReadBack("icedax", {"-J", "-v", "all"}, &out), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("total tracks:3")) << out.toStdString();
  EXPECT_TRUE(out.contains("      1- 3 ")) << out.toStdString();
}

// A WAV whose bytes the test hands to the process through a pipe: the first
// eight seconds at once, the rest when the test lets them go. The feeder
// never blocks for good: it gives up when the test ends.
class PipedTrack {
 public:
  explicit PipedTrack(const QString& fifo, QByteArray wav) : path_(fifo.toLocal8Bit()), wav_(std::move(wav)) {
    ::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(::mkfifo(path_.constData(), 0600), 0);
    feeder_ = std::thread([this] {
      int fd = -1;
      while (fd < 0 && !stop_) {  // no reader yet: ENXIO
        fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (fd < 0) return;
      const qsizetype first = std::min<qsizetype>(44 + 8 * kSecond, wav_.size());
      if (Send(fd, 0, first)) {
        while (!release_ && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Send(fd, first, wav_.size());
      }
      ::close(fd);
    });
  }
  ~PipedTrack() {
    stop_ = true;
    feeder_.join();
  }
  void Release() { release_ = true; }

 private:
  bool Send(int fd, qsizetype from, qsizetype to) {
    for (qsizetype at = from; at < to && !stop_;) {
      const ssize_t n = ::write(fd, wav_.constData() + at, std::min<qsizetype>(65536, to - at));
      if (n > 0) {
        at += n;
      } else if (n < 0 && errno == EAGAIN) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      } else {
        return false;  // the reader has gone
      }
    }
    return !stop_;
  }

  QByteArray path_;
  QByteArray wav_;
  std::atomic<bool> release_{false};
  std::atomic<bool> stop_{false};
  std::thread feeder_;
};

TEST_F(AudioEndToEnd, AbortAndAKilledProcessEndTheRunAndLeaveTheDiscReadable) {
  QFile long_wav(Noise("long.wav", 4, 60, "pcm_s16le"));
  ASSERT_TRUE(long_wav.open(QIODevice::ReadOnly));
  const QByteArray wav = long_wav.readAll();
  struct Case {
    const char* name;
    bool kill;
  } const cases[] = {{"abort", false}, {"kill", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString image = QString("disc-%1.img").arg(c.name);
    rig.Write(rig.Media("DriveMap.ini"), ("[E]\nImage=" + image + "\nMedium=cd-r\n").toUtf8());
    const QString fifo = rig.Media(QString("piped-%1.wav").arg(c.name));
    PipedTrack piped(fifo, wav);
    rig.audio->clbox->Items()->Clear();
    AddThroughMenu({fifo});
    QTest::mouseClick(rig.audio->bBurn, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.LogHas("Burning track 1 of 1."); }, 120000))
        << rig.Log().toStdString();
    ASSERT_TRUE(rig.burning->Running());
    if (c.kill) {
      const QList<QProcess*> children = rig.burning->findChildren<QProcess*>();
      ASSERT_EQ(children.size(), 1);
      ASSERT_EQ(::kill(static_cast<pid_t>(children[0]->processId()), SIGKILL), 0);
      ASSERT_TRUE(Ended(5)) << rig.Log().toStdString();
      EXPECT_TRUE(rig.LogHas(" The audio burning process crashed before the burn was finished."))
          << rig.Log().toStdString();
      EXPECT_EQ(rig.burning->labStatus->Caption(),
                "The audio burning process crashed before the burn was finished.");
    } else {
      QTest::mouseClick(rig.burning->btnAbort, Qt::LeftButton, {}, QPoint(5, 5));
      EXPECT_TRUE(rig.LogHas(" Aborting. Please wait."));
      piped.Release();
      ASSERT_TRUE(Ended(60)) << rig.Log().toStdString();
      EXPECT_EQ(rig.burning->labStatus->Caption(), "Burning is abort.");
    }
    piped.Release();
    EXPECT_TRUE(rig.Log().trimmed().endsWith(" Burning is abort.")) << rig.Log().toStdString();
    EXPECT_FALSE(rig.LogHas(kDoneText));
    EXPECT_FALSE(rig.burning->btnAbort->Visible());
    EXPECT_TRUE(rig.burning->btnEject->Enabled());
    EXPECT_FALSE(QFile::exists(rig.Exchange()));
    QTest::mouseClick(rig.burning->btnEject, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(rig.burning->isVisible());
    if (c.kill) continue;

    // The abort closed what was written: one short audio track on a
    // closed disc, which cdparanoia lists.
    const VirtualDiscSummary disc = Disc(image);
    EXPECT_EQ(disc.status, "complete");
    ASSERT_EQ(disc.tracks.size(), 1u);
    EXPECT_TRUE(disc.tracks[0].audio);
    EXPECT_LT(disc.tracks[0].size, 60u * 75);
    if (!CanReadBack()) continue;
    QByteArray out;
    ASSERT_EQ(ReadBack("cdparanoia", {"-Q"}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("  1. ")) << out.toStdString();
    EXPECT_FALSE(out.contains("  2. ")) << out.toStdString();
  }
}

}  // namespace
}  // namespace apptest
