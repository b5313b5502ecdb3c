#include "platform/gui/RichEdit.h"

#include <QFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <map>

#include "platform/core/AtomicFile.h"
#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/Printing.h"

namespace {

// Text for RTF: control characters escaped, everything beyond ASCII as a
// Unicode escape with "?" for readers that do not know it.
QByteArray RtfText(const QString& text) {
  QByteArray out;
  for (QChar c : text) {
    const ushort u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += char(u);
    } else if (u == '\t') {
      out += "\\tab ";
    } else if (u >= 0x20 && u < 0x80) {
      out += char(u);
    } else if (u < 0x20) {
      continue;
    } else {
      out += "\\u" + QByteArray::number(static_cast<short>(u)) + '?';
    }
  }
  return out;
}

}  // namespace

// ---- TTextAttributes ----

QTextCharFormat TTextAttributes::Current() const {
  if (whole_) {
    QTextCursor cursor(edit_->Document());
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat format = cursor.charFormat();
    if (edit_->Document()->isEmpty()) format = edit_->edit_->currentCharFormat();
    return format;
  }
  return edit_->edit_->currentCharFormat();
}

void TTextAttributes::Apply(const QTextCharFormat& format) {
  if (whole_) {
    QTextCursor cursor(edit_->Document());
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(format);
    edit_->edit_->mergeCurrentCharFormat(format);
    return;
  }
  QTextCursor cursor = edit_->edit_->textCursor();
  if (cursor.hasSelection()) cursor.mergeCharFormat(format);
  edit_->edit_->mergeCurrentCharFormat(format);
}

TColor TTextAttributes::Color() const {
  const QTextCharFormat format = Current();
  return format.hasProperty(QTextFormat::ForegroundBrush) ? QColorToColor(format.foreground().color())
                                                          : edit_->Font()->Color();
}

void TTextAttributes::SetColor(TColor color) {
  QTextCharFormat format;
  format.setForeground(ColorToQColor(color));
  Apply(format);
}

QString TTextAttributes::Name() const {
  const QStringList families = Current().fontFamilies().toStringList();
  return families.isEmpty() ? edit_->Font()->Name() : families.first();
}

void TTextAttributes::SetName(const QString& name) {
  QTextCharFormat format;
  format.setFontFamilies({MapFontName(name)});
  Apply(format);
}

int TTextAttributes::Size() const {
  const double points = Current().fontPointSize();
  return points > 0 ? qRound(points) : edit_->Font()->Size();
}

void TTextAttributes::SetSize(int points) {
  QTextCharFormat format;
  format.setFontPointSize(points);
  Apply(format);
}

TFontStyles TTextAttributes::Style() const {
  const QTextCharFormat format = Current();
  TFontStyles style = 0;
  if (format.fontWeight() >= QFont::Bold) style |= fsBold;
  if (format.fontItalic()) style |= fsItalic;
  if (format.fontUnderline()) style |= fsUnderline;
  if (format.fontStrikeOut()) style |= fsStrikeOut;
  return style;
}

