// The side-effect services: real implementations against local stand-ins
// (a local HTTP server, a PDF printer, temporary folders, player scripts),
// never the user's home folder or the real power switch.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include "platform/gui/Autostart.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/FileOps.h"
#include "platform/gui/Http.h"
#include "platform/gui/Power.h"
#include "platform/gui/Printing.h"
#include "platform/gui/Shell.h"
#include "platform/gui/Sound.h"
#include "platform/gui/Tray.h"

#if defined(__SANITIZE_THREAD__)
#define BURNER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BURNER_TSAN 1
#endif
#endif

namespace {

// Sets an environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
    old_ = qgetenv(name);
    qputenv(name, value.toLocal8Bit());
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

void WriteFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteScript(const QString& path, const QByteArray& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Answers "/update.txt" with a version, "/slow" never, anything else 404.
class LocalHttpServer {
 public:
  LocalHttpServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, [socket] {
          const QByteArray request = socket->readAll();
          if (request.startsWith("GET /slow ")) return;  // keep them waiting
          if (request.startsWith("GET /update.txt ")) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\n1.9");
          } else {
            socket->write(
                "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
          }
          socket->disconnectFromHost();
        });
      }
    });
  }
  QString Url(const QString& path) const {
    return QString("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }

 private:
  QTcpServer server_;
};

}  // namespace

TEST(Http, GetAnswersSuccessNotFoundAndTimeOut) {
#ifdef BURNER_TSAN
  // Qt's network thread is not built for the race checker: every request
  // reports Qt's own hand-overs.
  GTEST_SKIP() << "not meaningful under ThreadSanitizer";
#endif
  LocalHttpServer server;
  QtHttpClient http;
  HttpResponse ok = http.Get(server.Url("/update.txt"), 5000);
  EXPECT_TRUE(ok.ok) << ok.error.toStdString();
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.body, "1.9");

  HttpResponse missing = http.Get(server.Url("/nothing.txt"), 5000);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.status, 404);
  EXPECT_FALSE(missing.error.isEmpty());

  HttpResponse slow = http.Get(server.Url("/slow"), 200);
  EXPECT_FALSE(slow.ok);
  EXPECT_EQ(slow.status, 0);
  EXPECT_EQ(slow.error, "The request timed out");

  EXPECT_FALSE(http.Get("not a url", 100).ok);
  EXPECT_FALSE(http.Get("file:///etc/passwd", 100).ok);  // only web addresses

  FakeHttpClient fake;
  fake.responses[server.Url("/x")] = {true, 200, "2.0", {}};
  EXPECT_EQ(fake.Get(server.Url("/x"), 10).body, "2.0");
  EXPECT_FALSE(fake.Get(server.Url("/y"), 10).ok);
}

TEST(Printing, ADocumentPrintedToPdfReadsBack) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
  QTemporaryDir dir;
  const QString pdf = dir.filePath("log.pdf");
  QPrinter& printer = Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  QTextDocument document;
  document.setPlainText(">>> Burning finished successfully.\n>>> Drive is ready.");
  ASSERT_TRUE(Printing().PrintDocument(printer, document, ""));
  printer.setOutputFileName({});
  QProcess pdftotext;
  pdftotext.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(pdftotext.waitForFinished(10000));
  // The PDF may set "fi" as one ligature glyph; compare the plain letters.
  const QString text =
      QString::fromUtf8(pdftotext.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
  EXPECT_TRUE(text.contains(">>> Burning finished successfully.")) << text.toStdString();
  EXPECT_TRUE(text.contains(">>> Drive is ready."));

  FakePrintService fake;
  ScopedPrintService use(fake);
  EXPECT_TRUE(Printing().PrintDocument(printer, document, "Log"));
  ASSERT_EQ(fake.Jobs().size(), 1u);
  EXPECT_EQ(fake.Jobs()[0].title, "Log");
}

