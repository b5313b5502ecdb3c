// The tree view through its host-named API, driven with QTest input.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProxyStyle>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/TreeView.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class TreeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 320, 240);
    tree = Create<TTreeView>(form.get());
    tree->SetParent(form.get());
    tree->SetAlign(alClient);
  }
  void ShowForm() {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  // Clicks the middle of the node's text.
  void ClickNode(TTreeNode* node) {
    const TRect r = node->DisplayRect(true);
    ASSERT_FALSE(r.Width() <= 0);
    QWidget* viewport = tree->View()->viewport();
    const QPoint at = viewport->mapFrom(tree, QPoint(r.Left + 4, (r.Top + r.Bottom) / 2));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  }
  std::unique_ptr<TForm> form;
  TTreeView* tree = nullptr;
};

// The label editor now open (closed ones linger hidden until deleted).
QLineEdit* OpenEditor(QAbstractItemView* view) {
  for (QLineEdit* e : view->viewport()->findChildren<QLineEdit*>())
    if (e->isVisible()) return e;
  return nullptr;
}

std::vector<QString> PreOrder(TTreeNodes* nodes) {
  std::vector<QString> texts;
  for (int i = 0; i < nodes->Count(); ++i) texts.push_back(nodes->Item(i)->Text());
  return texts;
}

TEST_F(TreeViewTest, NodesLandWhereTheHostPutsThem) {
  TTreeNodes* nodes = tree->Items();
  TTreeNode* disc = nodes->Add(nullptr, "Disc");
  TTreeNode* b = nodes->AddChild(disc, "B");
  nodes->AddChild(disc, "C");
  nodes->AddChildFirst(disc, "A");
  nodes->Insert(b, "A2");        // before B
  nodes->Add(b, "D");            // last sibling of B
  nodes->AddFirst(disc, "Top");  // first top-level node
  TTreeNode* deep = nodes->AddChild(b, "B1");
  int payload = 7;
  deep->SetData(&payload);

  EXPECT_EQ(PreOrder(nodes), (std::vector<QString>{"Top", "Disc", "A", "A2", "B", "B1", "C", "D"}));
  EXPECT_EQ(nodes->Count(), 8);
  EXPECT_EQ(disc->Count(), 5);
  EXPECT_EQ(disc->Item(2), b);
  EXPECT_EQ(b->Index(), 2);
  EXPECT_EQ(b->Parent(), disc);
  EXPECT_EQ(disc->Parent(), nullptr);
  EXPECT_EQ(deep->Level(), 2);
  EXPECT_EQ(disc->Level(), 0);
  EXPECT_EQ(disc->GetFirstChild()->Text(), "A");
  EXPECT_EQ(disc->GetFirstChild()->getNextSibling()->Text(), "A2");
  EXPECT_EQ(disc->GetLastChild()->getNextSibling(), nullptr);
  EXPECT_EQ(b->getPrevSibling()->Text(), "A2");
  EXPECT_EQ(deep->GetNext()->Text(), "C");
  EXPECT_EQ(nodes->Item(7)->GetPrev()->Text(), "C");
  EXPECT_EQ(deep->AbsoluteIndex(), 5);
  EXPECT_EQ(*static_cast<int*>(nodes->Item(5)->Data()), 7);
  EXPECT_TRUE(deep->HasAsParent(disc));
  EXPECT_THROW(disc->Item(5), EListError);
  EXPECT_THROW(nodes->Item(8), EListError);
  // The view sees the same shape.
  QAbstractItemModel* model = tree->View()->model();
  EXPECT_EQ(model->rowCount(), 2);
  EXPECT_EQ(model->rowCount(model->index(1, 0)), 5);
  EXPECT_EQ(model->index(2, 0, model->index(1, 0)).data().toString(), "B");
}

TEST_F(TreeViewTest, DeletingMovesTheSelectionAndReportsEachNode) {
  TTreeNodes* nodes = tree->Items();
  TTreeNode* root = nodes->Add(nullptr, "Root");
  TTreeNode* a = nodes->AddChild(root, "A");
  nodes->AddChild(a, "A1");
  nodes->AddChild(a, "A2");
  TTreeNode* b = nodes->AddChild(root, "B");
  std::vector<QString> deleted;
  std::vector<TTreeNode*> changes;
  tree->OnDeletion = [&](TControl*, TTreeNode* node) { deleted.push_back(node->Text()); };
  tree->OnChange = [&](TControl*, TTreeNode* node) { changes.push_back(node); };
  tree->SetSelected(a);
  ASSERT_EQ(changes, std::vector<TTreeNode*>{a});
  changes.clear();

  a->Delete();
  EXPECT_EQ(deleted, (std::vector<QString>{"A1", "A2", "A"}));
  EXPECT_EQ(nodes->Count(), 2);
  EXPECT_EQ(b->Index(), 0);
  // The selection went to a surviving node, reported once.
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], tree->Selected());
  EXPECT_TRUE(changes[0] == b || changes[0] == root);

  nodes->Clear();
  EXPECT_EQ(nodes->Count(), 0);
  EXPECT_EQ(tree->Selected(), nullptr);
  EXPECT_EQ(nodes->GetFirstNode(), nullptr);
}

