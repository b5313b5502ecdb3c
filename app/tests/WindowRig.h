#pragma once
// The program's forms on virtual recorders: the start page and the main
// window made as main() makes them, over a drive map of the test's own, with
// scripted dialogs and fake shell, sounds, power and tray. A stand-in burn
// dialog records the log. Tests use its verbs: AddFolder (a drag from the
// explorer's file list dropped on the entry list), PressBurn, WaitForLog,
// Disc.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/Unit1.h"
#include "app/Unit1Views.h"
#include "app/start.h"
#include "platform/core/Clock.h"
#include "platform/devices/VirtualMedia.h"
#include "platform/devices/VirtualRecorder.h"
#include "platform/gui/Application.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Power.h"
#include "platform/gui/Shell.h"
#include "platform/gui/Sound.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "platform/gui/Tray.h"
#include "platform/gui/TreeView.h"
#include "recorder/tests/BurnFixture.h"
#include "recorder/tests/DriveMachine.h"
#include "recorder/xrCDBC.h"
#include "shell/EwFileExplorer28List.h"
#include "skin/se_binding_lists.h"

namespace apptest {

// What the burn dialog would show, kept for the test to read.
class RecordingBurnView final : public TBurnProgressView {
 public:
  struct Line {
    QString text;
    unsigned colour;
  };
  std::vector<Line> log;
  QString speed = "Max";
  std::int64_t track_sectors = 0;
  Figures last;
  int done_calls = 0;
  bool last_success = false;

  void AddLogLine(const QString& text, unsigned colour) override { log.push_back({text, colour}); }
  QString SpeedText() override { return speed; }
  void SetDriveBufferSize(std::uint32_t) override {}
  void SetTrackSize(std::int64_t sectors, const QString&) override { track_sectors = sectors; }
  void ShowFigures(const Figures& figures) override { last = figures; }
  void OperationDone(bool success) override {
    ++done_calls;
    last_success = success;
  }
  bool Has(const QString& part, unsigned colour) const {
    for (const Line& l : log)
      if (l.text.contains(part) && l.colour == colour) return true;
    return false;
  }
  QString All() const {
    QString out;
    for (const Line& l : log) out += l.text + "\n";
    return out;
  }
};

class RecordingEraseView final : public TEraseProgressView {
 public:
  int done = 0, declined = 0;
  bool with_error = false;
  void ShowEraseProgress(int, const QString&, const QString&) override {}
  void EraseDone(bool error) override {
    ++done;
    with_error = error;
  }
  void EraseDeclined() override { ++declined; }
};

struct Drive {
  char letter;
  VirtualMedium medium;
};

class WindowRig {
 public:
  explicit WindowRig(std::vector<Drive> drives) {
    std::string map;
    for (const Drive& d : drives) {
      map += std::string("[") + d.letter + "]\nImage=" + d.letter + ".img\nMedium=" + MediumKey(d.medium) + "\n";
      media_[d.letter] = d.medium;
    }
    machine.factory = [this](const DriveMapEntry& entry) {
      VirtualRecorderConfig config;
      config.image_path = entry.image;
      config.initial_medium = media_.at(entry.letter);
      auto r = VirtualRecorder::Open(config);
      r->SetTimingPercent(0);
      recorders[entry.letter] = r.get();
      auto hooked = std::make_unique<burntest::HookTarget>(std::move(r));
      hooks[entry.letter] = hooked.get();
      return hooked;
    };
    machine.Start(map);
    start = Create<TStartForm>(nullptr);
    form = Create<TForm1>(nullptr);
    AppForms().Form1 = form;
    form->BurnView = &burn_view;
    form->EraseView = &erase_view;
    form->ReadOptions = [this] { return options; };
    // The burn dialog's Start for a data disc.
    form->ShowBurnDialog = [this] {
      form->StartOperation("Burn");
      form->BurnDataDisc();
    };
    form->Show();
  }
  ~WindowRig() {
    EXPECT_EQ(dialogs.Unanswered(), 0) << "a dialog came up that the test did not expect";
    // A completion still queued must find the forms alive or not at all.
    QTest::qWait(20);
    delete form;
    delete start;
    AppForms() = TAppForms{};
  }

