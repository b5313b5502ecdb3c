#pragma once
// The audio CD window and the audio burning window made as at start over
// the dialog rig (a virtual CD-R as drive E), with an exchange file of the
// test's own, tones made by ffmpeg, and the input the tests give the
// windows: popup menu choices, drops on the track list.

#include <gtest/gtest.h>

#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <functional>

#include "app/Audio.h"
#include "app/AudioBurning.h"
#include "app/tests/DialogRig.h"
#include "app/tests/EnvOverride.h"
#include "platform/gui/RichEdit.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_views.h"
#include "skin/se_menus.h"

namespace apptest {

class AudioRig {
 public:
  AudioRig() {
    AppStrings().SysDir = dialogs.Path("sys");
    audio = CreateAudioForms();
    burning = AppForms().AudioBurningForm;
    burning->timStart->SetInterval(50);
    burning->TimProgress->SetInterval(100);
  }
  ~AudioRig() {
    delete burning;
    delete audio;
    AppForms().AudioForm = nullptr;
    AppForms().AudioBurningForm = nullptr;
  }
  ScriptedDialogService& Dialogs() { return dialogs.rig.dialogs; }
  QString Media(const QString& name) const { return media.filePath(name); }

  // A tone made by ffmpeg; false when ffmpeg is missing or fails.
  bool Tone(const QString& name, double seconds) {
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i",
                     QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds), "-ac", "2"};
    if (name.endsWith(".mp3")) args << "-c:a" << "libmp3lame" << "-b:a" << "128k";
    args << Media(name);
    QDir().mkpath(QFileInfo(Media(name)).absolutePath());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
  }
  void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }

  // Clicks `button`, which opens a popup menu, and then the menu's item
  // `caption` (the menu runs its own loop until the click closes it).
  void ChooseFromPopup(QWidget* button, const QString& caption) {
    bool clicked = false;
    std::function<void()> choose = [&] {
      TSeItemView* menu = se::InnermostMenu();
      if (!menu || !menu->Window()) return void(QTimer::singleShot(20, choose));
      for (int i = 0; i < menu->Items()->Count(); ++i) {
        TSeCustomItem* item = menu->Items()->Items(i);
        if (QString(item->Caption()).remove('&') != caption) continue;
        const TRect r = menu->GetItemRect(item);
        const QPoint at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        QTest::mouseMove(menu->Window(), at);
        QTest::mouseClick(menu->Window(), Qt::LeftButton, {}, at);
        clicked = true;
        return;
      }
      se::CancelAllMenus();  // nothing chosen: the test fails below, not hangs
    };
    QTimer::singleShot(0, choose);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(clicked) << "no item " << caption.toStdString();
  }
  void DropOnList(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(audio->clbox, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(audio->clbox, &drop);
  }
  QStringList Column(int column) const {
    QStringList out;
    for (int i = 0; i < audio->clbox->Items()->Count(); ++i) {
      TListItem* row = audio->clbox->Items()->Item(i);
      out << (column == 0 ? row->Caption() : row->SubItems()->Strings(0));
    }
    return out;
  }
  QString Log() const { return burning->memo1->Text(); }
  bool LogHas(const QString& part) const { return Log().contains(part); }

  QTemporaryDir media;
  QTemporaryDir exchange_dir;
  EnvOverride exchange_env{"BURNER_EXCHANGE_FILE", (exchange_dir.path() + "/Task.ini").toUtf8()};
  QString Exchange() const { return exchange_dir.path() + "/Task.ini"; }
  DialogRig dialogs{{{'E', VirtualMedium::CdR}}, "", true};
  TAudioForm* audio = nullptr;
  TAudioBurningForm* burning = nullptr;
};

}  // namespace apptest
