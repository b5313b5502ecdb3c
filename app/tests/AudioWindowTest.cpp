// The audio CD window and the audio burning window on the program's forms:
// files added through the real buttons, menus, drops and keys, lengths read
// from WAV and MP3 files made here with ffmpeg and APE headers made here;
// the burning window against stand-in processes (small scripts that play
// the process's side of the exchange file).

#include <gtest/gtest.h>

#include <cstdint>

#include "app/tests/AudioRig.h"
#include "platform/core/AudioExchange.h"
#include "skin/se_binding_lists.h"
#include "skin/se_engine.h"
#include "skin/se_skinform.h"

namespace apptest {
namespace {

// Little-endian fields of an APE file of version 3.95 and its playing time.
QByteArray ApeFile(double seconds) {
  const std::int64_t samples = std::llround(seconds * 44100);
  const std::int64_t per_frame = 294912;
  const std::int32_t frames = static_cast<std::int32_t>(samples / per_frame + 1);
  const std::int32_t final_blocks = static_cast<std::int32_t>(samples - per_frame * (frames - 1));
  QByteArray b("MAC ");
  auto put16 = [&b](std::uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto put32 = [&b](std::int32_t v) {
    for (int i = 0; i < 4; ++i) b.append(char(static_cast<std::uint32_t>(v) >> (8 * i)));
  };
  put16(3950), put16(2000), put16(0), put16(2);
  put32(44100), put32(52), put32(0), put32(frames), put32(final_blocks), put32(0), put32(0);
  b.append(400, '\x5A');
  return b;
}

TEST(AudioWindow, AddFilesShowsEachLengthAndTheTotal) {
  AudioRig rig;
  if (!rig.Tone("tone.wav", 65.4) || !rig.Tone("tone.mp3", 10)) GTEST_SKIP() << "ffmpeg cannot make test tones";
  rig.Write(rig.Media("even.ape"), ApeFile(59.5));
  rig.Write(rig.Media("down.ape"), ApeFile(58.5));
  rig.Write(rig.Media("long.ape"), QByteArray(200, 'x'));  // not an APE header: its cue sheet counts
  rig.Write(rig.Media("long.cue"),
            "FILE \"long.ape\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
            "    INDEX 01 104:12:33\r\n");
  rig.Write(rig.Media("song.ogg"), QByteArray(300, 'o'));
  const QStringList files{rig.Media("tone.wav"), rig.Media("tone.mp3"), rig.Media("even.ape"),
                          rig.Media("down.ape"), rig.Media("long.ape"), rig.Media("song.ogg")};
  rig.audio->Show();
  rig.Dialogs().AnswerFile(files);
  rig.ChooseFromPopup(rig.audio->btnAdd, "Add Files");
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.audio->clbox->Items()->Count() == 6; }));
  EXPECT_EQ(rig.Column(0), files);
  EXPECT_EQ(rig.Column(1), (QStringList{"1:5", "0:10", "1:0", "0:58", "104:12", ""}));
  const int total = 65 + 10 + 60 + 58 + 104 * 60 + 12;
  EXPECT_EQ(rig.audio->TotalSeconds, total);
  EXPECT_EQ(rig.audio->ProgressBar1->Hint(), QString("%1:%2").arg(total / 60).arg(total % 60));
  EXPECT_EQ(rig.audio->ProgressBar1->Width(), 1074);  // 6445 / 6 = 1074.17
  EXPECT_TRUE(rig.audio->Modified);
  rig.audio->Modified = false;
}

