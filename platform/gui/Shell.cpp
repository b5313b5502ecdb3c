#include "platform/gui/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

QString ShellTargetUrl(const QString& target) {
  static const QRegularExpression scheme("^(https?|ftp|mailto|file):",
                                         QRegularExpression::CaseInsensitiveOption);
  if (scheme.match(target).hasMatch()) return QUrl(target).toString(QUrl::FullyEncoded);
  if (target.startsWith("www.", Qt::CaseInsensitive))
    return QUrl("http://" + target).toString(QUrl::FullyEncoded);
  return QUrl::fromLocalFile(QDir::current().absoluteFilePath(target)).toString(QUrl::FullyEncoded);
}

bool QtShell::Open(const QString& target) {
  if (target.trimmed().isEmpty()) return false;
  const QUrl url(ShellTargetUrl(target));
  // A local file that is not there gives no error from the desktop; the
  // host reports "file not found", so do we.
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
  return QDesktopServices::openUrl(url);
}

bool QtShell::Run(const QString& program, const QStringList& arguments, const QString& directory) {
  return QProcess::startDetached(program, arguments, directory);
}

bool FakeShell::Open(const QString& target) {
  calls_.push_back({target, {}, {}, false});
  return result;
}

bool FakeShell::Run(const QString& program, const QStringList& arguments, const QString& directory) {
  calls_.push_back({program, arguments, directory, true});
  return result;
}

bool ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                  const QString& directory) {
  if (!verb.isEmpty() && verb.compare("open", Qt::CaseInsensitive) != 0) return false;
  const QFileInfo info(directory.isEmpty() ? file : QDir(directory).absoluteFilePath(file));
  if (info.isFile() && info.isExecutable())
    return Shell().Run(info.absoluteFilePath(), QProcess::splitCommand(parameters), directory);
  return Shell().Open(file);
}
