#include "platform/gui/StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Painters.h"

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 13); }

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

void TLabel::SetLayout(TTextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  update();
}

void TLabel::SetWordWrap(bool wrap) {
  if (wrap == word_wrap_) return;
  word_wrap_ = wrap;
  AdjustBounds();
  update();
}

void TLabel::SetAutoSize(bool autoSize) {
  if (autoSize == auto_size_) return;
  auto_size_ = autoSize;
  AdjustBounds();
}

void TLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  update();
}

void TLabel::SetShowAccelChar(bool show) {
  if (show == show_accel_char_) return;
  show_accel_char_ = show;
  AdjustBounds();
  update();
}

unsigned TLabel::DrawFlags() const {
  unsigned flags = DT_EXPANDTABS;
  if (word_wrap_) flags |= DT_WORDBREAK;
  if (!show_accel_char_) flags |= DT_NOPREFIX;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  return flags;
}

void TLabel::TextChanged() {
  AdjustBounds();
  update();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!auto_size_ || Loading()) return;
  // Measured on a scratch bitmap canvas: the label may have no surface yet.
  TBitmap scratch;
  scratch.SetWidth(1);
  scratch.SetHeight(1);
  TCanvas& canvas = scratch.Canvas();
  canvas.SetFont(*Font());
  TRect r = Rect(0, 0, word_wrap_ ? Width() : 0, 0);
  const QString text = Caption().isEmpty() ? QStringLiteral(" ") : Caption();
  DrawText(canvas, text, r, DrawFlags() | DT_CALCRECT);
  int left = Left();
  // A right-aligned label keeps its right edge, a centred one its middle.
  if (!word_wrap_ && alignment_ == taRightJustify) left += Width() - r.Width();
  if (!word_wrap_ && alignment_ == taCenter) left += (Width() - r.Width()) / 2;
  SetBounds(left, Top(), r.Width(), r.Height());
}

void TLabel::Paint() {
  TCanvas& canvas = *Canvas();
  if (!transparent_) {
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
  }
  canvas.Brush().SetStyle(bsClear);
  canvas.SetFont(*Font());
  TRect r = ClientRect();
  const unsigned flags = DrawFlags();
  if (layout_ != tlTop) {
    TRect measure = r;
    DrawText(canvas, Caption(), measure, flags | DT_CALCRECT);
    const int offset = r.Height() - measure.Height();
    r.Top += layout_ == tlCenter ? offset / 2 : offset;
  }
  if (!Enabled()) {
    // The host's embossed look of a disabled label.
    TRect shadow = r;
    shadow.Left += 1;
    shadow.Top += 1;
    shadow.Right += 1;
    shadow.Bottom += 1;
    canvas.Font().SetColor(clBtnHighlight);
    DrawText(canvas, Caption(), shadow, flags);
    canvas.Font().SetColor(clBtnShadow);
  }
  DrawText(canvas, Caption(), r, flags);
}

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWidgetHost(owner), edit_(new QLineEdit) {
  SetInner(edit_);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
  QObject::connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (syncing_) return;
    syncing_ = true;
    TControl::SetText(text);
    syncing_ = false;
  });
  QObject::connect(edit_, &QLineEdit::textEdited, this, [this] { modified_ = true; });
}

void TEdit::TextChanged() {
  if (!syncing_) {
    syncing_ = true;
    QString text = Text();
    if (char_case_ == ecUpperCase) text = text.toUpper();
    if (char_case_ == ecLowerCase) text = text.toLower();
    if (edit_->text() != text) edit_->setText(text);
    syncing_ = false;
  }
  CallGuarded(this, [&] { Change(); });
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

bool TEdit::ReadOnly() const { return edit_->isReadOnly(); }
void TEdit::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void TEdit::SetMaxLength(int length) {
  max_length_ = std::max(length, 0);
  edit_->setMaxLength(max_length_ == 0 ? 32767 : max_length_);
}

void TEdit::SetPasswordChar(QChar c) {
  password_char_ = c;
  edit_->setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TEdit::SetCharCase(TEditCharCase charCase) {
  char_case_ = charCase;
  if (charCase == ecUpperCase) SetText(Text().toUpper());
  if (charCase == ecLowerCase) SetText(Text().toLower());
  QObject::disconnect(edit_, &QLineEdit::textEdited, this, nullptr);
  QObject::connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    modified_ = true;
    if (char_case_ == ecUpperCase && text != text.toUpper()) SetText(text.toUpper());
    if (char_case_ == ecLowerCase && text != text.toLower()) SetText(text.toLower());
  });
}

