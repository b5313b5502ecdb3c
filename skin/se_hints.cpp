#include "skin/se_hints.h"

#include <QPaintEvent>

#include "platform/gui/Application.h"
#include "platform/gui/DrawText.h"
#include "skin/se_drawing.h"

namespace {

// What the first active hint component replaced, given back when that
// component goes. Later components take the role over without saving
// their predecessor's handler, so no handler of a destroyed component is
// ever given back.
struct Installed {
  TSeCustomHint* by = nullptr;
  std::function<void(QString&, bool&, THintInfo&)> saved_handler;
  THintWindowClass saved_class = nullptr;
};

Installed& TheInstalled() {
  static Installed installed;
  return installed;
}

void InstallHandler(TSeCustomHint* hint) {
  Application().OnShowHint = [hint](QString& text, bool& canShow, THintInfo& info) {
    hint->DoShowHint(text, canShow, info);
  };
}

unsigned BiDiAdjusted(TComponent* owner, unsigned flags) {
  if (auto* control = dynamic_cast<QWidget*>(owner); control && control->layoutDirection() == Qt::RightToLeft)
    flags |= DT_RTLREADING | (flags & DT_CENTER ? 0 : DT_RIGHT);
  return flags;
}

}  // namespace

namespace se {
TFont& HintFont() {
  static TFont font = [] {
    TFont f;
    f.SetName("DejaVu Sans");
    f.SetHeight(-12);
    f.SetColor(clInfoText);
    return f;
  }();
  return font;
}
}  // namespace se

// ---- TSeCustomHint ----------------------------------------------------------

TSeCustomHint::TSeCustomHint(TComponent* owner)
    : TComponent(owner),
      animation_(std::make_unique<TSeAnimation>()),
      blending_(std::make_unique<TSeBlending>()),
      shadow_(std::make_unique<TSeShadow>()) {}

void TSeCustomHint::Init() {
  TComponent::Init();
  // A component made in code is in force at once; one read from a form
  // resource applies its stored Active when loading ends.
  if (!Loading()) SetActive(true);
}

void TSeCustomHint::Loaded() {
  TComponent::Loaded();
  SetActive(active_);
}

TSeCustomHint::~TSeCustomHint() {
  Installed& installed = TheInstalled();
  if (installed.by == this && !Designing()) {
    Application().OnShowHint = std::move(installed.saved_handler);
    SetHintWindowClass(installed.saved_class);
    installed = Installed{};
  }
}

void TSeCustomHint::SetActive(bool value) {
  active_ = value;
  if (!value || Designing()) return;
  Installed& installed = TheInstalled();
  if (!installed.by) {
    installed.saved_handler = Application().OnShowHint;
    installed.saved_class = HintWindowClass();
  }
  installed.by = this;
  // A new class: the old hint window goes and the next hint makes one.
  SetHintWindowClass(&TSeHintWindow::Make);
  InstallHandler(this);
  if (TCustomForm* main = Application().MainForm()) {
    for (int i = 0; i < main->ComponentCount(); ++i) {
      auto* other = dynamic_cast<TSeCustomHint*>(main->Components(i));
      if (other && other != this && other->Active()) other->SetActive(false);
    }
  }
  InstallHandler(this);
}

void TSeCustomHint::DoShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo) {
  hintInfo.HintData = this;
  if (OnShowHint) OnShowHint(hintStr, canShow, hintInfo);
}

void TSeCustomHint::CalcHintRect(TCanvas& canvas, const QString& text, TRect& rect) {
  rect = Rect(0, 0, 1000, 1000);
  if (dynamic_cast<TWinControl*>(Owner()))
    se::DrawWideText(canvas, text, rect, BiDiAdjusted(Owner(), DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX));
  rect.Right += 6;
  rect.Bottom += 6;
  if (shadow_->Enabled()) {
    rect.Right += shadow_->Size();
    rect.Bottom += shadow_->Size();
  }
}

void TSeCustomHint::PaintHint(TCanvas& canvas, const TRect& rect, const QString& text) {
  se::FillRectColor(canvas, rect, Application().HintColor());
  se::DrawBevelRect(canvas, rect, cl3DLight, cl3DDkShadow);
  if (!dynamic_cast<TWinControl*>(Owner())) return;
  TRect t = rect;
  se::DrawWideText(canvas, text, t, BiDiAdjusted(Owner(), DT_CALCRECT | DT_CENTER | DT_WORDBREAK));
  se::CenterRect(t, rect);
  se::DrawWideText(canvas, text, t, BiDiAdjusted(Owner(), DT_CENTER | DT_WORDBREAK));
}

