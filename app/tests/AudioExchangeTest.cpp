#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "app/tests/EnvOverride.h"
#include "platform/core/AudioExchange.h"

namespace ax = audio_exchange;
using apptest::EnvOverride;

namespace {

void WriteText(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

TEST(AudioExchange, JobRoundTripsAndKeepsOrLosesTheOldStatus) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sub/Task.ini");  // the folder is made on the way
  const ax::Job job{{"/music/a b.wav", "/music/ü=2.mp3"}, "0:0:0,E: VIRTUAL CD-R"};
  QString error;
  ASSERT_TRUE(ax::WriteJob(path, job, true, &error)) << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Count]\r\nValue=2\r\n")) << text.constData();
  EXPECT_TRUE(text.contains("[1]\r\nName=/music/ü=2.mp3\r\n")) << text.constData();
  EXPECT_TRUE(text.contains("[Drive]\r\nValue=0:0:0,E: VIRTUAL CD-R\r\n")) << text.constData();

  const auto back = ax::ReadJob(path, &error);
  ASSERT_TRUE(back.has_value()) << error.toStdString();
  EXPECT_EQ(back->Tracks, job.Tracks);
  EXPECT_EQ(back->Drive, job.Drive);

  ASSERT_TRUE(ax::WriteStatus(path, {1, 40, "Writing"}));
  ASSERT_TRUE(ax::WriteOrder(path, "Abort"));
  // The scheduled run writes over the old file: status and order survive.
  ASSERT_TRUE(ax::WriteJob(path, {{"/x.wav"}, "F"}, false, &error));
  EXPECT_EQ(ax::ReadStatus(path).Text, "Writing");
  EXPECT_EQ(ax::ReadOrder(path), "Abort");
  EXPECT_EQ(ax::ReadJob(path, &error)->Tracks, QStringList{"/x.wav"});
  // The window deletes first: nothing of the last run is left.
  ASSERT_TRUE(ax::WriteJob(path, {{}, "F"}, true, &error));
  const ax::Status fresh = ax::ReadStatus(path);
  EXPECT_EQ(fresh.Track, -1);
  EXPECT_EQ(fresh.Progress, -1);
  EXPECT_EQ(fresh.Text, "Unknown");
  EXPECT_EQ(ax::ReadOrder(path), "");
  EXPECT_EQ(ax::ReadJob(path, &error)->Tracks.size(), 0);

  ax::Remove(path);
  EXPECT_FALSE(QFile::exists(path));
  ax::Remove(path);  // a second time is no error
  EXPECT_EQ(ax::ReadStatus(path).Text, "Unknown");
}

TEST(AudioExchange, BadJobsAreRefusedWithAMessage) {
  QTemporaryDir dir;
  const QString path = dir.filePath("Task.ini");
  QString error;
  EXPECT_FALSE(ax::WriteJob(path, {{"/a\nb.wav"}, "E"}, true, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(ax::WriteJob("", {{}, "E"}, true, &error));
  EXPECT_FALSE(ax::WriteJob(path, {QStringList(1000, "/a.wav"), "E"}, true, &error));

  struct Case {
    const char* text;
    const char* why;
  } cases[] = {
      {"", "no job"},
      {"[Count]\r\nValue=x\r\n[Drive]\r\nValue=E\r\n", "count not a number"},
      {"[Count]\r\nValue=-1\r\n[Drive]\r\nValue=E\r\n", "negative count"},
      {"[Count]\r\nValue=2147483647\r\n[Drive]\r\nValue=E\r\n", "huge count"},
      {"[Count]\r\nValue=2\r\n[0]\r\nName=/a.wav\r\n[Drive]\r\nValue=E\r\n", "missing track"},
      {"[Count]\r\nValue=1\r\n[0]\r\nName=\r\n[Drive]\r\nValue=E\r\n", "empty track"},
      {"[Count]\r\nValue=1\r\n[0]\r\nName=/a.wav\r\n", "no drive"},
  };
  for (const Case& c : cases) {
    WriteText(path, c.text);
    error.clear();
    EXPECT_FALSE(ax::ReadJob(path, &error).has_value()) << c.why;
    EXPECT_FALSE(error.isEmpty()) << c.why;
  }
  ax::Remove(path);
  EXPECT_FALSE(ax::ReadJob(path, &error).has_value());
}

// The process writes its status while the window writes the abort order:
// each writer's last value must be in the file, whoever came last.
TEST(AudioExchange, RacingWritersLoseNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("Task.ini");
  QString error;
  ASSERT_TRUE(ax::WriteJob(path, {{"/a.wav", "/b.wav"}, "E"}, true, &error));
  constexpr int kRounds = 150;
  std::thread process([&] {
    for (int i = 0; i <= kRounds; ++i) ASSERT_TRUE(ax::WriteStatus(path, {i % 2, i, QString("step %1").arg(i)}));
  });
  std::thread window([&] {
    for (int i = 0; i <= kRounds; ++i) {
      ASSERT_TRUE(ax::WriteOrder(path, QString("Abort %1").arg(i)));
      // A reader in between always sees a whole status.
      const ax::Status s = ax::ReadStatus(path);
      if (s.Progress >= 0) ASSERT_EQ(s.Text, QString("step %1").arg(s.Progress));
    }
  });
  process.join();
  window.join();
  const ax::Status s = ax::ReadStatus(path);
  EXPECT_EQ(s.Progress, kRounds);
  EXPECT_EQ(s.Text, QString("step %1").arg(kRounds));
  EXPECT_EQ(ax::ReadOrder(path), QString("Abort %1").arg(kRounds));
  EXPECT_EQ(ax::ReadJob(path, &error)->Tracks.size(), 2);
  EXPECT_FALSE(QFile::exists(path + ".new"));
}

TEST(AudioExchange, TheFileLivesInAPrivateFolder) {
  QTemporaryDir dir;
  {
    EnvOverride chosen("BURNER_EXCHANGE_FILE", dir.filePath("mine.ini").toUtf8());
    EXPECT_EQ(ax::ExchangeFilePath(), dir.filePath("mine.ini"));
  }
  EnvOverride none("BURNER_EXCHANGE_FILE", QByteArray());
  {
    EnvOverride runtime("XDG_RUNTIME_DIR", dir.path().toUtf8());
    EXPECT_EQ(ax::ExchangeFilePath(), dir.filePath("burner/Task.ini"));
    struct stat info;
    ASSERT_EQ(stat(QFile::encodeName(dir.filePath("burner")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // A folder others may enter is not used.
    chmod(QFile::encodeName(dir.filePath("burner")).constData(), 0777);
    EXPECT_NE(ax::ExchangeFilePath(), dir.filePath("burner/Task.ini"));
  }
  EnvOverride noRuntime("XDG_RUNTIME_DIR", QByteArray());
  EXPECT_EQ(ax::ExchangeFilePath(), QString("/tmp/burner-%1/Task.ini").arg(geteuid()));
}

}  // namespace
