// The skinned memo, mask edit, scroll box, tree view and list view: the
// border is the skin's frame and the background its colour while a skin
// is loaded, the plain look without one; a skin change repaints them and
// binds their overlay bars again; the bars scroll their control under
// clicks with the skin's button size. Views and plain controls no wrapper
// makes take the skin's headers, bars and colours through a decor.

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTreeWidget>
#include <functional>

#include "platform/gui/ComCtrls.h"
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

namespace {

// A view of a control no skinned wrapper makes (as the explorer's are): a
// tree with a header, two columns and enough rows for a vertical bar.
class ForeignView : public TWinControl {
 public:
  explicit ForeignView(TComponent* owner) : TWinControl(owner), view(new QTreeWidget(this)) {
    view->setHeaderLabels({"Name", "Size"});
    view->header()->resizeSection(0, 90);
    for (int i = 0; i < 60; ++i) view->addTopLevelItem(new QTreeWidgetItem({QString("Row %1").arg(i), "1"}));
  }
  void resizeEvent(QResizeEvent*) override { view->setGeometry(rect()); }
  QTreeWidget* view;
};

QStyleOptionSlider BarOption(QScrollBar* bar) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = option.sliderValue = bar->value();
  option.pageStep = bar->pageStep();
  option.singleStep = bar->singleStep();
  option.upsideDown = false;
  return option;
}

}  // namespace

TEST_F(SkinnedViews, HeadersBarsAndColoursOfOtherViewsFollowTheSkin) {
  auto* foreign = Place<ForeignView>(10, 10, 200, 150);
  Create<TSeSkinViewDecor>(foreign, foreign->view, true)->SetSkinEngine(engine_.get());
  auto* list = Bound<TSeSkinSListView>(10, 170, 200, 60);
  list->SetViewStyle(vsReport);
  list->Columns()->Add()->SetCaption("Name");
  list->Columns()->Items(0)->SetWidth(90);
  struct HeaderCase {
    const char* name;
    QHeaderView* header;
  } const headers[] = {{"foreign view", foreign->view->header()}, {"skinned list view", list->View()->header()}};
  ShowAll();
  QScrollBar* bar = foreign->view->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  const QPalette plainPalette = foreign->view->palette();
  const int plainBar = bar->width();
  QImage plainHeaders[2];
  for (int i = 0; i < 2; ++i) plainHeaders[i] = Shot(headers[i].header);

  for (const char* skin : {"slate", "devoir", "meadow"}) {
    SCOPED_TRACE(skin);
    Load(skin);
    QCoreApplication::processEvents();
    // The view takes the list's background and text colours together.
    const TSeSkinObject* listBox = engine_->Source().GetObjectByName("ListBox");
    EXPECT_EQ(foreign->view->palette().color(QPalette::Base), ColorToQColor(listBox->Color()));
    TSeSkinObject* text = engine_->Source().GetObjectByName("ListBox")->FindObjectByName("Text");
    if (!text) text = engine_->Source().GetObjectByName("ListBox");
    EXPECT_EQ(foreign->view->palette().color(QPalette::Text), ColorToQColor(text->GetFont().Color()));
    // A header section shows the skin's button face right of its caption.
    for (const HeaderCase& c : headers) {
      SCOPED_TRACE(c.name);
      const int w = c.header->sectionSize(0), h = c.header->height();
      const QPoint free(w - 4, h / 2);
      EXPECT_EQ(Shot(c.header).pixel(free) & 0xFFFFFF,
                Picture("Button", "Face", Rect(0, 0, w, h), w, h).pixel(free) & 0xFFFFFF);
    }
    // The bar is as thick as the skin's and its first button is the skin's.
    QStyleOptionSlider option = BarOption(bar);
    const QRect up = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine, bar);
    ASSERT_FALSE(up.isEmpty());
    const QImage drawn = Picture("ScrollBar", "TopButton", Bounds(up.x(), up.y(), up.width(), up.height()),
                                 bar->width(), bar->height());
    EXPECT_EQ(Shot(bar).pixel(up.center()) & 0xFFFFFF, drawn.pixel(up.center()) & 0xFFFFFF);
  }

  // Without a skin everything looks as before.
  Load("");
  QCoreApplication::processEvents();
  EXPECT_EQ(foreign->view->palette(), plainPalette);
  EXPECT_EQ(bar->width(), plainBar);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(Mismatches(Shot(headers[i].header), plainHeaders[i], 0), 0) << headers[i].name;
}

TEST_F(SkinnedViews, APlainControlTakesTheEditsColoursEnabledOrNotAndGivesThemBack) {
  auto* picker = Place<TDateTimePicker>(10, 10, 120, 22);
  Create<TSeSkinColourBinding>(picker, "Edit")->SetSkinEngine(engine_.get());
  const TColor plainColor = picker->Color(), plainText = picker->Font()->Color();
  ShowAll();
  for (const char* skin : {"slate", "devoir"}) {
    SCOPED_TRACE(skin);
    Load(skin);
    TSeSkinObject* edit = engine_->Source().GetObjectByName("Edit");
    TSeSkinObject* text = edit->FindObjectByName("Text");
    EXPECT_EQ(picker->Color(), edit->Color());
    EXPECT_EQ(picker->Font()->Color(), (text ? text : edit)->GetFont().Color());
    // A disabled picker keeps the pair, so its date stays as legible.
    picker->SetEnabled(false);
    const QPalette shown = picker->Inner()->palette();
    EXPECT_EQ(shown.color(QPalette::Disabled, QPalette::Text), ColorToQColor(picker->Font()->Color()));
    EXPECT_EQ(shown.color(QPalette::Disabled, QPalette::Base), ColorToQColor(picker->Color()));
    picker->SetEnabled(true);
  }
  Load("");
  EXPECT_EQ(picker->Color(), plainColor);
  EXPECT_EQ(picker->Font()->Color(), plainText);
}
