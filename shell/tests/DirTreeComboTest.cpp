#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

#include "ExplorerFixture.h"
#include "shell/EwFileExplorer28Combo.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28List.h"

namespace {

class DirTreeComboTest : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    MakeDir("Alpha/Sub");
    MakeDir("beta");
    MakeFile("Alpha/Sub/x.txt", 3);
    form_ = std::make_unique<QWidget>();
    form_->resize(400, 300);
    combo_.reset(Create<TEwDirTreeCombo28>(nullptr));
    combo_->setParent(form_.get());
    combo_->SetBounds(10, 10, 216, 22);
    combo_->OnPathChange = [this](TControl* sender, const QString& path) {
      senders_.push_back(sender);
      paths_.push_back(path);
    };
    form_->show();
  }
  void TearDown() override {
    list_.reset();
    combo_.reset();
    form_.reset();
    ExplorerTest::TearDown();
  }
  QTreeWidget* View() { return combo_->Tree()->TreeView(); }

  std::unique_ptr<QWidget> form_;
  std::unique_ptr<TEwDirTreeCombo28> combo_;
  std::unique_ptr<TEwFilelistView28> list_;
  std::vector<TControl*> senders_;
  QStringList paths_;
};

TEST_F(DirTreeComboTest, StartsOnTheComputerAndSelectsFolders) {
  EXPECT_EQ(combo_->Text(), "Computer");
  EXPECT_EQ(combo_->ImageIndex(), kIconComputer);
  EXPECT_TRUE(combo_->EditBox()->isReadOnly());

  combo_->SelectPath(Path("Alpha/Sub"));
  EXPECT_EQ(combo_->Text(), "Sub");
  EXPECT_EQ(combo_->ImageIndex(), kIconFolder);
  EXPECT_EQ(combo_->SelectedPath(), Path("Alpha/Sub/"));
  ASSERT_EQ(paths_, QStringList{Path("Alpha/Sub/")});
  EXPECT_EQ(senders_[0], combo_.get());

  combo_->SelectPath(Path("nowhere"));
  EXPECT_EQ(combo_->Text(), "Sub");
  EXPECT_EQ(paths_.size(), 1);
  SaveShot(form_.get(), "dir_combo");
}

TEST_F(DirTreeComboTest, EnterOnTheComputerSwitchesTheListToTheVolumes) {
  list_.reset(Create<TEwFilelistView28>(nullptr));
  combo_->SetFileList(list_.get());
  EXPECT_EQ(list_->DirTreeCombo(), combo_.get());
  combo_->SelectPath(root_);
  int key = 13;
  combo_->ComboKeyDown(key, 0);
  EXPECT_EQ(list_->Directory(), root_ + "/");

  // Up to the computer node, then Enter.
  key = 38;
  combo_->ComboKeyDown(key, 0);
  key = 13;
  combo_->ComboKeyDown(key, 0);
  EXPECT_EQ(combo_->SelectedPath(), "Drives");
  EXPECT_EQ(list_->Directory(), "Drives");
  EXPECT_EQ(combo_->Text(), "Computer");
  EXPECT_EQ(senders_.back(), combo_.get());
}

TEST_F(DirTreeComboTest, DropDownOpensBelowAndAMousePickFollowsTheList) {
  list_.reset(Create<TEwFilelistView28>(nullptr));
  list_->SetDirTreeCombo(combo_.get());
  QTest::mouseClick(combo_->DropButton(), Qt::LeftButton);
  ASSERT_TRUE(combo_->DroppedDown());
  TEwDirTreeView* tree = combo_->Tree();
  EXPECT_EQ(tree->geometry().topLeft(), combo_->mapToGlobal(QPoint(0, combo_->height())));
  EXPECT_EQ(tree->width(), combo_->width());

  QTreeWidgetItem* volume = View()->topLevelItem(0)->child(0);
  View()->scrollToItem(volume);
  QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, View()->visualItemRect(volume).center());
  EXPECT_FALSE(combo_->DroppedDown());
  EXPECT_EQ(list_->Directory(), root_ + "/");
  EXPECT_EQ(combo_->Text(), "Data");
  ASSERT_FALSE(senders_.empty());
  EXPECT_EQ(senders_.back(), tree);

  // The list going into a folder moves the combo along.
  list_->SetItemSelected(list_->IndexOfPath(Path("Alpha")), true);
  list_->OpenItem();
  EXPECT_EQ(combo_->Text(), "Alpha");
  list_->GoUp();
  EXPECT_EQ(combo_->Text(), "Data");
}

TEST_F(DirTreeComboTest, NearTheScreenBottomTheTreeOpensAbove) {
  const QRect screen = combo_->screen()->geometry();
  form_->move(0, screen.bottom() - 60);
  QApplication::processEvents();
  combo_->DropDown();
  ASSERT_TRUE(combo_->DroppedDown());
  EXPECT_EQ(combo_->Tree()->geometry().bottom() + 1, combo_->mapToGlobal(QPoint(0, 0)).y());
  int key = 27;
  combo_->ComboKeyDown(key, 0);
  EXPECT_FALSE(combo_->DroppedDown());
}

}  // namespace
