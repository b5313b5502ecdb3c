// The skinned memo, mask edit, scroll box, tree view and list view: the
// border is the skin's frame and the background its colour while a skin
// is loaded, the plain look without one; a skin change repaints them and
// binds their overlay bars again; the bars scroll their control under
// clicks with the skin's button size.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <functional>

#include "skin/se_binding_views.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class SkinnedViews : public SkinBindingTest {
 public:
  // Placed on the form and bound to the engine.
  template <class T>
  T* Bound(int left, int top, int width, int height) {
    T* control = Place<T>(left, top, width, height);
    control->SetSkinEngine(engine_.get());
    return control;
  }
  void ShowAll() {
    Show();
    QCoreApplication::processEvents();
  }
  TColor SkinColor(const std::string& top) const { return engine_->Source().GetObjectByName(top)->Color(); }
};

struct ViewCase {
  const char* name;
  const char* object;
  std::function<TWidgetHost*(SkinnedViews&)> make;
};

}  // namespace

TEST_F(SkinnedViews, EachDrawsItsBorderFromTheSkinAndPlainWithout) {
  const ViewCase cases[] = {
      {"memo", "Edit", [](SkinnedViews& t) { return t.Bound<TSeSkinMemo>(10, 10, 150, 100); }},
      {"mask edit", "Edit", [](SkinnedViews& t) { return t.Bound<TSeSkinMaskEdit>(10, 10, 150, 22); }},
      {"scroll box", "ScrollBox", [](SkinnedViews& t) { return t.Bound<TSeSkinScrollBox>(10, 10, 150, 100); }},
      {"tree view", "ListBox", [](SkinnedViews& t) { return t.Bound<TSeSkinSTreeView>(10, 10, 150, 100); }},
      {"list view", "ListBox", [](SkinnedViews& t) { return t.Bound<TSeSkinSListView>(10, 10, 150, 100); }},
  };
  ShowAll();
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load("");
    TWidgetHost* view = c.make(*this);
    const TColor plain = view->Color();
    const QImage plainLook = Shot(view);
    // The plain ring: a sunken frame.
    EXPECT_EQ(QColor(plainLook.pixel(0, 0)), ColorToQColor(clBtnShadow));
    EXPECT_EQ(QColor(plainLook.pixel(1, 1)), ColorToQColor(cl3DDkShadow));

    Load("devoir");
    const int w = view->Width(), h = view->Height();
    EXPECT_EQ(Mismatches(Shot(view), Picture(c.object, "Frame", Rect(0, 0, w, h), w, h), 2), 0);
    EXPECT_EQ(view->Color(), SkinColor(c.object));
    view->SetEnabled(false);
    EXPECT_EQ(Mismatches(Shot(view), Picture(c.object, "Frame", Rect(0, 0, w, h), w, h, osDisabled), 2), 0);
    view->SetEnabled(true);

    // The skin goes: the plain look and colour come back.
    Load("");
    EXPECT_EQ(view->Color(), plain);
    EXPECT_EQ(Mismatches(Shot(view), plainLook, 2), 0);
    delete view;
  }
}

TEST_F(SkinnedViews, ASkinChangeRepaintsThemAndBindsTheirBarsAgain) {
  Load("devoir");
  auto* memo = Bound<TSeSkinMemo>(10, 10, 180, 120);
  memo->SetScrollBars(ssVertical);
  QString text;
  for (int i = 0; i < 100; ++i) text += QString("line %1\n").arg(i);
  memo->SetText(text);
  auto* tree = Bound<TSeSkinSTreeView>(200, 10, 180, 120);
  for (int i = 0; i < 40; ++i) tree->Items()->Add(nullptr, QString("Node %1").arg(i));
  ShowAll();
  TSeInplaceScrollBar* overlay = memo->SubScrollBar()->VertScrollBar();
  ASSERT_TRUE(overlay->isVisible());
  auto* bar = dynamic_cast<TSeSkinScrollBar*>(overlay->ScrollBar());
  ASSERT_NE(bar, nullptr) << "the overlay carries a skinned bar";
  EXPECT_EQ(bar->SkinEngine(), engine_.get());
  auto* treeBar = dynamic_cast<TSeSkinScrollBar*>(tree->SubScrollBar()->VertScrollBar()->ScrollBar());
  ASSERT_NE(treeBar, nullptr);
  EXPECT_EQ(treeBar->SkinEngine(), engine_.get());

  PaintCounter memoPaints(memo), treePaints(tree), barPaints(bar);
  for (const char* next : {"slate", "devoir", ""}) {
    SCOPED_TRACE(next);
    const int before[] = {memoPaints.paints, treePaints.paints, barPaints.paints};
    Load(next);
    QCoreApplication::processEvents();
    EXPECT_GT(memoPaints.paints, before[0]);
    EXPECT_GT(treePaints.paints, before[1]);
    EXPECT_GT(barPaints.paints, before[2]);
    const bool skinned = *next != 0;
    EXPECT_EQ(bar->Binding().UseSkin(), skinned);
    if (!skinned) continue;
    EXPECT_EQ(tree->Color(), SkinColor("ListBox"));
    const int w = memo->Width(), h = memo->Height();
    EXPECT_EQ(Mismatches(Shot(memo), Picture("Edit", "Frame", Rect(0, 0, w, h), w, h), 2), 0);
    // The bar's first button is the skin's.
    const TRect button = bar->GetFirstButtonRect();
    const QImage drawn = Picture("ScrollBar", "TopButton", button, bar->Width(), bar->Height());
    const QImage shown = Shot(bar);
    const QPoint centre(button.Left + button.Width() / 2, button.Top + button.Height() / 2);
    EXPECT_EQ(shown.pixel(centre) & 0xFFFFFF, drawn.pixel(centre) & 0xFFFFFF);
  }
}

TEST_F(SkinnedViews, TheSkinnedBarScrollsItsMemoUnderTheMouse) {
  Load("devoir");
  auto* memo = Bound<TSeSkinMemo>(10, 10, 180, 150);
  memo->SetScrollBars(ssVertical);
  memo->SetWordWrap(false);
  QString text;
  for (int i = 0; i < 200; ++i) text += QString("line %1\n").arg(i);
  memo->SetText(text);
  ShowAll();
  TSeInplaceScrollBar* overlay = memo->SubScrollBar()->VertScrollBar();
  ASSERT_TRUE(overlay->isVisible());
  TSeCustomScrollBar* bar = overlay->ScrollBar();
  QScrollBar* real = memo->TextEdit()->verticalScrollBar();
  ASSERT_EQ(real->value(), 0);
  const int buttonSize = engine_->Source().GetObjectByName("ScrollBar")->FindObjectByName("BottomButton")->Height();
  ASSERT_EQ(bar->GetButtonSize(), buttonSize);

  // A click on the skin's bottom button: one line down.
  const QPoint bottomButton(bar->Width() / 2, bar->Height() - buttonSize / 2);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bottomButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(real->value(), 1);
  EXPECT_EQ(bar->Position(), 1);
  // A click on the track far below the thumb: the memo's own page down.
  memo->Perform(WM_VSCROLL, SB_PAGEDOWN);
  const int pageDown = real->value();
  ASSERT_GT(pageDown, 1);
  memo->Perform(WM_VSCROLL, SB_THUMBPOSITION | (1 << 16));
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->Width() / 2, bar->Height() - buttonSize - 4));
  QCoreApplication::processEvents();
  EXPECT_EQ(real->value(), pageDown);
  EXPECT_EQ(bar->Position(), real->value());
}
