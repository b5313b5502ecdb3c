#include "skin/se_editcore.h"

#include <QStringView>
#include <algorithm>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Controls.h"

namespace {

bool IsBlank(QChar c) { return c == QLatin1Char(' '); }

}  // namespace

TSeEditCore::TSeEditCore(TSeEditHost& host) : host_(host), undo_(this) {}

QString TSeEditCore::ConvertCase(const QString& text, TEditCharCase charCase) {
  // Full Unicode mapping: a character may become two ("ß" upper-cases to
  // "SS"), and nothing outside a code page is lost.
  switch (charCase) {
    case ecUpperCase: return text.toUpper();
    case ecLowerCase: return text.toLower();
    case ecNormal: break;
  }
  return text;
}

void TSeEditCore::SetText(const QString& text) {
  undo_.Clear();
  StoreText(text);
}

bool TSeEditCore::StoreText(const QString& text) {
  if (!host_.CanChangeText(text)) return false;
  const QString old = text_;
  text_ = text.isEmpty() ? text : ConvertCase(text, char_case_);
  // The caret and the selection stay where they were, but never past the end.
  const int length = Length();
  caret_ = std::clamp(caret_, 0, length);
  anchor_ = std::clamp(anchor_, 0, length);
  sel_length_ = std::clamp(anchor_ + sel_length_, 0, length) - anchor_;
  host_.InvalidateText();
  if (text_ != old) host_.Change();
  return true;
}

void TSeEditCore::SetCharCase(TEditCharCase value) {
  if (value == char_case_) return;
  char_case_ = value;
  if (!text_.isEmpty()) SetText(text_);
}

void TSeEditCore::SetPasswordKind(TPasswordKind kind) {
  password_kind_ = kind;
  host_.InvalidateText();
}

void TSeEditCore::SetAlignment(TAlignment value) {
  alignment_ = value;
  host_.InvalidateText();
}

int TSeEditCore::SelStart() const {
  if (sel_length_ > 0) return anchor_;
  if (sel_length_ == 0) return caret_;
  return anchor_ + sel_length_;
}

void TSeEditCore::SetCaretIndex(int index) {
  caret_ = std::clamp(index, 0, Length());
  ScrollToCaret();
  if (sel_length_ == 0) anchor_ = caret_;
  host_.CaretMoved();
}

void TSeEditCore::SetSelStart(int index) {
  if (index == anchor_) return;
  sel_length_ = 0;
  anchor_ = std::clamp(index, 0, Length());
  SetCaretIndex(index);
  host_.InvalidateText();
}

void TSeEditCore::SetSelLength(int length) {
  length = std::clamp(anchor_ + length, 0, Length()) - anchor_;
  if (length == sel_length_) return;
  sel_length_ = length;
  host_.InvalidateText();
}

QString TSeEditCore::SelText() const { return text_.mid(SelStart(), SelLength()); }

QString TSeEditCore::VisibleSelText() {
  const int from = std::max(SelStart(), first_visible_ - 1);
  const int to = std::min(SelStart() + SelLength(), first_visible_ - 1 + static_cast<int>(VisibleText().size()));
  return to > from ? text_.mid(from, to - from) : QString();
}

void TSeEditCore::SelectAll() {
  SetCaretIndex(Length());
  SetSelStart(0);
  SetSelLength(Length());
  host_.InvalidateText();
}

void TSeEditCore::SelectWord() {
  const int from = PrevWordPos(caret_);
  const int to = std::min(NextWordPos(from), Length());
  // The caret ends at the word's end and the selection runs back from it,
  // so that Shift+arrows go on from there.
  sel_length_ = 0;
  SetCaretIndex(to);
  sel_length_ = from - to;
  host_.InvalidateText();
}

void TSeEditCore::ReplaceSelection(const QString& typed) {
  if (read_only_) return;
  const QString text = ConvertCase(typed, char_case_);
  const int start = SelStart();
  const QString deleted = SelText();
  QString result = text_;
  result.remove(start, deleted.size());
  result.insert(start, text);
  if (max_length_ > 0 && result.size() > max_length_) {
    // Refused whole, and nothing recorded.
    sel_length_ = 0;
    anchor_ = caret_;
    host_.InvalidateText();
    return;
  }
  if (!StoreText(result)) return;
  undo_.PushDelete(start + 1, deleted);
  undo_.PushInsert(start + 1, static_cast<int>(text.size()), !deleted.isEmpty());
  sel_length_ = 0;
  SetCaretIndex(start + static_cast<int>(text.size()));
  anchor_ = caret_;
  host_.InvalidateText();
}

