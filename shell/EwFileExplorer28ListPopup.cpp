#include "shell/EwFileExplorer28ListPopup.h"

#include <QFileInfo>

#include "platform/core/DirEnum.h"
#include "shell/EwFileExplorer28Icons.h"

#include "platform/gui/Application.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28List.h"

namespace {

struct MenuEntry {
  const char* caption;
  const char* name;
  int tag;
};

constexpr MenuEntry kListMenu[] = {
    {"&Open", "ItemOpen", 1},           {"&View", "ItemView", 2},     {nullptr, nullptr, 0},
    {"Se&nd To", "SubMenuSend", 3},     {nullptr, nullptr, 0},        {"Cu&t", "ItemOpCut", 4},
    {"&Copy", "ItemOpCopy", 5},         {"&Paste", "ItemOpPaste", 6}, {nullptr, nullptr, 0},
    {"&Rename", "ItemRename", 7},       {"&Delete", "ItemDelete", 8}, {nullptr, nullptr, 0},
    {"&Properties", "ItemProperty", 9}, {nullptr, nullptr, 0},        {"&New Folder ...", "ItemFolder", 10},
};

// The extensions the View command shows: text, documents and pictures.
const char* const kViewerExtensions[] = {".C",   ".CPP", ".DPK", ".DPR", ".H",   ".INF", ".INI", ".PAS",
                                         ".PRG", ".TXT", ".DOC", ".RTF", ".WRI", ".BMP", ".GIF", ".JPG"};

QString ExtensionOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf('.');
  return dot >= 0 ? name.mid(dot) : QString();
}

}  // namespace

TEwFilelistView28PopUp::TEwFilelistView28PopUp(TEwFilelistView28* list) : QMenu(list), list_(list) {}

void TEwFilelistView28PopUp::BuildItems() {
  clear();
  for (const MenuEntry& entry : kListMenu) {
    if (!entry.caption) {
      addSeparator();
      continue;
    }
    if (entry.tag == 3) {
      send_to_menu_ = addMenu(QString::fromLatin1(entry.caption));
      send_to_menu_->menuAction()->setObjectName(QString::fromLatin1(entry.name));
      send_to_menu_->menuAction()->setData(entry.tag);
      continue;
    }
    QAction* action = addAction(QString::fromLatin1(entry.caption));
    action->setObjectName(QString::fromLatin1(entry.name));
    action->setData(entry.tag);
    const int tag = entry.tag;
    connect(action, &QAction::triggered, this, [this, tag] { CallGuarded(list_, [&] { ItemClick(tag); }); });
  }
  BuildSendToMenu();
}

void TEwFilelistView28PopUp::BuildSendToMenu() {
  send_to_menu_->clear();
  send_to_paths_.clear();
  const char* const builtin[] = {"Any Folder ...", "Clipboard as Contents", "Clipboard as FileName",
                                 "DeskTop as ShortCut"};
  int n = 0;
  auto add = [&](const QString& caption, const QIcon& icon) {
    QAction* action = send_to_menu_->addAction(icon, caption);
    action->setObjectName("Send_To" + QString::number(n));
    action->setData(30 + n);
    const int tag = 30 + n;
    connect(action, &QAction::triggered, this, [this, tag] { CallGuarded(list_, [&] { ItemClick(tag); }); });
    ++n;
  };
  for (const char* caption : builtin) add(QString::fromLatin1(caption), {});
  const QString folder = TEwFilelistView28::SendToFolderPath();
  ShellImageList& images = ShellImageList::Instance();
  for (const TSearchRec& rec : DirectoryListing(AddBackslash(folder).toStdString(), "*.desktop", faAnyFile)) {
    if (rec.Attr & faDirectory) continue;
    const QString path = ConcatPath(folder, QString::fromStdString(rec.Name));
    QString caption = FileNameWithoutExt(path);
    const QString target = TEwFilelistView28::ResolveShortcut(path);
    add(caption, images.Icon(target.isEmpty() ? kIconFile : images.IndexOfPath(target)));
    send_to_paths_.push_back(path);
  }
}

