#include "shell/BrowseDr.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/gui/Dialogs.h"
#include "platform/gui/FolderBrowser.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"

namespace {

QString Location(QStandardPaths::StandardLocation location) {
  const QString path = QStandardPaths::writableLocation(location);
  return path.isEmpty() ? QDir::homePath() : path;
}

}  // namespace

QString RootFolder(TRootID root) {
  QString folder;
  switch (root) {
    case idDesktop:
    case idDesktopExpanded:
    case idDesktopDirectory:
    case idCommonDesktopDirectory:
      folder = Location(QStandardPaths::DesktopLocation);
      break;
    case idPersonal:
      folder = Location(QStandardPaths::DocumentsLocation);
      break;
    case idPrograms:
    case idStartMenu:
    case idCommonStartMenu:
    case idCommonPrograms:
      folder = Location(QStandardPaths::ApplicationsLocation);
      break;
    case idStartup:
    case idCommonStartup:
      folder = Location(QStandardPaths::GenericConfigLocation) + "/autostart";
      break;
    case idFonts:
      folder = Location(QStandardPaths::FontsLocation);
      break;
    case idAppData:
      folder = Location(QStandardPaths::GenericConfigLocation);
      break;
    case idTemplates:
      folder = QDir::homePath() + "/Templates";
      break;
    case idDrives:
      folder = QStringLiteral("/");
      break;
    default:
      folder = QDir::homePath();
      break;
  }
  return AddBackslash(folder);
}

TwpnBrowseDirectoryDlg::TwpnBrowseDirectoryDlg(TComponent* owner) : TComponent(owner) {}

void TwpnBrowseDirectoryDlg::SetOptions(TBrowseFlags options) {
  if (options & bfIncludeURLs) options |= bfIncludeFiles | bfUseNewUI;
  if (options & bfShareable) options |= bfUseNewUI;
  if ((options & bfUseNewUI) == bfUseNewUI) options |= bfEditBox | bfNewDialogStyle;
  options_ = options;
}

void TwpnBrowseDirectoryDlg::SetSelection(const QString& selection) {
  if (selection == selection_) return;
  selection_ = selection;
  if (!selection_.isEmpty() && !selection_.endsWith('/') && QFileInfo(selection_).isDir()) selection_ += '/';
  if (show_selection_in_status_) SetStatusText(selection_);
  if (open_ && !selection_.isEmpty()) open_->SelectFolder(selection_);
}

QString TwpnBrowseDirectoryDlg::Caption() const { return open_ ? open_->windowTitle() : caption_; }

void TwpnBrowseDirectoryDlg::SetCaption(const QString& caption) {
  caption_ = caption;
  if (open_) open_->setWindowTitle(caption);
}

void TwpnBrowseDirectoryDlg::SetStatusText(const QString& text) {
  if (text == status_text_) return;
  status_text_ = text;
  ShowStatus();
}

void TwpnBrowseDirectoryDlg::SetFitStatusText(bool fit) {
  if (fit == fit_status_text_) return;
  fit_status_text_ = fit;
  ShowStatus();
}

void TwpnBrowseDirectoryDlg::SetEnableOKButton(bool enable) {
  enable_ok_ = enable;
  if (open_) open_->SetOkEnabled(enable);
}

void TwpnBrowseDirectoryDlg::ShowStatus() {
  if (open_) open_->SetStatusText(status_text_, fit_status_text_);
}

void TwpnBrowseDirectoryDlg::DoInitialized(TFolderBrowserDialog& dialog) {
  open_ = &dialog;
  dialog.SetOkEnabled(enable_ok_);
  if (!status_text_.isEmpty()) ShowStatus();
  if (!selection_.isEmpty()) dialog.SelectFolder(selection_);
  if (!caption_.isEmpty()) dialog.setWindowTitle(caption_);
  if (OnCreate) OnCreate(this);
}

void TwpnBrowseDirectoryDlg::DoSelChanged(const QString& path) {
  if (show_selection_in_status_) SetStatusText(path);
  if (OnSelChanged) OnSelChanged(this, path);
}

void TwpnBrowseDirectoryDlg::DoValidateFailed(const QString& path, bool& cancel) {
  if (OnValidateFailed) OnValidateFailed(this, path, cancel);
}

bool TwpnBrowseDirectoryDlg::Execute() {
  FolderBrowseRequest request;
  request.title = title_;
  request.caption = caption_;
  const bool whole_disk = root_ == idDesktop || root_ == idDesktopExpanded || root_ == idDrives;
  request.root = whole_disk ? QStringLiteral("/") : RootFolder(root_);
  request.start = selection_.isEmpty() ? RootFolder(root_) : selection_;
  request.status_line = !status_text_.isEmpty() || show_selection_in_status_;
  request.edit_box = (options_ & bfEditBox) != 0;
  request.center = center_;
  request.on_initialized = [this](TFolderBrowserDialog& dialog) { DoInitialized(dialog); };
  request.on_selection_changed = [this](const QString& path) { DoSelChanged(path); };
  request.on_validate_failed = [this](const QString& typed) {
    bool cancel = false;
    DoValidateFailed(typed, cancel);
    return cancel;
  };
  std::optional<QString> answer;
  try {
    answer = Dialogs().BrowseFolder(request);
  } catch (...) {
    open_ = nullptr;
    throw;
  }
  open_ = nullptr;
  if (!answer || answer->isEmpty()) {
    selection_.clear();
    image_index_ = -1;
    return false;
  }
  // The choice is kept as the browser gave it; the callers cut a trailing "/".
  selection_ = *answer;
  image_index_ = ShellImageList::Instance().IndexOfPath(selection_);
  if (show_selection_in_status_) status_text_ = selection_;
  return true;
}
