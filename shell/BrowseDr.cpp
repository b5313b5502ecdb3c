#include "shell/BrowseDr.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/gui/Dialogs.h"
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
  if (show_selection_in_status_) status_text_ = selection_;
}

bool TwpnBrowseDirectoryDlg::Execute() {
  if (OnCreate) OnCreate(this);
  const QString start = selection_.isEmpty() ? RootFolder(root_) : selection_;
  const QString title = title_.isEmpty() ? caption_ : title_;
  const std::optional<QString> answer = Dialogs().Folder(title, start);
  if (!answer || answer->isEmpty()) {
    selection_.clear();
    image_index_ = -1;
    return false;
  }
  // The choice is kept as the dialog gave it; the callers cut a trailing "/".
  selection_ = *answer;
  image_index_ = ShellImageList::Instance().IndexOfPath(selection_);
  if (show_selection_in_status_) status_text_ = selection_;
  return true;
}
