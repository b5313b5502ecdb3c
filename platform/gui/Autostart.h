#pragma once
// Start at login: the program's Run value (a name and a command line, such
// as "\"/opt/burner/burner\" -Schedule") kept as an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<name>.desktop (~/.config when unset).

#include <QString>
#include <map>
#include <optional>

#include "platform/gui/Services.h"

class AutostartService {
 public:
  virtual ~AutostartService() = default;
  // Writes the entry; false when it could not be written.
  virtual bool SetRunValue(const QString& name, const QString& command_line) = 0;
  // The command line stored under `name`, if any.
  virtual std::optional<QString> RunValue(const QString& name) const = 0;
  // Removes the entry; true when none is left.
  virtual bool DeleteRunValue(const QString& name) = 0;
};

class XdgAutostart final : public AutostartService {
 public:
  bool SetRunValue(const QString& name, const QString& command_line) override;
  std::optional<QString> RunValue(const QString& name) const override;
  bool DeleteRunValue(const QString& name) override;
  // Where the entry for `name` lives.
  static QString EntryPath(const QString& name);
};

class FakeAutostart final : public AutostartService {
 public:
  bool SetRunValue(const QString& name, const QString& command_line) override;
  std::optional<QString> RunValue(const QString& name) const override;
  bool DeleteRunValue(const QString& name) override;

 private:
  std::map<QString, QString> values_;
};

inline AutostartService& Autostart() { return CurrentService<AutostartService, XdgAutostart>(); }

// The Exec value of a desktop entry for a command line, and back.
QString DesktopExecFromCommandLine(const QString& command_line);
QString CommandLineFromDesktopExec(const QString& exec);
