#include "app/Unit1Editor.h"

#include <QFileInfo>

#include "platform/gui/ListView.h"
#include "platform/gui/TreeView.h"

namespace {

bool IsEntryText(const QString& text) { return text.contains('*'); }

std::int64_t EntrySize(const QString& text) {
  TTaskNode node{text.toStdString(), {}};
  return ::CompilationSize(node);
}

std::int64_t SubtreeSize(TTreeNode* node) {
  std::int64_t total = IsEntryText(node->Text()) ? EntrySize(node->Text()) : 0;
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) total += SubtreeSize(child);
  return total;
}

}  // namespace

TCompilationEditor::TCompilationEditor(TTreeView* trvDir, TTreeView* trv2, TListView* clbox)
    : trvDir_(trvDir), trv2_(trv2), clbox_(clbox) {}

QString TCompilationEditor::EntryText(const QString& source, std::int64_t size) {
  return source + "*" + QString::fromStdString(TaskSizeText(size));
}

QString TCompilationEditor::EntrySource(const QString& entry_text) { return entry_text.section('*', 0, 0); }

TTreeNode* TCompilationEditor::DiscRoot() const { return trvDir_->Items()->GetFirstNode(); }

TTreeNode* TCompilationEditor::Twin(TTreeNode* folder) const {
  return folder ? static_cast<TTreeNode*>(folder->Data()) : nullptr;
}

TTreeNode* TCompilationEditor::SelectedFolder() const {
  return trvDir_->Selected() ? trvDir_->Selected() : DiscRoot();
}

bool TCompilationEditor::Empty() const {
  TTreeNode* root = trv2_->Items()->GetFirstNode();
  return !root || root->Count() == 0;
}

TTreeNode* TCompilationEditor::AddFolderPair(TTreeNode* dir_parent, TTreeNode* all_parent, const QString& name) {
  TTreeNode* all = trv2_->Items()->AddChild(all_parent, name);
  TTreeNode* dir = trvDir_->Items()->AddChild(dir_parent, name);
  dir->SetData(all);
  const bool root = dir_parent == nullptr;
  dir->SetImageIndex(root ? 0 : 1);
  dir->SetSelectedIndex(root ? 0 : 2);
  return dir;
}

void TCompilationEditor::New(const QString& disc_name) {
  clbox_->Items()->Clear();
  trvDir_->Items()->Clear();
  trv2_->Items()->Clear();
  clip_.clear();
  clip_nodes_.clear();
  clip_mode_ = ClipMode::None;
  TTreeNode* root = AddFolderPair(nullptr, nullptr, disc_name);
  trvDir_->SetSelected(root);
  FillFileList();
}

void TCompilationEditor::LoadChildren(const TTaskNode& node, TTreeNode* dir_parent, TTreeNode* all_parent) {
  for (const TTaskNode& child : node.Children) {
    const QString text = QString::fromStdString(child.Text);
    if (child.IsEntry()) {
      trv2_->Items()->AddChild(all_parent, text);
    } else {
      TTreeNode* dir = AddFolderPair(dir_parent, all_parent, text);
      LoadChildren(child, dir, Twin(dir));
    }
  }
}

void TCompilationEditor::Load(const TTaskNode& root) {
  trvDir_->Items()->BeginUpdate();
  trv2_->Items()->BeginUpdate();
  New(QString::fromStdString(root.Text));
  LoadChildren(root, DiscRoot(), Twin(DiscRoot()));
  trv2_->Items()->EndUpdate();
  trvDir_->Items()->EndUpdate();
  DiscRoot()->Expand(false);
  trvDir_->SetSelected(DiscRoot());
  FillFileList();
}

void TCompilationEditor::SaveNode(TTreeNode* node, TTaskNode& out) const {
  out.Text = node->Text().toStdString();
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    out.Children.emplace_back();
    SaveNode(child, out.Children.back());
  }
}

TTaskNode TCompilationEditor::Save() const {
  TTaskNode root;
  if (TTreeNode* node = trv2_->Items()->GetFirstNode()) SaveNode(node, root);
  return root;
}

TTreeNode* TCompilationEditor::AppendEntry(TTreeNode* folder_twin, const QString& text) {
  return trv2_->Items()->AddChild(folder_twin, text);
}

void TCompilationEditor::AddSources(const QStringList& paths) {
  if (!trvDir_->Selected()) trvDir_->SetSelected(DiscRoot());
  TTreeNode* target = Twin(SelectedFolder());
  if (!target) return;
  for (QString path : paths) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    const bool folder = QFileInfo(path).isDir();
    const std::int64_t size = SizeOf ? SizeOf(path, folder) : 0;
    AppendEntry(target, EntryText(path, size));
  }
  FillFileList();
  Changed();
}