void TSeEditCore::DeleteSelection() {
  if (read_only_) return;
  const int start = SelStart();
  const QString deleted = SelText();
  QString result = text_;
  result.remove(start, deleted.size());
  if (!StoreText(result)) return;
  undo_.PushDelete(start + 1, deleted);
  sel_length_ = 0;
  SetCaretIndex(start);
  host_.InvalidateText();
}

void TSeEditCore::InsertText(int pos, const QString& inserted, bool select) {
  if (read_only_) return;
  QString text = inserted;
  if (max_length_ > 0) text.truncate(std::max(0, max_length_ - Length()));
  pos = std::clamp(pos, 0, Length());
  QString result = text_;
  result.insert(pos, text);
  StoreText(result);
  if (select) {
    // Selected with the caret at its end, as a word is.
    sel_length_ = 0;
    SetCaretIndex(pos + static_cast<int>(text.size()));
    sel_length_ = pos - caret_;
    host_.InvalidateText();
  }
}

void TSeEditCore::DeleteText(int pos, int count, bool select) {
  if (read_only_) return;
  QString result = text_;
  result.remove(std::clamp(pos - 1, 0, Length()), std::max(0, count));
  StoreText(result);
  if (select) {
    sel_length_ = 0;
    anchor_ = -1;  // SetSelStart acts only on a change
    SetSelStart(pos - 1);
  }
}

bool TSeEditCore::Undo() {
  if (read_only_) return false;
  return undo_.Undo();
}

void TSeEditCore::CopyToClipboard() {
  if (password_kind_ != pkNone || SelLength() == 0) return;
  Clipboard().SetText(SelText());
}

void TSeEditCore::CutToClipboard() {
  // A password is deleted without passing through the clipboard.
  if (password_kind_ == pkNone) CopyToClipboard();
  DeleteSelection();
}

void TSeEditCore::PasteFromClipboard() {
  if (read_only_) return;
  ReplaceSelection(Clipboard().Text());
}

int TSeEditCore::NextWordPos(int i) const {
  const int length = Length();
  bool passedWord = false;
  bool blankPending = false;
  while (i + 2 <= length) {
    const QChar c = text_[i];
    if (IsBlank(c)) {
      if (passedWord) blankPending = true;
    } else if (blankPending) {
      break;
    } else {
      passedWord = true;
    }
    ++i;
  }
  return blankPending ? i : i + 1;
}

int TSeEditCore::PrevWordPos(int i) const {
  i = std::min(i, Length());
  bool passedWord = false;
  while (i > 0) {
    if (IsBlank(text_[i - 1])) {
      if (passedWord) break;
    } else {
      passedWord = true;
    }
    --i;
  }
  return i;
}

