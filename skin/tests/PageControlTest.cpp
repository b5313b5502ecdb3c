// The tab control with pages: tabs made from the visible pages, the active
// page switched by a click, by the program (SetActivePageIndex) and by
// loading, pages hidden, moved, renamed, added as tabs and freed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/core/StringList.h"
#include "platform/gui/Forms.h"
#include "skin/se_tabcontrol.h"
#include "skin/se_tabsheets.h"

namespace {

const QStringList kOptionPages = {"&General", "&Burning", "&Schedule", "S&ound", "&Interface && Skins"};

struct Pages {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TSeCustomTabControl* control;
  std::vector<TSeCustomTabSheet*> pages;
  std::vector<int> changes;
  explicit Pages(const QStringList& captions, bool loading = false) {
    form->SetBounds(0, 0, 400, 300);
    if (loading) form->BeginLoading();
    control = Create<TSeCustomTabControl>(form.get());
    control->SetParent(form.get());
    control->SetBounds(8, 8, 380, 200);
    control->SetUsePages(true);
    for (const QString& caption : captions) Add(caption);
    control->OnChange = [this](TControl*) { changes.push_back(control->TabIndex()); };
  }
  TSeCustomTabSheet* Add(const QString& caption) {
    auto* page = Create<TSeCustomTabSheet>(form.get());
    page->SetCaption(caption);
    page->SetTabControl(control);
    pages.push_back(page);
    return page;
  }
  QStringList Tabs() const { return control->Tabs()->ToQStringList(); }
  std::vector<bool> Shown() const {
    std::vector<bool> shown;
    for (auto* p : pages) shown.push_back(p->Visible());
    return shown;
  }
};

}  // namespace

TEST(SePageControl, TheActivePageFollowsClicksAndTheProgram) {
  Pages p(kOptionPages);
  EXPECT_EQ(p.Tabs(), kOptionPages);
  p.form->Show();
  int shown = 0;
  int hidden = 0;
  p.pages[2]->OnShow = [&](TControl*) { ++shown; };
  p.pages[2]->OnHide = [&](TControl*) { ++hidden; };

  const TRect third = p.control->GetTabRect(2);
  QTest::mouseClick(p.control, Qt::LeftButton, {}, QPoint(third.Left + 10, third.Top + 4));
  EXPECT_EQ(p.control->ActivePage(), p.pages[2]);
  EXPECT_EQ(p.control->TabIndex(), 2);
  EXPECT_EQ(p.Shown(), (std::vector<bool>{false, false, true, false, false}));
  EXPECT_EQ(shown, 1);
  // The page fills the control's page area.
  EXPECT_EQ(p.pages[2]->BoundsRect(), p.control->AdjustClientRect());

  // The schedule window opens the options on the third page, the main
  // window's Advance button on the first.
  p.control->SetActivePageIndex(0);
  EXPECT_EQ(p.control->ActivePage(), p.pages[0]);
  EXPECT_EQ(p.control->TabIndex(), 0);
  EXPECT_EQ(hidden, 1);
  for (int outside : {-1, 5, 99}) p.control->SetActivePageIndex(outside);
  EXPECT_EQ(p.control->ActivePage(), p.pages[0]);
  EXPECT_EQ(p.changes, (std::vector<int>{2, 0}));

  // Keys switch pages too.
  p.control->SetFocus();
  QTest::keyClick(p.control, Qt::Key_Right);
  EXPECT_EQ(p.control->ActivePage(), p.pages[1]);
}

TEST(SePageControl, LoadingShowsThePageOfTheStoredTabIndex) {
  Pages p(kOptionPages, true);
  p.control->SetTabIndex(4);
  p.form->EndLoading();
  EXPECT_EQ(p.control->ActivePage(), p.pages[4]);
  EXPECT_EQ(p.control->ActivePage()->Caption(), "&Interface && Skins");
  EXPECT_EQ(p.control->TabIndex(), 4);
}