void TCompilationEditor::FillFileList() {
  TTreeNode* twin = Twin(SelectedFolder());
  if (!twin) return;
  TListItems* items = clbox_->Items();
  items->BeginUpdate();
  items->Clear();
  for (TTreeNode* child = twin->GetFirstChild(); child; child = child->GetNextSibling()) {
    const QString text = child->Text();
    if (!IsEntryText(text)) continue;
    TListItem* item = items->Add();
    item->SetCaption(text.section('*', 0, 0));
    item->SubItems()->Add(text.section('*', 1));
    item->SetData(child);
  }
  items->EndUpdate();
}

void TCompilationEditor::RemoveSelectedEntries() {
  if (clbox_->SelCount() == 0) return;
  TListItems* items = clbox_->Items();
  for (int i = items->Count() - 1; i >= 0; --i) {
    TListItem* item = items->Item(i);
    if (!item->Selected()) continue;
    if (auto* node = static_cast<TTreeNode*>(item->Data())) node->Delete();
    items->Delete(i);
  }
  Changed();
}

void TCompilationEditor::RemoveAllEntries() {
  TListItems* items = clbox_->Items();
  while (items->Count() > 0) {
    if (auto* node = static_cast<TTreeNode*>(items->Item(0)->Data())) node->Delete();
    items->Delete(0);
  }
  Changed();
}

TTreeNode* TCompilationEditor::CreateFolder(const QString& name) {
  TTreeNode* parent = SelectedFolder();
  if (!parent) return nullptr;
  TTreeNode* dir = AddFolderPair(parent, Twin(parent), name);
  parent->Expand(false);
  Changed();
  return dir;
}

void TCompilationEditor::RemoveSelectedFolder() {
  TTreeNode* folder = trvDir_->Selected();
  if (!folder || folder == DiscRoot()) return;
  // Cut entries inside the folder go with it.
  TTreeNode* twin = Twin(folder);
  std::erase_if(clip_nodes_, [twin](TTreeNode* n) { return n == twin || n->HasAsParent(twin); });
  twin->Delete();
  folder->Delete();
  FillFileList();
  Changed();
}

void TCompilationEditor::RenameFolder(TTreeNode* folder, const QString& text) {
  if (TTreeNode* twin = Twin(folder)) twin->SetText(text);
  Changed();
}

void TCompilationEditor::CopyToClipboard(bool cut) {
  if (clbox_->SelCount() == 0) return;
  clip_mode_ = cut ? ClipMode::Cut : ClipMode::Copy;
  clip_.clear();
  clip_nodes_.clear();
  TListItems* items = clbox_->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TListItem* item = items->Item(i);
    if (!item->Selected()) continue;
    auto* node = static_cast<TTreeNode*>(item->Data());
    clip_ << node->Text();
    if (cut) clip_nodes_.push_back(node);
  }
}

void TCompilationEditor::Cut() { CopyToClipboard(true); }
void TCompilationEditor::Copy() { CopyToClipboard(false); }

bool TCompilationEditor::Paste() {
  if (clip_mode_ == ClipMode::None || clip_.isEmpty() || !trvDir_->Selected()) return false;
  TTreeNode* target = Twin(trvDir_->Selected());
  // Entries cut from the folder they are pasted into stay where they are.
  const bool same_folder = !clip_nodes_.empty() && clip_nodes_.front()->Parent() == target;
  if (clip_mode_ == ClipMode::Copy || !same_folder)
    for (const QString& text : clip_) AppendEntry(target, text);
  if (!same_folder)
    for (TTreeNode* node : clip_nodes_) node->Delete();
  clip_nodes_.clear();
  clip_mode_ = ClipMode::None;
  FillFileList();
  Changed();
  return true;
}

std::int64_t TCompilationEditor::CompilationSize() const {
  TTreeNode* root = trv2_->Items()->GetFirstNode();
  return root ? SubtreeSize(root) : 0;
}

void TCompilationEditor::WalkNode(TTreeNode* node, const QString& path, const Visitor& visitor) const {
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    const QString text = child->Text();
    if (IsEntryText(text)) {
      if (visitor.Entry) visitor.Entry(path, EntrySource(text));
    } else {
      if (visitor.Folder) visitor.Folder(path, text);
      WalkNode(child, path + text + "\\", visitor);
    }
  }
}

void TCompilationEditor::Walk(const Visitor& visitor) const {
  if (TTreeNode* root = trv2_->Items()->GetFirstNode()) WalkNode(root, "\\", visitor);
}

void TCompilationEditor::Changed() {
  if (OnChanged) OnChanged();
}
