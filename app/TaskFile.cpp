#include "app/TaskFile.h"

#include <cctype>

#include "platform/core/Formats.h"

namespace {

// A "(" in a name, and a ")" that begins one, would break the grammar. They
// are written as "()" and a third character: no file written without the
// escapes holds "()" followed by anything but "#" (a name cannot begin with
// ")"), so those files read as they always did.
constexpr std::string_view kEscapedOpen = "()[";
constexpr std::string_view kEscapedLeadingClose = "()]";
constexpr std::size_t kEscapeLength = 3;

class TaskReader {
 public:
  explicit TaskReader(std::string_view text) : text_(text) {}

  // Reads a node whose name starts at the current position, with its
  // children, and steps past its ")#".
  void ReadNode(TTaskNode& node, int depth) {
    if (depth > kMaxTaskDepth)
      throw EReadError("The task file is damaged: its folders are nested too deeply.");
    node.Text = ReadName();
    while (pos_ < text_.size()) {
      if (text_.substr(pos_, 2) == ")#") {
        pos_ += 2;
        return;
      }
      if (text_[pos_] == ')') {
        // A name cannot begin with ")": the character is passed over, so a
        // damaged file still comes to an end.
        ++pos_;
        continue;
      }
      node.Children.emplace_back();
      ReadNode(node.Children.back(), depth + 1);
    }
  }

 private:
  std::string ReadName() {
    std::string name;
    for (;;) {
      const std::size_t open = text_.find('(', pos_);
      if (open == std::string_view::npos) {
        name += text_.substr(pos_);
        pos_ = text_.size();
        return name;
      }
      name += text_.substr(pos_, open - pos_);
      const char escaped = EscapedAt(open);
      if (escaped == 0) {
        pos_ = open + 1;
        return name;
      }
      name += escaped;
      pos_ = open + kEscapeLength;
    }
  }

  // The character an escape at `open` stands for, or 0 when the "(" there
  // opens the children.
  char EscapedAt(std::size_t open) const {
    if (text_.substr(open, 2) != "()" || open + 2 >= text_.size()) return 0;
    if (text_[open + 2] == kEscapedOpen[2]) return '(';
    if (text_[open + 2] == kEscapedLeadingClose[2]) return ')';
    return 0;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

void Serialize(const TTaskNode& node, std::string& out) {
  for (std::size_t i = 0; i < node.Text.size(); ++i) {
    const char c = node.Text[i];
    if (c == '(')
      out += kEscapedOpen;
    else if (c == ')' && i == 0)
      out += kEscapedLeadingClose;
    else
      out += c;
  }
  out += '(';
  for (const TTaskNode& child : node.Children) Serialize(child, out);
  out += ")#";
}

std::int64_t EntrySize(const std::string& text) {
  const std::size_t star = text.find('*');
  if (star == std::string::npos || star + 1 == text.size()) return 0;
  std::int64_t size = 0;
  int digits = 0;
  for (std::size_t i = star + 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!std::isdigit(c)) continue;
    if (++digits > 18) return 1;  // no size of ours is that long
    size = size * 10 + (c - '0');
  }
  return digits == 0 ? 1 : size;
}

}  // namespace

TTaskNode ParseTaskText(std::string_view text) {
  TTaskNode root;
  TaskReader(text).ReadNode(root, 0);
  return root;
}

std::string SerializeTaskNode(const TTaskNode& node) {
  std::string out;
  Serialize(node, out);
  return out;
}

std::int64_t CompilationSize(const TTaskNode& node) {
  std::int64_t total = EntrySize(node.Text);
  for (const TTaskNode& child : node.Children) total += CompilationSize(child);
  return total;
}

std::string TaskSizeText(std::int64_t size) { return FormatFloat("#,##", static_cast<double>(size)); }

TCapacityBar CapacityBarFor(std::int64_t bytes) {
  TCapacityBar bar;
  bar.Megabytes = Round(static_cast<double>(bytes) / 1048576.0);
  bar.Width = Round(static_cast<double>(bar.Megabytes) * 969 / 5250.0);
  bar.Hint = std::to_string(bar.Megabytes) + " MB";
  return bar;
}
