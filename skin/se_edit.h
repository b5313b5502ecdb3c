#pragma once
// TSeCustomEdit: the skin library's single-line edit. It does all editing
// itself on TSeEditCore (text, caret, selection, undo) and draws text,
// selection, caret and password glyphs in painting steps that skinned
// wrappers override: the text line (GetEditRect), its background
// (PaintEditBackground) and the context menu's factories.

#include <QTimer>
#include <functional>
#include <memory>

#include "skin/se_controls.h"
#include "skin/se_editcore.h"
#include "skin/se_formoptions.h"

class TSeCustomItem;
class TSeCustomPopupMenu;

class TSeCustomEdit : public TSeCustomControl, protected TSeEditHost {
 public:
  explicit TSeCustomEdit(TComponent* owner = nullptr);
  ~TSeCustomEdit() override;

  // The content (the control's inherited Text is not it).
  QString Text() const { return core_.Text(); }
  void SetText(const QString& text);

  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  TEditCharCase CharCase() const { return core_.CharCase(); }
  void SetCharCase(TEditCharCase value) { core_.SetCharCase(value); }
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool value);
  int MaxLength() const { return core_.MaxLength(); }
  void SetMaxLength(int value) { core_.SetMaxLength(value); }
  bool ReadOnly() const { return core_.ReadOnly(); }
  void SetReadOnly(bool value) { core_.SetReadOnly(value); }
  QChar PasswordWideChar() const { return password_char_; }
  void SetPasswordWideChar(QChar value);
  TPasswordKind PasswordKind() const { return core_.PasswordKind(); }
  void SetPasswordKind(TPasswordKind value) { core_.SetPasswordKind(value); }
  TAlignment TextAlignment() const { return core_.Alignment(); }
  void SetTextAlignment(TAlignment value) { core_.SetAlignment(value); }
  TSePopupMenuOptions* ContextMenuOptions() const { return context_menu_options_.get(); }
  // Replaces crDefault by the I-beam.
  void SetCursor(TCursor cursor);

  std::function<void(TControl*)> OnChange;

  // Editing, as the keys and menu do it.
  int CaretIndex() const { return core_.CaretIndex(); }
  void SetCaretIndex(int index) { core_.SetCaretIndex(index); }
  int SelStart() const { return core_.SelStart(); }
  void SetSelStart(int index) { core_.SetSelStart(index); }
  int SelLength() const { return core_.SelLength(); }
  void SetSelLength(int length) { core_.SetSelLength(length); }
  QString SelText() const { return core_.SelText(); }
  void SelectAll() { core_.SelectAll(); }
  void SelectWord() { core_.SelectWord(); }
  void ReplaceSelection(const QString& text) { core_.ReplaceSelection(text); }
  void TypeChar(QChar c) { core_.TypeChar(c); }
  void DeleteSelection() { core_.DeleteSelection(); }
  void InsertText(int pos, const QString& text, bool select) { core_.InsertText(pos, text, select); }
  void DeleteText(int pos, int count, bool select) { core_.DeleteText(pos, count, select); }
  bool Undo() { return core_.Undo(); }
  bool CanUndo() const { return core_.CanUndo(); }
  void CopyToClipboard() { core_.CopyToClipboard(); }
  void CutToClipboard() { core_.CutToClipboard(); }
  void PasteFromClipboard() { core_.PasteFromClipboard(); }
  int FirstVisible() const { return core_.FirstVisible(); }
  int CharToX(int index) { return core_.CharToX(index); }
  int CharFromX(int x) { return core_.CharFromX(x); }

  // The text line: text, caret, selection and hit tests live in it.
  virtual TRect GetEditRect() const;
  // The context menu, built on first use (null until then).
  // Made on first use; null before.
  TSeCustomPopupMenu* ContextMenu() const { return context_menu_; }
  // Builds and enables the context menu; shows it at the screen point.
  void PopupContextMenu(int screenX, int screenY);
  // Whether the caret shows now (focused and in the on phase of its blink).
  bool CaretShown() const { return caret_shown_ && caret_on_; }

 protected:
  void Loaded() override;
  // The height that fits the font and the border.
  virtual bool CanAutoSize(int& newHeight);
  void AdjustSize();
  void PaintBackground() override;
  void BorderChanged() override;
  virtual int GetPasswordCharWidth();
  virtual TRect GetSelectionRect();
  virtual void PaintText();
  virtual void PaintEditBackground(const TRect& rect, TCanvas& canvas);
  virtual void PaintSelection();
  virtual void PaintPasswordChar(const TRect& rect, bool selected);
  bool CanChangeText(const QString& text) override;
  // The context menu's factories: the menu (owned by `owner`) and one of
  // its items (owned by the menu's item tree once added).
  virtual TSeCustomPopupMenu* CreatePopupMenu(TComponent* owner);
  virtual TSeCustomItem* CreateMenuItem(TComponent* owner);
  virtual void UpdateContextMenu();
  virtual void ShowCaret();
  virtual void HideCaret();
  // The combo box in its pick-only style draws its own text line.
  virtual bool DrawsOwnTextLine() const { return false; }
  // The content actually changed.
  void Change() override;

  void FocusEnter() override;
  void FocusExit() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(QChar& key) override;
  void TextChanged() override;
  void FontChanged() override;
  void EnabledChanged() override;

  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  // TSeEditHost
  void InvalidateText() override { Invalidate(); }
  void CaretMoved() override;
  TRect EditRect() const override { return GetEditRect(); }
  int MeasureText(const QString& text) override;
  int PasswordCharWidth() override { return GetPasswordCharWidth(); }

  TSeEditCore& Core() { return core_; }
  const TSeEditCore& Core() const { return core_; }
  // Height of a line of text in the drawing font.
  int LineHeight() const;
  TCanvas& MeasureCanvas() const;

 private:
  void RestartCaretBlink();

  TSeEditCore core_;
  bool auto_select_ = true;
  bool auto_size_ = true;
  bool hide_selection_ = true;
  QChar password_char_;
  TSeCustomPopupMenu* context_menu_ = nullptr;
  std::unique_ptr<TSePopupMenuOptions> context_menu_options_;
  std::unique_ptr<TCanvas> measure_;
  bool caret_shown_ = false;
  bool caret_on_ = true;
  QTimer caret_timer_;
  bool syncing_text_ = false;
  TShiftState key_shift_ = 0;  // of the key now pressed
};