bool TSeEditCore::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  const bool exactlyCtrl = modifiers == Qt::ControlModifier;
  const bool exactlyShift = modifiers == Qt::ShiftModifier;
  const bool withCtrl = modifiers & Qt::ControlModifier;
  const bool withShift = modifiers & Qt::ShiftModifier;
  const int oldCaret = caret_;
  // A step left or right never stops inside a surrogate pair.
  auto stepLeft = [&](int i) { return i >= 2 && text_[i - 1].isLowSurrogate() && text_[i - 2].isHighSurrogate() ? i - 2 : i - 1; };
  auto stepRight = [&](int i) { return i + 1 < Length() && text_[i].isHighSurrogate() && text_[i + 1].isLowSurrogate() ? i + 2 : i + 1; };
  bool moved = false;
  switch (key) {
    case Qt::Key_C:
      if (!exactlyCtrl) return false;
      CopyToClipboard();
      break;
    case Qt::Key_V:
      if (!exactlyCtrl) return false;
      PasteFromClipboard();
      break;
    case Qt::Key_X:
      if (!exactlyCtrl) return false;
      CutToClipboard();
      break;
    case Qt::Key_Z:
      if (!exactlyCtrl) return false;
      Undo();
      break;
    case Qt::Key_Insert:
      if (exactlyCtrl)
        CopyToClipboard();
      else if (exactlyShift)
        PasteFromClipboard();
      else
        return false;
      break;
    case Qt::Key_Left:
      SetCaretIndex(withCtrl ? PrevWordPos(caret_) : stepLeft(caret_));
      moved = true;
      break;
    case Qt::Key_Right:
      SetCaretIndex(withCtrl ? NextWordPos(caret_) : stepRight(caret_));
      moved = true;
      break;
    case Qt::Key_Home:
      SetCaretIndex(0);
      moved = true;
      break;
    case Qt::Key_End:
      SetCaretIndex(Length());
      moved = true;
      break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
      if (read_only_) break;
      if (SelLength() > 0) {
        if (exactlyShift)
          CutToClipboard();
        else
          DeleteSelection();
        break;
      }
      if (text_.isEmpty()) break;
      if (key == Qt::Key_Backspace) {
        if (caret_ == 0) break;
        const int from = stepLeft(caret_);
        const QString gone = text_.mid(from, caret_ - from);
        QString result = text_;
        result.remove(from, gone.size());
        if (!StoreText(result)) break;
        undo_.PushDelete(from + 1, gone);
        SetCaretIndex(from);
      } else {
        if (caret_ >= Length()) break;
        const int to = stepRight(caret_);
        const QString gone = text_.mid(caret_, to - caret_);
        QString result = text_;
        result.remove(caret_, gone.size());
        if (!StoreText(result)) break;
        undo_.PushDelete(caret_ + 1, gone);
      }
      break;
    }
    default:
      return false;
  }
  if (moved) {
    if (withShift) {
      sel_length_ += oldCaret - caret_;
      anchor_ = caret_;
    } else {
      sel_length_ = 0;
    }
    host_.InvalidateText();
  }
  SetCaretIndex(caret_);
  return true;
}

void TSeEditCore::KeyPress(const QString& text) {
  if (read_only_) return;
  QString typed;
  for (QChar c : text)
    if (c.unicode() >= 32 && c.unicode() != 127) typed += c;
  if (!typed.isEmpty()) ReplaceSelection(typed);
}

void TSeEditCore::MouseDown(int x, bool leftButton) {
  if (!leftButton) return;
  mouse_selecting_ = true;
  sel_length_ = 0;
  SetCaretIndex(CharFromX(x));
  anchor_ = caret_;
  host_.InvalidateText();
}

void TSeEditCore::MouseMove(int x) {
  if (!mouse_selecting_) return;
  const int old = caret_;
  const int index = CharFromX(x);
  // Held right of the line, the view scrolls on by one character a move.
  SetCaretIndex(x > host_.EditRect().Right ? index + 1 : index);
  if (sel_length_ != 0 || caret_ != old) {
    sel_length_ += old - caret_;
    anchor_ = caret_;
  }
  host_.InvalidateText();
}

void TSeEditCore::DoubleClick() {
  mouse_selecting_ = false;
  SelectWord();
}

int TSeEditCore::CharWidth(int index) {
  const QChar c = text_[index];
  char32_t code = c.unicode();
  QString glyph(c);
  if (c.isHighSurrogate() && index + 1 < Length() && text_[index + 1].isLowSurrogate()) {
    code = QChar::surrogateToUcs4(c, text_[index + 1]);
    glyph += text_[index + 1];
  } else if (c.isLowSurrogate() && index > 0 && text_[index - 1].isHighSurrogate()) {
    return 0;  // measured with its first half
  }
  auto it = widths_.constFind(code);
  if (it != widths_.constEnd()) return *it;
  const int width = host_.MeasureText(glyph);
  widths_.insert(code, width);
  return width;
}

int TSeEditCore::WidthOf(int from, int to, int limit) {
  int width = 0;
  for (int i = std::max(from, 0); i < to && i < Length(); ++i) {
    width += CharWidth(i);
    if (width > limit) break;
  }
  return width;
}

