// The three explorer controls on one form, linked as a source pane: the
// tree drives the list, and the list moves the tree and the combo along.
#include <QTreeWidget>

#include "ExplorerFixture.h"
#include "platform/gui/Forms.h"
#include "shell/EwFileExplorer28Combo.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"

namespace {

TEST_F(ExplorerTest, PaneControlsFollowEachOther) {
  MakeDir("Music/Albums/First");
  MakeDir("Pictures");
  MakeFile("Music/Albums/First/01 Opening.mp3", 4000000);
  MakeFile("Music/Albums/First/02 Closing.mp3", 3500000);
  MakeFile("Music/Albums/First/cover.jpg", 52000);
  MakeFile("Music/Albums/First/notes.txt", 700);

  std::unique_ptr<TForm> form(Create<TForm>(nullptr));
  form->SetBounds(0, 0, 760, 360);
  auto* combo = Create<TEwDirTreeCombo28>(form.get());
  combo->SetParent(form.get());
  combo->SetBounds(8, 8, 220, 22);
  auto* tree = Create<TEwDirTree21>(form.get());
  tree->SetParent(form.get());
  tree->SetBounds(8, 36, 220, 316);
  auto* list = Create<TEwFilelistView28>(form.get());
  list->SetParent(form.get());
  list->SetBounds(234, 8, 518, 344);
  tree->SetFileList(list);
  list->SetDirTreeCombo(combo);
  form->Show();

  tree->SelectPath(Path("Music/Albums"));
  QTreeWidget* view = tree->TreeView();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(tree->Selected()).center());
  EXPECT_EQ(list->Directory(), Path("Music/Albums/"));

  list->SetItemSelected(list->IndexOfPath(Path("Music/Albums/First")), true);
  list->OpenItem();
  EXPECT_EQ(list->Directory(), Path("Music/Albums/First/"));
  EXPECT_EQ(tree->SelectedPath(), Path("Music/Albums/First/"));
  EXPECT_EQ(combo->Text(), "First");
  EXPECT_EQ(list->ItemCount(), 5);
  list->SetItemSelected(list->IndexOfPath(Path("Music/Albums/First/01 Opening.mp3")), true);
  SaveShot(form.get(), "explorer_pane");

  // Removing the tree leaves the list unlinked rather than dangling.
  delete tree;
  EXPECT_EQ(list->DirTree(), nullptr);
  list->GoUp();
  EXPECT_EQ(combo->Text(), "Albums");
}

}  // namespace
