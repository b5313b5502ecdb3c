// The schedule window with two sample tasks and the task editor for
// gui-preview, plain and with a shipped skin ("schedule-devoir", ...), and
// the options window's pages with a shipped skin ("options-general-devoir",
// ...). The windows keep their files in a scratch folder.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/AddSchedule.h"
#include "app/AppGlobals.h"
#include "app/Option.h"
#include "app/schedule.h"
#include "platform/core/DateTime.h"
#include "platform/gui/Preview.h"
#include "platform/gui/Timer.h"
#include "skin/se_binding_lists.h"
#include "skin/se_engine.h"

namespace {

QTemporaryDir& PreviewFolder() {
  static QTemporaryDir dir;
  return dir;
}

void UsePreviewFolder() { AppStrings().AppDir = PreviewFolder().path(); }

// The skins beside the program, shown on their own windows' engine (there
// is no main window in a preview); "" keeps the plain look.
void UsePreviewSkin(const QString& skin) {
  const QDir shipped(QCoreApplication::applicationDirPath() + "/Skins");
  QDir().mkpath(PreviewFolder().filePath("Skins"));
  for (const QString& name : shipped.entryList({"*.mskn"}, QDir::Files))
    QFile::copy(shipped.filePath(name), PreviewFolder().filePath("Skins/" + name));
  if (skin.isEmpty()) return;
  TSeSkinEngine*& engine = AppForms().StandaloneSkinEngine;
  if (!engine) engine = Create<TSeSkinEngine>(nullptr);
  engine->SetSkinFile(shipped.filePath(skin + ".mskn").toStdString());
}

TScheduleForm* SampleSchedule(TComponent* owner) {
  UsePreviewFolder();
  auto* form = Create<TScheduleForm>(owner);
  form->Timer1->SetEnabled(false);
  TScheduleTask nightly;
  nightly.Name = "Nightly documents";
  nightly.Scheduling = "1 Days";
  nightly.Description = "Documents and mail";
  nightly.TaskFile = TScheduleForm::TaskFilePath("Nightly documents", kDataTaskType).toStdString();
  nightly.BeginDate = Date();
  nightly.EndDate = Date() + 365;
  nightly.UseTime = true;
  nightly.Time = "23:30";
  form->StoreTask(nightly);
  TScheduleTask music;
  music.Name = "Party mix";
  music.Type = kAudioTaskType;
  music.TaskFile = TScheduleForm::TaskFilePath("Party mix", kAudioTaskType).toStdString();
  music.BeginDate = music.EndDate = Date() + 2;
  form->StoreTask(music);
  return form;
}

std::unique_ptr<TCustomForm> Editor() {
  auto* editor = Create<TAddScheduleForm>(nullptr);
  editor->Schedule = SampleSchedule(editor);
  editor->InitEditor("Add");
  editor->cmbType->SetItemIndex(1);
  editor->cmbTypeChange();
  return std::unique_ptr<TCustomForm>(editor);
}

void RegisterScheduleWindows(const QString& suffix, const QString& skin) {
  RegisterPreviewWindow("schedule" + suffix, [skin] {
    UsePreviewSkin(skin);
    return std::unique_ptr<TCustomForm>(SampleSchedule(nullptr));
  });
  RegisterPreviewWindow("schedule-editor" + suffix, [skin] {
    UsePreviewSkin(skin);
    return Editor();
  });
}

void RegisterSkinnedOptionPages(const QString& skin) {
  const char* pages[] = {"options-general", "options-burning", "options-schedule", "options-sound", "options-skins"};
  for (int page = 0; page < 5; ++page) {
    RegisterPreviewWindow(QString(pages[page]) + "-" + skin, [skin, page] {
      UsePreviewFolder();
      UsePreviewSkin(skin);
      std::unique_ptr<TCustomForm> form(CreateOptionForm());
      AppForms().OptionForm = nullptr;
      auto* options = static_cast<TOptionForm*>(form.get());
      options->FillSkinList();
      options->pgcOption->SetActivePageIndex(page);
      return form;
    });
  }
}

}  // namespace

void RegisterSchedulePreviews() {
  RegisterScheduleWindows({}, {});
  const QDir shipped(QCoreApplication::applicationDirPath() + "/Skins");
  for (const QString& file : shipped.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString skin = file.chopped(5);
    RegisterScheduleWindows("-" + skin, skin);
    RegisterSkinnedOptionPages(skin);
  }
}