int TEdit::SelStart() const {
  return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}
void TEdit::SetSelStart(int start) {
  edit_->setCursorPosition(std::clamp(start, 0, int(edit_->text().size())));
}
int TEdit::SelLength() const { return int(edit_->selectedText().size()); }
void TEdit::SetSelLength(int length) { edit_->setSelection(SelStart(), length); }
QString TEdit::SelText() const { return edit_->selectedText(); }
void TEdit::SetSelText(const QString& text) { edit_->insert(text); }
void TEdit::SelectAll() { edit_->selectAll(); }

// ---- TMemo ----

int TMemoLines::Count() const { return int(memo_->DocumentLines().size()); }
void TMemoLines::Clear() { memo_->SetDocumentLines({}); }
QString TMemoLines::Get(int index) const { return memo_->DocumentLines().at(index); }

void TMemoLines::Put(int index, const QString& s) {
  QStringList lines = memo_->DocumentLines();
  lines[index] = s;
  memo_->SetDocumentLines(lines);
}

void TMemoLines::InsertItem(int index, const QString& s, void*) {
  if (index == Count() && UpdateCount() == 0) {
    // Appending is the common case (logs): no rewrite of the whole text.
    memo_->syncing_ = true;
    QTextCursor cursor(memo_->edit_->document());
    cursor.movePosition(QTextCursor::End);
    if (!memo_->edit_->document()->isEmpty() && !memo_->edit_->toPlainText().endsWith(QLatin1Char('\n')))
      cursor.insertBlock();
    cursor.insertText(s + QLatin1Char('\n'));
    memo_->syncing_ = false;
    memo_->TControl::SetText(memo_->edit_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    return;
  }
  QStringList lines = memo_->DocumentLines();
  lines.insert(index, s);
  memo_->SetDocumentLines(lines);
}

void TMemoLines::DeleteItem(int index) {
  QStringList lines = memo_->DocumentLines();
  lines.removeAt(index);
  memo_->SetDocumentLines(lines);
}

void TMemoLines::SetUpdateState(bool updating) { memo_->edit_->setUpdatesEnabled(!updating); }

TMemo::TMemo(TComponent* owner)
    : TWidgetHost(owner), edit_(new QPlainTextEdit), lines_(std::make_unique<TMemoLines>(this)) {
  SetInner(edit_, edit_);
  SetColor(clWindow);
  SetBounds(0, 0, 185, 89);
  SetScrollBars(ssNone);
  QObject::connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
    if (syncing_) return;
    syncing_ = true;
    TControl::SetText(edit_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    syncing_ = false;
  });
  QObject::connect(edit_->document(), &QTextDocument::contentsChange, this,
                   [this](int, int removed, int added) {
                     if (!syncing_ && (removed || added) && edit_->hasFocus()) modified_ = true;
                   });
}

TMemo::~TMemo() = default;

QStringList TMemo::DocumentLines() const {
  QString text = edit_->toPlainText();
  if (text.isEmpty()) return {};
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text.split(QLatin1Char('\n'));
}

