#include "platform/gui/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
const QEvent::Type kRunCalls = static_cast<QEvent::Type>(QEvent::registerEventType());
}

QtDispatcher::QtDispatcher() : calls_([this] { PostWakeUp(); }) {}

// A worker still waiting must not hang: it gets an error instead.
QtDispatcher::~QtDispatcher() { calls_.Close("The main thread has shut down"); }

void QtDispatcher::PostWakeUp() {
  std::lock_guard lock(post_mutex_);
  QCoreApplication::postEvent(this, new QEvent(kRunCalls));
}

bool QtDispatcher::event(QEvent* event) {
  { std::lock_guard lock(post_mutex_); }
  if (event->type() != kRunCalls) return QObject::event(event);
  RunPending();
  return true;
}
