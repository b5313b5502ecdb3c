#pragma once
// TEwFilelistView28: the file list of the explorer pane. It shows one
// folder in report style (Name, Size, Type, Modified, Attr), filtered by
// Mask and FileType, or the volumes ("Drives"). The folder tree and the
// folder combo drive it through Directory, and it moves them along when the
// user changes folders here. Items dragged out carry their file URLs.
//
// Item layout, which the application reads: the caption is the plain name
// (" Parent" for the parent folder), and the sub-items are
//   0 size text (" " for every folder)   4 full path
//   1 type name                          5 kind: "dir", "file" or "drv"
//   2 modification time text             6 modification time in
//   3 attribute letters (A R H S)           nanoseconds, for sorting
// In the drive view: 0 drive type, 1 size, 2 free space, 3 empty, 4 root,
// 5 "drv".

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/gui/Controls.h"

class QMenu;
class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
class TEwDirTree21;
class TEwDirTreeCombo28;
class TEwFilelistView28PopUp;

enum TFileAttr : unsigned { ftReadOnly = 1, ftHidden = 2, ftSystem = 4, ftArchive = 8, ftNormal = 16 };
using TFileAttrs = unsigned;

enum TDtFormat {
  df_MMddyyyy,
  df_MMddyy,
  df_ddMMyyyy,
  df_ddMMyy_GB,
  df_ddMMyy_DE,
  df_ddMMyy_IT,
  df_yyyyMMdd,
  df_yyMMdd,
  df_Customize
};
enum TTmFormat { tfLongFormat, tfShortFormat, tfCustomize };

// Sub-item indexes of the item layout.
enum : int {
  kSubSize = 0,
  kSubType = 1,
  kSubModified = 2,
  kSubAttr = 3,
  kSubPath = 4,
  kSubKind = 5,
  kSubTime = 6
};

class TEwFilelistView28 : public TWinControl {
 public:
  explicit TEwFilelistView28(TComponent* owner = nullptr);
  ~TEwFilelistView28() override;

  // The view inside the control (for the form's layout and for tests).
  QTreeWidget* ListView() const { return view_; }

  // Items, in the order shown.
  int ItemCount() const;
  QString Caption(int index) const;
  QStringList SubItems(int index) const;
  int ImageIndex(int index) const;
  bool ItemSelected(int index) const;
  void SetItemSelected(int index, bool selected);
  // The index of the item with that full path, or -1.
  int IndexOfPath(const QString& path) const;
  int SelectedIndex() const;  // the focused selected item, else the first selected, or -1
  QList<int> SelectedIndexes() const;