TEST_F(TreeViewTest, ClickSelectsOnceAndShowsTheSelectedImage) {
  auto images = CreateUnique<TImageList>();
  for (TColor c : {clRed, clGreen, clBlue}) {
    TBitmap bitmap;
    bitmap.SetWidth(16);
    bitmap.SetHeight(16);
    bitmap.Canvas().Brush().SetColor(c);
    bitmap.Canvas().FillRect(Rect(0, 0, 16, 16));
    images->Add(bitmap);
  }
  tree->SetImages(images.get());
  TTreeNodes* nodes = tree->Items();
  TTreeNode* root = nodes->Add(nullptr, "My Disc");
  TTreeNode* folder = nodes->AddChild(root, "Folder");
  folder->SetImageIndex(1);
  folder->SetSelectedIndex(2);
  root->Expand(false);
  ShowForm();
  EXPECT_TRUE(tree->View()->isExpanded(tree->View()->model()->index(0, 0)));

  int changes = 0;
  TTreeNode* reported = nullptr;
  tree->OnChange = [&](TControl*, TTreeNode* node) {
    ++changes;
    reported = node;
  };
  ClickNode(folder);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(reported, folder);
  EXPECT_TRUE(folder->Selected());
  const QModelIndex index = tree->View()->model()->index(0, 0, tree->View()->model()->index(0, 0));
  const QImage shown = index.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
  EXPECT_EQ(shown.pixelColor(8, 8), QColor(Qt::blue));

  // A right click leaves the selection alone unless RightClickSelect.
  const TRect r = root->DisplayRect(true);
  QTest::mouseClick(tree->View()->viewport(), Qt::RightButton, {},
                    tree->View()->viewport()->mapFrom(tree, QPoint(r.Left + 4, r.Top + 4)));
  EXPECT_EQ(tree->Selected(), folder);
  EXPECT_EQ(changes, 1);

  tree->grab().save(QStringLiteral(BURNER_BINARY_DIR "/tree_view.png"));
  // Freeing the image list first leaves the tree without images.
  images.reset();
  EXPECT_EQ(tree->Images(), nullptr);
  tree->repaint();
}

TEST_F(TreeViewTest, LabelEditingAsksAndReportsOnce) {
  TTreeNode* root = tree->Items()->Add(nullptr, "My Disc");
  TTreeNode* folder = tree->Items()->AddChild(root, "New_Folder_0");
  root->Expand(false);
  ShowForm();
  bool allow = false;
  int editing = 0;
  std::vector<QString> edited;
  tree->OnEditing = [&](TControl*, TTreeNode* node, bool& ok) {
    ++editing;
    EXPECT_EQ(node, folder);
    ok = allow;
  };
  tree->OnEdited = [&](TControl*, TTreeNode*, QString& text) {
    edited.push_back(text);
    text = text.trimmed();
  };

  EXPECT_FALSE(folder->EditText());
  EXPECT_EQ(editing, 1);
  EXPECT_FALSE(tree->IsEditing());

  allow = true;
  ASSERT_TRUE(folder->EditText());
  auto* editor = OpenEditor(tree->View());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, " Docs ");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(edited, std::vector<QString>{" Docs "});
  EXPECT_EQ(folder->Text(), "Docs");  // the handler's change counts

  ASSERT_TRUE(folder->EditText());
  editor = OpenEditor(tree->View());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "Lost");
  folder->EndEdit(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(edited.size(), 1u);
  EXPECT_EQ(folder->Text(), "Docs");

  tree->SetReadOnly(true);
  EXPECT_FALSE(folder->EditText());
  EXPECT_EQ(editing, 3);  // a read-only tree never starts an edit
}

TEST_F(TreeViewTest, BatchKeepsExpansionAndSelection) {
  TTreeNodes* nodes = tree->Items();
  TTreeNode* root = nodes->Add(nullptr, "Root");
  TTreeNode* a = nodes->AddChild(root, "A");
  nodes->AddChild(a, "A1");
  root->Expand(false);
  a->Expand(false);
  tree->SetSelected(a);
  ShowForm();

  int changes = 0;
  tree->OnChange = [&](TControl*, TTreeNode*) { ++changes; };
  nodes->BeginUpdate();
  for (int i = 0; i < 50; ++i) nodes->AddChild(root, QStringLiteral("N%1").arg(i));
  nodes->Delete(nodes->Item(2));  // A1
  nodes->EndUpdate();

  QAbstractItemModel* model = tree->View()->model();
  const QModelIndex rootIndex = model->index(0, 0);
  EXPECT_EQ(model->rowCount(rootIndex), 51);
  EXPECT_TRUE(tree->View()->isExpanded(rootIndex));
  EXPECT_EQ(tree->Selected(), a);
  EXPECT_EQ(tree->View()->currentIndex(), model->index(0, 0, rootIndex));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(a->HasChildren());
}

