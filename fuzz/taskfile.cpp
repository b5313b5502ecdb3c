// Data task files: any text reads to a tree (or raises EReadError when it is
// nested too deeply), and a tree read from text writes back to text that
// reads to the same tree.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/TaskFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const TTaskNode tree = ParseTaskText(text);
    const std::string once = SerializeTaskNode(tree);
    if (SerializeTaskNode(ParseTaskText(once)) != once) std::abort();
    (void)CompilationSize(tree);
  } catch (const EReadError&) {
  }
  return 0;
}
