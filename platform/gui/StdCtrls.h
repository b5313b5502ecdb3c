#pragma once
// The host's standard controls: label, edit, memo, button, check box,
// radio button, combo box, list box and group box. Labels and group boxes
// paint themselves through the canvas (the same pixels on every machine);
// the others show a Qt widget inside the control (WidgetHost.h).
//
// Events follow the host: OnChange of edits and memos fires for every change
// of the text, typed or set; a check box's OnClick fires whenever Checked
// changes; a combo box's OnChange and a list box's OnClick fire only for the
// user's choices.

#include <QString>
#include <functional>
#include <memory>

#include "platform/gui/Strings.h"
#include "platform/gui/WidgetHost.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TLabel : public TGraphicControl {
  Q_OBJECT

 public:
  explicit TLabel(TComponent* owner = nullptr);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool wrap);
  // AutoSize (on by default) fits the bounds to the caption.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool autoSize);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool show);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* control) { focus_control_ = control; }

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  unsigned DrawFlags() const;
  void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool auto_size_ = true;
  bool transparent_ = false;
  bool show_accel_char_ = true;
  TWinControl* focus_control_ = nullptr;
};

class TEdit : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TEdit(TComponent* owner = nullptr);
  QLineEdit* LineEdit() const { return edit_; }

  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int length);
  QChar PasswordChar() const { return password_char_; }
  void SetPasswordChar(QChar c);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase charCase);
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  QString SelText() const;
  void SetSelText(const QString& text);
  void SelectAll();
  void Clear() { SetText(QString()); }

  std::function<void(TControl*)> OnChange;

 protected:
  virtual void Change();
  void TextChanged() override;

 private:
  QLineEdit* edit_;
  int max_length_ = 0;
  QChar password_char_;
  TEditCharCase char_case_ = ecNormal;
  bool modified_ = false;
  bool syncing_ = false;
};

class TMemo;

// A memo's lines, read from and written to its text.
class TMemoLines final : public TStrings {
 public:
  explicit TMemoLines(TMemo* memo) : memo_(memo) {}
  int Count() const override;
  void Clear() override;

 protected:
  QString Get(int index) const override;
  void Put(int index, const QString& s) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override;

 private:
  TMemo* memo_;
};

class TMemo : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TMemo(TComponent* owner = nullptr);
  ~TMemo() override;
  QPlainTextEdit* TextEdit() const { return edit_; }

  TStrings* Lines() { return lines_.get(); }
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool wrap);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle style);
  TAlignment Alignment() const { return taLeftJustify; }
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  QString SelText() const;
  void SelectAll();
  void Clear() { SetText(QString()); }

  std::function<void(TControl*)> OnChange;

 protected:
  virtual void Change();
  void TextChanged() override;

 private:
  friend class TMemoLines;
  // The document's lines (a trailing line break makes no extra line).
  QStringList DocumentLines() const;
  void SetDocumentLines(const QStringList& lines);
  QPlainTextEdit* edit_;
  std::unique_ptr<TMemoLines> lines_;
  TScrollStyle scroll_bars_ = ssNone;
  bool word_wrap_ = true;
  bool modified_ = false;
  bool syncing_ = false;
};

class TButton : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TButton(TComponent* owner = nullptr);
  QPushButton* PushButton() const { return button_; }

  // Default: Enter in the form clicks it; Cancel: Esc does.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  // Clicking sets the form's ModalResult to this (when not mrNone).
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  void Click() override;

 protected:
  void TextChanged() override;

 private:
  QPushButton* button_;
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
};

class TCheckBox : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TCheckBox(TComponent* owner = nullptr);
  QCheckBox* CheckBox() const { return box_; }

  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool allow);

 protected:
  void TextChanged() override;

 private:
  QCheckBox* box_;
  TCheckBoxState state_ = cbUnchecked;
  bool allow_grayed_ = false;
  bool syncing_ = false;
};

// Radio buttons with the same parent form one group: checking one clears
// the others.
class TRadioButton : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TRadioButton(TComponent* owner = nullptr);
  QRadioButton* RadioButton() const { return button_; }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 protected:
  void TextChanged() override;

 private:
  QRadioButton* button_;
  bool checked_ = false;
  bool syncing_ = false;
};

class TComboBox;
class TListBox;

// The items of a combo box or list box, kept by the Qt widget.
class TComboItems final : public TStrings {
 public:
  explicit TComboItems(QComboBox* box) : box_(box) {}
  int Count() const override;
  void Clear() override;

 protected:
  QString Get(int index) const override;
  void Put(int index, const QString& s) override;
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;

 private:
  QComboBox* box_;
};

class TComboBox : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TComboBox(TComponent* owner = nullptr);
  ~TComboBox() override;
  QComboBox* Combo() const { return box_; }

  TStrings* Items() { return items_.get(); }
  int ItemIndex() const;
  void SetItemIndex(int index);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  int DropDownCount() const;
  void SetDropDownCount(int count);
  bool DroppedDown() const;
  void SetDroppedDown(bool down);
  void Clear();

  // The user chose an item or edited the text.
  std::function<void(TControl*)> OnChange;
  // The user chose an item from the list.
  std::function<void(TControl*)> OnSelect;

 protected:
  void TextChanged() override;

 private:
  void SyncText();
  QComboBox* box_;
  std::unique_ptr<TComboItems> items_;
  TComboBoxStyle style_ = csDropDown;
  bool syncing_ = false;
};

class TListBoxItems final : public TStrings {
 public:
  explicit TListBoxItems(QListWidget* list) : list_(list) {}
  int Count() const override;
  void Clear() override;

 protected:
  QString Get(int index) const override;
  void Put(int index, const QString& s) override;
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override;

 private:
  QListWidget* list_;
};

class TListBox : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TListBox(TComponent* owner = nullptr);
  ~TListBox() override;
  QListWidget* ListWidget() const { return list_; }

  TStrings* Items() { return items_.get(); }
  // The focused item (the selected one without MultiSelect), -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool multi);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int SelCount() const;
  int TopIndex() const;
  void SetTopIndex(int index);
  int ItemHeight() const;
  // The item at the point (control coordinates); with `existing` false a
  // point below the last item gives Count.
  int ItemAtPos(TPoint p, bool existing) const;
  TRect ItemRect(int index) const;
  void Clear() { items_->Clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QListWidget* list_;
  bool key_down_ = false;
  std::unique_ptr<TListBoxItems> items_;
  bool multi_select_ = false;
};

// A frame with a caption that holds other controls.
class TGroupBox : public TCustomControl {
  Q_OBJECT

 public:
  explicit TGroupBox(TComponent* owner = nullptr);
  TRect ClientRect() const override;

 protected:
  void Paint() override;
};
