// Preview windows of the buttons, labels, bars and hints: every control in
// its states, so scripts/screenshot shows them side by side.

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_buttons.h"
#include "skin/se_controlbar.h"
#include "skin/se_labels.h"
#include "skin/se_progressbar.h"
#include "skin/se_speedbuttons.h"
#include "skin/se_statusbar.h"

namespace {

std::unique_ptr<TCustomForm> NewForm(const char* caption, int width, int height) {
  auto form = CreateUnique<TForm>();
  form->SetCaption(caption);
  form->SetBorderStyle(bsSingle);
  form->SetBounds(0, 0, width, height);
  form->SetColor(clBtnFace);
  form->Font()->SetName("Tahoma");
  return form;
}

template <class T>
T* Place(TWinControl* parent, int left, int top, int width = -1, int height = -1) {
  auto* control = Create<T>(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width < 0 ? control->Width() : width,
                     height < 0 ? control->Height() : height);
  return control;
}

std::unique_ptr<TCustomForm> ButtonsForm() {
  auto form = NewForm("Buttons", 420, 300);
  TWinControl* f = form.get();
  auto* plain = Place<TSeCustomButton>(f, 10, 10);
  plain->SetCaption("Button");
  auto* ok = Place<TSeCustomButton>(f, 95, 10);
  ok->SetKind(bkOK);
  auto* cancel = Place<TSeCustomButton>(f, 180, 10);
  cancel->SetKind(bkCancel);
  auto* disabled = Place<TSeCustomButton>(f, 265, 10);
  disabled->SetKind(bkRetry);
  disabled->SetEnabled(false);
  auto* pressed = Place<TSeCustomButton>(f, 10, 45);
  pressed->SetCaption("Pressed");
  pressed->SetState(kbsPressed);
  auto* top = Place<TSeCustomButton>(f, 95, 45, 75, 45);
  top->SetKind(bkHelp);
  top->SetLayout(blGlyphTop);
  auto* wrap = Place<TSeCustomButton>(f, 180, 45, 75, 45);
  wrap->SetCaption("Word wrapped caption");
  wrap->SetWordWrap(true);
  auto* all = Place<TSeCustomButton>(f, 265, 45);
  all->SetKind(bkAll);
  all->SetLayout(blGlyphRight);

  const char* captions[] = {"Unchecked", "Checked", "Grayed", "Disabled"};
  for (int i = 0; i < 4; ++i) {
    auto* box = Place<TSeCustomCheckBox>(f, 10, 100 + i * 22, 120);
    box->SetCaption(captions[i]);
    box->SetAllowGrayed(true);
    box->SetState(i == 1 ? cbChecked : i == 2 ? cbGrayed : cbUnchecked);
    if (i == 3) {
      box->SetChecked(true);
      box->SetEnabled(false);
    }
  }
  for (int i = 0; i < 3; ++i) {
    auto* radio = Place<TSeCustomRadioButton>(f, 140, 100 + i * 22, 120);
    radio->SetCaption(QString("&Radio %1").arg(i + 1));
    radio->SetChecked(i == 1);
    if (i == 2) radio->SetEnabled(false);
  }
  auto* right = Place<TSeCustomCheckBox>(f, 270, 100, 130);
  right->SetCaption("Mark on the right");
  right->SetAlignment(ktaRightJustify);

  auto* group = Place<TSeCustomGroupBox>(f, 10, 190, 190, 95);
  group->SetCaption("&Options");
  auto* inner = Place<TSeCustomCheckBox>(group, 12, 22, 160);
  inner->SetCaption("Verify after writing");
  auto* label = Place<TSeCustomLabel>(group, 12, 50);
  label->SetCaption("A label in the group");
  auto* checked = Place<TSeCustomGroupBox>(f, 210, 190, 195, 95);
  checked->SetCaption("Write &speed");
  checked->SetUseCheckBox(true);
  checked->SetChecked(false);
  auto* speed = Place<TSeCustomRadioButton>(checked, 12, 28, 150);
  speed->SetCaption("Maximum");
  speed->SetChecked(true);
  auto* disabledLabel = Place<TSeCustomLabel>(checked, 12, 56);
  disabledLabel->SetCaption("Follows the check box");
  return form;
}

std::unique_ptr<TCustomForm> BarsForm() {
  auto form = NewForm("Bars", 420, 300);
  TWinControl* f = form.get();
  auto* bar = Place<TSeCustomControlBar>(f, 0, 0, 420, 30);
  bar->SetAlign(alTop);
  for (int i = 0; i < 2; ++i) {
    auto* holder = Place<TSeSpeedContainer>(bar, 11 + i * 150, 2, 130, 26);
    for (int b = 0; b < 4; ++b) {
      auto* button = Place<TSeCustomSpeedButton>(holder, b * 30, 0, 29, 26);
      button->SetFlat(true);
      button->SetCaption(QString::number(i * 4 + b + 1));
      button->SetGroupIndex(i == 0 ? 1 : 0);
      if (i == 0 && b == 1) button->SetDown(true);
      if (i == 1 && b == 3) button->SetEnabled(false);
    }
  }

  auto* plain = Place<TSeCustomSpeedButton>(f, 10, 50, 70, 26);
  plain->SetCaption("Speed");
  auto* down = Place<TSeCustomSpeedButton>(f, 85, 50, 70, 26);
  down->SetCaption("Down");
  down->SetGroupIndex(2);
  down->SetDown(true);
  auto* chevron = Place<TSeCustomSpeedButton>(f, 160, 50, 56, 26);
  chevron->SetCaption("Menu");
  chevron->SetShowChevron(true);
  auto* off = Place<TSeCustomSpeedButton>(f, 235, 50, 70, 26);
  off->SetCaption("Disabled");
  off->SetEnabled(false);
  Place<TSeSpeedDivider>(f, 310, 50, 8, 26);
  auto* spin = Create<TSeCustomSpinButton>(f);
  spin->SetParent(f);
  spin->SetBounds(330, 50, 15, 26);

  const int positions[] = {0, 2, 50, 100};
  for (int i = 0; i < 4; ++i) {
    auto* progress = Place<TSeCustomProgressBar>(f, 10, 90 + i * 22, 200, 16);
    progress->SetPosition(positions[i]);
  }
  auto* smooth = Place<TSeCustomProgressBar>(f, 220, 90, 190, 16);
  smooth->SetSmooth(true);
  smooth->SetPosition(60);
  auto* vertical = Place<TSeCustomProgressBar>(f, 220, 112, 16, 80);
  vertical->SetOrientation(kboVertical);
  vertical->SetPosition(70);
  auto* vsmooth = Place<TSeCustomProgressBar>(f, 245, 112, 16, 80);
  vsmooth->SetOrientation(kboVertical);
  vsmooth->SetSmooth(true);
  vsmooth->SetPosition(35);

  auto* status = Create<TSeCustomStatusBar>(f);
  status->SetParent(f);
  status->SetAlign(alBottom);
  const struct {
    const char* text;
    int width;
    int stretch;
    TAlignment alignment;
  } panels[] = {{"Ready", 80, 0, taLeftJustify},
                {"Total: 650 MB of 700 MB", 150, 100, taCenter},
                {"Drive E:", 80, 0, taRightJustify}};
  for (const auto& p : panels) {
    TSeStatusPanel* panel = status->Panels()->Add();
    panel->SetText(p.text);
    panel->SetWidth(p.width);
    panel->SetStretchPriority(p.stretch);
    panel->SetAlignment(p.alignment);
  }
  return form;
}

}  // namespace

void RegisterButtonPreviewWindows() {
  RegisterPreviewWindow("se-buttons", ButtonsForm);
  RegisterPreviewWindow("se-bars", BarsForm);
}
