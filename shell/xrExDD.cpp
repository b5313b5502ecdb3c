#include "shell/xrExDD.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QObject>
#include <QUrl>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"

namespace {

// Sees the drag and drop events of the hooked control before it does.
class DropFilter final : public QObject {
 public:
  explicit DropFilter(TExDragDrop* target) : target_(target) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!TExDragDrop::AcceptsData(drag->mimeData())) return QObject::eventFilter(watched, event);
        drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!TExDragDrop::AcceptsData(drop->mimeData())) return QObject::eventFilter(watched, event);
        drop->acceptProposedAction();
        target_->HandleDropFiles(drop->mimeData());
        return true;
      }
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  TExDragDrop* target_;
};

}  // namespace

TExDragDrop::TExDragDrop(TComponent* owner) : TComponent(owner) {}

TExDragDrop::~TExDragDrop() { Unhook(); }

bool TExDragDrop::AcceptsData(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return true;
  }
  return false;
}

void TExDragDrop::Unhook() {
  if (!control_) return;
  control_->removeEventFilter(filter_.get());
  control_->setAcceptDrops(accepted_drops_before_);
  RemoveFreeNotification(control_);
  control_ = nullptr;
  filter_.reset();
}

void TExDragDrop::SetControl(TWinControl* control) {
  if (control == control_) return;
  Unhook();
  if (!control) return;
  control_ = control;
  FreeNotification(control_);
  filter_ = std::make_unique<DropFilter>(this);
  accepted_drops_before_ = control_->acceptDrops();
  control_->setAcceptDrops(true);
  control_->installEventFilter(filter_.get());
}

void TExDragDrop::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == control_) {
    // The control is going: there is nothing left to unhook.
    control_ = nullptr;
    filter_.reset();
  }
}

void TExDragDrop::HandleDropFiles(const QMimeData* data) {
  items_.clear();
  if (data) {
    for (const QUrl& url : data->urls()) {
      if (url.isLocalFile()) items_.push_back(url.toLocalFile());
    }
  }
  const int count = static_cast<int>(items_.size());
  if (OnDropped) CallGuarded(this, [&] { OnDropped(this, count); });
}
