// Hints: a hint shown over a control by the tooltip request Qt sends, in a
// tool window the mouse passes through; hidden by a key or a click; its
// control or its component destroyed while it shows; kept on the screen
// that holds the cursor; sized from the text (plain and skinned); what a
// hint component installs it gives back. Also the message dialog settings,
// and shortening text that holds a surrogate pair.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>
#include <string>

#include "platform/gui/Application.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Hints.h"
#include "skin/se_bitmap.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_hints.h"
#include "skin/se_msgdialog.h"
#include "skin/se_objectclasses.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinhints.h"
#include "skin/se_skinobject.h"

namespace {

struct HintRig {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TWinControl* target;
  TSeCustomHint* hint;

  HintRig() {
    form->SetBounds(100, 100, 300, 200);
    target = Create<TWinControl>(form.get());
    target->SetParent(form.get());
    target->SetBounds(20, 20, 100, 30);
    target->SetHint("Burn");
    target->SetShowHint(true);
    hint = Create<TSeCustomHint>(form.get());
    form->Show();
    QCoreApplication::processEvents();
  }
  ~HintRig() { hints::CancelHint(); }

  // The request Qt sends when the mouse rests on the control.
  void Hover(QWidget* over) {
    const QPoint local(10, 10);
    QHelpEvent help(QEvent::ToolTip, local, over->mapToGlobal(local));
    QCoreApplication::sendEvent(over, &help);
  }
};

TSize TextSize(const QString& text) {
  TSeBitmap b;
  b.SetSize(4, 4);
  b.Canvas().SetFont(se::HintFont());
  TRect r = Rect(0, 0, 1000, 1000);
  se::DrawWideText(b.Canvas(), text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return {r.Width(), r.Height()};
}

}  // namespace

TEST(Hints, ShowOverAControlInAToolWindowTheMousePassesThrough) {
  HintRig rig;
  QString seen;
  rig.hint->OnShowHint = [&](QString& text, bool&, THintInfo& info) {
    seen = text;
    EXPECT_EQ(info.HintControl, rig.target);
    EXPECT_EQ(info.HintData, rig.hint);
  };
  rig.Hover(rig.target);
  auto* window = dynamic_cast<TSeHintWindow*>(hints::ShownHintWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(seen, "Burn");
  EXPECT_EQ(hints::ShownHintControl(), rig.target);
  EXPECT_EQ(window->HintComponent(), rig.hint);
  EXPECT_TRUE(window->isWindow());
  EXPECT_EQ(window->windowType(), Qt::ToolTip);
  EXPECT_EQ(window->Caption(), "Burn");
  // A one-word hint: 6 pixels more than its text each way.
  const TSize text = TextSize("Burn");
  EXPECT_EQ(window->width(), text.cx + 6);
  EXPECT_EQ(window->height(), text.cy + 6);
  // The mouse passes through the hint to what lies below.
  EXPECT_NE(QApplication::widgetAt(window->geometry().center()), window);
}

TEST(Hints, AKeyOrAClickHidesTheHint) {
  for (const char* what : {"key", "click"}) {
    HintRig rig;
    rig.Hover(rig.target);
    ASSERT_NE(hints::ShownHintWindow(), nullptr) << what;
    if (std::string(what) == "key") {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
      QCoreApplication::sendEvent(rig.form.get(), &key);
    } else {
      const QPoint p(5, 5);
      QMouseEvent press(QEvent::MouseButtonPress, p, rig.target->mapToGlobal(p), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(rig.target, &press);
    }
    EXPECT_EQ(hints::ShownHintWindow(), nullptr) << what;
  }
}

TEST(Hints, MovingOffTheControlHidesTheHint) {
  HintRig rig;
  rig.Hover(rig.target);
  ASSERT_NE(hints::ShownHintWindow(), nullptr);
  const QPoint inside(50, 15), outside(200, 150);
  QMouseEvent within(QEvent::MouseMove, inside, rig.target->mapToGlobal(inside), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
  QCoreApplication::sendEvent(rig.target, &within);
  EXPECT_NE(hints::ShownHintWindow(), nullptr);
  QMouseEvent away(QEvent::MouseMove, outside, rig.form->mapToGlobal(outside), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(rig.form.get(), &away);
  EXPECT_EQ(hints::ShownHintWindow(), nullptr);
}

TEST(Hints, AControlOrComponentDestroyedWhileShownIsNeverCalled) {
  {
    HintRig rig;
    rig.Hover(rig.target);
    ASSERT_NE(hints::ShownHintWindow(), nullptr);
    delete rig.target;
    EXPECT_EQ(hints::ShownHintWindow(), nullptr);
    EXPECT_EQ(hints::ShownHintControl(), nullptr);
    // Events that would reach the machinery afterwards find nothing of it.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(rig.form.get(), &key);
  }
  {
    HintRig rig;
    rig.Hover(rig.target);
    auto* window = dynamic_cast<TSeHintWindow*>(hints::ShownHintWindow());
    ASSERT_NE(window, nullptr);
    delete rig.hint;
    EXPECT_EQ(window->HintComponent(), nullptr);
    EXPECT_FALSE(window->isVisible());
    window->repaint();  // paints nothing, reaches no freed component
  }
}

TEST(Hints, KeptOnTheScreenThatHoldsTheCursor) {
  const TRect left = Rect(0, 0, 1024, 768);
  const TRect right = Rect(1024, 0, 2944, 1080);  // a second screen beside it
  struct Case {
    TRect hint, screen, want;
  } cases[] = {
      {Bounds(100, 100, 80, 20), left, Bounds(100, 100, 80, 20)},
      {Bounds(1000, 760, 80, 20), left, Bounds(944, 748, 80, 20)},
      {Bounds(2900, 1070, 80, 20), right, Bounds(2864, 1060, 80, 20)},
      {Bounds(1000, 300, 80, 20), right, Bounds(1024, 300, 80, 20)},
      {Bounds(1010, -15, 80, 20), right, Bounds(1024, 0, 80, 20)},
      // Wider than the screen: its left edge stays on it.
      {Bounds(1100, 10, 2000, 20), right, Bounds(1024, 10, 2000, 20)},
  };
  for (const Case& k : cases) EXPECT_EQ(KeepRectOnScreen(k.hint, k.screen), k.want);
  // The hint window asks the screen under the cursor, not the primary one.
  HintRig rig;
  const TRect screen = ScreenBoundsAt(rig.target->mapToGlobal(QPoint(10, 10)));
  // The control near the screen's bottom-right corner: the hint below and
  // to the right of the cursor would leave the screen.
  rig.form->move(screen.Right - 140, screen.Bottom - 60);
  rig.target->SetHint("Writes the compilation to the disc");
  rig.Hover(rig.target);
  THintWindow* window = hints::ShownHintWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->geometry().right() + 1, screen.Right);
  EXPECT_EQ(window->geometry().bottom() + 1, screen.Bottom);
}

TEST(Hints, HintRectanglesPlainAndSkinned) {
  RegisterSkinObjectClasses();
  RegisterSkinObjectClasses2();
  auto form = CreateUnique<TForm>();
  TSeBitmap b;
  b.SetSize(4, 4);
  TCanvas& c = b.Canvas();
  c.SetFont(se::HintFont());
  const TSize text = TextSize("Burn");
  auto* skinned = Create<TSeSkinHint>(form.get());
  TRect r;
  skinned->CalcHintRect(c, "Burn", r);
  EXPECT_EQ(r, Rect(0, 0, text.cx + 6, text.cy + 6));
  skinned->Shadow()->SetEnabled(true);
  skinned->Shadow()->SetSize(5);
  skinned->CalcHintRect(c, "Burn", r);
  EXPECT_EQ(r, Rect(0, 0, text.cx + 11, text.cy + 11));
  skinned->Shadow()->SetEnabled(false);

  auto engine = CreateUnique<TSeSkinEngine>();
  engine->Source().LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/devoir/skin.txt");
  skinned->SetSkinEngine(engine.get());
  ASSERT_TRUE(skinned->UseSkin());
  TSeSkinObject* object = skinned->Binding().SkinCopy();
  object->SetMarginLeft(4);
  object->SetMarginRight(5);
  object->SetMarginTop(1);
  object->SetMarginBottom(2);
  c.SetFont(se::HintFont());
  skinned->CalcHintRect(c, "Burn", r);
  TSeBitmap m;
  m.SetSize(4, 4);
  m.Canvas().SetFont(object->GetFont());
  TRect want = Rect(0, 0, 1000, 1000);
  se::DrawWideText(m.Canvas(), "Burn", want, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  EXPECT_EQ(r, Rect(0, 0, want.Right + 9, want.Bottom + 3));
  // The skin goes: the copy goes with it.
  engine.reset();
  EXPECT_FALSE(skinned->UseSkin());
  EXPECT_EQ(TSeHintForm().GetMinSize(), (TPoint{5, 5}));
}

TEST(Hints, AHintComponentGivesBackWhatItReplaced) {
  SetHintWindowClass(nullptr);
  int previous = 0;
  Application().OnShowHint = [&](QString&, bool&, THintInfo&) { ++previous; };
  auto form = CreateUnique<TForm>();
  auto* first = Create<TSeCustomHint>(form.get());
  EXPECT_EQ(HintWindowClass(), &TSeHintWindow::Make);
  // A second one takes over; the first, destroyed, gives back nothing.
  auto* second = Create<TSeCustomHint>(form.get());
  delete second;
  QString text;
  bool show = true;
  THintInfo info;
  ASSERT_TRUE(Application().OnShowHint);
  Application().OnShowHint(text, show, info);
  EXPECT_EQ(previous, 1);
  EXPECT_EQ(HintWindowClass(), nullptr);
  (void)first;
  // Activating again never saves this program's own handler as the one to
  // give back.
  auto* third = Create<TSeCustomHint>(form.get());
  third->SetActive(true);
  third->SetActive(true);
  delete third;
  Application().OnShowHint(text, show, info);
  EXPECT_EQ(previous, 2);
  EXPECT_EQ(info.HintData, nullptr);
  Application().OnShowHint = nullptr;
}

TEST(MessageSettings, DefaultsAndTheGlobalRole) {
  auto form = CreateUnique<TForm>();
  auto* a = Create<TSeCustomMessage>(form.get());
  EXPECT_EQ(a->Position(), poScreenCenter);
  EXPECT_TRUE(a->ShowButtonGlyph());
  EXPECT_TRUE(a->ShowIconImage());
  EXPECT_EQ(a->BorderIcons(), kbiClose | kbiSystemMenu);
  EXPECT_FALSE(a->Blending()->Enabled());
  EXPECT_FALSE(a->Shadow()->Enabled());
  EXPECT_FALSE(a->ShowHints());
  se::CreateDefaultMessageSettings();
  ASSERT_NE(se::GlobalMessageSettings(), nullptr);
  a->SetGlobal(true);
  EXPECT_EQ(se::GlobalMessageSettings(), a);
  // A second claim frees the first (the form no longer holds it).
  const int count = form->ComponentCount();
  auto* b = Create<TSeCustomMessage>(form.get());
  b->SetGlobal(true);
  EXPECT_EQ(se::GlobalMessageSettings(), b);
  EXPECT_EQ(form->ComponentCount(), count);
  b->SetGlobal(false);
  EXPECT_EQ(se::GlobalMessageSettings(), b);
  delete b;
  EXPECT_EQ(se::GlobalMessageSettings(), nullptr);
}

TEST(EllipsisText, NeverSplitsASurrogatePair) {
  TSeBitmap b;
  b.SetSize(10, 10);
  TCanvas& c = b.Canvas();
  const QString text =
      QStringLiteral("ab") + QString::fromUcs4(U"\U0001D11E\U0001D11E") + QStringLiteral("cd");
  for (int width = 0; width <= c.TextWidth(text); ++width) {
    const QString shown = se::GetEllipsisText(c, text, width);
    for (qsizetype i = 0; i < shown.size(); ++i) {
      if (shown.at(i).isHighSurrogate()) {
        EXPECT_TRUE(i + 1 < shown.size() && shown.at(i + 1).isLowSurrogate()) << width;
      }
      if (shown.at(i).isLowSurrogate()) {
        EXPECT_TRUE(i > 0 && shown.at(i - 1).isHighSurrogate()) << width;
      }
    }
  }
}
