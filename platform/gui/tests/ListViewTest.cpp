// The report-style list view through its host names, driven with QTest.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Menus.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 400, 240);
    list = Create<TListView>(form.get());
    list->SetParent(form.get());
    list->SetAlign(alClient);
    list->SetViewStyle(vsReport);
    list->SetGridLines(true);
    list->SetRowSelect(true);
    TListColumn* name = list->Columns()->Add();
    name->SetCaption("Name (Drop files and folders here)");
    name->SetWidth(256);
    TListColumn* size = list->Columns()->Add();
    size->SetCaption("Size (Byte)");
    size->SetWidth(80);
    size->SetAlignment(taRightJustify);
  }
  TListItem* AddRow(const QString& caption, const QString& size) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(caption);
    item->SubItems()->Add(size);
    return item;
  }
  void ShowForm() {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  QPoint RowPoint(TListItem* item, int dx = 20) {
    const TRect r = item->DisplayRect();
    return list->View()->viewport()->mapFrom(list, QPoint(r.Left + dx, (r.Top + r.Bottom) / 2));
  }
  std::unique_ptr<TForm> form;
  TListView* list = nullptr;
};

TEST_F(ListViewTest, ColumnsAndItemsShowInTheView) {
  int payload = 3;
  TListItem* a = AddRow("C:\\a.txt", "1,024");
  a->SetData(&payload);
  AddRow("D:\\Music", "12,345,678");
  TListItem* first = list->Items()->Insert(0);
  first->SetCaption("E:\\first");

  EXPECT_EQ(list->Columns()->Count(), 2);
  EXPECT_EQ(list->Columns()->Items(0)->Width(), 256);
  EXPECT_EQ(list->View()->header()->sectionSize(0), 256);
  EXPECT_EQ(list->Items()->Count(), 3);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(list->Items()->Item(1)->Data(), &payload);
  QAbstractItemModel* model = list->View()->model();
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Size (Byte)");
  EXPECT_EQ(model->index(2, 1).data().toString(), "12,345,678");
  EXPECT_EQ(model->index(0, 1).data().toString(), "");
  a->SubItems()->SetStrings(0, "2,048");
  EXPECT_EQ(model->index(1, 1).data().toString(), "2,048");
  EXPECT_THROW(list->Items()->Item(3), EListError);

  list->Items()->Delete(0);
  EXPECT_EQ(a->Index(), 0);
  EXPECT_EQ(list->Items()->IndexOf(a), 0);
  list->Items()->Clear();
  EXPECT_EQ(model->rowCount(), 0);
}

// The line under a row: the host's button face on a list of the window
// colour, and a shade of the list's own colours on one that has them (a
// dark skin's list would otherwise carry glaring light lines).
TEST_F(ListViewTest, GridLinesTakeAShadeOfTheListsOwnColours) {
  AddRow("C:\\a.txt", "1,024");
  AddRow("C:\\b.txt", "2,048");
  ShowForm();
  struct Case {
    TColor back, text, line;
  } const cases[] = {
      {clWindow, clWindowText, clBtnFace},
      {RGB(36, 38, 42), RGB(232, 232, 232), RGB(101, 102, 105)},
      {RGB(250, 250, 235), RGB(32, 48, 24), RGB(177, 182, 164)},
  };
  for (const Case& c : cases) {
    list->SetColor(c.back);
    TFont font = *list->Font();
    font.SetColor(c.text);
    list->SetFont(font);
    const QImage shown = list->View()->viewport()->grab().toImage();
    // The second row: the first is the current one, framed by the style.
    const TRect r = list->Items()->Item(1)->DisplayRect();
    const QPoint under = list->View()->viewport()->mapFrom(list, QPoint(200, r.Bottom - 1));
    EXPECT_EQ(QColor(shown.pixel(under)), ColorToQColor(c.line)) << std::hex << c.back;
  }
}

TEST_F(ListViewTest, SelectionByMouseAndCodeReportsEachChangeOnce) {
  list->SetMultiSelect(true);
  TListItem* a = AddRow("a", "1");
  TListItem* b = AddRow("b", "2");
  TListItem* c = AddRow("c", "3");
  ShowForm();
  std::vector<std::pair<QString, bool>> events;
  list->OnSelectItem = [&](TControl*, TListItem* item, bool selected) {
    events.emplace_back(item->Caption(), selected);
  };
  QTest::mouseClick(list->View()->viewport(), Qt::LeftButton, {}, RowPoint(a));
  EXPECT_EQ(events, (std::vector<std::pair<QString, bool>>{{"a", true}}));
  QTest::mouseClick(list->View()->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(c));
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(a->Selected());
  EXPECT_FALSE(b->Selected());
  EXPECT_EQ(list->Selected(), a);

  events.clear();
  b->SetSelected(true);
  a->SetSelected(false);
  EXPECT_EQ(events, (std::vector<std::pair<QString, bool>>{{"b", true}, {"a", false}}));

  // Deleting selected items from the last to the first, as the editor does.
  events.clear();
  for (int i = list->Items()->Count() - 1; i >= 0; --i)
    if (list->Items()->Item(i)->Selected()) list->Items()->Delete(i);
  EXPECT_TRUE(events.empty());
  ASSERT_EQ(list->Items()->Count(), 1);
  EXPECT_EQ(list->Items()->Item(0)->Caption(), "a");

  // Without MultiSelect, selecting one clears the other.
  list->SetMultiSelect(false);
  TListItem* d = AddRow("d", "4");
  list->Items()->Item(0)->SetSelected(true);
  d->SetSelected(true);
  EXPECT_EQ(list->SelCount(), 1);
  EXPECT_EQ(list->ItemIndex(), 1);
}