QAction* TEwFilelistView28PopUp::Item(const QString& name) const {
  for (QAction* action : actions()) {
    if (action->objectName() == name) return action;
  }
  if (send_to_menu_) {
    for (QAction* action : send_to_menu_->actions()) {
      if (action->objectName() == name) return action;
    }
  }
  return nullptr;
}

bool TEwFilelistView28PopUp::HasViewer(const QString& extension) {
  const QString upper = extension.toUpper();
  for (const char* e : kViewerExtensions) {
    if (upper == QLatin1String(e)) return true;
  }
  return false;
}

void TEwFilelistView28PopUp::UpdateStates() {
  const QList<int> selected = list_->SelectedIndexes();
  const bool any = !selected.isEmpty();
  const int index = list_->SelectedIndex();
  const QStringList sub = list_->SubItems(index);
  const bool file = any && sub.value(kSubKind) == "file";
  const QString ext = ExtensionOf(sub.value(kSubPath)).toUpper();
  const bool contents_ok =
      selected.size() == 1 && file &&
      (ext == ".RTF" || ext == ".WMF" || (HasViewer(ext) && ext != ".GIF" && ext != ".JPG"));
  const std::pair<const char*, bool> states[] = {
      {"ItemOpen", any},
      {"SubMenuSend", any},
      {"Send_To0", any},
      {"Send_To1", contents_ok},
      {"Send_To2", any},
      {"Send_To3", any},
      {"ItemView", file && HasViewer(ExtensionOf(sub.value(kSubPath)))},
      {"ItemOpCut", any},
      {"ItemOpCopy", any},
      {"ItemOpPaste", !list_->ClipboardList().isEmpty()},
      {"ItemRename", selected.size() == 1},
      {"ItemDelete", any},
      {"ItemProperty", any},
      {"ItemFolder", list_->Directory().compare("Drives", Qt::CaseInsensitive) != 0},
  };
  for (const auto& [name, enabled] : states) {
    if (QAction* action = Item(QString::fromLatin1(name))) action->setEnabled(enabled);
  }
}

void TEwFilelistView28PopUp::Popup(int x, int y) {
  UpdateStates();
  popup(list_->mapToGlobal(QPoint(x + 10, y + 10)));
}

void TEwFilelistView28PopUp::ItemClick(int tag) {
  switch (tag) {
    case 1:
      list_->OpenItem();
      break;
    case 2:
      ViewItem();
      break;
    case 4:
      list_->CutCopyItems(2);
      break;
    case 5:
      list_->CutCopyItems(0);
      break;
    case 6:
      list_->PasteItems();
      break;
    case 7:
      list_->RenameItem();
      break;
    case 8:
      list_->DeleteItems();
      break;
    case 9:
      list_->ShowItemProperties();
      break;
    case 10:
      list_->NewFolder();
      break;
    default:
      if (tag >= 30 && tag < 34) {
        list_->SendTo(tag - 30);
      } else if (tag >= 34 && tag - 34 < send_to_paths_.size()) {
        list_->SendToShortcut(send_to_paths_[tag - 34]);
      }
      break;
  }
}

void TEwFilelistView28PopUp::CtrlKey(int key, bool has_selection) {
  if (key == 'F' && has_selection) ViewItem();
}

void TEwFilelistView28PopUp::ViewItem() {
  const int index = list_->SelectedIndex();
  if (index < 0) return;
  const QStringList sub = list_->SubItems(index);
  if (sub.value(kSubKind) != "file" || !HasViewer(ExtensionOf(sub.value(kSubPath)))) return;
  // The desktop's viewer for the type stands for the text viewer, word
  // processor and paint program.
  const QFileInfo info(sub.value(kSubPath));
  ExecuteFile("Open", info.fileName(), "", info.path(), SW_SHOW);
}
