// INI files come from users' folders and from another process: any bytes
// must read without a crash, and a write must change only what it names.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/IniFile.h"
#include "platform/core/StringList.h"

namespace {

std::string Path() { return FuzzScratchFile("fuzz.ini"); }

// Every value the file answers, by lower-cased section and key.
std::map<std::string, std::string> Snapshot(const TIniFile& ini) {
  std::map<std::string, std::string> all;
  TStringList sections, keys;
  ini.ReadSections(sections);
  for (int s = 0; s < sections.Count(); ++s) {
    ini.ReadSection(sections[s], keys);
    for (int k = 0; k < keys.Count(); ++k)
      all[AnsiLowerCase(sections[s]) + "\n" + AnsiLowerCase(keys[k])] =
          ini.ReadString(sections[s], keys[k], "");
  }
  return all;
}

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteFileAtomically(Path(), bytes);
  TIniFile ini(Path());
  const auto before = Snapshot(ini);

  TStringList values;
  TStringList sections;
  ini.ReadSections(sections);
  for (int s = 0; s < sections.Count(); ++s) {
    ini.ReadSectionValues(sections[s], values);
    Check(ini.SectionExists(sections[s]) == (values.Count() > 0));
    ini.ReadInteger(sections[s], values.Count() ? values.Names(0) : "x", 0);
  }

  // A write lands, and every other value stays as it was.
  // A section name that cannot be written back (empty, or holding "]")
  // must be refused without touching the file.
  std::string section = "New";
  if (sections.Count()) {
    try {
      ini.WriteString(sections[0], "Fuzz Key", "a=b \"c\"");
      section = sections[0];
    } catch (const EWriteError&) {
      Check(ReadWholeFile(Path()) == bytes);
    }
  }
  if (section == "New") ini.WriteString(section, "Fuzz Key", "a=b \"c\"");
  TIniFile again(Path());
  Check(again.ReadString(section, "fuzz key", "") == "a=b \"c\"");
  auto after = Snapshot(again);
  after.erase(AnsiLowerCase(section) + "\nfuzz key");
  auto expected = before;
  expected.erase(AnsiLowerCase(section) + "\nfuzz key");
  Check(after == expected);

  // Erasing a section removes it and nothing else.
  if (sections.Count() > 1 && !AnsiSameText(sections[1], section)) {
    again.EraseSection(sections[1]);
    Check(!again.SectionExists(sections[1]));
    const std::string gone = AnsiLowerCase(sections[1]) + "\n";
    for (auto it = expected.begin(); it != expected.end();)
      it = it->first.starts_with(gone) ? expected.erase(it) : std::next(it);
    after = Snapshot(TIniFile(Path()));
    after.erase(AnsiLowerCase(section) + "\nfuzz key");
    Check(after == expected);
  }
  return 0;
}
