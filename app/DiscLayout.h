#pragma once
// The layout dialog: before a data burn is laid out, the tree the recorder
// built is shown and the user may take files and folders out of it.

#include "platform/gui/Forms.h"

class TButton;
class TPanel;
class TPopupMenu;
class TQCDBurner;
class TStringGrid;
class TTreeNode;
class TTreeView;
struct TDEntry;
struct TFEntry;

class TfrmDiscLayout : public TForm {
 public:
  explicit TfrmDiscLayout(TComponent* owner = nullptr);

  TTreeView* tvDir = nullptr;
  TStringGrid* fl = nullptr;
  TPanel* Panel2 = nullptr;
  TButton* bClose = nullptr;
  TPopupMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr;

  void SetRecorder(TQCDBurner* recorder) { recorder_ = recorder; }
  void FillDirTree(TTreeNode* node, TDEntry* dir);
  void tvDirClick();
  void Button1Click();
  void MenuItem1Click();
  void Delete1Click();

 protected:
  void DoShow() override;
  void KeyPress(QChar& key) override;

 private:
  TQCDBurner* recorder_ = nullptr;
};

// Ties the main window's data burn to the dialog (shown when the options
// ask to see the files before burning).
void ConnectLayoutDialog();
