// Autorun programs and icon files come from the user's folders: any bytes
// must give zero or more icon files, each a well-formed icon directory
// whose entries lie inside it, never a crash, a hang or a huge allocation.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "shell/IconCtlsExtract.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

std::uint32_t U32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (const QByteArray& ico : ExtractIconFiles(bytes)) {
    Check(ico.size() >= 6);
    const int count = static_cast<std::uint8_t>(ico[4]) | (static_cast<std::uint8_t>(ico[5]) << 8);
    Check(count > 0 && ico.size() >= 6 + 16 * count);
    // Icons built from a program's resources point inside themselves; an
    // .ico file is passed on as it is, for the icon reader to check.
    if (ico.constData() == bytes.constData()) continue;
    for (int i = 0; i < count; ++i) {
      const std::uint32_t length = U32(ico, 6 + 16 * i + 8);
      const std::uint32_t offset = U32(ico, 6 + 16 * i + 12);
      Check(offset <= static_cast<std::uint64_t>(ico.size()) && length <= ico.size() - offset);
    }
  }
  return 0;
}
