#include "platform/gui/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
const QEvent::Type kRunCalls = static_cast<QEvent::Type>(QEvent::registerEventType());
}

QtDispatcher::QtDispatcher() : spare_(std::make_unique<QEvent>(kRunCalls)), calls_([this] { PostWakeUp(); }) {}

// A worker still waiting must not hang: it gets an error instead.
QtDispatcher::~QtDispatcher() { calls_.Close("The main thread has shut down"); }

// Runs under the call queue's lock. While a wake-up is on its way, the
// calls queued meanwhile ride on it: the main thread re-arms before it
// drains the queue.
void QtDispatcher::PostWakeUp() {
  std::lock_guard lock(post_mutex_);
  if (wake_up_posted_) return;
  wake_up_posted_ = true;
  QCoreApplication::postEvent(this, spare_.release());
}

void QtDispatcher::Rearm() {
  std::lock_guard lock(post_mutex_);
  wake_up_posted_ = false;
  if (!spare_) spare_ = std::make_unique<QEvent>(kRunCalls);
}

std::size_t QtDispatcher::RunPending() {
  Rearm();
  return calls_.RunPending(error_handler_);
}

bool QtDispatcher::event(QEvent* event) {
  if (event->type() != kRunCalls) return QObject::event(event);
  RunPending();
  return true;
}
