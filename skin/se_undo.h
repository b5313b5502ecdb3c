#pragma once
// The edit's undo stack: one record per typing run, deletion run or
// replacement, merged as the user goes on, and popped back onto the text by
// the edit that owns the stack. There is no redo.

#include <QString>
#include <memory>
#include <vector>

// What the stack needs of its edit to put a recorded change back.
class TSeUndoTarget {
 public:
  virtual ~TSeUndoTarget() = default;
  // Inserts `text` before 0-based position `pos`, selecting it.
  virtual void InsertText(int pos, const QString& text, bool select) = 0;
  // Removes `count` characters from 1-based position `pos`.
  virtual void DeleteText(int pos, int count, bool select) = 0;
};

struct TEditAction {
  enum Kind : unsigned char { Deleted = 0, Inserted = 1 };
  Kind kind = Deleted;
  // Belongs with the record below it (the insertion that replaced a selection).
  bool group = false;
  int position = 0;  // 1-based
  QString text;      // deletions only
  int length = 0;    // insertions only
};

class TEditActionStack {
 public:
  explicit TEditActionStack(TSeUndoTarget* owner = nullptr) : owner_(owner) {}

  // An empty text is not recorded; a forward delete at the same place or a
  // backspace just before the last deletion extends it.
  void PushDelete(int position, const QString& text);
  // A count of 0 is not recorded; typing on at the end of the last
  // insertion extends it.
  void PushInsert(int position, int count, bool group);
  // Reverts the top record and every record grouped with it; false when
  // there was nothing to revert.
  bool Undo();

  bool Empty() const { return actions_.empty(); }
  int Count() const { return static_cast<int>(actions_.size()); }
  bool AtLeast(int n) const { return Count() >= n; }
  const TEditAction& Peek() const { return actions_.back(); }
  void Pop() { actions_.pop_back(); }
  void Clear() { actions_.clear(); }

 private:
  TSeUndoTarget* owner_;
  std::vector<TEditAction> actions_;
};
