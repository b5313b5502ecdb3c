#pragma once
// What the skin library's edit knows without a window: its own Unicode text,
// the caret, the selection and the horizontal scroll position, the keys,
// mouse selection, clipboard and undo rules, and the mapping between
// character positions and pixels on the text line. The edit control owns
// one and supplies the measures and the notifications through TSeEditHost.

#include <QHash>
#include <QString>
#include <Qt>

#include "platform/gui/Geometry.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_undo.h"

enum TPasswordKind { pkNone, pkChar, pkRect, pkRoundRect, pkCircle, pkTriangle };

// The Qt key of a host key code and the Qt modifiers of a host shift state:
// the key tables of the edit and the list are written with Qt's names.
int QtKeyFromVirtualKey(int vk);
Qt::KeyboardModifiers ModifiersOf(unsigned shift);

class TSeEditHost {
 public:
  virtual ~TSeEditHost() = default;
  // Asked before the content changes.
  virtual bool CanChangeText(const QString&) { return true; }
  // The content changed.
  virtual void Change() {}
  virtual void InvalidateText() {}
  // The caret moved (the control places its caret when focused).
  virtual void CaretMoved() {}
  // The text line in client coordinates.
  virtual TRect EditRect() const = 0;
  // The width of a string in the drawing font.
  virtual int MeasureText(const QString& text) = 0;
  // The width of one password glyph cell (at least 1).
  virtual int PasswordCharWidth() = 0;
};

class TSeEditCore : private TSeUndoTarget {
 public:
  explicit TSeEditCore(TSeEditHost& host);

  // The content. Setting it from code drops the undo history: its records
  // name positions in the old text.
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  int Length() const { return static_cast<int>(text_.size()); }

  int CaretIndex() const { return caret_; }
  void SetCaretIndex(int index);
  int SelStart() const;
  int SelLength() const { return sel_length_ < 0 ? -sel_length_ : sel_length_; }
  int SignedSelLength() const { return sel_length_; }
  int Anchor() const { return anchor_; }
  void SetSelStart(int index);
  void SetSelLength(int length);
  QString SelText() const;
  // The selected characters from the first visible one on.
  QString VisibleSelText();
  void SelectAll();
  void SelectWord();
  int FirstVisible() const { return first_visible_; }

  void ReplaceSelection(const QString& text);
  void TypeChar(QChar c) { ReplaceSelection(QString(c)); }
  void DeleteSelection();
  // Undo's own editing: nothing recorded.
  void InsertText(int pos, const QString& text, bool select) override;
  void DeleteText(int pos, int count, bool select) override;
  bool Undo();
  bool CanUndo() const { return !undo_.Empty(); }
  const TEditActionStack& UndoStack() const { return undo_; }

  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  int NextWordPos(int index) const;
  int PrevWordPos(int index) const;

  // Keys: true when the key was one the edit acts on.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
  // Typed text (characters below 32 are ignored).
  void KeyPress(const QString& text);

  void MouseDown(int x, bool leftButton);
  void MouseMove(int x);
  void MouseUp() { mouse_selecting_ = false; }
  void DoubleClick();
  bool MouseSelecting() const { return mouse_selecting_; }

  int CharToX(int index);
  int CharFromX(int x);
  void ScrollToCaret();
  // The selection's part of the text line.
  TRect SelectionRect();
  // The characters that can show on the text line from the first visible
  // one on (a little more than fits, never the whole of a huge text).
  QString VisibleText();

  // Options.
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase value);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value) { max_length_ = value; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  TPasswordKind PasswordKind() const { return password_kind_; }
  void SetPasswordKind(TPasswordKind kind);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  // The drawing font changed: widths are measured anew.
  void FontChanged() { widths_.clear(); }

  // Applies the case option to a text.
  static QString ConvertCase(const QString& text, TEditCharCase charCase);

 private:
  // The setter's path without dropping the undo history.
  bool StoreText(const QString& text);
  int CharWidth(int index);  // of the character at 0-based index
  int WidthOf(int from, int to, int limit);  // [from, to), stops past limit
  int FullWidth(int limit);
  int AlignShift();

  TSeEditHost& host_;
  QString text_;
  bool mouse_selecting_ = false;
  int caret_ = 0;
  int anchor_ = 0;
  int sel_length_ = 0;
  int first_visible_ = 1;
  TEditCharCase char_case_ = ecNormal;
  int max_length_ = 0;
  bool read_only_ = false;
  TPasswordKind password_kind_ = pkNone;
  TAlignment alignment_ = taLeftJustify;
  TEditActionStack undo_;
  QHash<char32_t, int> widths_;
};
