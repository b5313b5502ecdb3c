#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include "ExplorerFixture.h"
#include "platform/core/Formats.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28ListPopup.h"
#include "shell/EwFileExplorer28Tree.h"

namespace {

class FileListTest : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    const QDateTime base(QDate(2024, 3, 5), QTime(14, 7, 0));
    MakeDir("Music/Inner");
    MakeDir("docs");
    MakeFile("a.txt", 500, base.addDays(2));
    MakeFile("empty.dat", 0, base.addDays(1));
    MakeFile("Big.bin", 5000, base);
    MakeFile("song.mp3", 2048, base.addDays(3));
    MakeFile("track.WAV", 3500, base.addDays(4));
    MakeFile(".secret", 5, base);
    MakeFile("Music/one.mp3", 100, base);
    list_.reset(Create<TEwFilelistView28>(nullptr));
    list_->SetBounds(0, 0, 560, 300);
  }
  void TearDown() override {
    tree_.reset();
    list_.reset();
    ExplorerTest::TearDown();
  }
  QStringList Captions() const {
    QStringList out;
    for (int i = 0; i < list_->ItemCount(); ++i) out.push_back(list_->Caption(i));
    return out;
  }
  void Select(const QStringList& captions) {
    list_->ListView()->clearSelection();
    for (int i = 0; i < list_->ItemCount(); ++i)
      if (captions.contains(list_->Caption(i))) list_->SetItemSelected(i, true);
  }

  std::unique_ptr<TEwFilelistView28> list_;
  std::unique_ptr<TEwDirTree21> tree_;
};

TEST_F(FileListTest, StartsInTheDriveViewAndListsAFolderWithItsColumns) {
  EXPECT_EQ(list_->Directory(), "Drives");
  EXPECT_EQ(list_->ColumnCaptions(), (QStringList{"Name", "Type", "Disk Size", "Free Space", "Attributes"}));
  list_->SetDirectory(Path("Music"));
  EXPECT_EQ(list_->Directory(), Path("Music/"));
  EXPECT_EQ(list_->ColumnCaptions(), (QStringList{"Name", "Size", "Type", "Modified", "Attr"}));
  ASSERT_EQ(Captions(), (QStringList{" Parent", "Inner", "one.mp3"}));

  EXPECT_EQ(list_->ImageIndex(0), 3);
  const QStringList parent = list_->SubItems(0);
  EXPECT_EQ(parent.value(kSubSize), " ");
  EXPECT_EQ(parent.value(kSubType), " ");
  EXPECT_EQ(parent.value(kSubPath), Path("Music/.."));
  EXPECT_EQ(parent.value(kSubKind), "dir");

  const QStringList folder = list_->SubItems(1);
  EXPECT_EQ(folder.value(kSubSize), " ");
  EXPECT_EQ(folder.value(kSubType), "Folder");
  EXPECT_EQ(folder.value(kSubPath), Path("Music/Inner"));
  EXPECT_EQ(folder.value(kSubKind), "dir");

  const QStringList file = list_->SubItems(2);
  EXPECT_EQ(file.value(kSubSize), "1 KB");
  EXPECT_EQ(file.value(kSubType), "MP3 audio");
  EXPECT_EQ(file.value(kSubModified), "3/5/2024 2:07 PM");
  EXPECT_EQ(file.value(kSubAttr), "A");
  EXPECT_EQ(file.value(kSubPath), Path("Music/one.mp3"));
  EXPECT_EQ(file.value(kSubKind), "file");
  EXPECT_EQ(list_->ListView()->topLevelItem(2)->text(1), "1 KB");
}

TEST_F(FileListTest, SizesHiddenFilesAndAttributes) {
  list_->SetDirectory(root_);
  auto sub = [&](const QString& caption, int column) {
    for (int i = 0; i < list_->ItemCount(); ++i)
      if (list_->Caption(i) == caption) return list_->SubItems(i).value(column);
    return QString("<missing>");
  };
  EXPECT_EQ(sub("a.txt", kSubSize), "1 KB");
  EXPECT_EQ(sub("empty.dat", kSubSize), "0 KB");
  EXPECT_EQ(sub("Big.bin", kSubSize), "4 KB");
  EXPECT_EQ(sub("docs", kSubSize), " ");
  EXPECT_EQ(sub(".secret", kSubAttr), "AH");
  QFile::setPermissions(Path("a.txt"), QFileDevice::ReadOwner);
  list_->RefreshFileList();
  EXPECT_EQ(sub("a.txt", kSubAttr), "AR");

  // Without ftHidden the hidden file is left out.
  list_->SetFileType(ftReadOnly | ftArchive);
  EXPECT_EQ(sub(".secret", kSubSize), "<missing>");
  EXPECT_EQ(sub("a.txt", kSubSize), "1 KB");
  EXPECT_EQ(list_->ItemCount(), 8);
}

