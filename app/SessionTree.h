#pragma once
// The session file viewer: the folders and files of the session imported
// into the recorder, and copies of its files to the hard disk (one by
// double click, all of a folder by a click on the status line).

#include <QString>

#include "platform/gui/Forms.h"

class TPanel;
class TQCDBurner;
class TStringGrid;
class TTreeNode;
class TTreeView;
struct TDEntry;
struct TFEntry;

// Adds the folders under `dir` below `node`, depth first in child-list order.
void FillFolderNodes(TTreeView* tree, TTreeNode* node, TDEntry* dir);
// A root node "CDROOT" for the recorder's root, its folders below it,
// selected.
void BuildFolderTree(TTreeView* tree, TQCDBurner& recorder);

class TfrmTree : public TForm {
 public:
  explicit TfrmTree(TComponent* owner = nullptr);

  TTreeView* tvDir = nullptr;
  TStringGrid* fl = nullptr;
  TPanel* Msg = nullptr;

  void SetRecorder(TQCDBurner* recorder) { recorder_ = recorder; }
  void FillDirTree(TTreeNode* node, TDEntry* dir);
  void tvDirClick();
  void Extract1Click();
  void MsgClick();

 protected:
  void DoShow() override;
  void KeyPress(QChar& key) override;

 private:
  TFEntry* RowEntry(int row) const;
  TQCDBurner* recorder_ = nullptr;
};
