#include "shell/EwFileExplorer28List.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>

#include "platform/core/DirEnum.h"
#include "platform/core/Formats.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Combo.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28ListPopup.h"
#include "shell/EwFileExplorer28Nodes.h"
#include "shell/EwFileExplorer28Tree.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace {

constexpr int kSubItemsRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
const QString kParentCaption = QStringLiteral(" Parent");

// The report view inside the control: reports keys, context menus and
// drags to the control.
class FileListView final : public QTreeWidget {
 public:
  explicit FileListView(TEwFilelistView28* owner) : QTreeWidget(owner), owner_(owner) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    int key = VirtualKeyFromQt(event->key());
    if (state() != QAbstractItemView::EditingState) owner_->ListKeyDown(key, ShiftOf(event->modifiers()));
    if (key != 0) QTreeWidget::keyPressEvent(event);
    // Handled here; the control itself must not see the key again.
    event->accept();
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    QTreeWidget::keyReleaseEvent(event);
    int key = VirtualKeyFromQt(event->key());
    if (!event->isAutoRepeat()) owner_->ListKeyUp(key, ShiftOf(event->modifiers()));
    event->accept();
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    if (!owner_->PopUpMenuEnabled() || !owner_->PopUp()) return;
    const QPoint p = mapTo(owner_, event->pos());
    owner_->PopUp()->Popup(p.x(), p.y());
  }
  QStringList mimeTypes() const override { return {"text/uri-list", "text/plain"}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    QList<int> indexes;
    for (QTreeWidgetItem* item : items) indexes.push_back(indexOfTopLevelItem(item));
    return owner_->DragData(indexes);
  }

 private:
  TEwFilelistView28* owner_;
};

std::int64_t LeadingNumber(const QString& text) {
  qsizetype end = 0;
  while (end < text.size() && (text[end].isDigit() || text[end] == ' ')) ++end;
  return text.left(end).trimmed().toLongLong();
}

int Sign(std::int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

QString Fmt(const std::string& s) { return QString::fromStdString(s); }

QString SizeMbText(std::int64_t kb) {
  if (kb <= 0) return QStringLiteral("0 Mb");
  return Fmt(FormatFloat("###,###,### Mb", static_cast<double>(kb / 1000)));
}

}  // namespace

TEwFilelistView28::TEwFilelistView28(TComponent* owner) : TWinControl(owner) {
  view_ = new FileListView(this);
  view_->setItemDelegate(
      new explorer_nodes::RenameDelegate(view_, [this](const QModelIndex& index, const QString& text) {
        CallGuarded(this, [&] { Edit(index.row(), text); });
      }));
  QObject::connect(view_, &QTreeWidget::clicked, view_,
                   [this](const QModelIndex&) { CallGuarded(this, [&] { ItemClick(); }); });
  QObject::connect(view_, &QTreeWidget::doubleClicked, view_,
                   [this](const QModelIndex&) { CallGuarded(this, [&] { ItemDblClick(); }); });
  QObject::connect(view_->header(), &QHeaderView::sectionClicked, view_,
                   [this](int column) { CallGuarded(this, [&] { ColumnClickSort(column); }); });
  SetDateFormat(df_Customize);
  SetTimeFormat(tfShortFormat);
  popup_ = new TEwFilelistView28PopUp(this);
  popup_->BuildItems();
  SetBounds(Left(), Top(), 520, 240);
  CreateDriveColumns();
}

TEwFilelistView28::~TEwFilelistView28() = default;

void TEwFilelistView28::Init() { TWinControl::Init(); }

void TEwFilelistView28::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == dir_tree_) dir_tree_ = nullptr;
  if (component == dir_tree_combo_) dir_tree_combo_ = nullptr;
}

void TEwFilelistView28::resizeEvent(QResizeEvent* event) {
  TWinControl::resizeEvent(event);
  view_->setGeometry(rect());
}

// ---- items ----

int TEwFilelistView28::ItemCount() const { return view_->topLevelItemCount(); }

QTreeWidgetItem* TEwFilelistView28::Item(int index) const {
  return index >= 0 && index < ItemCount() ? view_->topLevelItem(index) : nullptr;
}

QString TEwFilelistView28::Caption(int index) const {
  const QTreeWidgetItem* item = Item(index);
  return item ? item->text(0) : QString();
}

