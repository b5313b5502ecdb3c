#pragma once
// Shell open: files with their associated program, web addresses, mail
// addresses ("mailto:"), and starting a program with a command line.

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/gui/Services.h"

class ShellService {
 public:
  virtual ~ShellService() = default;
  // Opens a file (relative names are taken from the current folder), a URL
  // or a "mailto:" address; false when nothing could open it.
  virtual bool Open(const QString& target) = 0;
  // Starts `program` with `arguments` in `directory` without waiting.
  virtual bool Run(const QString& program, const QStringList& arguments, const QString& directory) = 0;
};

class QtShell final : public ShellService {
 public:
  bool Open(const QString& target) override;
  bool Run(const QString& program, const QStringList& arguments, const QString& directory) override;
};

class FakeShell final : public ShellService {
 public:
  struct Call {
    QString target;  // Open's target, or Run's program
    QStringList arguments;
    QString directory;
    bool run = false;
  };
  bool Open(const QString& target) override;
  bool Run(const QString& program, const QStringList& arguments, const QString& directory) override;
  const std::vector<Call>& Calls() const { return calls_; }
  bool result = true;

 private:
  std::vector<Call> calls_;
};

inline ShellService& Shell() { return CurrentService<ShellService, QtShell>(); }

// The host's "open" verb: a program file runs with `parameters` (split like
// a command line), anything else opens. True on success.
bool ShellExecute(const QString& verb, const QString& file, const QString& parameters = {},
                  const QString& directory = {});
// How Open reads a target: a URL with a scheme (http, https, ftp, mailto,
// file) stays a URL; anything else is a local path made absolute.
QString ShellTargetUrl(const QString& target);