TEST_F(ListViewTest, EditingIsAskedAndReadOnlyRefuses) {
  TListItem* a = AddRow("Track 1", "3:5");
  ShowForm();
  int asked = 0;
  list->OnEditing = [&](TControl*, TListItem*, bool& allow) {
    ++asked;
    allow = false;
  };
  EXPECT_FALSE(a->EditCaption());
  EXPECT_EQ(asked, 1);
  list->OnEditing = [&](TControl*, TListItem*, bool&) { ++asked; };
  QString reported;
  list->OnEdited = [&](TControl*, TListItem*, QString& text) { reported = text; };
  ASSERT_TRUE(a->EditCaption());
  QLineEdit* editor = nullptr;
  for (QLineEdit* e : list->View()->viewport()->findChildren<QLineEdit*>())
    if (e->isVisible()) editor = e;
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "Intro");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(reported, "Intro");
  EXPECT_EQ(a->Caption(), "Intro");
  list->SetReadOnly(true);
  EXPECT_FALSE(a->EditCaption());
  EXPECT_EQ(asked, 2);
}

TEST_F(ListViewTest, DropsNameTheSourceAndTheRowUnderTheMouse) {
  TListItem* a = AddRow("a", "1");
  TListItem* b = AddRow("b", "2");
  ShowForm();
  std::vector<TDragState> states;
  list->OnDragOver = [&](TControl* sender, TControl* source, int, int, TDragState state, bool& accept) {
    states.push_back(state);
    accept = source == nullptr || source == sender;
  };
  TListItem* target = nullptr;
  int drops = 0;
  list->OnDragDrop = [&](TControl*, TControl* source, int, int) {
    ++drops;
    EXPECT_EQ(source, nullptr);
    target = list->DropTarget();
  };
  // A drag from another program: no source control.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/x.mp3")});
  QWidget* viewport = list->View()->viewport();
  QDragEnterEvent enter(RowPoint(b), Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(viewport, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(RowPoint(b), Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(viewport, &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(list->DropTarget(), b);
  QDropEvent drop(RowPoint(b), Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(viewport, &drop);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(target, b);
  EXPECT_EQ(list->DropTarget(), nullptr);
  EXPECT_EQ(states, (std::vector<TDragState>{dsDragEnter, dsDragMove}));
  EXPECT_EQ(FindControlOf(viewport), list);
  EXPECT_EQ(list->GetItemAt(5, RowPoint(a).y() + list->View()->viewport()->y()), a);

  // Without OnDragOver nothing is accepted.
  list->OnDragOver = nullptr;
  QDragMoveEvent refused(RowPoint(a), Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(viewport, &refused);
  EXPECT_FALSE(refused.isAccepted());
  form->grab().save(QStringLiteral(BURNER_BINARY_DIR "/list_view.png"));
}

TEST_F(ListViewTest, DoubleClickAndDeletionEvents) {
  AddRow("a", "1");
  TListItem* b = AddRow("b", "2");
  ShowForm();
  int dbl = 0;
  list->OnDblClick = [&](TControl*) { ++dbl; };
  QTest::mouseDClick(list->View()->viewport(), Qt::LeftButton, {}, RowPoint(b, 100));
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(list->Selected(), b);
  std::vector<QString> deleted;
  list->OnDeletion = [&](TControl*, TListItem* item) { deleted.push_back(item->Caption()); };
  list->Items()->Clear();
  EXPECT_EQ(deleted, (std::vector<QString>{"a", "b"}));
  EXPECT_EQ(list->Selected(), nullptr);
}

TEST_F(ListViewTest, RightClickShowsThePopupMenu) {
  AddRow("a", "1");
  ShowForm();
  auto* popup = Create<TPopupMenu>(form.get());
  popup->Items()->Add(NewItem(form.get(), "&Remove"));
  EXPECT_EQ(list->View()->viewport()->contextMenuPolicy(), Qt::DefaultContextMenu);
  list->SetPopupMenu(popup);
  EXPECT_EQ(list->View()->viewport()->contextMenuPolicy(), Qt::PreventContextMenu);
  QTest::mouseClick(list->View()->viewport(), Qt::RightButton, {}, RowPoint(list->Items()->Item(0)));
  ASSERT_NE(popup->Shown(), nullptr);
  EXPECT_EQ(popup->PopupComponent(), list);
  EXPECT_EQ(list->Selected(), list->Items()->Item(0));
  popup->Shown()->close();
  delete popup;
  EXPECT_EQ(list->PopupMenu(), nullptr);
}

TEST_F(ListViewTest, ScrollsByPixelsAndReportsItsBars) {
  list->Items()->BeginUpdate();
  for (int i = 0; i < 200; ++i) AddRow(QStringLiteral("row %1").arg(i), "0");
  list->Items()->EndUpdate();
  ShowForm();
  QCoreApplication::processEvents();
  TScrollInfo info;
  ASSERT_TRUE(list->ScrollInfo(sbVertical, info));
  EXPECT_TRUE(info.Visible);
  list->Scroll(0, 37);
  ASSERT_TRUE(list->ScrollInfo(sbVertical, info));
  EXPECT_EQ(info.Position, 37);
  EXPECT_NE(list->TopItem(), list->Items()->Item(0));
}

}  // namespace
