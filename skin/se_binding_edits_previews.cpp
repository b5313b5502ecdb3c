// Preview windows of the skinned edits, memo, views and scroll box: one
// window per shipped skin ("skin-bound-edits-<skin>") and one without a
// skin ("skin-bound-edits").

#include <QDir>
#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_views.h"
#include "skin/se_engine.h"
#include "skin/se_skinsource.h"

namespace {

template <class T>
T* Place(TCustomForm* form, TWinControl* parent, TSeSkinEngine* engine, int left, int top, int width, int height) {
  T* control = Create<T>(form);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  control->SetSkinEngine(engine);
  return control;
}

std::unique_ptr<TCustomForm> BoundEditsForm(const QString& skinFile) {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skinned edits and views");
  form->SetClientWidth(630);
  form->SetClientHeight(300);
  form->SetColor(clBtnFace);
  TSeSkinEngine* engine = nullptr;
  if (!skinFile.isEmpty()) {
    engine = Create<TSeSkinEngine>(form.get());
    engine->SetSkinFile(skinFile.toStdString());
  }
  TCustomForm* f = form.get();

  auto* edit = Place<TSeSkinEdit>(f, f, engine, 10, 10, 150, 21);
  edit->SetText("A skinned edit");
  auto* disabled = Place<TSeSkinEdit>(f, f, engine, 10, 38, 150, 21);
  disabled->SetText("Disabled");
  disabled->SetEnabled(false);
  auto* ellipsis = Place<TSeSkinEditButton>(f, f, engine, 10, 66, 150, 21);
  ellipsis->SetGlyphKind(gkEllipsis);
  ellipsis->SetText("/home/burn");
  auto* spin = Place<TSeSkinSpinEdit>(f, f, engine, 10, 94, 80, 21);
  spin->SetValue(42);
  auto* mask = Place<TSeSkinMaskEdit>(f, f, engine, 10, 122, 150, 21);
  mask->SetTextAlign(taCenter);
  mask->SetText("12:30");

  auto* memo = Place<TSeSkinMemo>(f, f, engine, 170, 10, 150, 133);
  memo->SetScrollBars(ssBoth);
  memo->SetWordWrap(false);
  QString text;
  for (int i = 1; i <= 40; ++i) text += QString("Line %1 of a skinned memo\n").arg(i);
  memo->SetText(text);

  auto* tree = Place<TSeSkinSTreeView>(f, f, engine, 330, 10, 140, 133);
  for (int i = 1; i <= 5; ++i) {
    TTreeNode* folder = tree->Items()->Add(nullptr, QString("Folder with a long name %1").arg(i));
    for (int j = 1; j <= 3; ++j) tree->Items()->AddChild(folder, QString("Subfolder %1.%2").arg(i).arg(j));
  }
  tree->FullExpand();

  auto* list = Place<TSeSkinSListView>(f, f, engine, 480, 10, 140, 133);
  list->SetViewStyle(vsList);
  for (int i = 1; i <= 40; ++i) list->Items()->Add()->SetCaption(QString("Track %1").arg(i));

  auto* box = Place<TSeSkinScrollBox>(f, f, engine, 10, 155, 310, 135);
  for (int i = 0; i < 6; ++i) {
    auto* label = Create<TLabel>(f);
    label->SetParent(box);
    label->SetBounds(8, 8 + i * 30, 90, 16);
    label->SetCaption(QString("Setting %1:").arg(i + 1));
    auto* value = Place<TSeSkinEdit>(f, box, engine, 100, 6 + i * 30, 300, 21);
    value->SetText(QString("Value of setting %1").arg(i + 1));
  }
  auto* plainBox = Place<TSeSkinScrollBox>(f, f, engine, 330, 155, 290, 135);
  auto* note = Create<TLabel>(f);
  note->SetParent(plainBox);
  note->SetBounds(8, 8, 260, 16);
  note->SetCaption("A scroll box whose content fits");
  return form;
}

}  // namespace

void RegisterBoundEditPreviewWindows() {
  RegisterPreviewWindow("skin-bound-edits", [] { return BoundEditsForm(QString()); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("skin-bound-edits-" + file.chopped(5), [path] { return BoundEditsForm(path); });
  }
}
