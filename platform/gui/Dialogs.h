#pragma once
// Every dialog the program asks the user through: message boxes, input
// boxes, file, folder, colour and printer dialogs. They all go through one
// DialogService so that tests answer them (ScriptedDialogService) and the
// program shows the real Qt dialogs (QtDialogService, the default).
//
// The dialog components the forms hold (TOpenDialog, TSaveDialog, ...) keep
// the properties the forms set and call the service from Execute.

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/gui/FolderBrowser.h"

#include "platform/gui/Color.h"
#include "platform/gui/Component.h"

class QPrinter;
class QWidget;

// Message box flags and answers, with the host's values.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_ABORTRETRYIGNORE = 0x2,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5,
  MB_TYPEMASK = 0xF,
  MB_ICONHAND = 0x10,
  MB_ICONERROR = 0x10,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONWARNING = 0x30,
  MB_ICONASTERISK = 0x40,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x000,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
  MB_DEFMASK = 0xF00,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Modal results (forms, buttons, MessageDlg).
using TModalResult = int;
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = std::set<TMsgDlgBtn>;

enum class MessageIcon { None, Information, Question, Warning, Error };

// One message box: what the user sees and which buttons answer it. The
// answer is a modal result (mrYes, mrOk, ...).
struct MessageRequest {
  QString text;
  QString caption;
  MessageIcon icon = MessageIcon::None;
  std::vector<TModalResult> buttons;  // in the order shown
  TModalResult default_button = mrNone;
  TModalResult escape_button = mrNone;  // what closing the box answers
};

enum class FileDialogKind { Open, Save, OpenPicture, SavePicture };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  QString title;
  QString filter;        // "desc|pattern|desc|pattern"; patterns separated by ';'
  int filter_index = 1;  // 1-based, as the forms set it
  QString default_ext;   // without the dot
  QString initial_dir;
  QString file_name;
  bool multi_select = false;
  bool overwrite_prompt = false;
  bool file_must_exist = false;
  // Called when the user picks another filter (1-based index).
  std::function<void(int)> on_type_change;
};

struct FileDialogResult {
  bool accepted = false;
  QStringList files;     // full paths; one unless multi-select
  int filter_index = 1;  // the filter in force at the end
};

struct InputRequest {
  QString caption;
  QString prompt;
  QString value;
};

// One filter of the host's syntax.
struct FileFilter {
  QString description;
  QStringList patterns;
};
// Splits "desc|pattern|desc|pattern"; patterns are split on ';' and trimmed.
// A description without a pattern stands for everything ("*").
std::vector<FileFilter> ParseFileFilter(const QString& filter);
// The same filters in Qt's "desc (pat pat)" form.
QStringList QtNameFilters(const std::vector<FileFilter>& filters);
// `file` with `default_ext` added when it has no extension of its own.
QString ApplyDefaultExtension(const QString& file, const QString& default_ext);

class DialogService {
 public:
  virtual ~DialogService() = default;
  virtual TModalResult Message(const MessageRequest& request) = 0;
  // The edited value, or nothing when cancelled.
  virtual std::optional<QString> Input(const InputRequest& request) = 0;
  virtual FileDialogResult File(const FileDialogRequest& request) = 0;
  virtual std::optional<QString> Folder(const QString& caption, const QString& start) = 0;
  // The full folder browser (status line, typed path, hooks). A service
  // that does not show windows answers it as a plain folder question.
  virtual std::optional<QString> BrowseFolder(const FolderBrowseRequest& request) {
    return Folder(request.title.isEmpty() ? request.caption : request.title, request.start);
  }
  virtual std::optional<QColor> Color(const QColor& initial) = 0;
  // Let the user choose and set up a printer; false when cancelled.
  virtual bool Print(QPrinter& printer) = 0;
  virtual bool PrinterSetup(QPrinter& printer) = 0;
};

// The service in force: the one installed last, else the Qt dialogs.
DialogService& Dialogs();

class ScopedDialogService {
 public:
  explicit ScopedDialogService(DialogService& service);
  ~ScopedDialogService();
  ScopedDialogService(const ScopedDialogService&) = delete;
  ScopedDialogService& operator=(const ScopedDialogService&) = delete;

 private:
  DialogService* previous_;
};

