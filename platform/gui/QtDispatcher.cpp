#include "platform/gui/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <stdexcept>

namespace {
const QEvent::Type kRunCalls = static_cast<QEvent::Type>(QEvent::registerEventType());
}

struct QtDispatcher::Call {
  std::function<void()> run;
  bool waited = false;
  bool done = false;
  std::exception_ptr error;
};

QtDispatcher::QtDispatcher() : main_thread_(std::this_thread::get_id()) {}

QtDispatcher::~QtDispatcher() {
  // A worker still waiting must not hang: it gets an error instead.
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (auto& call : queue_) {
    call->error = std::make_exception_ptr(std::runtime_error("The main thread has shut down"));
    call->done = true;
  }
  queue_.clear();
  changed_.notify_all();
}

bool QtDispatcher::IsMainThread() const { return std::this_thread::get_id() == main_thread_; }

void QtDispatcher::Enqueue(const std::shared_ptr<Call>& call) {
  std::lock_guard lock(mutex_);
  if (closed_) throw std::runtime_error("The main thread has shut down");
  queue_.push_back(call);
  changed_.notify_all();
  // Posted under our lock, which event() takes before reading it: the hand
  // over of the event is then ordered for race checkers too, not only
  // inside Qt.
  QCoreApplication::postEvent(this, new QEvent(kRunCalls));
}

void QtDispatcher::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  auto item = std::make_shared<Call>();
  item->run = call;
  item->waited = true;
  Enqueue(item);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return item->done; });
  if (item->error) std::rethrow_exception(item->error);
}

void QtDispatcher::Post(std::function<void()> call) {
  auto item = std::make_shared<Call>();
  item->run = std::move(call);
  Enqueue(item);
}

std::size_t QtDispatcher::RunPending() {
  std::size_t count = 0;
  for (;;) {
    std::shared_ptr<Call> item;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return count;
      item = queue_.front();
      queue_.pop_front();
    }
    try {
      item->run();
    } catch (...) {
      if (item->waited) {
        item->error = std::current_exception();
      } else if (error_handler_) {
        error_handler_(std::current_exception());
      }
    }
    ++count;
    std::lock_guard lock(mutex_);
    item->done = true;
    changed_.notify_all();
  }
}

bool QtDispatcher::WaitForCall(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
}

bool QtDispatcher::event(QEvent* event) {
  { std::lock_guard lock(mutex_); }
  if (event->type() != kRunCalls) return QObject::event(event);
  RunPending();
  return true;
}
