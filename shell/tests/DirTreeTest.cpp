#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ExplorerFixture.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"

namespace {

class DirTreeTest : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    MakeDir("Alpha/Sub/Deeper");
    MakeDir("beta");
    MakeDir("Gamma");
    MakeDir(".hidden");
    MakeFile("file.txt", 10);
    MakeFile("Alpha/Sub/five.bin", 500);
    tree_.reset(Create<TEwDirTree21>(nullptr));
    tree_->SetBounds(0, 0, 240, 300);
    tree_->OnDirChange = [this](TControl* sender, const QString& path) {
      EXPECT_EQ(sender, tree_.get());
      changes_.push_back(path);
    };
  }
  void TearDown() override {
    list_.reset();
    tree_.reset();
    ExplorerTest::TearDown();
  }

  QTreeWidgetItem* Volume() { return tree_->ComputerNode()->child(0); }
  static QStringList Children(QTreeWidgetItem* node) {
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i) names.push_back(node->child(i)->text(0));
    return names;
  }
  // Clicks a node's label as the user would.
  void ClickNode(QTreeWidgetItem* node, Qt::MouseButton button = Qt::LeftButton) {
    QTreeWidget* view = tree_->TreeView();
    view->scrollToItem(node);
    QTest::mouseClick(view->viewport(), button, {}, view->visualItemRect(node).center());
  }

  std::unique_ptr<TEwDirTree21> tree_;
  std::unique_ptr<TEwFilelistView28> list_;
  QStringList changes_;
};

