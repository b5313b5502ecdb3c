#include <gtest/gtest.h>

#include <string>

#include "app/TaskFile.h"
#include "platform/core/Formats.h"

namespace {

TTaskNode Node(std::string text, std::vector<TTaskNode> children = {}) {
  return {std::move(text), std::move(children)};
}

TEST(TaskFile, TheDocumentedExampleReadsAndWritesBack) {
  const std::string line = R"(My Disc 3_7_09(C:\a.txt*1,024()#Docs(D:\Music*12,345,678()#)#)#)";
  const TTaskNode root = ParseTaskText(line + "\r\n");
  EXPECT_EQ(root.Text, "My Disc 3_7_09");
  ASSERT_EQ(root.Children.size(), 2u);
  EXPECT_EQ(root.Children[0].Text, R"(C:\a.txt*1,024)");
  EXPECT_TRUE(root.Children[0].IsEntry());
  EXPECT_EQ(root.Children[1].Text, "Docs");
  EXPECT_FALSE(root.Children[1].IsEntry());
  ASSERT_EQ(root.Children[1].Children.size(), 1u);
  EXPECT_EQ(root.Children[1].Children[0].Text, R"(D:\Music*12,345,678)");
  EXPECT_EQ(SerializeTaskNode(root), line);
  EXPECT_EQ(CompilationSize(root), 1024 + 12345678);
}

TEST(TaskFile, NamesWithParenthesesFollowTheGrammar) {
  // A ")" inside a name is harmless.
  const TTaskNode survives = Node("Disc", {Node("Best of) 2005", {Node("/music/a.mp3*10")})});
  EXPECT_EQ(SerializeTaskNode(ParseTaskText(SerializeTaskNode(survives))), SerializeTaskNode(survives));
  // "(" anywhere and ")" at the start of a name are escaped, so they survive.
  for (const char* name : {"Tracks (2005)", "Photos (2019)", ")intro", "((", "a()#b", "()[", "/x/Photos (2019)*1,024"}) {
    const TTaskNode read = ParseTaskText(SerializeTaskNode(Node("Disc (1)", {Node(name, {Node("f")})})));
    EXPECT_EQ(read.Text, "Disc (1)");
    ASSERT_EQ(read.Children.size(), 1u) << name;
    EXPECT_EQ(read.Children[0].Text, name);
    ASSERT_EQ(read.Children[0].Children.size(), 1u) << name;
    EXPECT_EQ(read.Children[0].Children[0].Text, "f");
  }
  // A file written without escapes still cuts a name at its "(".
  const TTaskNode old = ParseTaskText("Disc(Tracks (2005)()#)#)#");
  ASSERT_EQ(old.Children.size(), 1u);
  EXPECT_EQ(old.Children[0].Text, "Tracks ");
}

TEST(TaskFile, DamagedTextEndsAtTheEndOfTheText) {
  struct Case {
    const char* text;
    const char* written_back;
  } const cases[] = {
      {"", "()#"},
      {"Just a name", "Just a name()#"},
      {"Disc(Folder(", "Disc(Folder()#)#"},
      {"Disc()x)y(a()#)#", "Disc(x)y(a()#)#)#"},
      {"Disc())))", "Disc()#"},
      {"Disc(a()#)#trailing(b()#)#", "Disc(a()#)#"},
  };
  for (const Case& c : cases) EXPECT_EQ(SerializeTaskNode(ParseTaskText(c.text)), c.written_back) << c.text;
}

TEST(TaskFile, TooDeepATreeIsRefused) {
  std::string deep = "Disc";
  for (int i = 0; i <= kMaxTaskDepth; ++i) deep += "(f";
  EXPECT_THROW(ParseTaskText(deep), EReadError);
  std::string fine = "Disc";
  for (int i = 0; i < 50; ++i) fine += "(f";
  EXPECT_NO_THROW(ParseTaskText(fine));
}

TEST(TaskFile, SizesCountOnlyTheDigitsAfterTheFirstStar) {
  struct Case {
    const char* text;
    std::int64_t bytes;
  } const cases[] = {
      {"/a*1,024", 1024},
      {"/a*1.024", 1024},
      {"/a*", 0},
      {"/a*n/a", 1},
      {"Folder", 0},
      {"/odd*name*5", 5},
      {"/big*5,368,709,120", 5368709120LL},
      {"/huge*1234567890123456789012", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(CompilationSize(Node(c.text)), c.bytes) << c.text;
  EXPECT_EQ(CompilationSize(Node("Disc", {Node("/a*1,000"), Node("F", {Node("/b*24"), Node("/c*")})})), 1024);
}

TEST(TaskFile, SizeTextAndCapacityBar) {
  EXPECT_EQ(TaskSizeText(0), "");
  EXPECT_EQ(TaskSizeText(1024), "1,024");
  EXPECT_EQ(TaskSizeText(12345678), "12,345,678");
  {
    FormatSettings german;
    german.ThousandSeparator = ".";
    german.DecimalSeparator = ",";
    ScopedFormatSettings scoped(german);
    EXPECT_EQ(TaskSizeText(1024), "1.024");
  }
  struct Case {
    std::int64_t bytes, megabytes, width;
  } const cases[] = {
      {0, 0, 0},
      {1048576 / 2, 0, 0},               // half a megabyte rounds to the even 0
      {1048576 * 3 / 2, 2, 0},           // 1.5 MB rounds to 2
      {5250LL * 1048576, 5250, 969},     // the end of the scale
      {700LL * 1048576, 700, 129},       // 129.2
      {10500LL * 1048576, 10500, 1938},  // nothing limits the width
  };
  for (const Case& c : cases) {
    const TCapacityBar bar = CapacityBarFor(c.bytes);
    EXPECT_EQ(bar.Megabytes, c.megabytes) << c.bytes;
    EXPECT_EQ(bar.Width, c.width) << c.bytes;
    EXPECT_EQ(bar.Hint, std::to_string(c.megabytes) + " MB");
  }
}

}  // namespace
