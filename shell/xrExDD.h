#pragma once
// TExDragDrop: makes a control accept files dropped on it from a file
// manager (or from the explorer controls) and reports them in Items through
// OnDropped. Only local files count; other dropped URLs are left out.

#include <QStringList>
#include <functional>
#include <memory>

#include "platform/gui/Component.h"

class QMimeData;
class QObject;
class TWinControl;

class TExDragDrop : public TComponent {
 public:
  explicit TExDragDrop(TComponent* owner = nullptr);
  ~TExDragDrop() override;

  // The paths of the last drop, in the order the drag gave them.
  const QStringList& Items() const { return items_; }
  TWinControl* Control() const { return control_; }
  // Hooks the control for drops (and unhooks the previous one); null unhooks.
  void SetControl(TWinControl* control);

  std::function<void(TComponent* sender, int items_count)> OnDropped;

  // Whether a drag carries files this target takes.
  static bool AcceptsData(const QMimeData* data);
  // Takes the files of a drop: fills Items and fires OnDropped.
  void HandleDropFiles(const QMimeData* data);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Unhook();

  QStringList items_;
  TWinControl* control_ = nullptr;
  bool accepted_drops_before_ = false;
  std::unique_ptr<QObject> filter_;
};
