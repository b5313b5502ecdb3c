// Preview windows of MDI forms with skinned frames: "skin-mdi-maximized"
// (a parent whose child is maximized: the child's icon and buttons sit in
// the parent's menu bar) and "skin-mdi-children" (two normal children), in
// the plain frame and, with "-<skin>", in each skin shipped beside the
// program.

#include <QDir>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_engine.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"

namespace {

TForm* MakeChild(TForm* parent, TSeSkinEngine* engine, const QString& caption, const TRect& bounds) {
  auto* child = Create<TForm>(parent);
  child->SetFormStyle(fsMDIChild);
  child->SetCaption(caption);
  child->SetBoundsRect(bounds);
  auto* frame = Create<TSeSkinForm>(child);
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame->SetSkinEngine(engine);
  child->Show();
  return child;
}

std::unique_ptr<TCustomForm> MakeMDIForm(const QString& skinFile, bool maximized) {
  auto form = CreateUnique<TForm>();
  form->SetFormStyle(fsMDIForm);
  form->SetCaption("Burner");
  form->SetBounds(0, 0, 520, 360);
  // The engine goes with the form; the frames drop their copies first.
  auto* engine = Create<TSeSkinEngine>(form.get());
  auto* frame = Create<TSeSkinForm>(form.get());
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame->SetSkinEngine(engine);
  auto* bar = Create<TSeSkinMenuBar>(form.get());
  bar->SetSkinEngine(engine);
  bar->SetParent(form.get());
  bar->SetAlign(alTop);
  for (const char* caption : {"&File", "&Edit", "&Window", "&Help"}) {
    auto* item = new TSeSkinItem(nullptr);
    item->SetCaption(caption);
    bar->Items()->Add(item);
  }
  frame->SetMenuBar(bar);
  if (!skinFile.isEmpty()) engine->SetSkinFile(skinFile.toStdString());
  MakeChild(form.get(), engine, "Compilation 1", Bounds(12, 10, 260, 170));
  TForm* second = MakeChild(form.get(), engine, "Compilation 2", Bounds(170, 80, 280, 180));
  if (maximized)
    if (TSeCustomForm* secondFrame = se::FindFormHook(second)) secondFrame->Maximize();
  return form;
}

}  // namespace

void RegisterMDIPreviewWindows() {
  RegisterPreviewWindow("skin-mdi-maximized", [] { return MakeMDIForm({}, true); });
  RegisterPreviewWindow("skin-mdi-children", [] { return MakeMDIForm({}, false); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    const QString name = file.chopped(5);
    RegisterPreviewWindow("skin-mdi-maximized-" + name, [path] { return MakeMDIForm(path, true); });
    RegisterPreviewWindow("skin-mdi-children-" + name, [path] { return MakeMDIForm(path, false); });
  }
}
