#include "app/SessionTree.h"

#include <QDir>
#include <QFileInfo>

#include "app/FormPlacing.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Grids.h"
#include "platform/gui/TreeView.h"
#include "recorder/xrCDBC.h"

void FillFolderNodes(TTreeView* tree, TTreeNode* node, TDEntry* dir) {
  for (TFEntry* e = dir ? dir->FirstChild : nullptr; e; e = e->Next)
    if ((e->Attr & kAttrDirectory) && e->Dir) {
      TTreeNode* child = tree->Items()->AddChildObject(node, QString::fromStdString(e->LongName), e->Dir);
      FillFolderNodes(tree, child, e->Dir);
    }
}

void BuildFolderTree(TTreeView* tree, TQCDBurner& recorder) {
  tree->Items()->Clear();
  TTreeNode* root = tree->Items()->AddObject(nullptr, "CDROOT", recorder.RootDir());
  FillFolderNodes(tree, root, recorder.RootDir());
  tree->SetSelected(root);
}

TfrmTree::TfrmTree(TComponent* owner) : TForm(owner) {
  SetCaption("File and Directories Viewer and Extractor (Double Click on a file name to extract)");
  SetPosition(poScreenCenter);
  SetClientWidth(560);
  SetClientHeight(380);
  Msg = Create<TPanel>(this);
  Msg->SetParent(this);
  Msg->SetAlign(alBottom);
  Msg->SetHeight(22);
  Msg->SetBevelOuter(bvLowered);
  Msg->SetAlignment(taLeftJustify);
  Msg->OnClick = [this](TControl*) { MsgClick(); };
  tvDir = Create<TTreeView>(this);
  tvDir->SetParent(this);
  tvDir->SetAlign(alLeft);
  tvDir->SetWidth(121);
  tvDir->SetReadOnly(true);
  tvDir->SetHideSelection(false);
  tvDir->OnChange = [this](TControl*, TTreeNode*) { tvDirClick(); };
  fl = Create<TStringGrid>(this);
  fl->SetParent(this);
  fl->SetAlign(alClient);
  fl->SetColCount(2);
  fl->SetRowCount(2);
  fl->SetColWidths(0, 361);
  fl->SetColWidths(1, 71);
  UseFixedPitchFont(fl);
  fl->SetHint("Double click on a file name to extract");
  fl->SetShowHint(true);
  fl->OnDblClick = [this](TControl*) { Extract1Click(); };
}

void TfrmTree::FillDirTree(TTreeNode* node, TDEntry* dir) { FillFolderNodes(tvDir, node, dir); }

void TfrmTree::DoShow() {
  if (recorder_) BuildFolderTree(tvDir, *recorder_);
  tvDirClick();
  TForm::DoShow();
  if (fl->CanFocus()) fl->SetFocus();
}

void TfrmTree::KeyPress(QChar& key) {
  if (key == QChar(27)) {
    key = QChar(0);
    Close();
    return;
  }
  TForm::KeyPress(key);
}

void TfrmTree::tvDirClick() {
  fl->SetCells(0, 0, "File Name");
  fl->SetCells(1, 0, "File Size");
  TTreeNode* node = tvDir->Selected();
  auto* dir = node ? static_cast<TDEntry*>(node->Data()) : nullptr;
  int i = 0;
  for (TFEntry* e = dir ? dir->FirstChild : nullptr; e; e = e->Next) ++i;
  fl->SetRowCount(std::max(i + 1, 2));
  fl->ClearRow(1);
  i = 0;
  for (TFEntry* e = dir ? dir->FirstChild : nullptr; e; e = e->Next) {
    ++i;
    fl->SetCells(0, i, QString::number(i).rightJustified(2, ' ') + " " + QString::fromStdString(e->LongName));
    fl->SetCells(1, i,
                 (e->Attr & kAttrDirectory) ? QString(" < DIR > ") : QString::number(e->IsoSize).rightJustified(9, ' '));
    fl->SetObjects(1, i, e);
  }
}

TFEntry* TfrmTree::RowEntry(int row) const { return static_cast<TFEntry*>(fl->Objects(1, row)); }

void TfrmTree::Extract1Click() {
  TFEntry* e = RowEntry(fl->Row());
  if (!e || !recorder_) return;
  const QString name = QString::fromStdString(e->LongName);
  if (e->Attr & kAttrDirectory) {
    ShowMessage("You can not extract directory, " + name + " is a directory");
    return;
  }
  // The disc's name is offered only in a form the host folder can take.
  QString target = QString::fromStdString(SafeFileName(e->LongName));
  if (!InputQuery("Extract File", "Enter Filename and Path", target) || target.trimmed().isEmpty()) return;
  bool overwrite = false;
  if (QFileInfo(target).isFile()) {
    if (MessageBox("The file " + target + " exists already. Replace it?", "Query", MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
      return;
    overwrite = true;
  }
  if (!recorder_->ExtractFile(e, target.toStdString(), overwrite))
    MessageBox("The file " + name + " could not be extracted to " + target + ".", "Information",
               MB_OK | MB_ICONINFORMATION);
}

void TfrmTree::MsgClick() {
  if (!recorder_) return;
  QString folder;
  if (!SelectDirectory("Extract all files of this folder to", "", folder) || folder.isEmpty()) return;
  int failed = 0;
  bool replace_all = false;
  for (int row = 1; row < fl->RowCount(); ++row) {
    TFEntry* e = RowEntry(row);
    if (!e || (e->Attr & kAttrDirectory)) continue;
    Msg->SetCaption("Extracting " + QString::fromStdString(e->LongName));
    const QString target = QDir(folder).filePath(QString::fromStdString(SafeFileName(e->LongName)));
    bool overwrite = replace_all;
    if (QFileInfo::exists(target) && !replace_all) {
      const TModalResult answer =
          MessageDlg("The file " + target + " exists already. Replace it?", TMsgDlgType::mtConfirmation,
                     {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbYesToAll, TMsgDlgBtn::mbCancel});
      if (answer == mrCancel) return;
      if (answer == mrNo) continue;
      replace_all = answer == mrYesToAll;
      overwrite = true;
    }
    if (!recorder_->ExtractFile(e, target.toStdString(), overwrite)) ++failed;
  }
  if (failed > 0)
    MessageBox(QString("%1 file(s) could not be extracted.").arg(failed), "Information", MB_OK | MB_ICONINFORMATION);
}
