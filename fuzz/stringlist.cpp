// Text files (audio task lists, logs) load into string lists: any bytes
// must load, and saving then loading must give the same strings.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/core/StringList.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

bool Same(const TStringList& a, const TStringList& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TStringList list;
  list.SetText(text);

  TStringList copy;
  copy.SetText(list.Text());
  Check(Same(list, copy));

  copy.SetCommaText(list.CommaText());
  Check(Same(list, copy));

  TStringList parsed;
  parsed.SetCommaText(text);
  parsed.CommaText();

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.AddStrings(list);
  for (int i = 0; i < list.Count(); ++i) Check(sorted.IndexOf(list[i]) >= 0);
  for (int i = 1; i < sorted.Count(); ++i) Check(AnsiCompareText(sorted[i - 1], sorted[i]) < 0);
  for (int i = 0; i < list.Count(); ++i) {
    list.Names(i);
    list.Values(list.Names(i));
    const std::string lower = AnsiLowerCase(list[i]);
    Check(AnsiSameText(list[i], lower));
    Check(AnsiLowerCase(lower) == lower);
  }
  return 0;
}