TEST_F(FileListTest, MasksFilterFilesButNotFolders) {
  list_->SetDirectory(root_);
  struct Case {
    QString mask;
    QStringList captions;
  } cases[] = {
      {"*.MP3;*.WAV;*.APE;*.WMA", {"docs", "Music", "song.mp3", "track.WAV"}},
      {"   ", {"docs", "Music", ".secret", "a.txt", "Big.bin", "empty.dat", "song.mp3", "track.WAV"}},
      // A file that matches two masks is listed once.
      {"*.txt;a.*", {"docs", "Music", "a.txt"}},
  };
  for (const Case& c : cases) {
    list_->SetMask(c.mask);
    QStringList got = Captions();
    got.removeAll(" Parent");
    EXPECT_EQ(got, c.captions) << c.mask.toStdString();
  }
  list_->SetShowFolders(false);
  EXPECT_EQ(Captions(), QStringList{"a.txt"});
}

TEST_F(FileListTest, SortingByColumnsKeepsFoldersTogetherAndParentFirst) {
  list_->SetDirectory(root_);
  list_->SetFileType(ftReadOnly | ftArchive);
  const QStringList ascending = {" Parent", "docs",      "Music",    "a.txt",
                                 "Big.bin", "empty.dat", "song.mp3", "track.WAV"};
  EXPECT_EQ(Captions(), ascending);
  EXPECT_EQ(list_->SortColumn(), 0);
  EXPECT_FALSE(list_->SortFlag());

  // The header click: name again gives descending with folders last.
  QHeaderView* header = list_->ListView()->header();
  emit header->sectionClicked(0);
  EXPECT_EQ(Captions(), (QStringList{" Parent", "track.WAV", "song.mp3", "empty.dat", "Big.bin", "a.txt",
                                     "Music", "docs"}));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

  list_->ColumnClickSort(1);  // size: descending first
  EXPECT_EQ(Captions().mid(1, 3), (QStringList{"Big.bin", "track.WAV", "song.mp3"}));
  list_->ColumnClickSort(1);
  // Folders tie on size and keep their order.
  EXPECT_EQ(Captions().mid(0, 5), (QStringList{" Parent", "Music", "docs", "empty.dat", "a.txt"}));

  list_->ColumnClickSort(3);  // modified: newest first
  EXPECT_EQ(Captions().mid(1, 5), (QStringList{"track.WAV", "song.mp3", "a.txt", "empty.dat", "Big.bin"}));
  EXPECT_EQ(header->sortIndicatorSection(), 3);

  // A refresh starts over by name, ascending.
  list_->RefreshFileList();
  EXPECT_EQ(Captions(), ascending);
}

TEST_F(FileListTest, DirectoryRules) {
  list_->SetDirectory(root_);
  const int items = list_->ItemCount();
  list_->SetDirectory(Path("missing"));
  EXPECT_EQ(list_->Directory(), root_ + "/");
  EXPECT_EQ(list_->ItemCount(), items);

  // Written without its trailing "/" the same folder is read again.
  MakeFile("new.txt", 1);
  list_->SetDirectory(root_ + "/");
  EXPECT_EQ(list_->ItemCount(), items);
  list_->SetDirectory(root_);
  EXPECT_EQ(list_->ItemCount(), items + 1);

  list_->SetDirectory("drives");
  EXPECT_EQ(list_->Directory(), "drives");
  EXPECT_EQ(Captions(), QStringList{"Data"});
}