TEST(Autostart, EntryWrittenReadAndRemovedInATemporaryConfigHome) {
  QTemporaryDir config;
  ScopedEnv env("XDG_CONFIG_HOME", config.path());
  XdgAutostart autostart;
  const QString name = "Orvane CD DVD Burner Schedule";
  const QString path = config.path() + "/autostart/Orvane-CD-DVD-Burner-Schedule.desktop";
  EXPECT_EQ(XdgAutostart::EntryPath(name), path);
  EXPECT_FALSE(autostart.RunValue(name));
  const QString command = "\"/opt/my burner/burner\" -Schedule";
  ASSERT_TRUE(autostart.SetRunValue(name, command));
  EXPECT_EQ(autostart.RunValue(name), command);
  const QString entry = QString::fromUtf8(ReadFile(path));
  EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(entry.contains("\nType=Application\n"));
  EXPECT_TRUE(entry.contains("\nExec=\"/opt/my burner/burner\" -Schedule\n")) << entry.toStdString();
  // A desktop session reads the same command out of Exec.
  EXPECT_EQ(CommandLineFromDesktopExec("\"/opt/my burner/burner\" -Schedule"), command);
  ASSERT_TRUE(autostart.SetRunValue(name, "/opt/burner/burner -Schedule"));  // replaced
  EXPECT_EQ(autostart.RunValue(name), "/opt/burner/burner -Schedule");
  EXPECT_TRUE(autostart.DeleteRunValue(name));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(autostart.RunValue(name));
  EXPECT_TRUE(autostart.DeleteRunValue(name));  // nothing left to remove is fine
}

TEST(Autostart, ExecQuotingOfAwkwardPaths) {
  struct Case {
    QString command;
    QString exec;
    QString back;  // the command line read back; quotes only where needed
  };
  const Case cases[] = {
      {"/opt/burner/burner -Schedule", "/opt/burner/burner -Schedule", "/opt/burner/burner -Schedule"},
      {"\"/opt/my burner/burner\" -Schedule", "\"/opt/my burner/burner\" -Schedule",
       "\"/opt/my burner/burner\" -Schedule"},
      {"\"/opt/100% $cash/burner\" -Schedule", "\"/opt/100%% \\$cash/burner\" -Schedule",
       "\"/opt/100% $cash/burner\" -Schedule"},
      {"\"/opt/back\\slash/burner\"", "\"/opt/back\\\\slash/burner\"", "/opt/back\\slash/burner"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesktopExecFromCommandLine(c.command), c.exec) << c.command.toStdString();
    EXPECT_EQ(CommandLineFromDesktopExec(c.exec), c.back) << c.exec.toStdString();
  }
}

TEST(FileOps, CopyMoveAndTheirRefusals) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  QDir().mkpath(root + "/src/sub");
  WriteFile(root + "/src/a.txt", "alpha");
  WriteFile(root + "/src/sub/b.txt", "beta");
  QFile::link(root + "/src", root + "/src/sub/loop");  // a link back up
  RealFileOperations ops;

  EXPECT_TRUE(ops.Copy(root + "/src", root + "/copy", false));
  EXPECT_EQ(ReadFile(root + "/copy/sub/b.txt"), "beta");
  EXPECT_TRUE(QFileInfo(root + "/copy/sub/loop").isSymLink());

  struct Refusal {
    const char* what;
    FileOpResult result;
  };
  const Refusal refusals[] = {
      {"copy a file onto itself", ops.Copy(root + "/src/a.txt", root + "/src/sub/../a.txt", true)},
      {"copy a folder into itself", ops.Copy(root + "/src", root + "/src/sub/inner", true)},
      {"move a folder into itself", ops.Move(root + "/src", root + "/src/sub/inner", true)},
      {"copy over an existing file", ops.Copy(root + "/src/a.txt", root + "/copy/a.txt", false)},
      {"copy a missing file", ops.Copy(root + "/none", root + "/x", false)},
  };
  for (const Refusal& r : refusals) {
    EXPECT_FALSE(r.result) << r.what;
    EXPECT_FALSE(r.result.error.isEmpty()) << r.what;
  }
  // Nothing was lost by the refusals.
  EXPECT_EQ(ReadFile(root + "/src/a.txt"), "alpha");
  EXPECT_FALSE(QFileInfo::exists(root + "/src/sub/inner"));

  EXPECT_TRUE(ops.Move(root + "/copy", root + "/moved", false));
  EXPECT_FALSE(QFileInfo::exists(root + "/copy"));
  EXPECT_EQ(ReadFile(root + "/moved/a.txt"), "alpha");
  WriteFile(root + "/new.txt", "new");
  EXPECT_TRUE(ops.Copy(root + "/new.txt", root + "/moved/a.txt", true));
  EXPECT_EQ(ReadFile(root + "/moved/a.txt"), "new");
  EXPECT_TRUE(ops.Delete(root + "/moved"));
  EXPECT_FALSE(QFileInfo::exists(root + "/moved"));
  EXPECT_TRUE(QFileInfo::exists(root + "/src/a.txt"));  // the link in it did not lead the delete out
}

