// Fills the placeholders of the reader messages.

#include "pictures/GraphicStrings.h"

std::string GraphicMessage(std::string_view pattern, std::string_view first, std::string_view second) {
  std::string out;
  int used = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += used == 0 ? first : second;
      ++used;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}
