#include "platform/gui/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

namespace {

const char kNameKey[] = "X-Burner-RunValue";
const char kCommandKey[] = "X-Burner-CommandLine";

// A desktop-entry string value: backslash escapes for the characters that
// would end or change the line.
QString EscapeValue(const QString& value) {
  QString out;
  for (QChar c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

QString UnescapeValue(const QString& value) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const QChar next = value[++i];
    if (next == 'n')
      out += '\n';
    else if (next == 't')
      out += '\t';
    else if (next == 'r')
      out += '\r';
    else if (next == 's')
      out += ' ';
    else
      out += next;
  }
  return out;
}

QString QuoteExecArgument(const QString& argument) {
  static const QRegularExpression reserved(R"([\s"'\\><~|&;$*?#()`])");
  QString arg = argument;
  arg.replace('%', "%%");  // field codes start with %
  if (!arg.isEmpty() && !reserved.match(arg).hasMatch()) return arg;
  QString quoted = "\"";
  for (QChar c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

QString FileNameFor(const QString& name) {
  QString file = name;
  file.replace(QRegularExpression("[^A-Za-z0-9._-]"), "-");
  return file + ".desktop";
}

QString ConfigHome() {
  const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
  return QDir::homePath() + "/.config";
}

// The entry's keys, when it is ours and for this name.
std::optional<std::map<QString, QString>> ReadEntry(const QString& path, const QString& name) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
  std::map<QString, QString> keys;
  bool in_entry = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) {
      in_entry = line == "[Desktop Entry]";
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (!in_entry || eq <= 0 || line.startsWith('#')) continue;
    keys[line.left(eq).trimmed()] = UnescapeValue(line.mid(eq + 1).trimmed());
  }
  if (keys[kNameKey] != name) return std::nullopt;
  return keys;
}

}  // namespace

QString DesktopExecFromCommandLine(const QString& command_line) {
  QStringList parts;
  for (const QString& arg : QProcess::splitCommand(command_line)) parts << QuoteExecArgument(arg);
  return parts.join(' ');
}

QString CommandLineFromDesktopExec(const QString& exec) {
  QStringList args;
  QString current;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size())
        current += exec[++i];
      else if (c == '"')
        quoted = false;
      else
        current += c;
    } else if (c == '"') {
      quoted = any = true;
    } else if (c.isSpace()) {
      if (any) args << current;
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args << current;
  QStringList out;
  for (QString arg : args) {
    arg.replace("%%", "%");
    out << (arg.isEmpty() || arg.contains(' ') ? "\"" + arg + "\"" : arg);
  }
  return out.join(' ');
}

QString XdgAutostart::EntryPath(const QString& name) {
  return ConfigHome() + "/autostart/" + FileNameFor(name);
}

bool XdgAutostart::SetRunValue(const QString& name, const QString& command_line) {
  if (name.trimmed().isEmpty() || command_line.trimmed().isEmpty()) return false;
  const QString path = EntryPath(name);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  // Written whole or not at all.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  QString text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + EscapeValue(DesktopExecFromCommandLine(command_line)) + "\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  text += QString(kNameKey) + "=" + EscapeValue(name) + "\n";
  text += QString(kCommandKey) + "=" + EscapeValue(command_line) + "\n";
  file.write(text.toUtf8());
  return file.commit();
}

std::optional<QString> XdgAutostart::RunValue(const QString& name) const {
  auto keys = ReadEntry(EntryPath(name), name);
  if (!keys) return std::nullopt;
  if (keys->count(kCommandKey)) return (*keys)[kCommandKey];
  return CommandLineFromDesktopExec((*keys)["Exec"]);
}

bool XdgAutostart::DeleteRunValue(const QString& name) {
  const QString path = EntryPath(name);
  if (!QFile::exists(path)) return true;
  // Another program's entry with a name that maps to the same file stays.
  if (!ReadEntry(path, name)) return true;
  return QFile::remove(path);
}

bool FakeAutostart::SetRunValue(const QString& name, const QString& command_line) {
  values_[name] = command_line;
  return true;
}

std::optional<QString> FakeAutostart::RunValue(const QString& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool FakeAutostart::DeleteRunValue(const QString& name) {
  values_.erase(name);
  return true;
}
