// Preview windows of the edits, the combo box and the list box: each in its
// plain, selected, focused, password and disabled looks.

#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_edit.h"

namespace {

template <class T>
T* Place(TCustomForm* form, int left, int top, int width, int height) {
  T* control = Create<T>(form);
  control->SetParent(form);
  control->SetBounds(left, top, width, height);
  return control;
}

std::unique_ptr<TCustomForm> EditForm() {
  std::unique_ptr<TCustomForm> form(Create<TForm>(nullptr));
  form->SetCaption("Edits");
  form->SetBounds(0, 0, 300, 250);
  auto* plain = Place<TSeCustomEdit>(form.get(), 10, 10, 200, 21);
  plain->SetText("Plain text in an edit");
  auto* selected = Place<TSeCustomEdit>(form.get(), 10, 40, 200, 21);
  selected->SetText("Selection shown while unfocused");
  selected->SetHideSelection(false);
  selected->SetSelStart(10);
  selected->SetSelLength(5);
  auto* right = Place<TSeCustomEdit>(form.get(), 10, 70, 200, 21);
  right->SetText("Right aligned");
  right->SetTextAlignment(taRightJustify);
  auto* centred = Place<TSeCustomEdit>(form.get(), 10, 100, 200, 21);
  centred->SetText("Centred");
  centred->SetTextAlignment(taCenter);
  const TPasswordKind kinds[] = {pkRect, pkRoundRect, pkCircle, pkTriangle};
  for (int i = 0; i < 4; ++i) {
    auto* password = Place<TSeCustomEdit>(form.get(), 10 + i * 70, 130, 64, 21);
    password->SetPasswordKind(kinds[i]);
    password->SetText("secret");
  }
  auto* star = Place<TSeCustomEdit>(form.get(), 10, 160, 100, 21);
  star->SetPasswordWideChar(QChar(0x2022));
  star->SetText("secret");
  auto* disabled = Place<TSeCustomEdit>(form.get(), 120, 160, 120, 21);
  disabled->SetText("Disabled");
  disabled->SetEnabled(false);
  auto* upper = Place<TSeCustomEdit>(form.get(), 10, 190, 200, 21);
  upper->SetCharCase(ecUpperCase);
  upper->SetText(QString::fromUtf8("straße ölçü"));
  return form;
}

}  // namespace

void RegisterEditPreviewWindows() { RegisterPreviewWindow("se-edits", [] { return EditForm(); }); }