TEST_F(DirTreeTest, ListsFoldersOfAVolumeLazilyWithoutHiddenOnes) {
  QTreeWidgetItem* computer = tree_->ComputerNode();
  ASSERT_NE(computer, nullptr);
  EXPECT_EQ(computer->text(0), "Computer");
  ASSERT_EQ(computer->childCount(), 1);
  QTreeWidgetItem* volume = Volume();
  EXPECT_EQ(volume->text(0), "Data");
  EXPECT_EQ(tree_->GetNodePath(volume), root_ + "/");
  // Nothing is read below a volume until it opens.
  EXPECT_EQ(volume->childCount(), 0);
  EXPECT_EQ(volume->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  volume->setExpanded(true);
  EXPECT_EQ(Children(volume), (QStringList{"Alpha", "beta", "Gamma"}));
  QTreeWidgetItem* alpha = volume->child(0);
  EXPECT_EQ(alpha->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  EXPECT_EQ(alpha->childCount(), 0);
  EXPECT_EQ(volume->child(1)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  alpha->setExpanded(true);
  EXPECT_EQ(Children(alpha), QStringList{"Sub"});
  EXPECT_EQ(tree_->GetNodePath(alpha->child(0)), Path("Alpha/Sub"));
  EXPECT_EQ(tree_->GetNodePath(computer), "");
  EXPECT_EQ(tree_->GetNodePath(nullptr), "");
}

TEST_F(DirTreeTest, SelectPathShowsTheFolderAndFiresEveryTime) {
  tree_->SelectPath(Path("Alpha/Sub"));
  ASSERT_NE(tree_->Selected(), nullptr);
  EXPECT_EQ(tree_->Selected()->text(0), "Sub");
  EXPECT_EQ(tree_->SelectedPath(), Path("Alpha/Sub/"));
  tree_->SelectPath(Path("Alpha/Sub/"));
  EXPECT_EQ(changes_, (QStringList{Path("Alpha/Sub/"), Path("Alpha/Sub/")}));

  // Missing folders, hidden folders and empty texts change nothing.
  for (const QString& bad : {Path("Missing"), Path(".hidden"), QString()}) {
    tree_->SelectPath(bad);
    EXPECT_EQ(tree_->SelectedPath(), Path("Alpha/Sub/")) << bad.toStdString();
  }
  EXPECT_EQ(changes_.size(), 2);
}

TEST_F(DirTreeTest, ClickingNodesSetsThePathAndDrivesTheList) {
  list_.reset(Create<TEwFilelistView28>(nullptr));
  tree_->SetFileList(list_.get());
  EXPECT_EQ(list_->DirTree(), tree_.get());
  tree_->show();
  Volume()->setExpanded(true);
  ClickNode(Volume()->child(0));
  EXPECT_EQ(tree_->SelectedPath(), Path("Alpha"));
  EXPECT_EQ(list_->Directory(), Path("Alpha/"));
  EXPECT_EQ(changes_, QStringList{Path("Alpha")});

  ClickNode(tree_->ComputerNode());
  EXPECT_EQ(tree_->SelectedPath(), "Drives");
  EXPECT_EQ(list_->Directory(), "Drives");
  EXPECT_EQ(list_->Caption(0), "Data");

  // The arrow keys choose too; other keys do not.
  int key_ups = 0;
  tree_->OnKeyUp = [&](TControl*, int&, TShiftState) { ++key_ups; };
  tree_->TreeView()->setFocus();
  QTest::keyClick(tree_->TreeView(), Qt::Key_Down);
  EXPECT_EQ(tree_->SelectedPath(), root_ + "/");
  EXPECT_EQ(key_ups, 1);
  QTest::keyClick(tree_->TreeView(), Qt::Key_A);
  EXPECT_EQ(key_ups, 1);
  SaveShot(tree_.get(), "dir_tree");
}

TEST_F(DirTreeTest, NotReadyRemovableVolumeWarnsAndKeepsTheFolderShown) {
  volumes_.volumes.push_back({"Stick", Path("unplugged/"), kDriveRemovable});
  tree_->ReloadTree();
  list_.reset(Create<TEwFilelistView28>(nullptr));
  tree_->SetFileList(list_.get());
  tree_->show();
  tree_->ComputerNode()->setExpanded(true);
  Volume()->setExpanded(true);
  ClickNode(Volume()->child(0));
  changes_.clear();
  ClickNode(tree_->ComputerNode()->child(1));
  // The path stays the folder the list shows, so files dragged from the
  // list are never taken for files of the missing drive.
  EXPECT_EQ(tree_->SelectedPath(), Path("Alpha"));
  EXPECT_TRUE(changes_.isEmpty());
  EXPECT_EQ(list_->Directory(), Path("Alpha/"));
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_TRUE(Messages()[0].startsWith("There is no disk in Drive ")) << Messages()[0].toStdString();
}

TEST_F(DirTreeTest, NewFolderStartsAnEditThatRenamesWithoutAsking) {
  tree_->show();
  tree_->SelectPath(Path("Gamma"));
  ASSERT_TRUE(tree_->MakeNewFolder(nullptr, {}));
  EXPECT_TRUE(QDir(Path("Gamma/New Folder")).exists());
  EXPECT_EQ(tree_->SelectedPath(), Path("Gamma/New Folder/"));
  QTreeWidget* view = tree_->TreeView();
  auto* editor = view->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr) << "the in-place edit should be open";
  editor->selectAll();
  QTest::keyClicks(editor, "Music");
  QTest::keyClick(editor, Qt::Key_Return);
  Settle();
  EXPECT_TRUE(QDir(Path("Gamma/Music")).exists());
  EXPECT_FALSE(QDir(Path("Gamma/New Folder")).exists());
  EXPECT_TRUE(Messages().isEmpty()) << Messages().join("|").toStdString();

  // A second default folder gets a number rather than failing.
  tree_->SelectPath(Path("Gamma"));
  ASSERT_TRUE(tree_->MakeNewFolder(nullptr, {}));
  ASSERT_TRUE(tree_->MakeNewFolder(tree_->Selected()->parent(), {}));
  EXPECT_TRUE(QDir(Path("Gamma/New Folder(2)")).exists());

  // The computer node takes no folder; bad names are refused.
  EXPECT_FALSE(tree_->MakeNewFolder(tree_->ComputerNode(), "x"));
  tree_->SelectPath(Path("Gamma"));
  EXPECT_FALSE(tree_->MakeNewFolder(nullptr, "a:b"));
  EXPECT_EQ(Messages(), (QStringList{"Can't add drives", "Folder Name contains invalid characters"}));
}

TEST_F(DirTreeTest, RenameAsksFirstAndRefusesBadNames) {
  list_.reset(Create<TEwFilelistView28>(nullptr));
  tree_->SetFileList(list_.get());
  tree_->SelectPath(Path("beta"));
  QTreeWidgetItem* beta = tree_->Selected();

  dialogs_.AnswerMessage(mrNo);
  EXPECT_FALSE(tree_->Edit(beta, "Beta2"));
  EXPECT_TRUE(QDir(Path("beta")).exists());

  EXPECT_FALSE(tree_->Edit(beta, "a:b"));
  EXPECT_FALSE(tree_->Edit(beta, ""));

  dialogs_.AnswerMessage(mrYes);
  EXPECT_TRUE(tree_->Edit(beta, "Beta2"));
  EXPECT_TRUE(QDir(Path("Beta2")).exists());
  EXPECT_FALSE(QDir(Path("beta")).exists());
  EXPECT_EQ(beta->text(0), "Beta2");
  // The selection and the list move to the parent, whose path still exists.
  EXPECT_EQ(tree_->SelectedPath(), root_ + "/");
  EXPECT_EQ(list_->Directory(), root_ + "/");

  const QStringList messages = Messages();
  ASSERT_EQ(messages.size(), 3);
  EXPECT_EQ(messages[0], "Do you want to rename the selected folder\r\r    From  : beta\r    To     : Beta2");
  EXPECT_EQ(messages[1], "Error - Invalid Directory Name\ra:b");
  // Volumes and the computer node cannot be renamed.
  EXPECT_FALSE(tree_->CanEdit(Volume()));
  EXPECT_FALSE(tree_->CanEdit(tree_->ComputerNode()));
}

TEST_F(DirTreeTest, DeleteGoesToTheTrashAfterConfirmation) {
  UseFakeFileOps();
  tree_->SelectPath(Path("Gamma"));
  dialogs_.AnswerMessage(mrNo);
  EXPECT_FALSE(tree_->DeleteFolder(tree_->Selected()));
  EXPECT_TRUE(fake_ops_.Calls().empty());

  dialogs_.AnswerMessage(mrYes);
  QTreeWidgetItem* volume = tree_->Selected()->parent();
  EXPECT_TRUE(tree_->DeleteFolder(tree_->Selected()));
  ASSERT_EQ(fake_ops_.Calls().size(), 1u);
  EXPECT_EQ(fake_ops_.Calls()[0].op, "trash");
  EXPECT_EQ(fake_ops_.Calls()[0].from, Path("Gamma"));
  EXPECT_EQ(Children(volume), (QStringList{"Alpha", "beta"}));
  EXPECT_EQ(tree_->Selected(), volume);

  // A folder that went away meanwhile is reported, not trashed.
  tree_->SelectPath(Path("beta"));
  QDir(Path("beta")).removeRecursively();
  EXPECT_FALSE(tree_->DeleteFolder(tree_->Selected()));
  EXPECT_EQ(Messages().last(), Path("beta") + "not found");
  EXPECT_EQ(fake_ops_.Calls().size(), 1u);
}

TEST_F(DirTreeTest, CopyAndPasteAFolderOnce) {
  tree_->SelectPath(Path("Alpha/Sub"));
  TEwDirTree21PopUp* popup = tree_->PopUp();
  tree_->CutCopyFolder(FO_COPY);
  tree_->SelectPath(Path("beta"));
  popup->UpdateStates();
  EXPECT_TRUE(popup->Item("PasteNode")->isEnabled());
  popup->ItemClick(6);
  EXPECT_TRUE(QFile::exists(Path("beta/Sub/five.bin")));
  EXPECT_TRUE(QFile::exists(Path("Alpha/Sub/five.bin")));
  EXPECT_EQ(tree_->SelectedPath(), Path("beta/"));
  popup->UpdateStates();
  EXPECT_FALSE(popup->Item("PasteNode")->isEnabled());

  // Cut moves.
  tree_->SelectPath(Path("Gamma"));
  tree_->CutCopyFolder(FO_MOVE);
  tree_->SelectPath(Path("beta/Sub"));
  tree_->PasteFolder();
  EXPECT_TRUE(QDir(Path("beta/Sub/Gamma")).exists());
  EXPECT_FALSE(QDir(Path("Gamma")).exists());
}

TEST_F(DirTreeTest, PopupStatesFollowTheSelection) {
  TEwDirTree21PopUp* popup = tree_->PopUp();
  const QStringList names = {"AddNode",
                             "EditNode",
                             "DelNode",
                             "CutNode",
                             "CopyNode",
                             "PasteNode",
                             "GetTreeSize",
                             "ShowFolderContents",
                             "ConnectNetResource",
                             "DisConnectNetResource",
                             "ItemProperty"};
  auto states = [&] {
    popup->UpdateStates();
    QString s;
    for (const QString& name : names) s += popup->Item(name)->isEnabled() ? '1' : '0';
    return s;
  };
  tree_->SetSelected(tree_->ComputerNode());
  EXPECT_EQ(states(), "00000000110");
  tree_->SetSelected(Volume());
  EXPECT_EQ(states(), "10000011111");
  tree_->SelectPath(Path("beta"));
  EXPECT_EQ(states(), "11111011111");
  EXPECT_EQ(popup->Item("AddNode")->text(), "&New Folder");
  EXPECT_EQ(popup->Item("AddNode")->data().toInt(), 1);
  EXPECT_EQ(popup->Item("ItemProperty")->data().toInt(), 11);

  tree_->show();
  popup->Popup(20, 30);
  EXPECT_EQ(popup->pos(), tree_->mapToGlobal(QPoint(30, 40)));
  popup->hide();
}

TEST_F(DirTreeTest, TreeSizeReportsKilobytesAndMegabytes) {
  tree_->SelectPath(Path("Alpha"));
  EXPECT_EQ(tree_->ShowTreeSize(), 500.0);
  EXPECT_EQ(Messages().last(), "=== TREE SIZE ===\r\rFolder \"Alpha\"\rand all its Sub-Folders  =  1.00 KB");

  QFile big(Path("Gamma/big.bin"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(200000LL * 1024));
  big.close();
  tree_->SelectPath(Path("Gamma"));
  EXPECT_EQ(tree_->ShowTreeSize(), 200000.0 * 1024);
  EXPECT_TRUE(Messages().last().endsWith("=  195.31 MB")) << Messages().last().toStdString();
}

TEST_F(DirTreeTest, DraggedFoldersCarryFileUrls) {
  tree_->SelectPath(Path("Alpha/Sub"));
  QTreeWidget* view = tree_->TreeView();
  const QModelIndex index = view->currentIndex();
  std::unique_ptr<QMimeData> data(view->model()->mimeData({index}));
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->urls().size(), 1);
  EXPECT_EQ(data->urls()[0], QUrl::fromLocalFile(Path("Alpha/Sub")));
  EXPECT_TRUE(view->dragEnabled());
}

TEST_F(DirTreeTest, FolderContentsPicksAFile) {
  tree_->SelectPath(Path("Alpha/Sub"));
  QString picked;
  tree_->OnFileChange = [&](TControl*, const QString& file) { picked = file; };
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible() || !w->windowTitle().startsWith("Files in")) continue;
      EXPECT_EQ(w->windowTitle(), "Files in \" ../Sub \"");
      auto* list = w->findChild<QListWidget*>("FolderContentsList");
      ASSERT_NE(list, nullptr);
      ASSERT_EQ(list->count(), 1);
      list->item(0)->setSelected(true);
      list->setCurrentRow(0);
      w->findChild<QPushButton*>("FolderContentsOK")->click();
    }
  });
  tree_->ShowFolderContents();
  EXPECT_EQ(picked, Path("Alpha/Sub/five.bin"));
  EXPECT_EQ(tree_->SelectedFile(), Path("Alpha/Sub/five.bin"));
  EXPECT_EQ(tree_->SelectedPath(), Path("Alpha/Sub/"));
}

}  // namespace