TEST(FileOps, TrashGoesToTheTemporaryDataHome) {
  QTemporaryDir tmp;
  ScopedEnv data("XDG_DATA_HOME", tmp.path() + "/data");
  ScopedEnv home("HOME", tmp.path() + "/home");
  QDir().mkpath(tmp.path() + "/data");
  QDir().mkpath(tmp.path() + "/home");
  WriteFile(tmp.path() + "/old.iso", "image");
  RealFileOperations ops;
  FileOpResult r = ops.MoveToTrash(tmp.path() + "/old.iso");
  if (!r) GTEST_SKIP() << "no trash on this file system: " << r.error.toStdString();
  EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/old.iso"));
  EXPECT_EQ(ReadFile(tmp.path() + "/data/Trash/files/old.iso"), "image");
  EXPECT_FALSE(ops.MoveToTrash(tmp.path() + "/old.iso"));

  FakeFileOperations fake;
  ScopedService<FileOperations> use(fake);
  EXPECT_TRUE(FileOps().MoveToTrash("/important"));
  ASSERT_EQ(fake.Calls().size(), 1u);
  EXPECT_EQ(fake.Calls()[0].op, "trash");
}

TEST(Sound, PlaysThroughAnInstalledPlayerAndStops) {
  QTemporaryDir tmp;
  const QString bin = tmp.path() + "/bin";
  QDir().mkpath(bin);
  const QString log = tmp.path() + "/played";
  WriteScript(bin + "/aplay", "echo \"$@\" > '" + log.toUtf8() + "'\nexec sleep 30\n");
  WriteFile(tmp.path() + "/done.wav", "RIFF");
  WriteFile(tmp.path() + "/done.mp3", "ID3");
  ProcessSoundPlayer player({bin});
  ASSERT_TRUE(player.Play(tmp.path() + "/done.wav")) << player.LastError().toStdString();
  EXPECT_TRUE(player.Playing());
  for (int i = 0; i < 200 && ReadFile(log).isEmpty(); ++i) QThread::msleep(10);
  EXPECT_EQ(ReadFile(log).trimmed(), "-q " + (tmp.path() + "/done.wav").toUtf8());
  player.Stop();
  EXPECT_FALSE(player.Playing());
  // aplay plays waves only: an MP3 with no media player installed.
  EXPECT_FALSE(player.Play(tmp.path() + "/done.mp3"));
  EXPECT_EQ(player.LastError(), "No sound player is installed");
  EXPECT_FALSE(player.Play(tmp.path() + "/missing.wav"));

  FakeSoundPlayer fake;
  ScopedService<SoundPlayer> use(fake);
  Sounds().Play("/x.wav");
  Sounds().Stop();
  EXPECT_EQ(fake.calls, (std::vector<QString>{"play /x.wav", "stop"}));
}

TEST(Power, RealRequestReportsRefusalAndTheFakeCounts) {
  QTemporaryDir tmp;
  const QString yes = tmp.path() + "/systemctl-ok";
  const QString no = tmp.path() + "/systemctl-refused";
  const QString log = tmp.path() + "/asked";
  WriteScript(yes, "echo \"$@\" > '" + log.toUtf8() + "'\nexit 0\n");
  WriteScript(no, "exit 1\n");
  EXPECT_TRUE(SystemdPower(yes).PowerOff());
  EXPECT_EQ(ReadFile(log).trimmed(), "poweroff");
  EXPECT_FALSE(SystemdPower(no).PowerOff());
  EXPECT_FALSE(SystemdPower(tmp.path() + "/missing").PowerOff());

  FakePower fake;
  ScopedService<PowerService> use(fake);
  EXPECT_TRUE(Power().PowerOff());
  EXPECT_EQ(fake.requests, 1);
}