void TMemo::SetDocumentLines(const QStringList& lines) {
  SetText(lines.isEmpty() ? QString() : lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void TMemo::TextChanged() {
  if (!syncing_) {
    syncing_ = true;
    QString text = Text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (edit_->toPlainText() != text) edit_->setPlainText(text);
    syncing_ = false;
  }
  CallGuarded(this, [&] { Change(); });
}

void TMemo::Change() {
  if (OnChange) OnChange(this);
}

bool TMemo::ReadOnly() const { return edit_->isReadOnly(); }
void TMemo::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void TMemo::SetWordWrap(bool wrap) {
  word_wrap_ = wrap;
  edit_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle style) {
  scroll_bars_ = style;
  const bool v = style == ssVertical || style == ssBoth;
  const bool h = style == ssHorizontal || style == ssBoth;
  edit_->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  edit_->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

int TMemo::SelStart() const { return edit_->textCursor().selectionStart(); }

void TMemo::SetSelStart(int start) {
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(std::clamp(start, 0, edit_->document()->characterCount() - 1));
  edit_->setTextCursor(cursor);
}

int TMemo::SelLength() const {
  const QTextCursor cursor = edit_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void TMemo::SetSelLength(int length) {
  QTextCursor cursor = edit_->textCursor();
  const int start = cursor.selectionStart();
  cursor.setPosition(start);
  cursor.setPosition(std::clamp(start + length, 0, edit_->document()->characterCount() - 1),
                     QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
}

QString TMemo::SelText() const {
  return edit_->textCursor().selectedText().replace(QChar(0x2029), QStringLiteral("\r\n"));
}
void TMemo::SelectAll() { edit_->selectAll(); }

// ---- TButton ----

TButton::TButton(TComponent* owner) : TWidgetHost(owner), button_(new QPushButton) {
  SetInner(button_);
  SetForwardClicks(false);
  SetBounds(0, 0, 75, 25);
  QObject::connect(button_, &QPushButton::clicked, this, [this] { CallGuarded(this, [&] { Click(); }); });
}

void TButton::TextChanged() { button_->setText(Caption()); }

void TButton::SetDefault(bool value) {
  default_ = value;
  button_->setDefault(value);
}

void TButton::Click() {
  if (modal_result_ != 0)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  TWidgetHost::Click();
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* owner) : TWidgetHost(owner), box_(new QCheckBox) {
  SetInner(box_);
  SetForwardClicks(false);
  SetBounds(0, 0, 97, 17);
  QObject::connect(box_, &QCheckBox::stateChanged, this, [this](int state) {
    if (syncing_) return;
    SetState(state == Qt::Checked ? cbChecked : state == Qt::PartiallyChecked ? cbGrayed : cbUnchecked);
  });
}

void TCheckBox::TextChanged() { box_->setText(Caption()); }

void TCheckBox::SetAllowGrayed(bool allow) {
  allow_grayed_ = allow;
  box_->setTristate(allow);
}

void TCheckBox::SetState(TCheckBoxState state) {
  if (state == state_) return;
  state_ = state;
  syncing_ = true;
  box_->setCheckState(state == cbChecked  ? Qt::Checked
                      : state == cbGrayed ? Qt::PartiallyChecked
                                          : Qt::Unchecked);
  syncing_ = false;
  // The host clicks whenever the state changes, also when set in code.
  CallGuarded(this, [&] { Click(); });
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TComponent* owner) : TWidgetHost(owner), button_(new QRadioButton) {
  SetInner(button_);
  SetForwardClicks(false);
  SetBounds(0, 0, 113, 17);
  // Grouping is ours: siblings under the same parent control.
  button_->setAutoExclusive(false);
  QObject::connect(button_, &QRadioButton::toggled, this, [this](bool on) {
    if (syncing_) return;
    if (!on && checked_) {
      // A click on a checked radio button keeps it checked.
      syncing_ = true;
      button_->setChecked(true);
      syncing_ = false;
      return;
    }
    SetChecked(on);
  });
}

void TRadioButton::TextChanged() { button_->setText(Caption()); }

void TRadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  syncing_ = true;
  button_->setChecked(checked);
  syncing_ = false;
  if (!checked) return;
  if (TWinControl* parent = Parent())
    for (int i = 0; i < parent->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i)); other && other != this)
        other->SetChecked(false);
  CallGuarded(this, [&] { Click(); });
}

// ---- TComboBox ----

int TComboItems::Count() const { return box_->count(); }
void TComboItems::Clear() { box_->clear(); }
QString TComboItems::Get(int index) const { return box_->itemText(index); }
void TComboItems::Put(int index, const QString& s) { box_->setItemText(index, s); }
void* TComboItems::GetObject(int index) const {
  return reinterpret_cast<void*>(box_->itemData(index).value<quintptr>());
}
void TComboItems::PutObject(int index, void* object) {
  box_->setItemData(index, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
}
void TComboItems::InsertItem(int index, const QString& s, void* object) {
  box_->insertItem(index, s, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
}
void TComboItems::DeleteItem(int index) { box_->removeItem(index); }

TComboBox::TComboBox(TComponent* owner)
    : TWidgetHost(owner), box_(new QComboBox), items_(std::make_unique<TComboItems>(box_)) {
  SetInner(box_);
  SetForwardClicks(false);
  SetColor(clWindow);
  SetBounds(0, 0, 145, 21);
  SetStyle(csDropDown);
  box_->setMaxVisibleItems(8);
  // Adding the first item makes Qt choose it; the host leaves none chosen.
  QObject::connect(box_->model(), &QAbstractItemModel::rowsInserted, this, [this] {
    if (box_->count() == 1 && !syncing_) {
      syncing_ = true;
      box_->setCurrentIndex(-1);
      if (style_ != csDropDownList) box_->setEditText(Text());
      syncing_ = false;
    }
    SyncText();
  });
  QObject::connect(box_, &QComboBox::activated, this, [this](int) {
    SyncText();
    CallGuarded(this, [&] {
      if (OnSelect) OnSelect(this);
    });
    CallGuarded(this, [&] {
      if (OnChange) OnChange(this);
    });
  });
  QObject::connect(box_, &QComboBox::editTextChanged, this, [this](const QString&) {
    if (syncing_ || !box_->lineEdit() || !box_->lineEdit()->hasFocus()) return;
    SyncText();
    CallGuarded(this, [&] {
      if (OnChange) OnChange(this);
    });
  });
}

TComboBox::~TComboBox() = default;

void TComboBox::SyncText() {
  if (syncing_) return;
  syncing_ = true;
  TControl::SetText(style_ == csDropDownList ? box_->currentText() : box_->currentText());
  syncing_ = false;
}

void TComboBox::TextChanged() {
  if (syncing_) return;
  syncing_ = true;
  if (style_ == csDropDownList) {
    box_->setCurrentIndex(box_->findText(Text(), Qt::MatchFixedString));
  } else {
    box_->setEditText(Text());
    const int exact = box_->findText(Text(), Qt::MatchExactly);
    if (exact != box_->currentIndex()) {
      box_->setCurrentIndex(exact);
      box_->setEditText(Text());
    }
  }
  syncing_ = false;
}

int TComboBox::ItemIndex() const { return box_->currentIndex(); }

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= box_->count()) index = -1;
  syncing_ = true;
  box_->setCurrentIndex(index);
  if (index < 0 && box_->isEditable()) box_->setEditText(QString());
  syncing_ = false;
  SyncText();
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  style_ = style;
  syncing_ = true;
  box_->setEditable(style != csDropDownList);
  syncing_ = false;
  if (box_->lineEdit()) box_->lineEdit()->installEventFilter(this);
}

int TComboBox::DropDownCount() const { return box_->maxVisibleItems(); }
void TComboBox::SetDropDownCount(int count) { box_->setMaxVisibleItems(std::max(count, 1)); }
bool TComboBox::DroppedDown() const { return box_->view()->isVisible(); }

void TComboBox::SetDroppedDown(bool down) {
  if (down)
    box_->showPopup();
  else
    box_->hidePopup();
}

void TComboBox::Clear() {
  items_->Clear();
  SetText(QString());
}

// ---- TListBox ----

int TListBoxItems::Count() const { return list_->count(); }
void TListBoxItems::Clear() { list_->clear(); }
QString TListBoxItems::Get(int index) const { return list_->item(index)->text(); }
void TListBoxItems::Put(int index, const QString& s) { list_->item(index)->setText(s); }
void* TListBoxItems::GetObject(int index) const {
  return reinterpret_cast<void*>(list_->item(index)->data(Qt::UserRole).value<quintptr>());
}
void TListBoxItems::PutObject(int index, void* object) {
  list_->item(index)->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
}
void TListBoxItems::InsertItem(int index, const QString& s, void* object) {
  auto* item = new QListWidgetItem(s);
  item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
  list_->insertItem(index, item);
}
void TListBoxItems::DeleteItem(int index) { delete list_->takeItem(index); }
void TListBoxItems::SetUpdateState(bool updating) { list_->setUpdatesEnabled(!updating); }

TListBox::TListBox(TComponent* owner)
    : TWidgetHost(owner), list_(new QListWidget), items_(std::make_unique<TListBoxItems>(list_)) {
  SetInner(list_, list_);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  // A choice made with the keyboard clicks, as on the host; mouse clicks
  // come through the control's own click.
  QObject::connect(list_, &QListWidget::currentRowChanged, this, [this](int) {
    if (key_down_) CallGuarded(this, [&] { Click(); });
  });
}

TListBox::~TListBox() = default;

bool TListBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) key_down_ = true;
  if (watched == list_ && event->type() == QEvent::KeyRelease) key_down_ = false;
  return TWidgetHost::eventFilter(watched, event);
}

