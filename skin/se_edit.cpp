#include "skin/se_edit.h"

#include <QKeyEvent>

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>

#include "platform/gui/Canvas.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "skin/se_const.h"
#include "skin/se_drawing.h"
#include "skin/se_popupmenu.h"

TSeCustomEdit::TSeCustomEdit(TComponent* owner)
    : TSeCustomControl(owner),
      core_(*this),
      context_menu_options_(std::make_unique<TSePopupMenuOptions>()),
      measure_(std::make_unique<TCanvas>()) {
  SetPerformance(tbpDoubleBuffer);
  SetBevelKind(kbkSingle);
  SetBevelWidth(1);
  SetBorderWidth(3);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  SetCursor(Cursor());
  setAttribute(Qt::WA_InputMethodEnabled, true);
  measure_->SetFont(*Font());
  SetBounds(0, 0, 121, 21);
  caret_timer_.setInterval(std::max(100, QApplication::cursorFlashTime() / 2));
  connect(&caret_timer_, &QTimer::timeout, this, [this] {
    caret_on_ = !caret_on_;
    Invalidate();
  });
  AdjustSize();
}

TSeCustomEdit::~TSeCustomEdit() = default;

void TSeCustomEdit::SetText(const QString& text) { core_.SetText(text); }

void TSeCustomEdit::TextChanged() {
  // The inherited caption was set: the content follows it.
  if (syncing_text_) return;
  core_.SetText(TSeCustomControl::Text());
  core_.SetSelLength(0);
  Invalidate();
}

void TSeCustomEdit::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  AdjustSize();
}

void TSeCustomEdit::SetHideSelection(bool value) {
  hide_selection_ = value;
  Invalidate();
}

void TSeCustomEdit::SetPasswordWideChar(QChar value) {
  password_char_ = value;
  if (!value.isNull()) core_.SetPasswordKind(pkChar);
  Invalidate();
  CaretMoved();
}

void TSeCustomEdit::SetCursor(TCursor cursor) { TSeCustomControl::SetCursor(cursor == crDefault ? crIBeam : cursor); }

TCanvas& TSeCustomEdit::MeasureCanvas() const { return *measure_; }

int TSeCustomEdit::MeasureText(const QString& text) { return measure_->TextWidth(text); }

int TSeCustomEdit::LineHeight() const { return measure_->TextHeight(QStringLiteral("Pq")); }

TRect TSeCustomEdit::GetEditRect() const {
  TRect r = GetBorderClientRect();
  r.Bottom = r.Top + LineHeight();
  return r;
}

bool TSeCustomEdit::CanAutoSize(int& newHeight) {
  newHeight = 2 * GetEditRect().Top + LineHeight();
  return true;
}

void TSeCustomEdit::AdjustSize() {
  if (!auto_size_ || Loading()) return;
  int h = Height();
  if (CanAutoSize(h) && h != Height()) SetHeight(h);
}

void TSeCustomEdit::Loaded() {
  TSeCustomControl::Loaded();
  AdjustSize();
}

void TSeCustomEdit::BorderChanged() {
  TSeCustomControl::BorderChanged();
  AdjustSize();
}

void TSeCustomEdit::FontChanged() {
  TSeCustomControl::FontChanged();
  measure_->SetFont(*Font());
  core_.FontChanged();
  AdjustSize();
  CaretMoved();
}

void TSeCustomEdit::EnabledChanged() {
  TSeCustomControl::EnabledChanged();
  Invalidate();
}

int TSeCustomEdit::GetPasswordCharWidth() {
  int w = 10;
  switch (core_.PasswordKind()) {
    case pkChar: w = measure_->TextWidth(QString(password_char_)); break;
    case pkRect:
    case pkRoundRect:
    case pkCircle:
    case pkTriangle: w = measure_->TextWidth(QStringLiteral("W")); break;
    case pkNone: break;
  }
  return std::max(1, w);
}

TRect TSeCustomEdit::GetSelectionRect() { return core_.SelectionRect(); }

bool TSeCustomEdit::CanChangeText(const QString&) { return true; }

void TSeCustomEdit::Change() {
  if (Enabled()) CaretMoved();
  if (OnChange) OnChange(this);
}