TEST_F(FileListTest, DriveViewLeavesRemovableAndOpticalVolumesAlone) {
  volumes_.volumes.push_back({"Disc", Path("nodisc/"), kDriveCdRom});
  volumes_.volumes.push_back({"Stick", Path("nostick/"), kDriveRemovable});
  list_->RefreshFileList();
  ASSERT_EQ(Captions(), (QStringList{"Data", "Disc", "Stick"}));
  EXPECT_EQ(list_->SubItems(1), (QStringList{"CD-ROM Disk", "0 Mb", "0 Mb", "", Path("nodisc/"), "drv"}));
  EXPECT_EQ(list_->SubItems(2).value(0), "Removable Disk");
  const QStringList data = list_->SubItems(0);
  EXPECT_EQ(data.value(0), "Fixed Disk");
  EXPECT_TRUE(data.value(1).endsWith(" Mb"));
  EXPECT_NE(data.value(1), "0 Mb");
  EXPECT_EQ(data.value(5), "drv");
  // The volumes stay in their order: no column sorts the drive view.
  list_->ColumnClickSort(0);
  EXPECT_EQ(Captions(), (QStringList{"Data", "Disc", "Stick"}));
}

TEST_F(FileListTest, DraggedItemsCarryTheirFileUrls) {
  list_->SetDirectory(root_);
  Select({" Parent", "a.txt", "docs"});
  QTreeWidget* view = list_->ListView();
  EXPECT_TRUE(view->dragEnabled());
  std::unique_ptr<QMimeData> data(view->model()->mimeData(view->selectionModel()->selectedIndexes()));
  ASSERT_NE(data, nullptr);
  QList<QUrl> urls = data->urls();
  std::sort(urls.begin(), urls.end());
  EXPECT_EQ(urls, (QList<QUrl>{QUrl::fromLocalFile(Path("a.txt")), QUrl::fromLocalFile(Path("docs"))}));
  EXPECT_TRUE(data->hasFormat("text/uri-list"));
}

TEST_F(FileListTest, OpeningFoldersAndGoingUpMoveTheTree) {
  tree_.reset(Create<TEwDirTree21>(nullptr));
  list_->SetDirTree(tree_.get());
  EXPECT_EQ(tree_->FileList(), list_.get());
  list_->SetDirectory(root_);
  Select({"Music"});
  list_->show();
  list_->ListView()->setFocus();
  QTest::keyClick(list_->ListView(), Qt::Key_Return);
  EXPECT_EQ(list_->Directory(), Path("Music/"));
  EXPECT_EQ(tree_->SelectedPath(), Path("Music/"));
  QTest::keyClick(list_->ListView(), Qt::Key_Backspace);
  EXPECT_EQ(list_->Directory(), root_ + "/");
  EXPECT_EQ(tree_->Selected()->text(0), "Data");

  // A file opens through the shell.
  Select({"a.txt"});
  list_->OpenItem();
  ASSERT_EQ(shell_.Calls().size(), 1u);
  EXPECT_EQ(shell_.Calls()[0].target, Path("a.txt"));

  // F3 shows the folder in the file manager, when the list has the focus.
  list_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(list_.get()));
  list_->ListView()->setFocus();
  QTest::keyClick(list_->ListView(), Qt::Key_F3);
  ASSERT_EQ(shell_.Calls().size(), 2u);
  EXPECT_EQ(shell_.Calls()[1].target, root_);

  // At "/" going up shows the volumes.
  list_->SetDirectory("/");
  list_->GoUp();
  EXPECT_EQ(list_->Directory(), "Drives");
  EXPECT_EQ(tree_->SelectedPath(), "Drives");
}

TEST_F(FileListTest, ClickAndKeysReportTheItem) {
  list_->SetDirectory(root_);
  QStringList reported;
  list_->OnItemChange = [&](TControl*, const QString& item) { reported.push_back(item); };
  list_->show();
  QTreeWidget* view = list_->ListView();
  const int a = list_->IndexOfPath(Path("a.txt"));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualItemRect(view->topLevelItem(a)).center());
  EXPECT_EQ(list_->SelectedItem(), Path("a.txt"));
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(reported, (QStringList{Path("a.txt"), Path("Big.bin")}));
  QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list_->SelectedIndexes().size(), list_->ItemCount());
  EXPECT_EQ(list_->SelectedNumber(), list_->ItemCount());
  SaveShot(list_.get(), "file_list");
}

