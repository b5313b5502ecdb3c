// The skinned wrappers on one form, bound to an engine that loads a
// shipped skin ("skin-gallery-<name>"), in the looks the mouse, focus and
// values give them.

#include <QDir>
#include <QString>
#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"
#include "skin/se_engine.h"
#include "skin/se_skingallery.h"
#include "skin/se_skinsource.h"

namespace {

template <class T>
T* Put(TForm* form, TWinControl* parent, TSeSkinEngine* engine, int left, int top, int width, int height) {
  auto* control = Create<T>(form);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  control->SetSkinEngine(engine);
  return control;
}

std::unique_ptr<TCustomForm> MakeGallery(const QString& file) {
  auto form = CreateUnique<TForm>();
  TForm* f = form.get();
  f->SetCaption("Skinned controls");
  f->SetClientWidth(560);
  f->SetClientHeight(380);
  auto* engine = Create<TSeSkinEngine>(f);
  engine->SetSkinFile(file.toStdString());
  if (TSeSkinObject* client = engine->Source().GetObjectByName("Form"))
    if (TSeSkinObject* inside = client->FindObjectByName("Client"))
      if (inside->Color() != clNone) f->SetColor(inside->Color());

  // Buttons: normal, default, disabled.
  const char* captions[] = {"Burn", "Default", "Disabled"};
  for (int i = 0; i < 3; ++i) {
    auto* b = Put<TSeSkinButton>(f, f, engine, 10 + i * 90, 10, 82, 25);
    b->SetCaption(captions[i]);
    if (i == 1) b->SetDefault(true);
    if (i == 2) b->SetEnabled(false);
  }
  // Check marks in every state, a radio pair.
  const TCheckBoxState states[] = {cbUnchecked, cbChecked, cbGrayed};
  const char* marks[] = {"Verify data", "Eject after", "Mixed"};
  for (int i = 0; i < 3; ++i) {
    auto* c = Put<TSeSkinCheckBox>(f, f, engine, 10, 44 + i * 22, 130, 20);
    c->SetCaption(marks[i]);
    c->SetAllowGrayed(true);
    c->SetState(states[i]);
  }
  auto* r1 = Put<TSeSkinRadioButton>(f, f, engine, 150, 44, 120, 20);
  r1->SetCaption("Track at once");
  r1->SetChecked(true);
  Put<TSeSkinRadioButton>(f, f, engine, 150, 66, 120, 20)->SetCaption("Disc at once");
  auto* label = Put<TSeSkinLabel>(f, f, engine, 150, 92, 120, 16);
  label->SetCaption("A label of the skin");

  // A group box holding a progress bar and a spin button.
  auto* group = Put<TSeSkinGroupBox>(f, f, engine, 10, 116, 270, 100);
  group->SetCaption("Writing");
  auto* progress = Put<TSeSkinProgressBar>(f, group, engine, 12, 26, 200, 16);
  progress->SetPosition(60);
  auto* upright = Put<TSeSkinProgressBar>(f, group, engine, 240, 22, 16, 66);
  upright->SetOrientation(kboVertical);
  upright->SetPosition(40);
  auto* spin = Put<TSeSkinSpinButton>(f, group, engine, 12, 56, 15, 22);
  (void)spin;
  auto* boxed = Put<TSeSkinGroupBox>(f, group, engine, 40, 50, 180, 40);
  boxed->SetCaption("Caption check box");
  boxed->SetUseCheckBox(true);

  // A list with marks and a selection, a combo box.
  auto* list = Put<TSeSkinListBox>(f, f, engine, 290, 10, 150, 110);
  list->SetShowCheckBoxes(true);
  list->SetItems({"Audio CD", "Data disc", "-", "Video DVD", "Image file", "Copy disc", "Erase", "Verify"});
  list->SetState(1, csChecked);
  list->SetState(3, csGrayed);
  list->SetItemIndex(1);
  auto* combo = Put<TSeSkinComboBox>(f, f, engine, 290, 128, 150, 21);
  combo->SetItems({"Maximum", "16x", "8x"});
  combo->SetItemIndex(0);
  auto* pick = Put<TSeSkinComboBox>(f, f, engine, 290, 156, 150, 21);
  pick->SetComboStyle(kcsDropDownList);
  pick->SetItems({"ISO 9660", "Joliet"});
  pick->SetItemIndex(1);
  auto* colours = Put<TSeSkinListBox>(f, f, engine, 450, 10, 100, 60);
  colours->SetListStyle(lbColorNames);
  colours->SetItems({"clRed", "clGreen", "clBlue"});

  // A control bar holding a tool bar of speed buttons.
  auto* bands = Put<TSeSkinControlBar>(f, f, engine, 10, 226, 540, 34);
  auto* tools = Put<TSeSkinToolBar>(f, bands, engine, 14, 2, 200, 26);
  for (int i = 0; i < 4; ++i) {
    auto* s = Put<TSeSkinSpeedButton>(f, tools, engine, i * 25, 0, 25, 26);
    s->SetCaption(QString::number(i + 1));
    s->SetFlat(i != 3);
    if (i == 1) {
      s->SetGroupIndex(1);
      s->SetDown(true);
    }
    if (i == 3) s->SetShowChevron(true);
  }
  auto* status = Put<TSeSkinStatusBar>(f, f, engine, 0, 0, 560, 22);
  status->SetAlign(alBottom);
  status->Panels()->Add()->SetText("Ready");
  status->Panels()->Items(0)->SetWidth(200);
  status->Panels()->Add()->SetText("700 MB");
  status->Panels()->Items(1)->SetWidth(100);
  return form;
}

}  // namespace

void RegisterSkinWrapperGalleries() {
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("skin-gallery-" + file.chopped(5), [path] { return MakeGallery(path); });
  }
}