void TSeCustomEdit::CaretMoved() {
  if (!caret_shown_) return;
  RestartCaretBlink();
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TSeCustomEdit::RestartCaretBlink() {
  caret_on_ = true;
  if (caret_shown_)
    caret_timer_.start();
  else
    caret_timer_.stop();
  Invalidate();
}

void TSeCustomEdit::ShowCaret() {
  caret_shown_ = true;
  RestartCaretBlink();
}

void TSeCustomEdit::HideCaret() {
  caret_shown_ = false;
  RestartCaretBlink();
}

// ---- painting ----

void TSeCustomEdit::PaintBackground() {
  TCanvas& canvas = *Canvas();
  TRect r = GetEditRect();
  r.Bottom = PaintedHeight() - r.Top;
  PaintEditBackground(r, canvas);
  if (DrawsOwnTextLine()) return;
  const bool showSelection = IsFocused() || !hide_selection_;
  if (showSelection && core_.SelLength() > 0) se::FillRectColor(canvas, GetSelectionRect(), clHighlight);
  PaintText();
  if (showSelection && core_.SelLength() > 0) PaintSelection();
  if (IsFocused() && CaretShown()) {
    const TRect line = GetEditRect();
    const int x = core_.CharToX(core_.CaretIndex());
    if (x >= line.Left && x <= line.Right) se::FillRectXY(canvas, x, line.Top, x + 1, line.Bottom, Font()->Color());
  }
}

void TSeCustomEdit::PaintEditBackground(const TRect& rect, TCanvas& canvas) { se::FillRectColor(canvas, rect, Color()); }

void TSeCustomEdit::PaintText() {
  TCanvas& canvas = *Canvas();
  canvas.SetFont(PaintFont());
  if (!Enabled()) canvas.Font().SetColor(clGrayText);
  const TRect line = GetEditRect();
  const QString visible = core_.VisibleText();
  if (core_.PasswordKind() != pkNone) {
    const int cell = GetPasswordCharWidth();
    int x = core_.CharToX(0);
    for (int i = 0; i < visible.size() && x < line.Right; ++i, x += cell)
      PaintPasswordChar(Rect(x, line.Top, x + cell, line.Bottom), false);
    return;
  }
  // The alignment shift is part of the position of the first visible
  // character, so the text is drawn from there.
  TRect r = line;
  r.Left = core_.CharToX(core_.FirstVisible() - 1);
  se::DrawWideText(canvas, visible, r, DT_NOPREFIX | DT_SINGLELINE);
}

void TSeCustomEdit::PaintSelection() {
  TCanvas& canvas = *Canvas();
  TRect r = GetSelectionRect();
  if (r.IsEmpty()) return;
  const QString text = core_.VisibleSelText();
  if (core_.PasswordKind() != pkNone) {
    const int cell = GetPasswordCharWidth();
    for (int i = 0, x = r.Left; i < text.size() && x < r.Right; ++i, x += cell)
      PaintPasswordChar(Rect(x, r.Top, x + cell, r.Bottom), true);
    return;
  }
  canvas.SetFont(PaintFont());
  canvas.Font().SetColor(clHighlightText);
  canvas.IntersectClipRect(r);
  se::DrawWideText(canvas, text, r, DT_NOPREFIX | DT_SINGLELINE);
  canvas.SelectClipRgn(nullptr);
}

void TSeCustomEdit::PaintPasswordChar(const TRect& r, bool selected) {
  TCanvas& canvas = *Canvas();
  canvas.IntersectClipRect(r);
  canvas.SetFont(PaintFont());
  if (selected) canvas.Font().SetColor(clHighlightText);
  const TColor color = canvas.Font().Color();
  TRect g = r;
  InflateRect(g, -2, -3);
  const auto square = [&](bool evenWider) {
    int side = g.Width();
    if (evenWider && side % 2 == 0) ++side;
    TRect s = Rect(0, 0, side, side);
    return se::CenterRect(s, r);
  };
  switch (core_.PasswordKind()) {
    case pkChar: {
      TRect t = r;
      se::DrawWideText(canvas, QString(password_char_), t, DT_NOPREFIX);
      break;
    }
    case pkRect: se::FillRectColor(canvas, g, color); break;
    case pkRoundRect: se::FillRoundRect(canvas, g, 2, color); break;
    case pkCircle: {
      const TRect s = square(false);
      se::FillRoundRect(canvas, s, s.Width() / 2 + 1, color);
      break;
    }
    case pkTriangle: {
      const TRect s = square(true);
      const TPoint points[] = {{s.Left + s.Width() / 2 + 1, s.Top}, {s.Right, s.Bottom}, {s.Left, s.Bottom}};
      se::FillPolygon(canvas, points, color);
      break;
    }
    case pkNone: break;
  }
  canvas.SelectClipRgn(nullptr);
}

// ---- focus, mouse, keys ----

void TSeCustomEdit::FocusEnter() {
  TSeCustomControl::FocusEnter();
  ShowCaret();
  core_.SetCaretIndex(0);
  if (auto_select_) core_.SelectAll();
}

void TSeCustomEdit::FocusExit() {
  TSeCustomControl::FocusExit();
  HideCaret();
  core_.MouseUp();
  Invalidate();
}

void TSeCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TSeCustomEdit> self(this);
  TSeCustomControl::MouseDown(button, shift, x, y);
  if (!self) return;
  if (CanFocus() && !hasFocus()) SetFocus();
  core_.MouseDown(x, button == mbLeft);
}

void TSeCustomEdit::MouseMove(TShiftState shift, int x, int y) {
  TSeCustomControl::MouseMove(shift, x, y);
  core_.MouseMove(x);
}

void TSeCustomEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseUp(button, shift, x, y);
  core_.MouseUp();
}

void TSeCustomEdit::DblClick() {
  TSeCustomControl::DblClick();
  core_.DoubleClick();
}

void TSeCustomEdit::KeyDown(int& key, TShiftState shift) {
  QPointer<TSeCustomEdit> self(this);
  key_shift_ = shift;
  TSeCustomControl::KeyDown(key, shift);
  if (!self || key == 0) return;
  core_.KeyDown(QtKeyFromVirtualKey(key), ModifiersOf(shift));
}

void TSeCustomEdit::KeyPress(QChar& key) {
  QPointer<TSeCustomEdit> self(this);
  TSeCustomControl::KeyPress(key);
  if (!self || key.isNull()) return;
  // A Ctrl shortcut carries its letter along; it is no typing (Ctrl+Alt is
  // AltGr and types).
  if ((key_shift_ & ssCtrl) && !(key_shift_ & ssAlt)) return;
  // Alt with a letter is a menu or button accelerator, no typing either.
  if ((key_shift_ & ssAlt) && !(key_shift_ & ssCtrl)) return;
  if (key.unicode() >= 32 && !ReadOnly()) core_.KeyPress(QString(key));
}

void TSeCustomEdit::keyPressEvent(QKeyEvent* event) {
  TSeCustomControl::keyPressEvent(event);
  // An edit wants its characters: a letter typed here is not passed on to
  // the window, where a button would take it as its accelerator. Alt or
  // Ctrl with a letter still goes on.
  const Qt::KeyboardModifiers chord = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
  if (!event->text().isEmpty() && event->text().at(0).unicode() >= 32 && chord == Qt::NoModifier) event->accept();
}

void TSeCustomEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && !ReadOnly()) core_.KeyPress(event->commitString());
  event->accept();
}

QVariant TSeCustomEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  auto& core = const_cast<TSeEditCore&>(core_);
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
      const TRect line = GetEditRect();
      return QRect(core.CharToX(core.CaretIndex()), line.Top, 1, line.Height());
    }
    case Qt::ImCursorPosition: return core.CaretIndex();
    case Qt::ImAnchorPosition: return core.Anchor();
    case Qt::ImSurroundingText: return core.VisibleText();
    case Qt::ImCurrentSelection: return core.SelText();
    case Qt::ImFont: return Font()->ToQFont();
    default: return TSeCustomControl::inputMethodQuery(query);
  }
}

// ---- context menu ----

TSeCustomPopupMenu* TSeCustomEdit::CreatePopupMenu(TComponent* owner) { return Create<TSeCustomPopupMenu>(owner); }

TSeCustomItem* TSeCustomEdit::CreateMenuItem(TComponent* owner) { return new TSeCustomItem(owner); }

void TSeCustomEdit::UpdateContextMenu() {
  if (!context_menu_) {
    context_menu_ = CreatePopupMenu(this);
    const std::pair<const char*, std::function<void()>> entries[] = {
        {se::SEditUndo, [this] { Undo(); }},
        {"-", {}},
        {se::SEditCut, [this] { CutToClipboard(); }},
        {se::SEditCopy, [this] { CopyToClipboard(); }},
        {se::SEditPaste, [this] { PasteFromClipboard(); }},
        {se::SEditDelete, [this] { DeleteSelection(); }},
        {"-", {}},
        {se::SEditSelectAll, [this] { SelectAll(); }},
    };
    for (const auto& [caption, action] : entries) {
      // The menu's item tree owns the item.
      TSeCustomItem* item = CreateMenuItem(nullptr);
      item->SetCaption(QString::fromLatin1(caption));
      if (action) item->OnClick = [fn = action](TComponent*) { fn(); };
      context_menu_->Items()->Add(item);
    }
  }
  TSeCustomItem* items = context_menu_->Items();
  const bool selected = core_.SelLength() > 0;
  const bool plain = core_.PasswordKind() == pkNone;
  const bool writable = !ReadOnly();
  items->Items(0)->SetEnabled(CanUndo() && writable);
  items->Items(2)->SetEnabled(selected && plain && writable);
  items->Items(3)->SetEnabled(selected && plain);
  items->Items(4)->SetEnabled(!Clipboard().Text().isEmpty() && writable);
  items->Items(5)->SetEnabled(selected && writable);
  items->Items(7)->SetEnabled(core_.SelText() != core_.Text());
  context_menu_->SetPopupMenuOptions(*context_menu_options_);
}

void TSeCustomEdit::PopupContextMenu(int screenX, int screenY) {
  UpdateContextMenu();
  context_menu_->SetPopupComponent(this);
  context_menu_->Popup(screenX, screenY);
}

void TSeCustomEdit::contextMenuEvent(QContextMenuEvent* event) {
  PopupContextMenu(event->globalPos().x(), event->globalPos().y());
  event->accept();
}
