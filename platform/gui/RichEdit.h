#pragma once
// TRichEdit: text with colours, fonts and styles per run, as the burn log
// uses it: move the caret to the end, set SelAttributes, add a line; save
// the result as RTF (written here, read by any RTF reader) or as plain
// text; print it through the print service.
//
// Lines->Add appends a paragraph in the attributes of the insertion point,
// so a caller that set SelAttributes at the end colours what it adds.
// Reading RTF is not supported: LoadFromFile reads plain text.

#include <QColor>
#include <QString>
#include <functional>
#include <memory>

#include "platform/gui/StdCtrls.h"
#include "platform/gui/Strings.h"
#include "platform/gui/WidgetHost.h"

class QTextCharFormat;
class QTextDocument;
class QTextEdit;
class TRichEdit;

// The character attributes of a rich edit's selection (or of its insertion
// point when nothing is selected), or of the whole text (DefAttributes).
class TTextAttributes {
 public:
  TColor Color() const;
  void SetColor(TColor color);
  QString Name() const;
  void SetName(const QString& name);
  int Size() const;  // points
  void SetSize(int points);
  TFontStyles Style() const;
  void SetStyle(TFontStyles style);
  // Takes colour, name, size and style from a font.
  void Assign(const TFont& font);

 private:
  friend class TRichEdit;
  TTextAttributes(TRichEdit* edit, bool whole) : edit_(edit), whole_(whole) {}
  QTextCharFormat Current() const;
  void Apply(const QTextCharFormat& format);
  TRichEdit* edit_;
  bool whole_;
};

class TRichEditLines final : public TStrings {
 public:
  explicit TRichEditLines(TRichEdit* edit) : edit_(edit) {}
  int Count() const override;
  void Clear() override;
  // RTF unless the rich edit's PlainText is set.
  void SaveToFile(const QString& fileName) const override;

 protected:
  QString Get(int index) const override;
  void Put(int index, const QString& s) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override;

 private:
  TRichEdit* edit_;
};

class TRichEdit : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TRichEdit(TComponent* owner = nullptr);
  ~TRichEdit() override;
  QTextEdit* TextEdit() const { return edit_; }
  QTextDocument* Document() const;

  TStrings* Lines() { return lines_.get(); }
  TTextAttributes* SelAttributes() { return &sel_attributes_; }
  TTextAttributes* DefAttributes() { return &def_attributes_; }
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  bool PlainText() const { return plain_text_; }
  void SetPlainText(bool plain) { plain_text_ = plain; }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool wrap);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle style);
  // Caret and selection as character offsets; a line break counts as one
  // character (the rich edit's own count). Positions past the end mean the
  // end.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  QString SelText() const;
  void SelectAll();
  void Clear();

  // The whole text as RTF.
  QByteArray ToRtf() const;
  // Prints the text on the program's printer with `title` as the job name;
  // false when the printer could not start.
  bool Print(const QString& title);

  std::function<void(TControl*)> OnChange;

 protected:
  void TextChanged() override;

 private:
  friend class TRichEditLines;
  friend class TTextAttributes;
  QStringList DocumentLines() const;

  QTextEdit* edit_;
  std::unique_ptr<TRichEditLines> lines_;
  TTextAttributes sel_attributes_;
  TTextAttributes def_attributes_;
  TScrollStyle scroll_bars_ = ssBoth;
  bool plain_text_ = false;
  bool word_wrap_ = true;
  bool syncing_ = false;
};