TEST(AudioWindow, TaskFilesDropsRemoveAndClear) {
  AudioRig rig;
  if (!rig.Tone("a.wav", 3) || !rig.Tone("sub/b.wav", 4)) GTEST_SKIP() << "ffmpeg cannot make test tones";
  rig.Write(rig.Media("folder/2.ape"), ApeFile(5));
  rig.Write(rig.Media("folder/1.ape"), ApeFile(7));
  rig.Write(rig.Media("folder/skip.txt"), "not audio");
  rig.Write(rig.Media("folder/deeper/3.ape"), ApeFile(9));
  rig.audio->Show();
  // A folder adds its own audio files in name order, not those below it.
  rig.DropOnList({rig.Media("a.wav"), rig.Media("folder")});
  EXPECT_EQ(rig.Column(0), (QStringList{rig.Media("a.wav"), rig.Media("folder/1.ape"), rig.Media("folder/2.ape")}));
  EXPECT_EQ(rig.audio->TotalSeconds, 3 + 7 + 5);
  EXPECT_TRUE(rig.audio->Modified);

  const QString task = rig.Media("mix.atf");
  rig.Dialogs().AnswerFile({task});
  QTest::mouseClick(rig.audio->btnSave, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(rig.audio->Modified);
  QFile saved(task);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(),
            (rig.Media("a.wav") + "\r\n" + rig.Media("folder/1.ape") + "\r\n" + rig.Media("folder/2.ape") + "\r\n")
                .toUtf8());

  // New empties the list and the bar; Open of a task whose file went
  // missing lists it with no length, counted as nothing.
  QTest::mouseClick(rig.audio->btnNew, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(rig.audio->clbox->Items()->Count(), 0);
  EXPECT_EQ(rig.audio->ProgressBar1->Hint(), "00:00");
  EXPECT_EQ(rig.audio->ProgressBar1->Width(), 0);
  ASSERT_TRUE(QFile::remove(rig.Media("folder/1.ape")));
  rig.Dialogs().AnswerFile({task});
  QTest::mouseClick(rig.audio->btnOpen, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(rig.Column(1), (QStringList{"0:3", "", "0:5"}));
  EXPECT_EQ(rig.audio->TotalSeconds, 8);
  EXPECT_EQ(rig.audio->ProgressBar1->Hint(), "0:8");
  EXPECT_FALSE(rig.audio->Modified);

  // The Delete key removes the selected rows and marks the list changed.
  rig.audio->clbox->SetSelected(rig.audio->clbox->Items()->Item(0));
  QTest::keyClick(rig.audio->clbox->View(), Qt::Key_Delete);
  EXPECT_EQ(rig.Column(0), (QStringList{rig.Media("folder/1.ape"), rig.Media("folder/2.ape")}));
  EXPECT_EQ(rig.audio->TotalSeconds, 5);
  EXPECT_TRUE(rig.audio->Modified);
  rig.audio->Modified = false;
  QTest::mouseClick(rig.audio->btnClear, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(rig.audio->clbox->Items()->Count(), 0);
  EXPECT_EQ(rig.audio->ProgressBar1->Hint(), "00:00");
  EXPECT_TRUE(rig.audio->Modified);

  // Closing a changed list asks; Cancel keeps the window, No closes it and
  // brings the start page back.
  rig.Dialogs().AnswerMessage(mrCancel);
  rig.audio->Close();
  EXPECT_TRUE(rig.audio->isVisible());
  EXPECT_TRUE(rig.audio->Modified);
  rig.Dialogs().AnswerMessage(mrNo);
  rig.audio->Close();
  EXPECT_FALSE(rig.audio->isVisible());
  EXPECT_TRUE(rig.dialogs.rig.start->isVisible());
  int questions = 0;
  for (const auto& call : rig.Dialogs().Calls())
    if (call.message.text == "The task has been changed, save it?" && call.message.caption == "Query") ++questions;
  EXPECT_EQ(questions, 2);
}

// The list's own row dragged onto another: row 5 picked by a click, then
// the drop as the drag machinery delivers it (the offscreen platform runs
// no drag loop). Files dragged over the rows still reach the drop target.
TEST(AudioWindow, DraggingARowOntoAnotherSwapsTheTwo) {
  AudioRig rig;
  TListView* list = rig.audio->clbox;
  for (int i = 1; i <= 6; ++i) {
    TListItem* row = list->Items()->Add();
    row->SetCaption(QString("/music/%1.wav").arg(i));
    row->SubItems()->Add(QString("0:%1").arg(i));
  }
  rig.audio->Show();
  QWidget* viewport = list->View()->viewport();
  auto centre = [&](int index) {
    const TRect r = list->Items()->Item(index)->DisplayRect();
    return QPoint(r.Left + 30, (r.Top + r.Bottom) / 2);
  };
  QTest::mouseClick(viewport, Qt::LeftButton, {}, viewport->mapFrom(list, centre(4)));
  ASSERT_EQ(list->Selected(), list->Items()->Item(4));
  bool accepted = false;
  list->OnDragOver(list, list, centre(1).x(), centre(1).y(), dsDragMove, accepted);
  EXPECT_TRUE(accepted);
  list->SetDropTarget(list->Items()->Item(1));
  list->DragDrop(list, centre(1).x(), centre(1).y());
  auto column = [&](int c) {
    QStringList out;
    for (int i = 0; i < list->Items()->Count(); ++i)
      out << (c == 0 ? list->Items()->Item(i)->Caption().section('/', -1)
                     : list->Items()->Item(i)->SubItems()->Strings(0));
    return out;
  };
  EXPECT_EQ(column(0), (QStringList{"1.wav", "5.wav", "3.wav", "4.wav", "2.wav", "6.wav"}));
  EXPECT_EQ(column(1), (QStringList{"0:1", "0:5", "0:3", "0:4", "0:2", "0:6"}));
  EXPECT_TRUE(rig.audio->Modified);
  // A drop on the row itself, or on no row, changes nothing.
  list->SetDropTarget(list->Items()->Item(4));
  list->DragDrop(list, centre(4).x(), centre(4).y());
  list->SetDropTarget(nullptr);
  list->DragDrop(list, 5, 5);
  EXPECT_EQ(column(0), (QStringList{"1.wav", "5.wav", "3.wav", "4.wav", "2.wav", "6.wav"}));

  // A file from a file manager dropped over the rows is added.
  rig.Write(rig.Media("x.ape"), ApeFile(5));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(rig.Media("x.ape"))});
  const QPoint at = viewport->mapFrom(list, centre(2));
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  EXPECT_EQ(column(0).last(), "x.ape");
  EXPECT_EQ(column(1).last(), "0:5");
  rig.audio->Modified = false;
}

// Both windows follow the program's skin engine: a skin loaded after they
// were made reaches their frames and every skinned control, and going back
// to no skin leaves them all plain.
TEST(AudioWindow, BothWindowsFollowTheProgramsSkin) {
  AudioRig rig;
  const QString skin = QString(BURNER_BINARY_DIR) + "/bin/Skins/devoir.mskn";
  if (!QFileInfo::exists(skin)) GTEST_SKIP() << "the shipped skins are not built";
  TAudioForm& a = *rig.audio;
  TAudioBurningForm& b = *rig.burning;
  const std::vector<std::pair<const char*, TSeSkinBinding*>> controls = {
      {"tool bar", &a.tbAudio->Binding()},       {"New", &a.btnNew->Binding()},
      {"Burn", &a.bBurn->Binding()},             {"drives", &a.cbDrives->Binding()},
      {"track list", &a.clbox->Binding()},       {"list group", &a.gbList->Binding()},
      {"length bar", &a.ProgressBar1->Binding()}, {"progress group", &b.gbProgress->Binding()},
      {"status", &b.labStatus->Binding()},       {"total bar", &b.pgbTotal->Binding()},
      {"Abort", &b.btnAbort->Binding()},         {"Done and Eject", &b.btnEject->Binding()},
  };
  for (const bool skinned : {true, false}) {
    SCOPED_TRACE(skinned ? "skin" : "none");
    AppSkinEngine()->SetSkinFile(skinned ? skin.toStdString() : std::string());
    EXPECT_EQ(a.SeSkinForm1->UseSkin(), skinned);
    EXPECT_EQ(b.SeSkinForm1->UseSkin(), skinned);
    for (const auto& [name, binding] : controls) EXPECT_EQ(binding->UseSkin(), skinned) << name;
    // The drive box shows whole ids, and the tool bar still holds every button.
    apptest::ExpectWholeDriveIds(a.cbDrives);
    EXPECT_LE(a.btnHelp->Left() + a.btnHelp->Width(), a.tbAudio->ClientWidth());
  }
}

// The stand-in for the audio burning process, beside the program: it checks
// its one argument, then plays `body` with `status TRACK PROGRESS TEXT`.
void InstallFakeProcess(AudioRig& rig, const QString& body) {
  const QString path = rig.dialogs.Path(kAudioProcessName);
  rig.Write(path,
            ("#!/bin/sh\n"
             "[ \"$#\" -eq 1 ] && [ \"$1\" = 'pq3vtz#rw%M7@jcx5hb#' ] || exit 9\n"
             "f=\"$BURNER_EXCHANGE_FILE\"\n"
             "status() { printf '[Status]\\r\\nTrack=%s\\r\\nProgress=%s\\r\\nStatus=%s\\r\\n' \"$1\" \"$2\" \"$3\" "
             "> \"$f.w\" && mv \"$f.w\" \"$f\"; }\n" +
             body + "\n")
                .toUtf8());
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void AddRows(TAudioForm& audio, const QStringList& lengths) {
  for (int i = 0; i < lengths.size(); ++i) {
    TListItem* row = audio.clbox->Items()->Add();
    row->SetCaption(QString("/music/track%1.wav").arg(i + 1));
    row->SubItems()->Add(lengths[i]);
  }
  audio.RecalcTotalLength();
}

TEST(AudioBurningWindow, FollowsTheProcessToEachEnd) {
  struct Case {
    const char* name;
    const char* body;
    bool click_abort;
    QStringList expected;  // log lines, in this order
    QStringList unexpected;
  } const cases[] = {
      {"Done",
       "status 0 50 Writing; sleep 0.5; status 2 50 'Writing track 3'; sleep 0.5; "
       "status 2 100 'Write/Burn Audio CD Process done.'",
       false,
       {" Preparing. Please wait.", " Processing: /music/track1.wav  (Track 1)", " Writing",
        " Processing: /music/track3.wav  (Track 3)", " Writing track 3", " Write/Burn Audio CD Process done."},
       {"abort"}},
      {"Failed",
       "status 0 10 'Error: disc is missing'; sleep 0.5; status 0 20 'Error 52 while writing'; sleep 10",
       false,
       {" Error 52 while writing", " Burning is abort."},
       {"missing"}},
      {"Aborted",
       "status 0 10 Writing; while ! grep -q 'Message=Abort' \"$f\"; do sleep 0.1; done; "
       "status 0 10 'Burning is abort.'",
       true,
       {" Writing", " Aborting. Please wait.", " Burning is abort."},
       {}},
      {"Dies", "exit 3", false, {" The audio burning process ended with code 3", " Burning is abort."}, {}},
      {"NeverReports", "sleep 30", false, {" has not reported", " Burning is abort."}, {}},
  };
  AudioRig rig;
  rig.burning->ReportTimeoutSeconds = 2;
  AddRows(*rig.audio, {"3:0", "4:0", "5:1"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallFakeProcess(rig, c.body);
    rig.audio->Show();
    QTest::mouseClick(rig.audio->bBurn, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(rig.burning->isVisible());
    EXPECT_FALSE(rig.audio->isVisible());
    EXPECT_TRUE(rig.burning->Running());
    if (c.click_abort) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return rig.LogHas(" Writing"); }, 10000)) << rig.Log().toStdString();
      QTest::mouseClick(rig.burning->btnAbort, Qt::LeftButton, {}, QPoint(5, 5));
    }
    if (std::string(c.name) == "Done") {
      // Track 3 at half: 180 + 240 seconds before it, and half of 301
      // rounded to the even 150.
      EXPECT_TRUE(QTest::qWaitFor([&] { return rig.burning->DoneSeconds == 570; }, 10000));
      EXPECT_EQ(rig.burning->labFinished->Caption(), "570 Seconds");
    }
    if (std::string(c.name) == "NeverReports") {
      // Closing during a run only minimises the window.
      rig.burning->Close();
      EXPECT_TRUE(rig.burning->isVisible());
      EXPECT_EQ(rig.burning->WindowState(), wsMinimized);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.burning->btnEject->Enabled(); }, 15000)) << rig.Log().toStdString();
    EXPECT_FALSE(rig.burning->Running());
    EXPECT_FALSE(rig.burning->btnAbort->Visible());
    EXPECT_FALSE(QFile::exists(rig.Exchange()));
    EXPECT_EQ(rig.burning->labLength->Caption(), "721 Seconds");
    const QString log = rig.Log();
    qsizetype at = 0;
    for (const QString& line : c.expected) {
      const qsizetype found = log.indexOf(line, at);
      EXPECT_GE(found, 0) << line.toStdString() << "\n" << log.toStdString();
      if (found >= 0) at = found;
    }
    for (const QString& line : c.unexpected) EXPECT_FALSE(log.contains(line)) << log.toStdString();
    QTest::mouseClick(rig.burning->btnEject, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(rig.burning->isVisible());
    EXPECT_TRUE(rig.audio->isVisible());
    rig.burning->SetWindowState(wsNormal);
  }
  EXPECT_EQ(rig.burning->memo1->Lines()->Strings(0), ">>> " + rig.audio->Caption());
}

