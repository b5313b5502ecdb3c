#pragma once
// TSeCustomComboBox: the library's edit with a drop-down button and a
// drop-down list, the library's own list box shown in a borderless popup
// window (TSeComboWindow). Two styles: an editable text with suggestions
// that can complete typed text from the list, and a pick-only list whose
// text line shows the chosen item as the list draws it.

#include <QPointer>
#include <functional>

#include "platform/gui/Forms.h"
#include "platform/gui/Timer.h"
#include "skin/se_edit.h"
#include "skin/se_listbox.h"

enum TSeComboStyle { kcsDropDown, kcsDropDownList };
enum TSeComboButtonAlign { cbaLeft, cbaRight };

class TSeCustomComboBox;

// The popup window that holds the open list; it never takes activation
// from the form, and closes when the user clicks elsewhere.
class TSeComboWindow : public TCustomForm {
 public:
  explicit TSeComboWindow(TSeCustomComboBox* combo);
  TSeCustomComboBox* Combo() const { return combo_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Escape, Enter and Space before the list sees them; true when taken.
  bool Key(int qtKey);
  QPointer<TSeCustomComboBox> combo_;
};

class TSeCustomComboBox : public TSeCustomEdit {
 public:
  explicit TSeCustomComboBox(TComponent* owner = nullptr);
  ~TSeCustomComboBox() override;
  void Init() override;

  // In the pick-only style the current item's string, else the content.
  QString Text() const;
  void SetText(const QString& text) { TSeCustomEdit::SetText(text); }

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int value);
  TSeComboStyle ComboStyle() const { return style_; }
  void SetComboStyle(TSeComboStyle value);
  TSeComboButtonAlign ButtonAlign() const { return button_align_; }
  void SetButtonAlign(TSeComboButtonAlign value);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int value) { drop_down_count_ = value; }
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value) { item_height_ = value; }
  bool AutoComplete() const { return auto_complete_; }
  void SetAutoComplete(bool value) { auto_complete_ = value; }

  // Forwarded to the list.
  TVexListBoxItems* Items() const { return list_ ? list_->Items() : nullptr; }
  void SetItems(const QStringList& items);
  bool Flat() const { return list_ && list_->Flat(); }
  void SetFlat(bool value);
  TSeListBoxStyle ListStyle() const { return list_ ? list_->ListStyle() : lbStandard; }
  void SetListStyle(TSeListBoxStyle value);
  bool ShowCheckBoxes() const { return list_ && list_->ShowCheckBoxes(); }
  void SetShowCheckBoxes(bool value);
  bool Sorted() const { return list_ && list_->Sorted(); }
  void SetSorted(bool value);
  bool WordWrap() const { return list_ && list_->WordWrap(); }
  void SetWordWrap(bool value);
  TSeCustomListBox* ListBox() const { return list_; }

  std::function<void(TControl*)> OnDropDown;
  std::function<void(TControl*)> OnCloseUp;
  std::function<void(TControl*)> OnListBoxClick;
  std::function<void(TControl*, int itemIndex, const QString& text, bool& allow)> OnAllowChange;

  virtual void DropDown();
  virtual void CloseUp();
  // Closes an open list (the form frame calls it for a click on a frame).
  void CloseActiveDropDown();
  bool DroppedDown() const { return window_ && window_->isVisible(); }
  TSeComboWindow* DropDownWindow() const { return window_; }
  TRect GetEditRect() const override;
  TRect GetButtonRect() const;
  bool ButtonHot() const { return button_hot_; }
  bool ButtonPressed() const { return button_pressed_; }
  // The completion timer (tests fire it instead of waiting).
  TTimer* AutoCompleteTimer() const { return timer_; }

 protected:
  virtual void ShowList();
  virtual TSeCustomListBox* CreateListBox(TComponent* owner);
  virtual int GetButtonWidth() const { return 15; }
  void PaintEditBackground(const TRect& rect, TCanvas& canvas) override;
  void PaintListItemText(const TRect& rect);
  bool DrawsOwnTextLine() const override { return style_ == kcsDropDownList; }
  void Change() override;
  void Loaded() override;
  void KeyDown(int& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void FocusEnter() override;
  void FocusExit() override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

  void ListBoxClick();
  void DoAutoComplete();

 private:
  friend class TSeComboWindow;
  void UpdateCursor(int x, int y);

  TSeCustomListBox* list_ = nullptr;
  TSeComboButtonAlign button_align_ = cbaRight;
  bool button_hot_ = false;
  bool button_pressed_ = false;
  int drop_down_count_ = 8;
  int item_height_ = 15;
  int item_index_ = -1;
  TSeComboStyle style_ = kcsDropDown;
  bool auto_complete_ = false;
  QString typed_;
  bool busy_ = false;
  TTimer* timer_ = nullptr;
  bool saved_read_only_ = false;
  QPointer<TSeComboWindow> window_;
  int wheel_rest_ = 0;
};

namespace se {
// The combo whose list is open, else null.
TSeCustomComboBox* ActiveDropDownCombo();
// Closes that list, if one is open.
void ActiveDropDownClose();
}  // namespace se
