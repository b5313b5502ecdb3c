#pragma once
// TIniFile: the host's profile files (Option.ini, ScheduleList.ini, Tips.ini,
// the exchange file with the audio burning process).
//
// The rules are the host's, not QSettings':
// - Section and key names compare without regard to case and with the
//   blanks around them ignored; a key may hold blanks ("Auto Eject_No Disc").
// - A line "key=value" splits at the first "="; the value is everything after
//   it, without the blanks around it, and is never unescaped or unquoted.
//   Lines that are neither a section header nor hold a "=" are kept as they
//   are and otherwise ignored; so are lines before the first section.
// - Where a name occurs twice, the first occurrence answers a read and takes
//   a write.
// - Files are UTF-8 (a byte-order mark is kept); lines end in CR LF when
//   written and in CR LF, LF or CR when read.
//
// Every write goes to the disk at once, as the host's class does, so a
// caller never has to flush and another process sees the change directly
// (the audio burning process polls the same file). Each write replaces the
// whole file atomically (see AtomicFile.h). Reads pick up changes made by
// others: the file is read again whenever it changed on the disk.
//
// A write that could not be read back as written (a line break anywhere, a
// key with "=" or starting with "[", a section with "]", an empty name)
// raises EWriteError instead of damaging the file, and so does any write to
// a file that exists but cannot be read, which would otherwise be replaced
// by the one new value. A missing file reads as empty; the first write
// creates it. A failed write raises EWriteError or EFCreateError and leaves
// the old file whole.

#include <memory>
#include <string>
#include <string_view>

#include "platform/core/DateTime.h"

class TStringList;

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const;

  // A key that is present but empty reads as "", not as the default.
  std::string ReadString(std::string_view section, std::string_view ident,
                         const std::string& defaultValue) const;
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);

  // Decimal, or hexadecimal with "$" or "0x"; any other text gives the default.
  int ReadInteger(std::string_view section, std::string_view ident, int defaultValue) const;
  void WriteInteger(std::string_view section, std::string_view ident, int value);
  // An integer other than 0 is true; text that is no integer gives the default.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;
  // Writes "1" or "0".
  void WriteBool(std::string_view section, std::string_view ident, bool value);

  // Floats, dates and times as text in the regional settings in force
  // (TheFormatSettings()): FloatToStr, the short date and long time formats.
  // Text that does not read as one gives the default.
  double ReadFloat(std::string_view section, std::string_view ident, double defaultValue) const;
  void WriteFloat(std::string_view section, std::string_view ident, double value);
  TDateTime ReadDate(std::string_view section, std::string_view ident, TDateTime defaultValue) const;
  void WriteDate(std::string_view section, std::string_view ident, TDateTime value);
  TDateTime ReadTime(std::string_view section, std::string_view ident, TDateTime defaultValue) const;
  void WriteTime(std::string_view section, std::string_view ident, TDateTime value);
  TDateTime ReadDateTime(std::string_view section, std::string_view ident, TDateTime defaultValue) const;
  void WriteDateTime(std::string_view section, std::string_view ident, TDateTime value);

  // The key names of a section, each once, in file order.
  void ReadSection(std::string_view section, TStringList& strings) const;
  // Every section name, each once, in file order (empty sections too).
  void ReadSections(TStringList& strings) const;
  // The section's lines as "key=value", each key once, with its value as read.
  void ReadSectionValues(std::string_view section, TStringList& strings) const;
  // As the host defines it: the section holds at least one key.
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;

  // Remove every occurrence of the section (or key), so that it no longer
  // reads even where the file held it twice.
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view ident);

  // Every write is already on the disk; kept for callers written against
  // the buffered variant of the class.
  void UpdateFile();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