// The real dialogs, parented to the active window.
class QtDialogService final : public DialogService {
 public:
  TModalResult Message(const MessageRequest& request) override;
  std::optional<QString> Input(const InputRequest& request) override;
  FileDialogResult File(const FileDialogRequest& request) override;
  std::optional<QString> Folder(const QString& caption, const QString& start) override;
  std::optional<QString> BrowseFolder(const FolderBrowseRequest& request) override;
  std::optional<QColor> Color(const QColor& initial) override;
  bool Print(QPrinter& printer) override;
  bool PrinterSetup(QPrinter& printer) override;
};

// Answers dialogs from a script and records every request. A dialog with no
// scripted answer is recorded as unexpected and answered as if cancelled
// (the escape button of a message box), so a test sees it and nothing hangs.
class ScriptedDialogService final : public DialogService {
 public:
  enum class Kind { Message, Input, File, Folder, Color, Print, PrinterSetup };
  struct Call {
    Kind kind;
    MessageRequest message;  // for Message
    InputRequest input;      // for Input
    FileDialogRequest file;  // for File
    QString caption;         // for Folder
    bool answered = true;
  };

  // Answers, taken in order per kind.
  void AnswerMessage(TModalResult answer) { messages_.push_back(answer); }
  void AnswerInput(std::optional<QString> value) { inputs_.push_back(std::move(value)); }
  // Chooses files (empty: cancel); `filter_index` 0 keeps the request's.
  void AnswerFile(QStringList files, int filter_index = 0) {
    files_.push_back({std::move(files), filter_index});
  }
  void AnswerFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }
  void AnswerColor(std::optional<QColor> color) { colors_.push_back(std::move(color)); }
  void AnswerPrint(bool ok) { prints_.push_back(ok); }
  void AnswerPrinterSetup(bool ok) { setups_.push_back(ok); }
  // Runs just before the next message box is answered (e.g. to check state
  // while the box is "open").
  std::function<void(const MessageRequest&)> OnMessage;

  const std::vector<Call>& Calls() const { return calls_; }
  int Unanswered() const;
  // Scripted answers nobody asked for.
  std::size_t Leftover() const;

  TModalResult Message(const MessageRequest& request) override;
  std::optional<QString> Input(const InputRequest& request) override;
  FileDialogResult File(const FileDialogRequest& request) override;
  std::optional<QString> Folder(const QString& caption, const QString& start) override;
  std::optional<QColor> Color(const QColor& initial) override;
  bool Print(QPrinter& printer) override;
  bool PrinterSetup(QPrinter& printer) override;

 private:
  struct FileAnswer {
    QStringList files;
    int filter_index;
  };
  std::vector<Call> calls_;
  std::deque<TModalResult> messages_;
  std::deque<std::optional<QString>> inputs_;
  std::deque<FileAnswer> files_;
  std::deque<std::optional<QString>> folders_;
  std::deque<std::optional<QColor>> colors_;
  std::deque<bool> prints_;
  std::deque<bool> setups_;
};

// The host's message-box call: MB_* flags in, ID* answer out.
int MessageBox(const QString& text, const QString& caption, unsigned flags);
void ShowMessage(const QString& text);
TModalResult MessageDlg(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                        int help_context = 0);
// The value typed, or `default_value` when cancelled.
QString InputBox(const QString& caption, const QString& prompt, const QString& default_value);
bool InputQuery(const QString& caption, const QString& prompt, QString& value);
// The folder picker: true and `directory` set when the user chose one.
bool SelectDirectory(const QString& caption, const QString& root, QString& directory);

// The dialog components the forms place.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner = nullptr) : TComponent(owner) {}
  QString Filter;
  int FilterIndex = 1;
  QString DefaultExt;
  QString InitialDir;
  QString FileName;
  QString Title;
  bool AllowMultiSelect = false;
  QStringList Files;
  std::function<void(TComponent*)> OnTypeChange;
  virtual bool Execute();

 protected:
  virtual FileDialogKind Kind() const { return FileDialogKind::Open; }
};

class TSaveDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;
  bool OverwritePrompt = true;

 protected:
  FileDialogKind Kind() const override { return FileDialogKind::Save; }
};

class TOpenPictureDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;

 protected:
  FileDialogKind Kind() const override { return FileDialogKind::OpenPicture; }
};

class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* owner = nullptr) : TComponent(owner) {}
  TColor Color = clBlack;
  bool Execute();
};

class TPrintDialog : public TComponent {
 public:
  explicit TPrintDialog(TComponent* owner = nullptr) : TComponent(owner) {}
  // Sets up the program's printer (Printer()).
  bool Execute();
};

class TPrinterSetupDialog : public TComponent {
 public:
  explicit TPrinterSetupDialog(TComponent* owner = nullptr) : TComponent(owner) {}
  bool Execute();
};