TEST_F(TreeViewTest, HundredThousandNodesWalkInOrder) {
  TTreeNodes* nodes = tree->Items();
  nodes->BeginUpdate();
  TTreeNode* root = nodes->Add(nullptr, "Root");
  for (int folder = 0; folder < 100; ++folder) {
    TTreeNode* f = nodes->AddChild(root, QStringLiteral("F%1").arg(folder));
    for (int file = 0; file < 999; ++file) nodes->AddChild(f, QStringLiteral("%1*%2").arg(folder).arg(file));
  }
  root->Expand(false);
  nodes->EndUpdate();
  ASSERT_EQ(nodes->Count(), 1 + 100 * 1000);

  // Sequential access by index and sibling walks are linear passes.
  int files = 0;
  for (int i = 0; i < nodes->Count(); ++i)
    if (nodes->Item(i)->Text().contains('*')) ++files;
  EXPECT_EQ(files, 99900);
  int siblings = 0;
  for (TTreeNode* n = root->Item(50)->GetFirstChild(); n; n = n->getNextSibling()) ++siblings;
  EXPECT_EQ(siblings, 999);
  EXPECT_EQ(nodes->Item(100000)->Text(), "99*998");
  EXPECT_EQ(root->Item(99)->Item(998)->Level(), 2);
}

TEST_F(TreeViewTest, HandlerExceptionsReachTheApplication) {
  std::vector<std::string> errors;
  Application().OnException = [&](TComponent*, const std::exception& e) { errors.push_back(e.what()); };
  TTreeNode* root = tree->Items()->Add(nullptr, "Root");
  tree->OnChange = [](TControl*, TTreeNode*) { throw std::runtime_error("change failed"); };
  tree->SetSelected(root);
  EXPECT_EQ(errors, std::vector<std::string>{"change failed"});
  EXPECT_EQ(tree->Selected(), root);
  Application().OnException = nullptr;
}

TEST_F(TreeViewTest, OwnerFreesTheTree) {
  QPointer<QWidget> view = tree->View();
  tree->Items()->Add(nullptr, "Root");
  form.reset();
  EXPECT_TRUE(view.isNull());
}

}  // namespace

// A key the view leaves unused (Delete, F5) raises the key events once, as
// does one it uses (Down).
TEST_F(TreeViewTest, KeyEventsAreRaisedOncePerKey) {
  TTreeNodes* nodes = tree->Items();
  TTreeNode* root = nodes->Add(nullptr, "My Disc");
  nodes->AddChild(root, "Folder");
  root->Expand(false);
  tree->SetSelected(root);
  std::vector<int> downs, ups;
  tree->OnKeyDown = [&](TControl*, int& key, TShiftState) { downs.push_back(key); };
  tree->OnKeyUp = [&](TControl*, int& key, TShiftState) { ups.push_back(key); };
  ShowForm();
  QWidget* keys = tree->focusProxy() ? tree->focusProxy() : tree;
  for (Qt::Key key : {Qt::Key_Delete, Qt::Key_F5, Qt::Key_Down}) QTest::keyClick(keys, key);
  EXPECT_EQ(downs, (std::vector<int>{VK_DELETE, VK_F5, 0x28}));
  EXPECT_EQ(ups, (std::vector<int>{VK_DELETE, VK_F5, 0x28}));
}

// Qt's style keeps the branch arrows it draws under the key of the palette
// they were drawn with: the arrows of colours the tree had before must be
// drawn with the key they had then, or every change of colours (a skin
// switched back and forth) leaves another set in Qt's cache for good.
TEST_F(TreeViewTest, ColoursSeenBeforeDrawTheirBranchesUnderTheSameKey) {
  class KeyRecorder : public QProxyStyle {
   public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
      if (element == PE_IndicatorBranch) keys.insert(option->palette.cacheKey());
      QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    mutable std::set<qint64> keys;
  };
  auto* style = new KeyRecorder;
  style->setParent(form.get());
  tree->View()->setStyle(style);
  TTreeNode* disc = tree->Items()->Add(nullptr, "Disc");
  tree->Items()->AddChild(disc, "Music");
  tree->FullExpand();
  ShowForm();
  auto colours = [&](TColor color, TColor text) {
    tree->SetColor(color);
    TFont font = *tree->Font();
    font.SetColor(text);
    tree->SetFont(font);
    tree->View()->viewport()->repaint();
  };
  colours(clWindow, clWindowText);
  colours(clNavy, clYellow);
  const std::set<qint64> two = style->keys;
  ASSERT_EQ(two.size(), 2u);
  for (int i = 0; i < 5; ++i) {
    colours(clWindow, clWindowText);
    colours(clNavy, clYellow);
  }
  EXPECT_EQ(style->keys, two);
}
