// Preview windows of the skinned frame: "skin-form" without a skin (the
// plain frame) and "skin-form-<skin>" in each skin shipped beside the
// program, with a status bar whose size grip sits in the frame's corner.

#include <QDir>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_engine.h"
#include "skin/se_skinform.h"

// The window's controls (se_skinform_preview_controls.cpp: their headers
// and the skin objects' cannot meet in one file).
void AddSkinFormPreviewControls(TForm* form);

namespace {

std::unique_ptr<TCustomForm> MakeSkinForm(const QString& skinFile) {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Burn compilation");
  form->SetBounds(0, 0, 380, 240);
  // The engine goes with the form; the frame drops its copy first.
  auto* engine = Create<TSeSkinEngine>(form.get());
  auto* frame = Create<TSeSkinForm>(form.get());
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame->SetSkinEngine(engine);
  if (!skinFile.isEmpty()) engine->SetSkinFile(skinFile.toStdString());
  AddSkinFormPreviewControls(form.get());
  return form;
}

}  // namespace

void RegisterSkinFormPreviewWindows() {
  RegisterPreviewWindow("skin-form", [] { return MakeSkinForm({}); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("skin-form-" + file.chopped(5), [path] { return MakeSkinForm(path); });
  }
}
