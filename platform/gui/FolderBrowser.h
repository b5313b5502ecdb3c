#pragma once
// The folder browser: a tree of folders under a title, with an optional
// status line (fitted to its width), an optional box for a typed path that
// is checked on OK, and hooks for the component that opens it. The dialog
// service shows it modally; tests drive an instance directly.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;

class TFolderBrowserDialog;

struct FolderBrowseRequest {
  QString title;    // the text above the tree
  QString caption;  // the window title; empty: "Browse for Folder"
  QString start;    // the folder selected first; empty: none
  QString root;     // the top of the tree; empty: the file system root
  bool status_line = false;
  bool edit_box = false;
  bool center = true;
  // Runs once the dialog is made, before it shows: the opener may set the
  // status text, the OK button, the caption or the selection.
  std::function<void(TFolderBrowserDialog&)> on_initialized;
  std::function<void(const QString& path)> on_selection_changed;
  // A typed path that names no folder: answers true to close the browser
  // anyway (with the folder chosen in the tree), false to keep it open.
  std::function<bool(const QString& typed)> on_validate_failed;
};

class TFolderBrowserDialog : public QDialog {
 public:
  explicit TFolderBrowserDialog(const FolderBrowseRequest& request, QWidget* parent = nullptr);

  // The folder chosen in the tree; empty when none is.
  QString SelectedFolder() const;
  void SelectFolder(const QString& path);
  void SetStatusText(const QString& text, bool fit);
  QString StatusText() const;
  void SetOkEnabled(bool enabled);
  bool OkEnabled() const;
  QLineEdit* EditBox() const { return edit_; }
  QTreeView* Tree() const { return tree_; }
  // What Execute returns on OK: the typed folder, or the tree's.
  const QString& Chosen() const { return chosen_; }

  void accept() override;

 private:
  void SelectionChanged();

  FolderBrowseRequest request_;
  QLabel* status_ = nullptr;
  QTreeView* tree_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QString status_full_;
  QString chosen_;
};

// A status text shortened to fit `width` pixels of `metrics`: a folder path
// loses its leading folders to ".../" (".../bottom/name", then "name"), any
// other text loses characters from its end behind "...".
QString FitStatusLine(const QString& text, const QFontMetrics& metrics, int width);