TEST(SePageControl, HiddenMovedAndRenamedPagesKeepTheTabsInStep) {
  Pages p({"One", "Two", "Three"});
  p.control->SetActivePageIndex(1);
  p.pages[1]->SetPageVisible(false);
  EXPECT_EQ(p.Tabs(), (QStringList{"One", "Three"}));
  // TabIndex keeps its number: the page now at that tab is shown.
  EXPECT_EQ(p.control->TabIndex(), 1);
  EXPECT_EQ(p.control->ActivePage(), p.pages[2]);
  EXPECT_EQ(p.control->PageIndexToTabIndex(1), 0);
  EXPECT_EQ(p.control->TabIndexToPageIndex(1), 2);
  p.pages[1]->SetPageVisible(true);

  p.pages[0]->SetPageIndex(2);
  EXPECT_EQ(p.control->GetPage(0), p.pages[2]);
  EXPECT_EQ(p.control->GetPage(1), p.pages[1]);
  EXPECT_EQ(p.Tabs(), (QStringList{"Three", "Two", "One"}));
  EXPECT_THROW(p.pages[0]->SetPageIndex(3), EListError);
  EXPECT_EQ(p.Tabs(), (QStringList{"Three", "Two", "One"}));

  p.pages[1]->SetCaption("Second");
  EXPECT_EQ(p.Tabs(), (QStringList{"Three", "Second", "One"}));
  // A page without a caption gets one from its place.
  Pages q({"A", "B"});
  auto* blank = q.Add("");
  EXPECT_EQ(blank->Caption(), "New Page 2");
  EXPECT_EQ(q.Tabs(), (QStringList{"A", "B", "New Page 2"}));
}

TEST(SePageControl, ATabWithoutItsPageGetsOne) {
  Pages p({"Same", "Other"});
  p.control->SetActivePageIndex(1);
  p.control->Tabs()->Add("Same");  // two tabs, one page of that caption
  ASSERT_EQ(p.control->PageCount(), 3);
  // Made at the place of the first tab of that caption, and shown.
  TSeCustomTabSheet* made = p.control->GetPage(0);
  EXPECT_EQ(made->Caption(), "Same");
  EXPECT_EQ(p.control->ActivePage(), made);
  EXPECT_EQ(p.control->TabIndex(), 0);
  EXPECT_EQ(p.Tabs(), (QStringList{"Same", "Same", "Other"}));
  p.control->Tabs()->Add("Other");
  EXPECT_EQ(p.control->PageCount(), 4);
  // Tabs and pages agree: nothing more is made.
  p.control->Tabs()->SetStrings(0, "Same");
  EXPECT_EQ(p.control->PageCount(), 4);
}

TEST(SePageControl, FreedPagesLeaveTheControlConsistent) {
  Pages p({"One", "Two", "Three"});
  p.control->SetActivePageIndex(2);
  delete p.pages[0];  // a page before the active one
  EXPECT_EQ(p.Tabs(), (QStringList{"Two", "Three"}));
  EXPECT_EQ(p.control->ActivePage(), p.pages[2]);
  EXPECT_EQ(p.control->TabIndex(), 1);  // still the active page's tab

  delete p.pages[2];  // the active one
  EXPECT_EQ(p.control->TabIndex(), 0);
  EXPECT_EQ(p.control->ActivePage(), p.pages[1]);
  EXPECT_TRUE(p.pages[1]->Visible());
  delete p.pages[1];  // the only one
  EXPECT_EQ(p.control->TabIndex(), -1);
  EXPECT_EQ(p.control->ActivePage(), nullptr);
  EXPECT_EQ(p.control->PageCount(), 0);

  // A page moved to another control arrives there without a tab.
  Pages a({"Kept", "Moved"});
  Pages b({"Own"});
  a.pages[1]->SetTabControl(b.control);
  EXPECT_EQ(a.Tabs(), (QStringList{"Kept"}));
  EXPECT_EQ(b.control->PageCount(), 2);
  EXPECT_EQ(b.Tabs(), (QStringList{"Own"}));
  a.pages.pop_back();
}

TEST(SePageControl, APageShowsTheControlsPageFrameBehindItsChildren) {
  Pages p({"One"});
  EXPECT_EQ(p.control->ActivePage(), p.pages[0]);  // a lone page is shown too
  p.control->SetColor(clRed);  // the strip's background, outside the frame
  p.form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(p.form.get()));
  const QImage control = p.control->grab().toImage();
  const QImage page = p.pages[0]->grab().toImage();
  const TRect area = p.control->AdjustClientRect();
  for (const QPoint at : {QPoint(0, 0), QPoint(page.width() - 1, page.height() - 1), QPoint(30, 40)})
    EXPECT_EQ(page.pixelColor(at), control.pixelColor(at + QPoint(area.Left, area.Top))) << at.x() << "," << at.y();
  EXPECT_NE(page.pixelColor(0, 0), QColor(Qt::red));
}
