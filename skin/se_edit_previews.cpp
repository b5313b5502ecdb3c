// Preview windows of the edits, the combo box and the list box: each in its
// plain, selected, focused, password and disabled looks.

#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_combobox.h"
#include "skin/se_edit.h"
#include "skin/se_editbutton.h"
#include "skin/se_spinedit.h"
#include "skin/se_listbox.h"

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
  form->SetBounds(0, 0, 300, 285);
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
  auto* spin = Place<TSeCustomSpinEdit>(form.get(), 10, 220, 80, 21);
  spin->SetValue(42);
  auto* ellipsis = Place<TSeCustomEditButton>(form.get(), 100, 220, 150, 21);
  ellipsis->SetText("C:/Burn");
  ellipsis->SetGlyphKind(gkEllipsis);
  return form;
}

QStringList Fruits(int n) {
  static const char* const names[] = {"Apple", "Banana", "Cherry", "Date", "Elderberry", "Fig", "Grape",
                                      "-", "Honeydew", "Kiwi", "Lemon", "Mango", "Nectarine", "Orange"};
  QStringList list;
  for (int i = 0; i < n; ++i) list << names[i % 14];
  return list;
}

std::unique_ptr<TCustomForm> ListForm() {
  std::unique_ptr<TCustomForm> form(Create<TForm>(nullptr));
  form->SetCaption("List boxes");
  form->SetBounds(0, 0, 540, 260);
  auto* plain = Place<TSeCustomListBox>(form.get(), 10, 10, 120, 105);
  plain->SetItems(Fruits(14));
  plain->SetItemIndex(2);
  plain->SelectRange();
  auto* checks = Place<TSeCustomListBox>(form.get(), 140, 10, 120, 105);
  checks->SetItems(Fruits(5));
  checks->SetShowCheckBoxes(true);
  checks->SetAllowGrayed(true);
  checks->SetState(0, csChecked);
  checks->SetState(2, csGrayed);
  checks->SetFlat(false);
  checks->SetItemIndex(1);
  checks->SelectRange();
  auto* multi = Place<TSeCustomListBox>(form.get(), 270, 10, 120, 105);
  multi->SetItems(Fruits(14));
  multi->SetMultiSelect(true);
  multi->SetItemIndex(1);
  multi->SelectRange();
  multi->SetSelected(3, true);
  multi->SetSelected(4, true);
  multi->SetSelected(1, false);
  multi->SetSelected(2, true);
  auto* colours = Place<TSeCustomListBox>(form.get(), 400, 10, 130, 105);
  colours->SetListStyle(lbColorNames);
  colours->SetItemIndex(9);
  colours->SelectRange();
  auto* columns = Place<TSeCustomListBox>(form.get(), 10, 125, 250, 105);
  columns->SetItems(Fruits(20));
  columns->SetColumns(2);
  auto* fonts = Place<TSeCustomListBox>(form.get(), 270, 125, 120, 105);
  fonts->SetListStyle(lbFonts);
  auto* disabled = Place<TSeCustomListBox>(form.get(), 400, 125, 130, 105);
  disabled->SetItems(Fruits(3));
  disabled->SetEnabled(false);
  return form;
}

std::unique_ptr<TCustomForm> ComboForm() {
  std::unique_ptr<TCustomForm> form(Create<TForm>(nullptr));
  form->SetCaption("Combo boxes");
  form->SetBounds(0, 0, 330, 130);
  auto* editable = Place<TSeCustomComboBox>(form.get(), 10, 10, 150, 21);
  editable->SetItems(Fruits(7));
  editable->SetItemIndex(1);
  auto* pick = Place<TSeCustomComboBox>(form.get(), 170, 10, 150, 21);
  pick->SetItems(Fruits(7));
  pick->SetComboStyle(kcsDropDownList);
  pick->SetItemIndex(4);
  auto* left = Place<TSeCustomComboBox>(form.get(), 10, 45, 150, 21);
  left->SetItems(Fruits(7));
  left->SetButtonAlign(cbaLeft);
  left->SetItemIndex(2);
  auto* colours = Place<TSeCustomComboBox>(form.get(), 170, 45, 150, 21);
  colours->SetListStyle(lbColorNames);
  colours->SetComboStyle(kcsDropDownList);
  colours->SetItemIndex(12);
  auto* disabled = Place<TSeCustomComboBox>(form.get(), 10, 80, 150, 21);
  disabled->SetItems(Fruits(3));
  disabled->SetItemIndex(0);
  disabled->SetEnabled(false);
  return form;
}

}  // namespace

void RegisterEditPreviewWindows() {
  RegisterPreviewWindow("se-edits", [] { return EditForm(); });
  RegisterPreviewWindow("se-listboxes", [] { return ListForm(); });
  RegisterPreviewWindow("se-combos", [] { return ComboForm(); });
}