QStringList TEwFilelistView28::SubItems(int index) const {
  const QTreeWidgetItem* item = Item(index);
  return item ? item->data(0, kSubItemsRole).toStringList() : QStringList();
}

int TEwFilelistView28::ImageIndex(int index) const {
  const QTreeWidgetItem* item = Item(index);
  return item ? item->data(0, kImageRole).toInt() : -1;
}

bool TEwFilelistView28::ItemSelected(int index) const {
  const QTreeWidgetItem* item = Item(index);
  return item && item->isSelected();
}

void TEwFilelistView28::SetItemSelected(int index, bool selected) {
  if (QTreeWidgetItem* item = Item(index)) {
    item->setSelected(selected);
    if (selected)
      view_->selectionModel()->setCurrentIndex(view_->indexFromItem(item), QItemSelectionModel::NoUpdate);
  }
}

int TEwFilelistView28::IndexOfPath(const QString& path) const {
  for (int i = 0; i < ItemCount(); ++i) {
    if (SubItems(i).value(kSubPath) == path) return i;
  }
  return -1;
}

QList<int> TEwFilelistView28::SelectedIndexes() const {
  QList<int> out;
  for (int i = 0; i < ItemCount(); ++i) {
    if (ItemSelected(i)) out.push_back(i);
  }
  return out;
}

int TEwFilelistView28::SelectedIndex() const {
  if (QTreeWidgetItem* current = view_->currentItem(); current && current->isSelected())
    return view_->indexOfTopLevelItem(current);
  const QList<int> selected = SelectedIndexes();
  return selected.isEmpty() ? -1 : selected.front();
}

QTreeWidgetItem* TEwFilelistView28::AddItem(const QString& caption, int image, const QStringList& sub_items) {
  auto* item = new QTreeWidgetItem(view_);
  item->setText(0, caption);
  for (int c = 0; c < 4 && c < sub_items.size(); ++c) item->setText(c + 1, sub_items[c]);
  item->setData(0, kSubItemsRole, sub_items);
  item->setData(0, kImageRole, image);
  item->setIcon(0, ShellImageList::Instance().Icon(image));
  item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
  const bool drives = sub_items.value(kSubKind) == "drv";
  if (drives) {
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  } else {
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  }
  return item;
}

// ---- properties ----

void TEwFilelistView28::SetDirectory(const QString& value) {
  if (value == directory_) return;
  if (value.compare(explorer_nodes::kDrivesPath, Qt::CaseInsensitive) == 0) {
    directory_ = value;
    RefreshFileList();
    return;
  }
  const QFileInfo info(value);
  if (value.isEmpty() || !info.isDir()) return;
  // Linux names are case-sensitive, so "/a/B/" and "/a/b/" are different
  // folders: only the exact text is "the same folder".
  const QString folder = AddBackslash(info.absoluteFilePath());
  if (folder == directory_ && value != folder) {
    RefreshFileList();
    return;
  }
  directory_ = folder;
  RefreshFileList();
}

void TEwFilelistView28::SetMask(const QString& mask) {
  if (mask == mask_) return;
  mask_ = mask;
  RefreshFileList();
}

void TEwFilelistView28::SetFileType(TFileAttrs type) {
  if (type == file_type_) return;
  file_type_ = type;
  RefreshFileList();
}

void TEwFilelistView28::SetShowFolders(bool show) {
  if (show == show_folders_) return;
  show_folders_ = show;
  RefreshFileList();
}

bool TEwFilelistView28::MultiSelect() const {
  return view_->selectionMode() == QAbstractItemView::ExtendedSelection;
}