  // Drags `names` (all when empty) of the explorer's folder `folder` onto
  // the entry list.
  void AddFromExplorer(const QString& folder, const QStringList& names = {}) {
    TEwFilelistView28* list = form->lbFiles;
    list->SetDirectory(folder);
    QList<int> indexes;
    for (int i = 0; i < list->ItemCount(); ++i) {
      const bool wanted = names.isEmpty() ? list->Caption(i) != ".." : names.contains(list->Caption(i));
      if (wanted && QFileInfo(folder + "/" + list->Caption(i)).exists()) indexes << i;
    }
    ASSERT_FALSE(indexes.isEmpty()) << folder.toStdString();
    std::unique_ptr<QMimeData> data(list->DragData(indexes));
    Drop(*data);
  }
  void Drop(const QMimeData& data) {
    QWidget* target = form->clbox;
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }
  void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, 5)); }
  void PressBurn() { Click(form->bBurn); }

  // Runs the event loop until a log line holds `part` (false on timeout).
  bool WaitForLog(const QString& part, int seconds = 120) {
    return QTest::qWaitFor(
        [&] {
          for (const auto& l : burn_view.log)
            if (l.text.contains(part)) return true;
          return false;
        },
        seconds * 1000);
  }
  bool WaitForBurnEnd(int seconds = 120) {
    const int before = burn_done_seen_;
    const bool ended = QTest::qWaitFor([&] { return burn_view.done_calls > before; }, seconds * 1000);
    burn_done_seen_ = burn_view.done_calls;
    return ended;
  }

  // The disc in drive `letter` as an image file in `dir`.
  std::string Disc(char letter, const std::string& path) {
    recorders.at(letter)->ExportIso(path);
    return path;
  }

  // The recorder's waits (erase polls, cache priming) pass at once.
  FakeClock clock{Clock::TimePoint(std::chrono::seconds(1700000000))};
  ScopedClock scoped_clock{clock};
  DriveMachine machine;
  std::map<char, VirtualRecorder*> recorders;
  // Each drive's commands pass here first: a test may act just before one.
  std::map<char, burntest::HookTarget*> hooks;
  ScriptedDialogService dialogs;
  ScopedDialogService scoped_dialogs{dialogs};
  FakeShell shell;
  ScopedService<ShellService> scoped_shell{shell};
  FakeSoundPlayer sounds;
  ScopedService<SoundPlayer> scoped_sounds{sounds};
  FakePower power;
  ScopedService<PowerService> scoped_power{power};
  FakeTrayFactory trays;
  ScopedService<TrayFactory> scoped_trays{trays};
  TApplication application;
  RecordingBurnView burn_view;
  RecordingEraseView erase_view;
  TDriverOptions options;
  TStartForm* start = nullptr;
  TForm1* form = nullptr;

 private:
  std::map<char, VirtualMedium> media_;
  int burn_done_seen_ = 0;
};

// A test with a scratch folder of its own, removed afterwards even where a
// test took permissions away.
// A drive's id is its address, its letter and the drive's 28 characters of
// maker, model and revision: a drive box shows the ids of its items and of
// drives with wide letters in every field whole, closed and dropped down
// (the list is as wide as the box).
inline void ExpectWholeDriveIds(TSeSkinComboBox* box) {
  QStringList ids = {"1:0:0,F: MATSHITA DVD-RAM UJ8E2 Q     1.00", "0:1:0,G: HL-DT-ST DVDRAM GH24NSD5 LW00"};
  for (int i = 0; i < box->Items()->Count(); ++i) ids << box->Items()->Strings(i);
  const QFontMetrics metrics(box->Font()->ToQFont());
  for (const QString& id : ids)
    EXPECT_LE(metrics.horizontalAdvance(id) + 4, box->GetEditRect().Width()) << id.toStdString();
}

class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/burner-app-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  QString QPath(const std::string& rel) const { return QString::fromStdString(Path(rel)); }
  void Write(const std::string& rel, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << bytes;
  }

  std::string dir_;
};

}  // namespace apptest
