#pragma once
// The file list's popup: open, view, cut, copy, paste, rename, delete,
// properties and new folder on the list's selection, enabled by the
// selection each time it pops up. The commands themselves are the list's.

#include <QMenu>
#include <QString>
#include <QStringList>

class QAction;
class TEwFilelistView28;

class TEwFilelistView28PopUp final : public QMenu {
 public:
  explicit TEwFilelistView28PopUp(TEwFilelistView28* list);
  void BuildItems();
  // The "Se&nd To" submenu: four built-in targets, then one entry per link
  // in the SendTo folder.
  void BuildSendToMenu();
  QMenu* SendToMenu() const { return send_to_menu_; }
  const QStringList& SendToPaths() const { return send_to_paths_; }
  // The item of that Name (in the menu or its submenu), or null.
  QAction* Item(const QString& name) const;
  void UpdateStates();
  // Updates the states and shows the menu 10 pixels right of and below the
  // point (in the list's coordinates).
  void Popup(int x, int y);
  void ItemClick(int tag);

  // Ctrl+F views the selected file.
  void CtrlKey(int key, bool has_selection);

  // Whether the extension (with its dot, any case) has a viewer.
  static bool HasViewer(const QString& extension);
  // Shows the selected file when it has a viewer.
  void ViewItem();

 private:
  TEwFilelistView28* list_;
  QMenu* send_to_menu_ = nullptr;
  QStringList send_to_paths_;
};