TEST_F(FileListTest, RenameInPlace) {
  list_->SetDirectory(root_);
  list_->show();
  Select({"a.txt"});
  list_->RenameItem();
  auto* editor = list_->ListView()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "b.txt");
  QTest::keyClick(editor, Qt::Key_Return);
  Settle();
  EXPECT_TRUE(QFile::exists(Path("b.txt")));
  EXPECT_FALSE(QFile::exists(Path("a.txt")));
  EXPECT_GE(list_->IndexOfPath(Path("b.txt")), 0);

  // Onto an existing name: reported, nothing moves.
  const int big = list_->IndexOfPath(Path("Big.bin"));
  ASSERT_TRUE(list_->CanEdit(big));
  EXPECT_FALSE(list_->Edit(big, "b.txt"));
  EXPECT_EQ(Messages().last(), "\"b.txt\" already exists !");
  EXPECT_TRUE(QFile::exists(Path("Big.bin")));
  // A name with a "/" would move the file elsewhere: refused.
  const int b = list_->IndexOfPath(Path("b.txt"));
  ASSERT_TRUE(list_->CanEdit(b));
  EXPECT_FALSE(list_->Edit(b, "../escaped"));
  EXPECT_TRUE(QFile::exists(Path("b.txt")));
  // The parent entry has no name of its own.
  EXPECT_FALSE(list_->CanEdit(0));
  list_->SetReadOnly(true);
  Select({"b.txt"});
  list_->RenameItem();
  EXPECT_EQ(Messages().last(), "It's ReadOnly");
}

TEST_F(FileListTest, NewFolderNumbersItsName) {
  list_->SetDirectory(root_);
  list_->show();
  list_->NewFolder();
  list_->NewFolder();
  EXPECT_TRUE(QDir(Path("New Folder")).exists());
  EXPECT_TRUE(QDir(Path("New Folder(2)")).exists());
  EXPECT_TRUE(list_->ItemSelected(list_->IndexOfPath(Path("New Folder(2)"))));
}

TEST_F(FileListTest, CutTwoFilesAndPasteInAnotherFolder) {
  list_->SetDirectory(root_);
  Select({"a.txt", "song.mp3"});
  QTest::keyClick(list_->ListView(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(list_->ClipboardOperation(), 2);
  list_->SetDirectory(Path("docs"));
  TEwFilelistView28PopUp* popup = list_->PopUp();
  popup->UpdateStates();
  EXPECT_TRUE(popup->Item("ItemOpPaste")->isEnabled());
  popup->ItemClick(6);
  EXPECT_TRUE(QFile::exists(Path("docs/a.txt")));
  EXPECT_TRUE(QFile::exists(Path("docs/song.mp3")));
  EXPECT_FALSE(QFile::exists(Path("a.txt")));
  EXPECT_EQ(Captions(), (QStringList{" Parent", "a.txt", "song.mp3"}));
  popup->UpdateStates();
  EXPECT_FALSE(popup->Item("ItemOpPaste")->isEnabled());

  // Pasting with nothing cut or copied says so.
  list_->PasteItems();
  EXPECT_EQ(Messages().last(), "No file(s) selected");
}

TEST_F(FileListTest, DeleteSendsTheSelectionToTheTrashAfterConfirmation) {
  UseFakeFileOps();
  list_->SetDirectory(root_);
  Select({" Parent", "a.txt", "docs"});
  dialogs_.AnswerMessage(mrYes);
  QTest::keyClick(list_->ListView(), Qt::Key_Delete);
  ASSERT_EQ(fake_ops_.Calls().size(), 2u);
  EXPECT_EQ(fake_ops_.Calls()[0].op, "trash");
  QStringList trashed = {fake_ops_.Calls()[0].from, fake_ops_.Calls()[1].from};
  trashed.sort();
  EXPECT_EQ(trashed, (QStringList{Path("a.txt"), Path("docs")}));
  EXPECT_EQ(Messages().last(), "Are you sure you want to move 2 items to the trash?");
}

TEST_F(FileListTest, PopupStates) {
  TEwFilelistView28PopUp* popup = list_->PopUp();
  const QStringList names = {"ItemOpen",   "ItemView",   "ItemOpCut",    "ItemOpCopy", "ItemOpPaste",
                             "ItemRename", "ItemDelete", "ItemProperty", "ItemFolder"};
  auto states = [&] {
    popup->UpdateStates();
    QString s;
    for (const QString& name : names) s += popup->Item(name)->isEnabled() ? '1' : '0';
    return s;
  };
  EXPECT_EQ(states(), "000000000");  // the drive view, nothing selected
  list_->SetDirectory(root_);
  EXPECT_EQ(states(), "000000001");
  Select({"Big.bin"});
  EXPECT_EQ(states(), "101101111");
  Select({"a.txt"});
  EXPECT_EQ(states(), "111101111");
  Select({"a.txt", "Big.bin"});
  EXPECT_EQ(states(), "101100111");  // View follows the focused item, Big.bin
}

}  // namespace