int TListBox::ItemIndex() const { return list_->currentRow(); }

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= list_->count()) index = -1;
  if (index < 0) {
    list_->clearSelection();
    list_->setCurrentRow(-1, QItemSelectionModel::Clear);
    return;
  }
  list_->setCurrentRow(index,
                       multi_select_ ? QItemSelectionModel::Current : QItemSelectionModel::ClearAndSelect);
}

void TListBox::SetMultiSelect(bool multi) {
  multi_select_ = multi;
  list_->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= list_->count()) throw EListError("List index out of bounds");
  return list_->item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= list_->count()) throw EListError("List index out of bounds");
  if (!multi_select_ && selected) {
    SetItemIndex(index);
    return;
  }
  list_->item(index)->setSelected(selected);
}

int TListBox::SelCount() const { return multi_select_ ? int(list_->selectedItems().size()) : -1; }

int TListBox::TopIndex() const {
  const QModelIndex top = list_->indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(int index) {
  if (index >= 0 && index < list_->count())
    list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
}

int TListBox::ItemHeight() const {
  return list_->count() ? list_->visualItemRect(list_->item(0)).height() : list_->fontMetrics().height();
}

int TListBox::ItemAtPos(TPoint p, bool existing) const {
  const QPoint local = list_->viewport()->mapFrom(this, QPoint(p.X, p.Y));
  const QModelIndex index = list_->indexAt(local);
  if (index.isValid()) return index.row();
  return existing ? -1 : list_->count();
}

TRect TListBox::ItemRect(int index) const {
  if (index < 0 || index >= list_->count()) return {};
  const QRect r = list_->visualItemRect(list_->item(index));
  const QPoint at = list_->viewport()->mapTo(this, r.topLeft());
  return Bounds(at.x(), at.y(), r.width(), r.height());
}

// ---- TGroupBox ----

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 105);
  SetTabStop(false);
}

