#include "app/DiscLayout.h"

#include <QDateTime>

#include "app/AppGlobals.h"
#include "app/FormPlacing.h"
#include "app/SessionTree.h"
#include "app/Unit1.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Grids.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/TreeView.h"
#include "recorder/xrCDBC.h"

namespace {

QString DateText(Clock::TimePoint time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  return QDateTime::fromMSecsSinceEpoch(ms).toString("MM-dd-yyyy HH:mm:ss");
}

}  // namespace

TfrmDiscLayout::TfrmDiscLayout(TComponent* owner) : TForm(owner) {
  SetCaption("Remove files or directories");
  SetPosition(poScreenCenter);
  SetClientWidth(640);
  SetClientHeight(400);
  Panel2 = Create<TPanel>(this);
  Panel2->SetParent(this);
  Panel2->SetAlign(alBottom);
  Panel2->SetHeight(36);
  bClose = Create<TButton>(this);
  bClose->SetParent(Panel2);
  bClose->SetBounds(280, 6, 80, 25);
  bClose->SetCaption("Close");
  bClose->OnClick = [this](TControl*) { Close(); };
  tvDir = Create<TTreeView>(this);
  tvDir->SetParent(this);
  tvDir->SetAlign(alLeft);
  tvDir->SetWidth(145);
  tvDir->SetReadOnly(true);
  tvDir->SetHideSelection(false);
  tvDir->OnChange = [this](TControl*, TTreeNode*) { tvDirClick(); };
  fl = Create<TStringGrid>(this);
  fl->SetParent(this);
  fl->SetAlign(alClient);
  fl->SetColCount(3);
  fl->SetRowCount(2);
  fl->SetColWidths(0, 254);
  fl->SetColWidths(1, 71);
  fl->SetColWidths(2, 141);
  UseFixedPitchFont(fl);
  auto menu = [this](std::function<void()> remove) {
    auto* popup = Create<TPopupMenu>(this);
    // Del and F5 are the tree's and the grid's own keys (both menus have
    // them, so they cannot be window shortcuts).
    auto add = [this, popup](const QString& caption, const QString& key, std::function<void()> action) {
      auto* item = Create<TMenuItem>(this);
      item->SetCaption(caption + "\t" + key);
      item->OnClick = [action](TComponent*) { action(); };
      popup->Items()->Add(item);
    };
    add("Delete", "Del", std::move(remove));
    add("Refresh", "F5", [this] { Button1Click(); });
    return popup;
  };
  PopupMenu1 = menu([this] { Delete1Click(); });
  PopupMenu2 = menu([this] { MenuItem1Click(); });
  tvDir->SetPopupMenu(PopupMenu1);
  fl->SetPopupMenu(PopupMenu2);
  tvDir->OnKeyDown = [this](TControl*, int& key, TShiftState) {
    if (key == VK_DELETE) Delete1Click();
    if (key == VK_F5) Button1Click();
  };
  fl->OnKeyDown = [this](TControl*, int& key, TShiftState) {
    if (key == VK_DELETE) MenuItem1Click();
    if (key == VK_F5) Button1Click();
  };
}

void TfrmDiscLayout::FillDirTree(TTreeNode* node, TDEntry* dir) { FillFolderNodes(tvDir, node, dir); }

void TfrmDiscLayout::DoShow() {
  Button1Click();
  TForm::DoShow();
  if (fl->CanFocus()) fl->SetFocus();
}

void TfrmDiscLayout::KeyPress(QChar& key) {
  if (key == QChar(27)) {
    key = QChar(0);
    Close();
    return;
  }
  TForm::KeyPress(key);
}

void TfrmDiscLayout::Button1Click() {
  if (recorder_) BuildFolderTree(tvDir, *recorder_);
  tvDirClick();
}

void TfrmDiscLayout::tvDirClick() {
  fl->SetCells(0, 0, "File Name");
  fl->SetCells(1, 0, "File Size");
  fl->SetCells(2, 0, "    Date & Time ");
  TTreeNode* node = tvDir->Selected();
  auto* dir = node ? static_cast<TDEntry*>(node->Data()) : nullptr;
  int count = 0;
  for (TFEntry* e = dir ? dir->FirstChild : nullptr; e; e = e->Next) ++count;
  fl->SetRowCount(std::max(count + 1, 2));
  fl->ClearRow(1);
  int i = 0;
  for (TFEntry* e = dir ? dir->FirstChild : nullptr; e; e = e->Next) {
    ++i;
    const bool folder = e->Attr & kAttrDirectory;
    fl->SetCells(0, i, QString::fromStdString(e->LongName));
    fl->SetCells(1, i, folder ? QString(" < DIR > ") : QString::number(e->IsoSize).rightJustified(9, ' '));
    fl->SetCells(2, i, folder ? QString() : DateText(e->DateTime));
    fl->SetObjects(1, i, e);
  }
}

void TfrmDiscLayout::MenuItem1Click() {
  auto* e = static_cast<TFEntry*>(fl->Objects(1, fl->Row()));
  TTreeNode* node = tvDir->Selected();
  if (!e || !node || !recorder_) return;
  if (e->Attr & kAttrDirectory) {
    ShowMessage("You can not delete directory, " + QString::fromStdString(e->LongName) +
                " is a directory, use tree view to delete directory");
    return;
  }
  auto* dir = static_cast<TDEntry*>(node->Data());
  recorder_->RemoveEntry(dir, e);
  tvDirClick();
}

void TfrmDiscLayout::Delete1Click() {
  TTreeNode* node = tvDir->Selected();
  if (!node || !recorder_) return;
  auto* dir = static_cast<TDEntry*>(node->Data());
  recorder_->RemoveDir(dir);
  Button1Click();
}

void ConnectLayoutDialog() {
  TForm1* main = AppForms().Form1;
  if (!main) return;
  main->ShowLayout = [main] {
    auto* dialog = Create<TfrmDiscLayout>(main);
    dialog->SetRecorder(&main->qcdb());
    dialog->ShowModal();
    delete dialog;
  };
}