TEST(Shell, TargetsAndProgramsGoTheRightWay) {
  struct Case {
    QString target;
    QString url;
  };
  const Case cases[] = {
      {"http://www.example.com/", "http://www.example.com/"},
      {"mailto:support@example.com", "mailto:support@example.com"},
      {"www.example.com", "http://www.example.com"},
      {"/tmp/Log.txt", "file:///tmp/Log.txt"},
      {"/tmp/a b.hlp", "file:///tmp/a%20b.hlp"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShellTargetUrl(c.target), c.url) << c.target.toStdString();
  EXPECT_EQ(ShellTargetUrl("Help.hlp"), QUrl::fromLocalFile(QDir::currentPath() + "/Help.hlp").toString());

  QTemporaryDir tmp;
  WriteScript(tmp.path() + "/Encode", "exit 0\n");
  FakeShell fake;
  ScopedService<ShellService> use(fake);
  EXPECT_TRUE(ShellExecute("open", tmp.path() + "/Encode", "\"access code\" 2"));
  EXPECT_TRUE(ShellExecute("open", "mailto:sales@example.com"));
  EXPECT_FALSE(ShellExecute("print", "mailto:sales@example.com"));
  ASSERT_EQ(fake.Calls().size(), 2u);
  EXPECT_TRUE(fake.Calls()[0].run);
  EXPECT_EQ(fake.Calls()[0].arguments, (QStringList{"access code", "2"}));
  EXPECT_FALSE(fake.Calls()[1].run);
  EXPECT_EQ(fake.Calls()[1].target, "mailto:sales@example.com");
  EXPECT_FALSE(QtShell().Open(tmp.path() + "/not-there.txt"));
}

TEST(Clipboard, TextAndNamedFormats) {
  for (int pass = 0; pass < 2; ++pass) {
    QtClipboard real;
    FakeClipboard fake;
    ClipboardService& clip = pass == 0 ? static_cast<ClipboardService&>(real) : fake;
    clip.SetText("Compilation");
    EXPECT_EQ(clip.Text(), "Compilation");
    clip.SetData("GIF Image", QByteArray("GIF89a", 6));
    EXPECT_TRUE(clip.HasFormat("GIF Image"));
    EXPECT_EQ(clip.Data("GIF Image"), QByteArray("GIF89a"));
    EXPECT_FALSE(clip.HasFormat("Other"));
    clip.Clear();
    EXPECT_FALSE(clip.HasFormat("GIF Image"));

    // Several forms at once: each reads back, and the next write replaces all.
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    clip.SetContent({"caption", picture, {{"GIF Image", QByteArray("GIF89a")}, {"Other", QByteArray("x")}}});
    EXPECT_EQ(clip.Text(), "caption");
    EXPECT_EQ(clip.Image().pixel(1, 1) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(clip.Data("GIF Image"), QByteArray("GIF89a"));
    EXPECT_EQ(clip.Data("Other"), QByteArray("x"));
    clip.SetText("only text");
    EXPECT_FALSE(clip.HasFormat("GIF Image"));
  }
}

TEST(Tray, WithoutATrayAVisibleStandInAnswersClicks) {
  // The offscreen platform has no tray: the factory gives the stand-in.
  auto icon = QtTrayFactory().Make();
  std::vector<TrayEvent> events;
  icon->OnEvent = [&](TrayEvent e, QPoint) { events.push_back(e); };
  icon->SetHint("Waiting for scheduled tasks");
  icon->SetVisible(true);
  EXPECT_TRUE(icon->Visible());
  EXPECT_EQ(icon->Hint(), "Waiting for scheduled tasks");
  QWidget* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == "Waiting for scheduled tasks") window = w;
  ASSERT_NE(window, nullptr);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), window->mapToGlobal(QPointF(2, 2)),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &dbl);
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(2, 2), window->mapToGlobal(QPointF(2, 2)),
                    Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &right);
  EXPECT_EQ(events, (std::vector<TrayEvent>{TrayEvent::DoubleClick, TrayEvent::RightClick}));
  window->close();  // refused: the program must stay reachable
  EXPECT_TRUE(icon->Visible());
  icon->SetVisible(false);
  EXPECT_FALSE(icon->Visible());

  FakeTrayFactory fakes;
  ScopedService<TrayFactory> use(fakes);
  auto fake = Trays().Make();
  ASSERT_EQ(fakes.made.size(), 1u);
  fake->SetVisible(true);
  EXPECT_TRUE(fakes.made[0]->Visible());
}
