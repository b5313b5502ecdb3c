// Preview windows of the skinned frame: "skin-form" without a skin (the
// plain frame) and "skin-form-<skin>" in each skin shipped beside the
// program, with a status bar whose size grip sits in the frame's corner;
// "skin-form-menu" and "skin-form-menu-<skin>" the same frame with a menu
// bar whose first menu stands open (take it with --screen: the menu is a
// window of its own, kept inside the form's rectangle).

#include <QDir>
#include <QTimer>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_engine.h"
#include "skin/se_popupmenu.h"
#include "skin/se_previews.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"

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

// The menu form as the preview shows it: the menu opens once the form is
// up, without its loop, so that the picture can be taken.
std::unique_ptr<TCustomForm> ShowSkinMenuForm(const QString& skinFile) {
  TSkinMenuForm made = MakeSkinMenuForm(skinFile.toStdString());
  TCustomForm* owner = made.form.get();
  QTimer::singleShot(0, owner, [owner, bar = made.bar, menu = made.menu] {
    OpenPreviewMenu(owner, bar, menu)->ShowPopup();
  });
  return std::move(made.form);
}

}  // namespace

TSkinMenuForm MakeSkinMenuForm(const std::string& skinFile) {
  TSkinMenuForm made;
  made.form = CreateUnique<TForm>();
  TCustomForm* form = made.form.get();
  form->SetCaption("Burn compilation");
  form->SetBounds(0, 0, 340, 250);
  auto* engine = Create<TSeSkinEngine>(form);
  auto* frame = Create<TSeSkinForm>(form);
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame->SetSkinEngine(engine);
  auto* bar = Create<TSeSkinMenuBar>(form);
  bar->SetParent(form);
  bar->SetAlign(alTop);
  made.menu = FillPreviewMenu(bar->Items(), true);
  bar->SetSkinEngine(engine);
  frame->SetMenuBar(bar);
  made.bar = bar;
  if (!skinFile.empty()) engine->SetSkinFile(skinFile);
  return made;
}

void RegisterSkinFormPreviewWindows() {
  RegisterPreviewWindow("skin-form", [] { return MakeSkinForm({}); });
  RegisterPreviewWindow("skin-form-menu", [] { return ShowSkinMenuForm({}); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("skin-form-" + file.chopped(5), [path] { return MakeSkinForm(path); });
    RegisterPreviewWindow("skin-form-menu-" + file.chopped(5), [path] { return ShowSkinMenuForm(path); });
  }
}