int TSeEditCore::FullWidth(int limit) {
  if (password_kind_ != pkNone) return Length() * host_.PasswordCharWidth();
  return WidthOf(0, Length(), limit);
}

int TSeEditCore::AlignShift() {
  if (alignment_ == taLeftJustify) return 0;
  const int width = host_.EditRect().Width();
  const int full = FullWidth(width);
  if (width <= full) return 0;
  return alignment_ == taRightJustify ? width - full : (width - full) / 2;
}

int TSeEditCore::CharToX(int index) {
  const TRect r = host_.EditRect();
  int x = r.Left;
  if (index > 0) {
    if (password_kind_ != pkNone) {
      const int count = std::min(index, Length()) - first_visible_ + 1;
      if (count > 0) x += count * host_.PasswordCharWidth();
    } else {
      // Past the right edge the exact figure no longer matters: callers
      // clip to the line, and a huge text is not walked to its end.
      x += WidthOf(first_visible_ - 1, std::min(index, Length()), r.Width() + 1);
    }
  }
  return x + AlignShift();
}

int TSeEditCore::CharFromX(int x) {
  const TRect r = host_.EditRect();
  int i = first_visible_ - 1;
  if (text_.isEmpty()) return i;
  x -= AlignShift();
  if (password_kind_ != pkNone) {
    i += (x - r.Left) / host_.PasswordCharWidth();
    return std::clamp(i, 0, Length());
  }
  // Each character's middle is measured from its exact left edge: halving
  // the widths one by one would drift the boundaries left along the line.
  int left = r.Left;
  while (i < Length()) {
    const int w = CharWidth(i);
    // Left of the middle, or a middle past the line's end, stops here.
    if (2 * (x - left) < w || 2 * (r.Right - left) < w) return i;
    left += w;
    ++i;
  }
  return std::min(i, Length());
}

void TSeEditCore::ScrollToCaret() {
  if (caret_ + 1 > first_visible_) {
    // The nearest first character from which the caret still shows.
    const int width = host_.EditRect().Width();
    int needed;
    if (password_kind_ != pkNone) {
      const int cells = width / host_.PasswordCharWidth();
      needed = caret_ + 1 - cells;
    } else {
      int start = caret_;
      int sum = 0;
      while (start > 0 && sum + CharWidth(start - 1) <= width) sum += CharWidth(--start);
      needed = start + 1;
    }
    if (first_visible_ < Length()) first_visible_ = std::max(first_visible_, std::min(needed, Length()));
  } else {
    first_visible_ = std::max(caret_, 1);
  }
  host_.InvalidateText();
}

TRect TSeEditCore::SelectionRect() {
  TRect r = host_.EditRect();
  TRect sel = r;
  sel.Left = CharToX(SelStart());
  sel.Right = CharToX(SelStart() + SelLength());
  return IntersectRect(sel, r);
}

QString TSeEditCore::VisibleText() {
  const int from = first_visible_ - 1;
  if (from >= Length()) return {};
  const int width = host_.EditRect().Width();
  if (password_kind_ != pkNone) return text_.mid(from, width / host_.PasswordCharWidth() + 2);
  int to = from;
  int sum = 0;
  while (to < Length() && sum <= width) sum += CharWidth(to++);
  if (to < Length() && text_[to].isLowSurrogate()) ++to;
  return text_.mid(from, to - from);
}

int QtKeyFromVirtualKey(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  static const int keys[] = {Qt::Key_Backspace, Qt::Key_Tab,   Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space,
                             Qt::Key_PageUp,    Qt::Key_PageDown, Qt::Key_End,  Qt::Key_Home,   Qt::Key_Left,
                             Qt::Key_Up,        Qt::Key_Right, Qt::Key_Down,   Qt::Key_Insert, Qt::Key_Delete,
                             Qt::Key_F4};
  for (int key : keys)
    if (VirtualKeyFromQt(key) == vk) return key;
  return 0;
}

Qt::KeyboardModifiers ModifiersOf(unsigned shift) {
  Qt::KeyboardModifiers m;
  if (shift & ssShift) m |= Qt::ShiftModifier;
  if (shift & ssCtrl) m |= Qt::ControlModifier;
  if (shift & ssAlt) m |= Qt::AltModifier;
  return m;
}

