#pragma once
// The application object: the forms it owns, the message loop, the program's
// title and executable name, minimising the whole program, and the one place
// where an exception escaping an event handler ends up (shown in a message
// box unless OnException takes it).
//
// Made once in main() after the QApplication; Application() reaches it. A
// program (or test) that never makes one gets a default one on first use.

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Color.h"
#include "platform/gui/Component.h"

class QEventLoop;
class ScopedDispatcher;
class QtDispatcher;
class TCustomForm;
struct THintInfo;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Makes a form owned by the application; the first one made this way
  // becomes the main form, whose closing ends Run.
  template <class T>
  T* CreateForm() {
    T* form = Create<T>(this);
    if (!main_form_) main_form_ = form;
    return form;
  }
  TCustomForm* MainForm() const { return main_form_; }
  void SetMainForm(TCustomForm* form) { main_form_ = form; }

  // Shows the main form (unless ShowMainForm is off) and runs the message
  // loop until Terminate is called or the main form closes.
  void Run();
  // Handles the events waiting now, then returns.
  void ProcessMessages();
  void Terminate();
  // Runs `loop` (a modal form's) until it quits; Terminate quits it too.
  void RunLoop(QEventLoop& loop);
  bool Terminated() const { return terminated_; }

  // Minimises every visible top-level form; Restore brings them back.
  void Minimize();
  void Restore();
  bool IsMinimized() const { return minimized_; }
  std::function<void(TComponent*)> OnMinimize;
  std::function<void(TComponent*)> OnRestore;

  // The full path of the running executable.
  QString ExeName() const;
  QString Title() const { return title_; }
  void SetTitle(const QString& title);
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool show) { show_main_form_ = show; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show) { show_hint_ = show; }
  // Before a hint shows (Hints.h): may change its text, where it shows and
  // what it carries to the hint window, or cancel it.
  std::function<void(QString& hintStr, bool& canShow, THintInfo& hintInfo)> OnShowHint;
  TColor HintColor() const { return hint_color_; }
  void SetHintColor(TColor color) { hint_color_ = color; }

  // An exception that escaped an event handler. Without a handler here the
  // application shows its message in an error message box.
  std::function<void(TComponent* sender, const std::exception& error)> OnException;
  // Call from a catch block: passes the exception in flight on.
  void HandleException(TComponent* sender);
  void HandleException(TComponent* sender, std::exception_ptr error);
  void ShowException(const std::exception& error);

  // Message box through the dialog service, captioned with Title by default.
  int MessageBox(const QString& text, const QString& caption, unsigned flags);

  QtDispatcher& Dispatcher() { return *dispatcher_; }

 private:
  TCustomForm* main_form_ = nullptr;
  std::unique_ptr<QtDispatcher> dispatcher_;
  std::unique_ptr<ScopedDispatcher> installed_;
  std::vector<QEventLoop*> loops_;
  QString title_;
  bool terminated_ = false;
  bool minimized_ = false;
  bool show_main_form_ = true;
  bool show_hint_ = true;
  TColor hint_color_ = clInfoBk;
  bool in_exception_ = false;
  TApplication* previous_ = nullptr;
};

// The application object in force (the one made last, else a default one).
TApplication& Application();

// Runs `call`; an exception it raises goes to the application's exception
// hook with `sender`. Every event the library raises goes through here.
template <class F>
void CallGuarded(TComponent* sender, F&& call) {
  try {
    call();
  } catch (...) {
    Application().HandleException(sender);
  }
}
