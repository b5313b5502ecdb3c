// The schedule window with two sample tasks, and the task editor, for
// gui-preview. Both keep their files in a scratch folder.

#include <QTemporaryDir>

#include "app/AddSchedule.h"
#include "app/AppGlobals.h"
#include "app/schedule.h"
#include "platform/core/DateTime.h"
#include "platform/gui/Preview.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"

namespace {

void UsePreviewScheduleFolder() {
  static QTemporaryDir dir;
  AppStrings().AppDir = dir.path();
}

TScheduleForm* SampleSchedule(TComponent* owner) {
  UsePreviewScheduleFolder();
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

}  // namespace

void RegisterSchedulePreviews() {
  RegisterPreviewWindow("schedule", [] { return std::unique_ptr<TCustomForm>(SampleSchedule(nullptr)); });
  RegisterPreviewWindow("schedule-editor", [] {
    auto* editor = Create<TAddScheduleForm>(nullptr);
    editor->Schedule = SampleSchedule(editor);
    editor->InitEditor("Add");
    editor->cmbType->SetItemIndex(1);
    editor->cmbTypeChange();
    return std::unique_ptr<TCustomForm>(editor);
  });
}
