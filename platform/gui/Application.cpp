#include "platform/gui/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <QWidget>
#include <algorithm>

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtDispatcher.h"

namespace {

// The application object in force; one per program, set by the constructor.
TApplication* current_application = nullptr;

std::unique_ptr<TApplication>& DefaultApplication() {
  static std::unique_ptr<TApplication> application;
  return application;
}

}  // namespace

TApplication::TApplication() : dispatcher_(std::make_unique<QtDispatcher>()) {
  previous_ = current_application;
  current_application = this;
  dispatcher_->SetErrorHandler([this](std::exception_ptr error) { HandleException(this, error); });
  installed_ = std::make_unique<ScopedDispatcher>(*dispatcher_);
  // The program lives on with every window hidden (waiting in the tray);
  // only Terminate or closing the main form ends it.
  if (qApp) qApp->setQuitOnLastWindowClosed(false);
}

TApplication::~TApplication() {
  MarkDestroying();
  DestroyComponents();
  installed_.reset();
  if (current_application == this) current_application = previous_;
}

TApplication& Application() {
  if (current_application) return *current_application;
  auto& fallback = DefaultApplication();
  if (!fallback) fallback = std::make_unique<TApplication>();
  return *fallback;
}

void TApplication::Run() {
  if (terminated_) return;
  if (main_form_ && show_main_form_) main_form_->Show();
  QEventLoop loop;
  RunLoop(loop);
}

void TApplication::RunLoop(QEventLoop& loop) {
  if (terminated_) return;
  loops_.push_back(&loop);
  loop.exec();
  loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
}

void TApplication::ProcessMessages() {
  dispatcher_->RunPending();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate() {
  terminated_ = true;
  for (QEventLoop* loop : loops_) loop->quit();
}

void TApplication::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && dynamic_cast<TCustomForm*>(w))
      w->setWindowState(w->windowState() | Qt::WindowMinimized);
  if (OnMinimize) CallGuarded(this, [&] { OnMinimize(this); });
}

void TApplication::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && dynamic_cast<TCustomForm*>(w)) {
      w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
      w->activateWindow();
    }
  if (OnRestore) CallGuarded(this, [&] { OnRestore(this); });
}

QString TApplication::ExeName() const { return QCoreApplication::applicationFilePath(); }

void TApplication::SetTitle(const QString& title) {
  title_ = title;
  QGuiApplication::setApplicationDisplayName(title);
}

void TApplication::HandleException(TComponent* sender) { HandleException(sender, std::current_exception()); }

void TApplication::HandleException(TComponent* sender, std::exception_ptr error) {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    if (in_exception_) return;  // the handler itself failed: do not loop
    in_exception_ = true;
    try {
      if (OnException)
        OnException(sender, e);
      else
        ShowException(e);
    } catch (...) {
    }
    in_exception_ = false;
  } catch (...) {
    HandleException(sender, std::make_exception_ptr(Exception("Unknown error")));
  }
}

void TApplication::ShowException(const std::exception& error) {
  QString text = QString::fromStdString(error.what());
  if (!text.isEmpty() && !text.endsWith('.')) text += '.';
  ::MessageBox(text, title_, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags) {
  return ::MessageBox(text, caption.isNull() ? title_ : caption, flags);
}