void TEwFilelistView28::SetMultiSelect(bool multi) {
  view_->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TEwFilelistView28::SetDirTree(TEwDirTree21* tree) {
  if (tree == dir_tree_) return;
  TEwDirTree21* old = dir_tree_;
  dir_tree_ = tree;
  if (old) {
    RemoveFreeNotification(old);
    if (old->FileList() == this) old->SetFileList(nullptr);
  }
  if (tree) {
    FreeNotification(tree);
    tree->SetFileList(this);
  }
}

void TEwFilelistView28::SetDirTreeCombo(TEwDirTreeCombo28* combo) {
  if (combo == dir_tree_combo_) return;
  TEwDirTreeCombo28* old = dir_tree_combo_;
  dir_tree_combo_ = combo;
  if (old) {
    RemoveFreeNotification(old);
    if (old->FileList() == this) old->SetFileList(nullptr);
  }
  if (combo) {
    FreeNotification(combo);
    combo->SetFileList(this);
  }
}

void TEwFilelistView28::SetSelectedItem(const QString& item) {
  if (item != selected_item_) selected_item_ = item;
}

int TEwFilelistView28::SelectedNumber() const {
  const int selected = static_cast<int>(SelectedIndexes().size());
  return selected > 0 ? selected : ItemCount();
}

std::int64_t TEwFilelistView28::SelectedSize() const {
  std::int64_t total = 0;
  for (int i : SelectedIndexes()) {
    const QFileInfo info(SubItems(i).value(kSubPath));
    if (info.isFile()) total += info.size();
  }
  return total;
}

std::int64_t TEwFilelistView28::DriveFreeSpace() const {
  if (drive_view_) return 0;
  return DiskFreeKB(directory_);
}

void TEwFilelistView28::SetDateFormat(TDtFormat format) {
  date_format_ = format;
  static const char* const kFormats[] = {"MM/dd/yyyy", "MM/dd/yy", "dd/MM/yyyy", "dd/MM/yy",
                                         "dd.MM.yy",   "dd-MM-yy", "yyyy-MM-dd", "yy-MM-dd"};
  if (format >= df_MMddyyyy && format < df_Customize)
    date_fmt_ = QString::fromLatin1(kFormats[format]);
  else
    date_fmt_ = Fmt(TheFormatSettings().ShortDateFormat);
}

void TEwFilelistView28::SetTimeFormat(TTmFormat format) {
  time_format_ = format;
  const FormatSettings& settings = TheFormatSettings();
  if (format == tfLongFormat) {
    time_fmt_ = Fmt(settings.LongTimeFormat);
  } else if (format == tfShortFormat) {
    time_fmt_ = Fmt(settings.ShortTimeFormat);
  } else {
    // The long format without its own marker, then the 12-hour marker.
    QString base = Fmt(settings.LongTimeFormat);
    for (const char* marker : {"ampm", "am/pm", "a/p"}) {
      const qsizetype at = base.indexOf(QLatin1String(marker), 0, Qt::CaseInsensitive);
      if (at >= 0) base = base.left(at);
    }
    time_fmt_ = base.trimmed() + " AM/PM";
  }
}

QStringList TEwFilelistView28::ColumnCaptions() const {
  QStringList out;
  for (int c = 0; c < view_->columnCount(); ++c) out.push_back(view_->headerItem()->text(c));
  return out;
}

// ---- filling ----

void TEwFilelistView28::CreateFileColumns() {
  view_->setColumnCount(5);
  view_->setHeaderLabels({"Name", "Size", "Type", "Modified", "Attr"});
  view_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  for (int c = 0; c < 5; ++c) view_->setColumnWidth(c, col_widths_[c]);
}

void TEwFilelistView28::CreateDriveColumns() {
  view_->setColumnCount(5);
  view_->setHeaderLabels({"Name", "Type", "Disk Size", "Free Space", "Attributes"});
  view_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  view_->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  const int widths[] = {160, 110, 90, 90, 40};
  for (int c = 0; c < 5; ++c) view_->setColumnWidth(c, widths[c]);
}

QString TEwFilelistView28::AttrToText(int attributes) {
  QString text;
  if (attributes & faArchive) text += 'A';
  if (attributes & faReadOnly) text += 'R';
  if (attributes & faHidden) text += 'H';
  if (attributes & faSysFile) text += 'S';
  return text;
}

QString TEwFilelistView28::DriveTypeText(unsigned type) {
  static const char* const kTexts[] = {"Unknown",      "Not exist",   "Removable Disk", "Fixed Disk",
                                       "Network Disk", "CD-ROM Disk", "RAM Disk"};
  return type <= kDriveRamDisk ? QString::fromLatin1(kTexts[type]) : QStringLiteral("Unknown");
}

bool TEwFilelistView28::AddFiles(const QString& folder, const QString& masks, int attributes) {
  column_sorting_ = true;
  bool added = false;
  const bool want_dirs = (attributes & faDirectory) != 0;
  constexpr int kFilterBits = faReadOnly | faHidden | faSysFile;
  ShellImageList& images = ShellImageList::Instance();
  FindOptions options;
  options.skipDots = !want_dirs;
  DirectoryListing listing(AddBackslash(folder).toStdString(), masks.toStdString(), faAnyFile, options);
  for (const TSearchRec& rec : listing) {
    const QString name = QString::fromStdString(rec.Name);
    if (name == ".") continue;
    const bool is_dir = (rec.Attr & faDirectory) != 0;
    if (is_dir != want_dirs) continue;
    const QString full = AddBackslash(folder) + name;
    const QString time_text = FileTimeToText(rec.Time, date_fmt_, time_fmt_);
    const QString nanoseconds = QString::number(
        std::chrono::duration_cast<std::chrono::nanoseconds>(rec.Time.time_since_epoch()).count());
    if (name == "..") {
      if (!parent_dir_enabled_) continue;
      AddItem(kParentCaption, kIconFolder,
              {" ", " ", time_text, AttrToText(rec.Attr & ~faHidden), full, "dir", nanoseconds});
      added = true;
      continue;
    }
    if ((rec.Attr & kFilterBits) & ~attributes) continue;
    QString caption = name;
    if (hide_file_ext_ && !is_dir) caption = FileNameWithoutExt(name);
    const QString kind = is_dir ? QStringLiteral("dir") : QStringLiteral("file");
    AddItem(caption, images.IndexOfPath(full),
            {SizeToKBText(rec.Size, is_dir ? "DIR" : "FILE"), FileTypeName(full), time_text,
             AttrToText(rec.Attr), full, kind, nanoseconds});
    total_size_ += rec.Size;
    added = true;
  }
  return added;
}

void TEwFilelistView28::AddDrives() {
  column_sorting_ = false;
  ShellImageList& images = ShellImageList::Instance();
  const QString home = AddBackslash(QDir::homePath());
  for (const TVolume& volume : Volumes().Volumes()) {
    const QString root = AddBackslash(volume.root);
    // Removable and optical drives are not asked for their size: a drive
    // without a medium would keep the list waiting.
    const bool ask = volume.type != kDriveRemovable && volume.type != kDriveCdRom;
    AddItem(volume.name, images.IndexOfVolume(volume.type, root == home),
            {DriveTypeText(volume.type), ask ? SizeMbText(DiskSizeKB(root)) : "0 Mb",
             ask ? SizeMbText(DiskFreeKB(root)) : "0 Mb", "", root, "drv"});
  }
}

void TEwFilelistView28::RefreshFileList() {
  WaitCursor wait;
  view_->setUpdatesEnabled(false);
  view_->clear();
  total_size_ = 0;
  drive_view_ = directory_.compare(explorer_nodes::kDrivesPath, Qt::CaseInsensitive) == 0;
  if (!drive_view_) {
    CreateFileColumns();
    int attributes = 0;
    if (file_type_ & ftReadOnly) attributes |= faReadOnly;
    if (file_type_ & ftHidden) attributes |= faHidden;
    if (file_type_ & ftSystem) attributes |= faSysFile;
    if (file_type_ & ftArchive) attributes |= faArchive;
    if (show_folders_) AddFiles(directory_, "*.*", attributes | faDirectory);
    QString masks = mask_.trimmed();
    if (masks.isEmpty()) masks = QStringLiteral("*.*");
    // One pass with the whole list: a file that matches two of the masks
    // is still listed once.
    AddFiles(directory_, masks, attributes);
  } else {
    CreateDriveColumns();
    AddDrives();
  }
  // Every new folder starts sorted by name, folders first.
  sort_column_ = 0;
  sort_flag_ = true;
  ColumnClickSort(0);
  UpdateSortArrows();
  view_->setUpdatesEnabled(true);
  FocusFirstItem();
}

void TEwFilelistView28::FocusFirstItem() {
  if (ItemCount() > 0 && SelectedIndexes().isEmpty())
    view_->selectionModel()->setCurrentIndex(view_->indexFromItem(Item(0)), QItemSelectionModel::NoUpdate);
}

// ---- sorting ----

void TEwFilelistView28::ColumnClickSort(int column) {
  if (!column_sorting_) return;
  if (column != sort_column_) {
    sort_column_ = column;
    sort_flag_ = true;
  } else {
    sort_flag_ = !sort_flag_;
  }
  SortItems();
  UpdateSortArrows();
}

void TEwFilelistView28::UpdateSortArrows() {
  QHeaderView* header = view_->header();
  header->setSortIndicatorShown(column_sorting_);
  if (column_sorting_)
    header->setSortIndicator(sort_column_, sort_flag_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int TEwFilelistView28::CompareItems(int index1, int index2) const {
  const QStringList a = SubItems(index1);
  const QStringList b = SubItems(index2);
  const bool dir_a = a.value(kSubKind) == "dir";
  const bool dir_b = b.value(kSubKind) == "dir";
  int r = 0;
  if (dir_a && !dir_b) {
    r = -1;
  } else if (dir_b && !dir_a) {
    r = 1;
  } else {
    switch (sort_column_) {
      case 0:
        r = Caption(index1).toLower().compare(Caption(index2).toLower());
        break;
      case 1:
        r = Sign(LeadingNumber(a.value(kSubSize)) - LeadingNumber(b.value(kSubSize)));
        break;
      case 2:
        r = a.value(kSubType).compare(b.value(kSubType), Qt::CaseInsensitive);
        break;
      case 3:
        r = Sign(a.value(kSubTime).toLongLong() - b.value(kSubTime).toLongLong());
        break;
      case 4:
        r = a.value(kSubAttr).compare(b.value(kSubAttr), Qt::CaseInsensitive);
        break;
      default:
        break;
    }
  }
  r = r < 0 ? -1 : (r > 0 ? 1 : 0);
  if (sort_flag_ && Caption(index1) != kParentCaption && Caption(index2) != kParentCaption) r = -r;
  return r;
}

void TEwFilelistView28::SortItems() {
  const int n = ItemCount();
  if (n < 2) return;
  std::vector<int> order(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  std::stable_sort(order.begin(), order.end(), [this](int x, int y) { return CompareItems(x, y) < 0; });
  QList<QTreeWidgetItem*> items;
  for (int i : order) items.push_back(view_->topLevelItem(i));
  const QList<QTreeWidgetItem*> selected = view_->selectedItems();
  QTreeWidgetItem* current = view_->currentItem();
  while (view_->topLevelItemCount()) view_->takeTopLevelItem(0);
  view_->addTopLevelItems(items);
  for (QTreeWidgetItem* item : selected) item->setSelected(true);
  if (current)
    view_->selectionModel()->setCurrentIndex(view_->indexFromItem(current), QItemSelectionModel::NoUpdate);
}

// ---- navigation ----

void TEwFilelistView28::MoveLinkedTo(const QString& path, bool reload) {
  if (dir_tree_combo_) {
    if (reload) dir_tree_combo_->ReloadTree();
    dir_tree_combo_->SelectPath(path);
  } else if (dir_tree_) {
    if (reload) dir_tree_->ReloadTree();
    dir_tree_->SelectPath(path);
  }
}

void TEwFilelistView28::GoUp() {
  if (drive_view_) return;
  const QString dir = AddBackslash(directory_);
  if (dir == "/") {
    if (dir_tree_combo_) dir_tree_combo_->ShowComputerNode();
    if (dir_tree_) {
      dir_tree_->SetSelected(dir_tree_->ComputerNode());
      dir_tree_->SetSelectedPath(explorer_nodes::kDrivesPath);
    }
    SetDirectory(explorer_nodes::kDrivesPath);
    return;
  }
  const QString parent = AddBackslash(QFileInfo(RemoveBackslash(dir)).path());
  SetDirectory(parent);
  if (dir_tree_) dir_tree_->SelectPath(parent);
  if (dir_tree_combo_) dir_tree_combo_->SelectPath(parent);
}

void TEwFilelistView28::OpenItem() {
  const int index = SelectedIndex();
  if (index < 0) return;
  WaitCursor wait;
  const QStringList sub = SubItems(index);
  if (Caption(index) == kParentCaption) {
    GoUp();
    return;
  }
  const QString kind = sub.value(kSubKind);
  const QString path = sub.value(kSubPath);
  if (kind == "file") {
    const QFileInfo info(path);
    ExecuteFile("Open", info.fileName(), "", info.path(), SW_SHOW);
    return;
  }
  const QString folder = AddBackslash(path);
  if (kind == "drv") {
    const std::vector<TVolume> volumes = Volumes().Volumes();
    const TVolume* volume = VolumeOfPath(volumes, folder);
    if (volume && volume->type == kDriveRemovable && !CheckDriveReady(folder, true)) return;
  }
  SetDirectory(folder);
  if (dir_tree_) dir_tree_->SelectPath(folder);
  if (dir_tree_combo_) dir_tree_combo_->SelectPath(folder);
}

// ---- mouse and keys ----

void TEwFilelistView28::ItemClick() {
  const int index = SelectedIndex();
  if (index >= 0) {
    SetSelectedItem(SubItems(index).value(kSubPath));
    if (OnItemChange) OnItemChange(this, selected_item_);
  }
  Click();
}

void TEwFilelistView28::ItemDblClick() {
  const int index = SelectedIndex();
  if (index < 0 || Caption(index).isEmpty()) return;
  if (dbl_click_to_open_) {
    OpenItem();
  } else if (Caption(index) == kParentCaption) {
    GoUp();
  } else {
    DblClick();
  }
}

void TEwFilelistView28::ListKeyDown(int& key, TShiftState shift) {
  const bool has_selection = SelectedIndex() >= 0;
  if (shift == ssCtrl) {
    switch (key) {
      case 'A':
        view_->selectAll();
        KeyDown(key, shift);
        return;
      case 'C':
        if (has_selection) CutCopyItems(0);
        break;
      case 'X':
        if (has_selection) CutCopyItems(2);
        break;
      case 'V':
        if (!clipboard_.isEmpty()) PasteItems();
        break;
      case 'O':
        if (has_selection) OpenItem();
        break;
      case 'N':
        if (!drive_view_) NewFolder();
        break;
      default:
        if (popup_) popup_->CtrlKey(key, has_selection);
        break;
    }
  } else if (shift == 0) {
    switch (key) {
      case 113:  // F2
        RenameItem();
        break;
      case 114:  // F3
        FindInFolder();
        break;
      case 115:  // F4
        if (dir_tree_combo_) dir_tree_combo_->DropDown();
        break;
      case 116:  // F5
        RefreshFileList();
        break;
      case 8:
        GoUp();
        break;
      case 13:
        if (has_selection) OpenItem();
        break;
      case 27:
        if (dir_tree_combo_) dir_tree_combo_->CloseUp();
        break;
      case 46:
        if (has_selection) DeleteItems();
        break;
      default:
        break;
    }
  }
  KeyDown(key, shift);
}

void TEwFilelistView28::ListKeyUp(int& key, TShiftState shift) {
  KeyUp(key, shift);
  if (key == 38 || key == 40) ItemClick();
}

// ---- rename and new folder ----

bool TEwFilelistView28::CanEdit(int index) {
  if (read_only_ || index < 0) return false;
  const QStringList sub = SubItems(index);
  // The parent entry and the volumes have no name of their own to change.
  if (Caption(index) == kParentCaption || sub.value(kSubKind) == "drv") return false;
  old_path_ = sub.value(kSubPath);
  return true;
}

void TEwFilelistView28::RenameItem() {
  const int index = SelectedIndex();
  if (index < 0) return;
  if (!read_only_ && SubItems(index).value(kSubAttr).toUpper() != "R") {
    if (CanEdit(index)) view_->editItem(Item(index), 0);
  } else {
    Application().MessageBox(QStringLiteral("It's ReadOnly"), QStringLiteral("Warning"),
                             MB_OK | MB_ICONWARNING);
  }
}

bool TEwFilelistView28::Edit(int index, const QString& text) {
  if (index < 0 || index >= ItemCount() || old_path_.isEmpty()) return false;
  const QString old_path = old_path_;
  old_path_.clear();
  if (text.isEmpty() || text == "." || text == ".." || text.contains('/') || text.contains(QChar(0))) {
    QApplication::beep();
    Application().MessageBox("Error - Invalid File Name\r" + text, QStringLiteral("Error"),
                             MB_OK | MB_ICONERROR);
    return false;
  }
  Item(index)->setText(0, text);
  if (OnEdited) OnEdited(this, index, text);
  WaitCursor wait;
  const bool was_dir = SubItems(index).value(kSubKind) == "dir";
  const QString new_path = ConcatPath(QFileInfo(old_path).path(), text);
  if (new_path == old_path) return false;
  bool renamed = false;
  if (!FileAlreadyExists(new_path)) {
    bool aborted = false;
    renamed = ShellFileOperation(FO_RENAME, {old_path}, new_path, aborted);
  }
  RefreshFileList();
  if (was_dir) {
    if (dir_tree_) {
      dir_tree_->ReloadTree();
      dir_tree_->SelectPath(directory_);
    } else if (dir_tree_combo_) {
      dir_tree_combo_->ReloadTree();
      dir_tree_combo_->SelectPath(directory_);
    }
  }
  return renamed;
}

void TEwFilelistView28::NewFolder() {
  if (drive_view_) return;
  QString path = ConcatPath(directory_, "New Folder");
  for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
    path = ConcatPath(directory_, "New Folder(" + QString::number(n) + ")");
  if (!QDir().mkdir(path)) {
    Application().MessageBox("Cannot create the folder " + path, QStringLiteral("Error"),
                             MB_OK | MB_ICONERROR);
    return;
  }
  RefreshFileList();
  const int index = IndexOfPath(path);
  if (index >= 0) {
    view_->clearSelection();
    SetItemSelected(index, true);
    if (CanEdit(index)) view_->editItem(Item(index), 0);
  }
  MoveLinkedTo(path, true);
}

// ---- commands on the selection ----

void TEwFilelistView28::CutCopyItems(int op) {
  clipboard_op_ = -1;
  clipboard_.clear();
  for (int i : SelectedIndexes()) {
    const QStringList sub = SubItems(i);
    // Only real entries: copying the parent entry would copy the folder
    // that holds this one.
    if (Caption(i) == kParentCaption || sub.value(kSubKind) == "drv") continue;
    clipboard_.push_back(sub.value(kSubPath));
  }
  if (!clipboard_.isEmpty()) clipboard_op_ = op;
}

void TEwFilelistView28::PasteItems() {
  if (drive_view_) return;
  if (clipboard_.isEmpty()) {
    Application().MessageBox(QStringLiteral("No file(s) selected"), QStringLiteral("Warning"),
                             MB_OK | MB_ICONWARNING);
    return;
  }
  WaitCursor wait;
  const int func = clipboard_op_ == 2 ? FO_MOVE : FO_COPY;
  for (const QString& entry : clipboard_) {
    bool aborted = false;
    ShellFileOperation(func, {entry}, ConcatPath(directory_, QFileInfo(entry).fileName()), aborted);
  }
  RefreshFileList();
  clipboard_.clear();
  clipboard_op_ = -1;
  MoveLinkedTo(directory_, true);
}

void TEwFilelistView28::DeleteItems() {
  if (drive_view_) return;
  WaitCursor wait;
  clipboard_.clear();
  clipboard_op_ = -1;
  QStringList paths;
  for (int i : SelectedIndexes()) {
    if (Caption(i) == kParentCaption || SubItems(i).value(kSubKind) == "drv") continue;
    paths.push_back(SubItems(i).value(kSubPath));
  }
  if (paths.isEmpty()) return;
  bool aborted = false;
  ShellFileOperation(FO_DELETE, paths, {}, aborted);
  RefreshFileList();
  MoveLinkedTo(directory_, true);
}

void TEwFilelistView28::ShowItemProperties() {
  const int index = SelectedIndex();
  if (index >= 0) ShowFileProperties(SubItems(index).value(kSubPath));
}

void TEwFilelistView28::FindInFolder() {
  if (drive_view_ || !view_->hasFocus()) return;
  ExecuteFile("Open", RemoveBackslash(directory_), "", "", SW_SHOWNORMAL);
}

QMimeData* TEwFilelistView28::DragData(const QList<int>& indexes) const {
  QStringList paths;
  for (int i : indexes) {
    if (i < 0 || Caption(i) == kParentCaption) continue;
    paths.push_back(RemoveBackslash(SubItems(i).value(kSubPath)));
  }
  return explorer_nodes::MimeDataForPaths(paths);
}