  const QString& Directory() const { return directory_; }
  void SetDirectory(const QString& value);
  const QString& Mask() const { return mask_; }
  void SetMask(const QString& mask);
  TFileAttrs FileType() const { return file_type_; }
  void SetFileType(TFileAttrs type);
  bool ShowFolders() const { return show_folders_; }
  void SetShowFolders(bool show);
  bool HideFileExt() const { return hide_file_ext_; }
  void SetHideFileExt(bool hide) { hide_file_ext_ = hide; }
  bool ParentDirEnabled() const { return parent_dir_enabled_; }
  void SetParentDirEnabled(bool enabled) { parent_dir_enabled_ = enabled; }
  bool DblClickToOpen() const { return dbl_click_to_open_; }
  void SetDblClickToOpen(bool open) { dbl_click_to_open_ = open; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  bool MultiSelect() const;
  void SetMultiSelect(bool multi);
  bool PopUpMenuEnabled() const { return popup_enabled_; }
  void SetPopUpMenuEnabled(bool enabled) { popup_enabled_ = enabled; }
  TEwFilelistView28PopUp* PopUp() const { return popup_; }

  TEwDirTree21* DirTree() const { return dir_tree_; }
  void SetDirTree(TEwDirTree21* tree);
  TEwDirTreeCombo28* DirTreeCombo() const { return dir_tree_combo_; }
  void SetDirTreeCombo(TEwDirTreeCombo28* combo);

  const QString& SelectedItem() const { return selected_item_; }
  void SetSelectedItem(const QString& item);
  int SelectedNumber() const;
  std::int64_t SelectedSize() const;
  std::int64_t DriveFreeSpace() const;

  TDtFormat DateFormat() const { return date_format_; }
  virtual void SetDateFormat(TDtFormat format);
  TTmFormat TimeFormat() const { return time_format_; }
  virtual void SetTimeFormat(TTmFormat format);
  const QString& DateFormatString() const { return date_fmt_; }
  const QString& TimeFormatString() const { return time_fmt_; }

  int ColWidth_Name() const { return col_widths_[0]; }
  void SetColWidth_Name(int w) { col_widths_[0] = w; }
  int ColWidth_Size() const { return col_widths_[1]; }
  void SetColWidth_Size(int w) { col_widths_[1] = w; }
  int ColWidth_Type() const { return col_widths_[2]; }
  void SetColWidth_Type(int w) { col_widths_[2] = w; }
  int ColWidth_Mod() const { return col_widths_[3]; }
  void SetColWidth_Mod(int w) { col_widths_[3] = w; }
  int ColWidth_Attr() const { return col_widths_[4]; }
  void SetColWidth_Attr(int w) { col_widths_[4] = w; }
  QString About() const { return QStringLiteral("Version 2.8.7.0"); }

  // The sort state: the column and the flag (true: descending, folders last).
  int SortColumn() const { return sort_column_; }
  bool SortFlag() const { return sort_flag_; }
  // The column headers shown now.
  QStringList ColumnCaptions() const;

  std::function<void(TControl* sender, const QString& selected_item)> OnItemChange;
  std::function<void(TControl* sender, int index, const QString& text)> OnEdited;

  void RefreshFileList();
  bool AddFiles(const QString& folder, const QString& masks, int attributes);
  void AddDrives();
  static QString AttrToText(int attributes);
  static QString DriveTypeText(unsigned type);
  void CreateFileColumns();
  void CreateDriveColumns();
  void UpdateSortArrows();
  void ColumnClickSort(int column);
  // <0, 0 or >0 for the order of two items by the sort state.
  int CompareItems(int index1, int index2) const;
  void GoUp();
  void NewFolder();
  void RenameItem();
  bool CanEdit(int index);
  // The end of an in-place edit: renames the item to `text`.
  bool Edit(int index, const QString& text);

  // The commands on the selection (the popup's and the keys').
  void OpenItem();
  void CutCopyItems(int op);
  void PasteItems();
  void DeleteItems();
  void ShowItemProperties();
  // Shows the folder in the desktop's file manager, where the user searches
  // it; only while the list has the keyboard focus.
  void FindInFolder();
  // Send To (EwFileExplorer28SendTo.cpp): 0 any folder, 1 the file's
  // contents to the clipboard, 2 the selected paths to the clipboard, 3 a
  // link on the desktop.
  void SendTo(int index);
  // A link file of the SendTo folder: a folder link copies the selection
  // there, a program link opens the selected file with the program.
  void SendToShortcut(const QString& link_file);
  void SendToFolder(const QString& folder);
  void SendToRemovable(const QString& root);
  void CreateDesktopShortcut();
  // The folder or program a .desktop link names, or an empty text.
  static QString ResolveShortcut(const QString& link_file);
  // Asks for a folder; empty when cancelled.
  QString SendToAnyFolderDialog(const QString& default_folder);
  // Where the user keeps Send To links: $XDG_DATA_HOME/burner/SendTo.
  static QString SendToFolderPath();
  int ClipboardOperation() const { return clipboard_op_; }
  const QStringList& ClipboardList() const { return clipboard_; }

  // The clicks and keys, as the view reports them.
  void ItemClick();
  void ItemDblClick();
  void ListKeyDown(int& key, TShiftState shift);
  void ListKeyUp(int& key, TShiftState shift);
  // The drag data of items: their file URLs (the parent entry is left out).
  QMimeData* DragData(const QList<int>& indexes) const;

  void Init() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTreeWidgetItem* Item(int index) const;
  QTreeWidgetItem* AddItem(const QString& caption, int image, const QStringList& sub_items);
  void SortItems();
  void FocusFirstItem();
  // Moves a linked combo (preferred) or tree to `path`, reloading it first
  // when `reload`.
  void MoveLinkedTo(const QString& path, bool reload);

  QTreeWidget* view_ = nullptr;
  TEwFilelistView28PopUp* popup_ = nullptr;
  TEwDirTree21* dir_tree_ = nullptr;
  TEwDirTreeCombo28* dir_tree_combo_ = nullptr;
  QString directory_ = QStringLiteral("Drives");
  QString mask_ = QStringLiteral("*.*");
  TFileAttrs file_type_ = ftReadOnly | ftHidden | ftSystem | ftArchive;
  bool show_folders_ = true;
  bool hide_file_ext_ = false;
  bool parent_dir_enabled_ = true;
  bool dbl_click_to_open_ = true;
  bool read_only_ = false;
  bool popup_enabled_ = true;
  bool column_sorting_ = false;
  bool drive_view_ = true;
  int sort_column_ = 0;
  bool sort_flag_ = true;
  std::int64_t total_size_ = 0;
  QString selected_item_;
  QString old_path_;
  TDtFormat date_format_ = df_Customize;
  TTmFormat time_format_ = tfShortFormat;
  QString date_fmt_;
  QString time_fmt_;
  int col_widths_[5] = {165, 75, 95, 125, 40};
  QStringList clipboard_;
  int clipboard_op_ = -1;
};
