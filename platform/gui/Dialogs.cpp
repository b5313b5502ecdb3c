#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <atomic>

#include "platform/gui/Printing.h"

namespace {

std::atomic<DialogService*> installed_service{nullptr};

QWidget* DialogParent() { return QApplication::activeWindow(); }

TModalResult CancelAnswer(const MessageRequest& request) {
  if (request.escape_button != mrNone) return request.escape_button;
  for (TModalResult b : request.buttons)
    if (b == mrCancel || b == mrNo) return b;
  return request.buttons.empty() ? mrCancel : request.buttons.back();
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(const QString& filter) {
  std::vector<FileFilter> result;
  if (filter.trimmed().isEmpty()) return result;
  const QStringList parts = filter.split('|');
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    FileFilter f;
    f.description = parts[i].trimmed();
    if (i + 1 < parts.size()) {
      for (const QString& p : parts[i + 1].split(';')) {
        const QString pattern = p.trimmed();
        if (!pattern.isEmpty()) f.patterns << pattern;
      }
    }
    if (f.patterns.isEmpty()) f.patterns << "*";
    if (f.description.isEmpty()) f.description = f.patterns.join(';');
    result.push_back(f);
  }
  return result;
}

QStringList QtNameFilters(const std::vector<FileFilter>& filters) {
  QStringList result;
  for (const FileFilter& f : filters) {
    // Qt reads the patterns from the last parentheses; descriptions may hold
    // their own, so ours always come last. "*.*" means every file here.
    QStringList patterns;
    for (const QString& p : f.patterns) patterns << (p == "*.*" ? QString("*") : p);
    QString description = f.description;
    description.replace('(', '[').replace(')', ']');
    result << description + " (" + patterns.join(' ') + ")";
  }
  return result;
}

QString ApplyDefaultExtension(const QString& file, const QString& default_ext) {
  if (file.isEmpty() || default_ext.isEmpty()) return file;
  if (!QFileInfo(file).suffix().isEmpty()) return file;
  QString ext = default_ext;
  if (ext.startsWith('.')) ext.remove(0, 1);
  return file + "." + ext;
}

DialogService& Dialogs() {
  if (DialogService* service = installed_service.load()) return *service;
  static QtDialogService real;
  return real;
}

ScopedDialogService::ScopedDialogService(DialogService& service)
    : previous_(installed_service.exchange(&service)) {}
ScopedDialogService::~ScopedDialogService() { installed_service.store(previous_); }

// ---- Qt dialogs ----

TModalResult QtDialogService::Message(const MessageRequest& request) {
  QMessageBox box(DialogParent());
  box.setWindowTitle(request.caption);
  box.setText(request.text);
  switch (request.icon) {
    case MessageIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MessageIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MessageIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  struct Label {
    TModalResult result;
    const char* text;
    QMessageBox::ButtonRole role;
  };
  static const Label labels[] = {
      {mrOk, "OK", QMessageBox::AcceptRole},
      {mrCancel, "Cancel", QMessageBox::RejectRole},
      {mrAbort, "&Abort", QMessageBox::RejectRole},
      {mrRetry, "&Retry", QMessageBox::AcceptRole},
      {mrIgnore, "&Ignore", QMessageBox::AcceptRole},
      {mrYes, "&Yes", QMessageBox::YesRole},
      {mrNo, "&No", QMessageBox::NoRole},
      {mrAll, "&All", QMessageBox::YesRole},
      {mrNoToAll, "N&o to All", QMessageBox::NoRole},
      {mrYesToAll, "Yes to &All", QMessageBox::YesRole},
  };
  std::vector<std::pair<QAbstractButton*, TModalResult>> made;
  for (TModalResult wanted : request.buttons) {
    for (const Label& l : labels) {
      if (l.result != wanted) continue;
      QPushButton* button = box.addButton(QString::fromUtf8(l.text), l.role);
      made.emplace_back(button, wanted);
      if (wanted == request.default_button) box.setDefaultButton(button);
      if (wanted == CancelAnswer(request)) box.setEscapeButton(button);
    }
  }
  box.exec();
  for (auto& [button, result] : made)
    if (box.clickedButton() == button) return result;
  return CancelAnswer(request);
}

std::optional<QString> QtDialogService::Input(const InputRequest& request) {
  bool ok = false;
  QString value = QInputDialog::getText(DialogParent(), request.caption, request.prompt, QLineEdit::Normal,
                                        request.value, &ok);
  if (!ok) return std::nullopt;
  return value;
}

FileDialogResult QtDialogService::File(const FileDialogRequest& request) {
  QFileDialog dialog(DialogParent(), request.title, request.initial_dir);
  const bool save = request.kind == FileDialogKind::Save || request.kind == FileDialogKind::SavePicture;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile
                          : (request.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
  if (save && !request.overwrite_prompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = QtNameFilters(ParseFileFilter(request.filter));
  dialog.setNameFilters(filters);
  int index = request.filter_index;
  if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
  if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
  QString default_ext = request.default_ext;
  dialog.setDefaultSuffix(default_ext);
  QObject::connect(&dialog, &QFileDialog::filterSelected, [&](const QString& chosen) {
    index = static_cast<int>(filters.indexOf(chosen)) + 1;
    if (request.on_type_change) request.on_type_change(index);
  });
  FileDialogResult result;
  result.filter_index = index;
  if (dialog.exec() != QDialog::Accepted) return result;
  result.accepted = true;
  result.filter_index = index;
  result.files = dialog.selectedFiles();
  return result;
}

std::optional<QString> QtDialogService::Folder(const QString& caption, const QString& start) {
  QString folder = QFileDialog::getExistingDirectory(DialogParent(), caption, start);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> QtDialogService::BrowseFolder(const FolderBrowseRequest& request) {
  TFolderBrowserDialog dialog(request, DialogParent());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Chosen();
}

std::optional<QColor> QtDialogService::Color(const QColor& initial) {
  QColor color = QColorDialog::getColor(initial, DialogParent());
  if (!color.isValid()) return std::nullopt;
  return color;
}

bool QtDialogService::Print(QPrinter& printer) {
  QPrintDialog dialog(&printer, DialogParent());
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogService::PrinterSetup(QPrinter& printer) {
  QPageSetupDialog dialog(&printer, DialogParent());
  return dialog.exec() == QDialog::Accepted;
}

// ---- scripted answers ----

int ScriptedDialogService::Unanswered() const {
  int count = 0;
  for (const Call& c : calls_) count += c.answered ? 0 : 1;
  return count;
}

std::size_t ScriptedDialogService::Leftover() const {
  return messages_.size() + inputs_.size() + files_.size() + folders_.size() + colors_.size() +
         prints_.size() + setups_.size();
}

TModalResult ScriptedDialogService::Message(const MessageRequest& request) {
  Call call{Kind::Message, request, {}, {}, {}, true};
  if (OnMessage) OnMessage(request);
  TModalResult answer;
  if (messages_.empty()) {
    call.answered = false;
    answer = CancelAnswer(request);
  } else {
    answer = messages_.front();
    messages_.pop_front();
  }
  calls_.push_back(call);
  return answer;
}

std::optional<QString> ScriptedDialogService::Input(const InputRequest& request) {
  Call call{Kind::Input, {}, request, {}, {}, !inputs_.empty()};
  calls_.push_back(call);
  if (inputs_.empty()) return std::nullopt;
  auto answer = inputs_.front();
  inputs_.pop_front();
  return answer;
}

FileDialogResult ScriptedDialogService::File(const FileDialogRequest& request) {
  Call call{Kind::File, {}, {}, request, {}, !files_.empty()};
  calls_.push_back(call);
  FileDialogResult result;
  result.filter_index = request.filter_index;
  if (files_.empty()) return result;
  FileAnswer answer = files_.front();
  files_.pop_front();
  if (answer.filter_index > 0 && answer.filter_index != request.filter_index) {
    result.filter_index = answer.filter_index;
    if (request.on_type_change) request.on_type_change(answer.filter_index);
  }
  result.accepted = !answer.files.isEmpty();
  result.files = answer.files;
  return result;
}

std::optional<QString> ScriptedDialogService::Folder(const QString& caption, const QString&) {
  Call call{Kind::Folder, {}, {}, {}, caption, !folders_.empty()};
  calls_.push_back(call);
  if (folders_.empty()) return std::nullopt;
  auto answer = folders_.front();
  folders_.pop_front();
  return answer;
}

std::optional<QColor> ScriptedDialogService::Color(const QColor&) {
  Call call{Kind::Color, {}, {}, {}, {}, !colors_.empty()};
  calls_.push_back(call);
  if (colors_.empty()) return std::nullopt;
  auto answer = colors_.front();
  colors_.pop_front();
  return answer;
}

bool ScriptedDialogService::Print(QPrinter&) {
  Call call{Kind::Print, {}, {}, {}, {}, !prints_.empty()};
  calls_.push_back(call);
  if (prints_.empty()) return false;
  bool answer = prints_.front();
  prints_.pop_front();
  return answer;
}

bool ScriptedDialogService::PrinterSetup(QPrinter&) {
  Call call{Kind::PrinterSetup, {}, {}, {}, {}, !setups_.empty()};
  calls_.push_back(call);
  if (setups_.empty()) return false;
  bool answer = setups_.front();
  setups_.pop_front();
  return answer;
}

// ---- the host's calls ----

int MessageBox(const QString& text, const QString& caption, unsigned flags) {
  MessageRequest request;
  request.text = text;
  request.caption = caption;
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
      request.icon = MessageIcon::Error;
      break;
    case MB_ICONQUESTION:
      request.icon = MessageIcon::Question;
      break;
    case MB_ICONWARNING:
      request.icon = MessageIcon::Warning;
      break;
    case MB_ICONINFORMATION:
      request.icon = MessageIcon::Information;
      break;
    default:
      request.icon = MessageIcon::None;
      break;
  }
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      request.buttons = {mrOk, mrCancel};
      break;
    case MB_ABORTRETRYIGNORE:
      request.buttons = {mrAbort, mrRetry, mrIgnore};
      break;
    case MB_YESNOCANCEL:
      request.buttons = {mrYes, mrNo, mrCancel};
      break;
    case MB_YESNO:
      request.buttons = {mrYes, mrNo};
      break;
    case MB_RETRYCANCEL:
      request.buttons = {mrRetry, mrCancel};
      break;
    default:
      request.buttons = {mrOk};
      break;
  }
  std::size_t def = (flags & MB_DEFMASK) >> 8;
  if (def >= request.buttons.size()) def = 0;
  request.default_button = request.buttons[def];
  // A box without Cancel (Yes/No, Abort/Retry/Ignore) cannot be escaped on
  // the host; closing it anyway must not read as a yes.
  switch (flags & MB_TYPEMASK) {
    case MB_OK:
      request.escape_button = mrOk;
      break;
    case MB_YESNO:
      request.escape_button = mrNo;
      break;
    case MB_ABORTRETRYIGNORE:
      request.escape_button = mrAbort;
      break;
    default:
      request.escape_button = mrCancel;
      break;
  }
  // The ID* answers have the same values as the modal results.
  return Dialogs().Message(request);
}

void ShowMessage(const QString& text) {
  MessageRequest request;
  request.text = text;
  request.caption = QApplication::applicationDisplayName();
  request.buttons = {mrOk};
  request.default_button = mrOk;
  request.escape_button = mrOk;
  Dialogs().Message(request);
}

TModalResult MessageDlg(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int) {
  MessageRequest request;
  request.text = text;
  switch (type) {
    case TMsgDlgType::mtWarning:
      request.caption = "Warning";
      request.icon = MessageIcon::Warning;
      break;
    case TMsgDlgType::mtError:
      request.caption = "Error";
      request.icon = MessageIcon::Error;
      break;
    case TMsgDlgType::mtInformation:
      request.caption = "Information";
      request.icon = MessageIcon::Information;
      break;
    case TMsgDlgType::mtConfirmation:
      request.caption = "Confirm";
      request.icon = MessageIcon::Question;
      break;
    case TMsgDlgType::mtCustom:
      request.caption = QApplication::applicationDisplayName();
      break;
  }
  static const std::pair<TMsgDlgBtn, TModalResult> order[] = {
      {TMsgDlgBtn::mbYes, mrYes},         {TMsgDlgBtn::mbNo, mrNo},
      {TMsgDlgBtn::mbOK, mrOk},           {TMsgDlgBtn::mbCancel, mrCancel},
      {TMsgDlgBtn::mbAbort, mrAbort},     {TMsgDlgBtn::mbRetry, mrRetry},
      {TMsgDlgBtn::mbIgnore, mrIgnore},   {TMsgDlgBtn::mbAll, mrAll},
      {TMsgDlgBtn::mbNoToAll, mrNoToAll}, {TMsgDlgBtn::mbYesToAll, mrYesToAll},
  };
  for (auto& [button, result] : order)
    if (buttons.count(button)) request.buttons.push_back(result);
  if (request.buttons.empty()) request.buttons = {mrOk};
  request.default_button = request.buttons.front();
  request.escape_button = CancelAnswer(request);
  return Dialogs().Message(request);
}

QString InputBox(const QString& caption, const QString& prompt, const QString& default_value) {
  QString value = default_value;
  return InputQuery(caption, prompt, value) ? value : default_value;
}

bool InputQuery(const QString& caption, const QString& prompt, QString& value) {
  auto answer = Dialogs().Input({caption, prompt, value});
  if (!answer) return false;
  value = *answer;
  return true;
}

bool SelectDirectory(const QString& caption, const QString& root, QString& directory) {
  auto answer = Dialogs().Folder(caption, directory.isEmpty() ? root : directory);
  if (!answer) return false;
  directory = *answer;
  return true;
}

// ---- components ----

bool TOpenDialog::Execute() {
  FileDialogRequest request;
  request.kind = Kind();
  request.title = Title;
  request.filter = Filter;
  request.filter_index = FilterIndex;
  request.default_ext = DefaultExt;
  request.initial_dir = InitialDir;
  request.file_name = FileName;
  request.multi_select = AllowMultiSelect;
  if (auto* save = dynamic_cast<TSaveDialog*>(this)) request.overwrite_prompt = save->OverwritePrompt;
  request.file_must_exist =
      request.kind == FileDialogKind::Open || request.kind == FileDialogKind::OpenPicture;
  request.on_type_change = [this](int index) {
    FilterIndex = index;
    if (OnTypeChange) OnTypeChange(this);
  };
  FileDialogResult result = Dialogs().File(request);
  FilterIndex = result.filter_index;
  if (!result.accepted || result.files.isEmpty()) return false;
  Files.clear();
  const bool save = request.kind == FileDialogKind::Save || request.kind == FileDialogKind::SavePicture;
  // The default extension in force at the end counts (OnTypeChange may have
  // changed it while the dialog was open).
  for (const QString& f : result.files) Files << (save ? ApplyDefaultExtension(f, DefaultExt) : f);
  FileName = Files.first();
  return true;
}

bool TColorDialog::Execute() {
  auto answer = Dialogs().Color(ColorToQColor(Color));
  if (!answer) return false;
  Color = QColorToColor(*answer);
  return true;
}

bool TPrintDialog::Execute() { return Dialogs().Print(Printer()); }
bool TPrinterSetupDialog::Execute() { return Dialogs().PrinterSetup(Printer()); }
