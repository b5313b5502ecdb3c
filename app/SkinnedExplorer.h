#pragma once
// The explorer pane a window hosts (the shell's folder tree and file list)
// drawn from the program's skin as the skinned lists beside it are: their
// colours, column headers and scroll bars.

#include <QTreeWidget>

#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"
#include "skin/se_binding_views.h"

inline void SkinExplorer(TEwDirTree21* tree, TEwFilelistView28* list, TSeSkinEngine* engine) {
  Create<TSeSkinViewDecor>(tree, tree->TreeView(), true)->SetSkinEngine(engine);
  Create<TSeSkinViewDecor>(list, list->ListView(), true)->SetSkinEngine(engine);
}
