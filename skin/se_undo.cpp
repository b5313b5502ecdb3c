#include "skin/se_undo.h"

void TEditActionStack::PushDelete(int position, const QString& text) {
  if (text.isEmpty()) return;
  if (!actions_.empty() && actions_.back().kind == TEditAction::Deleted) {
    TEditAction& top = actions_.back();
    if (position == top.position) {
      top.text += text;
      return;
    }
    if (position + text.size() == top.position) {
      top.text.prepend(text);
      top.position = position;
      return;
    }
  }
  actions_.push_back({TEditAction::Deleted, false, position, text, 0});
}

void TEditActionStack::PushInsert(int position, int count, bool group) {
  if (count == 0) return;
  if (!actions_.empty() && actions_.back().kind == TEditAction::Inserted) {
    TEditAction& top = actions_.back();
    if (top.position + top.length == position) {
      top.length += count;
      return;
    }
  }
  actions_.push_back({TEditAction::Inserted, group, position, {}, count});
}

bool TEditActionStack::Undo() {
  if (actions_.empty() || !owner_) return false;
  for (;;) {
    const TEditAction action = std::move(actions_.back());
    actions_.pop_back();
    if (action.kind == TEditAction::Deleted)
      owner_->InsertText(action.position - 1, action.text, true);
    else
      owner_->DeleteText(action.position, action.length, true);
    if (!action.group || actions_.empty()) break;
  }
  return true;
}