void TTextAttributes::SetStyle(TFontStyles style) {
  QTextCharFormat format;
  format.setFontWeight(style & fsBold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(style & fsItalic);
  format.setFontUnderline(style & fsUnderline);
  format.setFontStrikeOut(style & fsStrikeOut);
  Apply(format);
}

void TTextAttributes::Assign(const TFont& font) {
  QTextCharFormat format;
  format.setForeground(ColorToQColor(font.Color()));
  format.setFontFamilies({MapFontName(font.Name())});
  format.setFontPointSize(font.Size());
  format.setFontWeight(font.Style() & fsBold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(font.Style() & fsItalic);
  format.setFontUnderline(font.Style() & fsUnderline);
  format.setFontStrikeOut(font.Style() & fsStrikeOut);
  Apply(format);
}

// ---- TRichEditLines ----

int TRichEditLines::Count() const { return static_cast<int>(edit_->DocumentLines().size()); }
void TRichEditLines::Clear() { edit_->Clear(); }
QString TRichEditLines::Get(int index) const { return edit_->DocumentLines().at(index); }

void TRichEditLines::Put(int index, const QString& s) {
  QTextCursor cursor(edit_->Document()->findBlockByNumber(index));
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(s);
}

void TRichEditLines::InsertItem(int index, const QString& s, void*) {
  QTextDocument* document = edit_->Document();
  const QTextCharFormat format = edit_->edit_->currentCharFormat();
  const int count = Count();
  QTextCursor cursor(document);
  if (index >= count) {
    // A paragraph at the end: the document's last block is the empty one
    // after the last line break (or the only block of an empty text).
    cursor.movePosition(QTextCursor::End);
    if (!cursor.block().text().isEmpty()) cursor.insertBlock();
    cursor.insertText(s, format);
    cursor.insertBlock();
  } else {
    cursor = QTextCursor(document->findBlockByNumber(index));
    cursor.insertText(s, format);
    cursor.insertBlock();
  }
  // The insertion point stays at the end with the attributes it had.
  if (index >= count) {
    QTextCursor caret = edit_->edit_->textCursor();
    caret.movePosition(QTextCursor::End);
    edit_->edit_->setTextCursor(caret);
    edit_->edit_->setCurrentCharFormat(format);
  }
}

void TRichEditLines::DeleteItem(int index) {
  QTextCursor cursor(edit_->Document()->findBlockByNumber(index));
  cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

void TRichEditLines::SetUpdateState(bool updating) { edit_->edit_->setUpdatesEnabled(!updating); }

void TRichEditLines::SaveToFile(const QString& fileName) const {
  if (edit_->PlainText()) {
    TStrings::SaveToFile(fileName);
    return;
  }
  const QByteArray rtf = edit_->ToRtf();
  WriteFileAtomically(fileName.toStdString(),
                      std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size())));
}

// ---- TRichEdit ----

TRichEdit::TRichEdit(TComponent* owner)
    : TWidgetHost(owner),
      edit_(new QTextEdit),
      lines_(std::make_unique<TRichEditLines>(this)),
      sel_attributes_(this, false),
      def_attributes_(this, true) {
  edit_->setAcceptRichText(false);
  SetInner(edit_, edit_);
  SetColor(clWindow);
  SetBounds(0, 0, 185, 89);
  SetScrollBars(ssBoth);
  edit_->setCurrentCharFormat([this] {
    QTextCharFormat format;
    format.setForeground(ColorToQColor(Font()->Color()));
    return format;
  }());
  QObject::connect(edit_, &QTextEdit::textChanged, this, [this] {
    if (syncing_) return;
    syncing_ = true;
    TControl::SetText(edit_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    syncing_ = false;
  });
}

TRichEdit::~TRichEdit() = default;

QTextDocument* TRichEdit::Document() const { return edit_->document(); }

QStringList TRichEdit::DocumentLines() const {
  QString text = edit_->toPlainText();
  if (text.isEmpty()) return {};
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text.split(QLatin1Char('\n'));
}

void TRichEdit::TextChanged() {
  if (!syncing_) {
    syncing_ = true;
    QString text = Text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (edit_->toPlainText() != text) edit_->setPlainText(text);
    syncing_ = false;
  }
  CallGuarded(this, [&] {
    if (OnChange) OnChange(this);
  });
}

bool TRichEdit::ReadOnly() const { return edit_->isReadOnly(); }
void TRichEdit::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void TRichEdit::SetWordWrap(bool wrap) {
  word_wrap_ = wrap;
  edit_->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void TRichEdit::SetScrollBars(TScrollStyle style) {
  scroll_bars_ = style;
  const bool v = style == ssVertical || style == ssBoth;
  const bool h = style == ssHorizontal || style == ssBoth;
  edit_->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  edit_->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int TRichEdit::SelStart() const { return edit_->textCursor().selectionStart(); }

void TRichEdit::SetSelStart(int start) {
  QTextCursor cursor = edit_->textCursor();
  const QTextCharFormat format = edit_->currentCharFormat();
  cursor.setPosition(std::clamp(start, 0, Document()->characterCount() - 1));
  edit_->setTextCursor(cursor);
  // At the very end the insertion point keeps the attributes last set there.
  if (cursor.atEnd()) edit_->setCurrentCharFormat(format);
}

int TRichEdit::SelLength() const {
  const QTextCursor cursor = edit_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void TRichEdit::SetSelLength(int length) {
  QTextCursor cursor = edit_->textCursor();
  const int start = cursor.selectionStart();
  cursor.setPosition(start);
  cursor.setPosition(std::clamp(start + length, 0, Document()->characterCount() - 1),
                     QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
}

QString TRichEdit::SelText() const {
  return edit_->textCursor().selectedText().replace(QChar(0x2029), QStringLiteral("\r\n"));
}

void TRichEdit::SelectAll() { edit_->selectAll(); }

void TRichEdit::Clear() {
  const QTextCharFormat format = edit_->currentCharFormat();
  edit_->clear();
  edit_->setCurrentCharFormat(format);
}

QByteArray TRichEdit::ToRtf() const {
  // Tables of the fonts and colours the runs use, in order of appearance.
  std::map<QString, int> fonts;
  std::vector<QString> font_order;
  std::map<QRgb, int> colors;
  std::vector<QColor> color_order;
  const QString default_font = MapFontName(Font()->Name());
  auto font_index = [&](const QString& name) {
    auto [it, added] = fonts.emplace(name, static_cast<int>(font_order.size()));
    if (added) font_order.push_back(name);
    return it->second;
  };
  auto color_index = [&](const QColor& color) {
    auto [it, added] = colors.emplace(color.rgb(), static_cast<int>(color_order.size()) + 1);
    if (added) color_order.push_back(color);
    return it->second;
  };
  font_index(default_font);
  QByteArray body;
  for (QTextBlock block = Document()->begin(); block.isValid(); block = block.next()) {
    const bool last = !block.next().isValid();
    // The empty block after the final line break is no paragraph.
    if (last && block.text().isEmpty() && block != Document()->begin()) break;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat format = fragment.charFormat();
      const QStringList families = format.fontFamilies().toStringList();
      const QString family = families.isEmpty() ? default_font : families.first();
      const QColor color = format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                                            : ColorToQColor(Font()->Color());
      const double points = format.fontPointSize() > 0 ? format.fontPointSize() : Font()->Size();
      body += "\\plain\\f" + QByteArray::number(font_index(family)) + "\\fs" +
              QByteArray::number(qRound(points * 2)) + "\\cf" + QByteArray::number(color_index(color));
      if (format.fontWeight() >= QFont::Bold) body += "\\b";
      if (format.fontItalic()) body += "\\i";
      if (format.fontUnderline()) body += "\\ul";
      if (format.fontStrikeOut()) body += "\\strike";
      body += ' ';
      body += RtfText(fragment.text());
    }
    body += "\\par\r\n";
  }
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
  for (std::size_t i = 0; i < font_order.size(); ++i)
    rtf += "{\\f" + QByteArray::number(static_cast<int>(i)) + "\\fnil\\fcharset0 " + RtfText(font_order[i]) +
           ";}";
  rtf += "}\r\n{\\colortbl ;";
  for (const QColor& c : color_order)
    rtf += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
           QByteArray::number(c.blue()) + ";";
  rtf += "}\r\n\\viewkind4\\uc1\\pard\r\n";
  rtf += body;
  rtf += "}\r\n";
  return rtf;
}

bool TRichEdit::Print(const QString& title) {
  std::unique_ptr<QTextDocument> copy(Document()->clone());
  return Printing().PrintDocument(Printer(), *copy, title);
}