TRect TGroupBox::ClientRect() const {
  TBitmap scratch;
  scratch.SetWidth(1);
  scratch.SetHeight(1);
  scratch.Canvas().SetFont(*Font());
  const int text_height = scratch.Canvas().TextHeight(QStringLiteral("0"));
  TRect r = Rect(0, 0, Width(), Height());
  r.Top += text_height;
  r.Left += 2;
  r.Right -= 2;
  r.Bottom -= 2;
  return r;
}

void TGroupBox::Paint() {
  TCanvas& canvas = *Canvas();
  canvas.SetFont(*Font());
  const int text_height = canvas.TextHeight(QStringLiteral("0"));
  TRect frame = Rect(0, text_height / 2 - 1, Width(), Height());
  DrawEdge(canvas, frame, EDGE_ETCHED, BF_RECT);
  if (Caption().isEmpty()) return;
  TRect text = Rect(8, 0, 8, text_height);
  DrawText(canvas, Caption(), text, DT_SINGLELINE | DT_CALCRECT);
  text.Right += 2;
  canvas.Brush().SetColor(Color());
  canvas.Brush().SetStyle(bsSolid);
  canvas.FillRect(Rect(text.Left - 1, text.Top, text.Right + 1, text.Bottom));
  canvas.Brush().SetStyle(bsClear);
  text.Left += 1;
  if (!Enabled()) canvas.Font().SetColor(clGrayText);
  DrawText(canvas, Caption(), text, DT_SINGLELINE);
}