// ---- TSeHintForm ------------------------------------------------------------

TSeHintForm::TSeHintForm(TComponent* owner) : TSeCustomForm(owner) {
  Dragging()->SetSizeable(false);
  Dragging()->SetMoveable(false);
  Gravitation()->SetEnabled(false);
  SetBorderIcons(0);
  SetBorderStyle(kbsNone);
  SetPerformance(tbfpDoubleBuffer);
  SetMinimizeApplication(false);
}

TPoint TSeHintForm::GetMinSize() { return {5, 5}; }

void TSeHintForm::PaintBackground(TCanvas& canvas) {
  auto* window = dynamic_cast<TSeHintWindow*>(Owner());
  if (!window || !window->HintComponent()) return;
  canvas.SetFont(se::HintFont());
  window->HintComponent()->PaintHint(canvas, Rect(0, 0, FrameWidth(), FrameHeight()), window->Caption());
}

// ---- TSeHintWindow ----------------------------------------------------------

TSeHintWindow::TSeHintWindow(TComponent* owner) : THintWindow(owner) {}

TSeHintWindow::~TSeHintWindow() { SetHintComponent(nullptr); }

void TSeHintWindow::Init() {
  THintWindow::Init();
  frame_ = Create<TSeHintForm>(this);
  // The frame makes its form an ordinary frameless window: a hint stays a
  // tool tip that takes neither focus nor mouse.
  setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

THintWindow* TSeHintWindow::Make(TComponent* owner) { return Create<TSeHintWindow>(owner); }

void TSeHintWindow::SetHintComponent(TSeCustomHint* hint) {
  if (hint == hint_) return;
  if (hint_) RemoveFreeNotification(hint_);
  hint_ = hint;
  if (hint_) FreeNotification(hint_);
}

void TSeHintWindow::Notification(TComponent* component, TOperation operation) {
  THintWindow::Notification(component, operation);
  if (operation == TOperation::opRemove && component == hint_) {
    hint_ = nullptr;
    // Nothing is left to draw this hint.
    ReleaseHandle();
  }
}

TRect TSeHintWindow::CalcHintRect(int maxWidth, const QString& hint, TComponent* data) {
  SetHintComponent(static_cast<TSeCustomHint*>(nullptr));
  if (auto* component = dynamic_cast<TSeCustomHint*>(data)) SetHintComponent(component);
  if (!hint_) return THintWindow::CalcHintRect(maxWidth, hint, data);
  QImage surface(1, 1, QImage::Format_ARGB32);
  TCanvas canvas(&surface);
  canvas.SetFont(se::HintFont());
  TRect r;
  hint_->CalcHintRect(canvas, hint, r);
  return r;
}

void TSeHintWindow::ActivateHint(const TRect& rect, const QString& hint) {
  activating_ = true;
  SetCaption(hint);
  const TRect r = KeepRectOnScreen(rect, ScreenBoundsAt(CursorScreenPos()));
  if (hint_) {
    frame_->Blending()->Assign(*hint_->Blending());
    frame_->Shadow()->Assign(*hint_->Shadow());
    frame_->Animation()->Assign(*hint_->Animation());
  }
  setGeometry(r.Left, r.Top, r.Width(), r.Height());
  show();
  raise();
  update();
  activating_ = false;
}

void TSeHintWindow::ActivateHintData(const TRect& rect, const QString& hint, TComponent* data) {
  ActivateHint(rect, hint);
  auto* component = dynamic_cast<TSeCustomHint*>(data);
  SetHintComponent(component);
}

void TSeHintWindow::TextChanged() {
  THintWindow::TextChanged();
  if (activating_) return;
  TCanvas canvas;
  QImage surface(1, 1, QImage::Format_ARGB32);
  canvas.SetPaintDevice(&surface);
  canvas.SetFont(*Font());
  resize(canvas.TextWidth(Caption()) + 30, canvas.TextHeight(Caption()) + 20);
}

void TSeHintWindow::paintEvent(QPaintEvent* event) {
  // The frame paints the whole window.
  (void)event;
}
