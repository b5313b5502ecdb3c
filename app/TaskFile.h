#pragma once
// The data task file: a compilation tree as one line of text. A node is its
// text, "(", its children one after another and ")#"; an entry (a file or
// folder of the hard disk) is "source path*size text" with no children.
// A "(" in a name is written "()[" and a ")" that begins a name "()]"; files
// written without these escapes read as before. The main window and the
// scheduler both read these files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Exceptions.h"

struct TTaskNode {
  std::string Text;
  std::vector<TTaskNode> Children;

  // Entries carry "*" and their size text; folders never do.
  bool IsEntry() const { return Text.find('*') != std::string::npos; }
};

// Deeper trees are refused as damaged: no disc holds them, and reading them
// would only exhaust the stack.
inline constexpr int kMaxTaskDepth = 1000;

// Reads the root node from the start of `text`; what follows the root (the
// line end) is ignored. Text that breaks the grammar ends at the end of the
// text. Raises EReadError for a tree deeper than kMaxTaskDepth.
TTaskNode ParseTaskText(std::string_view text);
std::string SerializeTaskNode(const TTaskNode& node);

// The byte total of the entries at and under `node`: the digits after an
// entry's first "*"; an entry whose size text holds no digit (or too many)
// counts one byte.
std::int64_t CompilationSize(const TTaskNode& node);

// "size text" of an entry: the size with thousands grouped ("1,024"); empty
// for 0 bytes.
std::string TaskSizeText(std::int64_t size);

// The main window's capacity bar: whole megabytes and the bar width on the
// 969-pixel scale of 5250 MB.
struct TCapacityBar {
  std::int64_t Megabytes = 0;
  std::int64_t Width = 0;
  std::string Hint;
};
TCapacityBar CapacityBarFor(std::int64_t bytes);