TEST(AudioBurningWindow, AMissingProcessEndsTheRunAtOnce) {
  AudioRig rig;
  EnvOverride bin("BURNER_BIN_DIR", rig.dialogs.Path("nowhere").toUtf8());
  rig.audio->Show();
  QTest::mouseClick(rig.audio->bBurn, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.burning->btnEject->Enabled(); }, 5000));
  EXPECT_TRUE(rig.LogHas("The audio burning process (burner-encode) cannot be found.")) << rig.Log().toStdString();
  rig.burning->Close();
  EXPECT_FALSE(rig.burning->isVisible());
}

TEST(AudioBurningWindow, AScheduledRunBringsItsOwnLengthsAndClearsAStaleFile) {
  AudioRig rig;
  if (!rig.Tone("a.wav", 3) || !rig.Tone("b.wav", 4)) GTEST_SKIP() << "ffmpeg cannot make test tones";
  // A file left by a run that never ended, with its abort order.
  ASSERT_TRUE(audio_exchange::WriteJob(rig.Exchange(), {{"/old.wav"}, "E"}, true, nullptr));
  ASSERT_TRUE(audio_exchange::WriteOrder(rig.Exchange(), "Abort"));
  InstallFakeProcess(rig,
                     "grep -q 'Message=Abort' \"$f\" && { status 0 0 'Error: stale order'; exit 0; }\n"
                     "grep -q 'b.wav' \"$f\" || { status 0 0 'Error: no job'; exit 0; }\n"
                     "status 1 100 'Write/Burn Audio CD Process done.'");
  TScheduleOptions options;
  options.ShowBurningWindow = false;
  ASSERT_TRUE(rig.dialogs.schedule->StartScheduledAudioBurn);
  rig.dialogs.schedule->StartScheduledAudioBurn({rig.Media("a.wav"), rig.Media("b.wav")}, options);
  EXPECT_FALSE(rig.burning->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.burning->Running(); }, 10000));
  EXPECT_TRUE(rig.LogHas("Write/Burn Audio CD Process done.")) << rig.Log().toStdString();
  EXPECT_EQ(rig.burning->TotalSeconds, 7);
  EXPECT_EQ(rig.burning->DoneSeconds, 7);
  EXPECT_FALSE(QFile::exists(rig.Exchange()));
}

}  // namespace
}  // namespace apptest
