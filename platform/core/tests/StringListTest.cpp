#include "platform/core/StringList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/AtomicFile.h"

namespace {

namespace fs = std::filesystem;

TStringList Of(std::initializer_list<const char*> items) {
  TStringList list;
  for (const char* s : items) list.Add(s);
  return list;
}

TEST(CaseFolding, MatchesTheHostsCaseInsensitivity) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"abc", "ABC", 0},     {"Straße", "STRAßE", 0}, {"Été", "éTÉ", 0}, {"ŁÓDŹ", "łódź", 0},
      {"ΑΘΉΝΑ", "αθήνα", 0}, {"МОСКВА", "москва", 0}, {"Ёж", "ёЖ", 0},   {"a", "b", -1},
      {"b", "A", 1},         {"ab", "abc", -1},       {"", "", 0},       {"x\xFF", "X\xFF", 0},
      {"x\xFF", "x\xFE", 1}, {"Z", "é", -1},
  };
  for (const auto& [a, b, expected] : cases) {
    EXPECT_EQ(AnsiCompareText(a, b), expected) << a << " / " << b;
    EXPECT_EQ(AnsiCompareText(b, a), -expected) << b << " / " << a;
  }
  EXPECT_EQ(AnsiUpperCase("grüße, ÿ, αβγ, жук, ı"), "GRÜßE, Ÿ, ΑΒΓ, ЖУК, I");
  EXPECT_EQ(AnsiLowerCase("GRÜẞE İ \xC0\x80"), "grüẞe i \xC0\x80");  // unknown scripts and bad bytes stay
  EXPECT_EQ(UpperCase("straße"), "STRAßE");
  EXPECT_TRUE(SameText("Data CD", "data cd"));
  EXPECT_FALSE(SameText("Été", "été"));
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
}

TEST(StringList, AddInsertDeleteAndBounds) {
  TStringList list = Of({"b", "d"});
  list.Insert(0, "a");
  list.Insert(2, "c");
  EXPECT_EQ(list.Add("e"), 4);
  list.Delete(1);
  EXPECT_EQ(list.Text(), "a\r\nc\r\nd\r\ne\r\n");
  list.Exchange(0, 3);
  list.SetStrings(1, "C");
  EXPECT_EQ(list.CommaText(), "e,C,d,a");
  EXPECT_THROW(list[4], EListError);
  EXPECT_THROW(list[-1], EListError);
  EXPECT_THROW(list.Insert(5, "x"), EListError);
  EXPECT_THROW(list.Delete(4), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, IndexOfIgnoresCaseUnlessAsked) {
  TStringList list = Of({"/dev/sr0", "Été", "MP3"});
  EXPECT_EQ(list.IndexOf("mp3"), 2);
  EXPECT_EQ(list.IndexOf("ÉTÉ"), 1);
  EXPECT_EQ(list.IndexOf("mp4"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("mp3"), -1);
  EXPECT_EQ(list.IndexOf("MP3"), 2);
}

TEST(StringList, SetTextSplitsEveryKindOfBreak) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"a", "a|"},         {"a\r\nb\r\n", "a|b|"},
      {"a\nb", "a|b|"}, {"a\rb\r", "a|b|"},  {"a\r\n\r\nb", "a||b|"},
      {"\n\n", "||"},   {"a\n\rb", "a||b|"},  // LF CR is two breaks
      {"x\r", "x|"},
  };
  for (const auto& [text, expected] : cases) {
    TStringList list;
    list.SetText(text);
    std::string joined;
    for (int i = 0; i < list.Count(); ++i) joined += list[i] + "|";
    EXPECT_EQ(joined, expected) << testing::PrintToString(std::string(text));
  }
}

TEST(StringList, SortedListsKeepOrderAndHandleDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "Apple,fig,pear");  // dupIgnore is the default
  EXPECT_EQ(list.Add("APPLE"), 0);
  EXPECT_EQ(list.IndexOf("PEAR"), 2);
  int where = -1;
  EXPECT_FALSE(list.Find("grape", where));
  EXPECT_EQ(where, 2);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(list.Add("FIG"), EStringListError);
  list.SetDuplicates(TDuplicates::dupAccept);
  list.Add("FIG");
  EXPECT_EQ(list.CommaText(), "Apple,FIG,fig,pear");  // goes before its equals, as the host's Find says

  TStringList unsorted = Of({"b", "C", "a", "B"});
  unsorted.Sort();
  EXPECT_EQ(unsorted.CommaText(), "a,b,B,C");  // stable: equal strings keep their order
  unsorted.CustomSort([](const TStringList& l, int i, int j) { return AnsiCompareText(l[j], l[i]); });
  EXPECT_EQ(unsorted.CommaText(), "C,b,B,a");
}

TEST(StringList, NamesAndValues) {
  TStringList list = Of({"Type=Data CD", "Time=12:30", "noequals", "Empty=", "eq=a=b"});
  EXPECT_EQ(list.Values("type"), "Data CD");
  EXPECT_EQ(list.Values("eq"), "a=b");
  EXPECT_EQ(list.Values("missing"), "");
  EXPECT_EQ(list.Names(1), "Time");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(4), "a=b");
  list.SetValues("TIME", "13:00");
  list.SetValues("New", "1");
  list.SetValues("Type", "");
  EXPECT_EQ(list.Text(), "TIME=13:00\r\nnoequals\r\nEmpty=\r\neq=a=b\r\nNew=1\r\n");
}

TEST(StringList, CommaTextRoundTrips) {
  TStringList list = Of({"plain", "with blank", "a,b", "say \"hi\"", ""});
  EXPECT_EQ(list.CommaText(), "plain,\"with blank\",\"a,b\",\"say \"\"hi\"\"\",\"\"");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_EQ(back.Text(), list.Text());
  back.SetCommaText("one two,  \"three four\" ,five,");
  EXPECT_EQ(back.Text(), "one\r\ntwo\r\nthree four\r\nfive\r\n\r\n");
}

TEST(StringList, ObjectsTravelWithTheirStrings) {
  int x = 1, y = 2;
  TStringList list;
  list.AddObject("x", &x);
  list.AddObject("y", &y);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Objects(0), &y);
  EXPECT_EQ(list.IndexOfObject(&x), 1);
  TStringList copy(list);
  EXPECT_EQ(copy.Objects(1), &x);
}

// A derived list sees each change once, and updates batch the change events.
class CountingList : public TStringList {
 public:
  int Add(const std::string& s) override {
    ++adds;
    return TStringList::Add(s);
  }
  void Insert(int index, const std::string& s) override {
    ++inserts;
    TStringList::Insert(index, s);
  }
  void SetUpdateState(bool updating) override {
    states += updating ? "+" : "-";
    TStringList::SetUpdateState(updating);
  }
  int adds = 0, inserts = 0;
  std::string states;
};

TEST(StringList, OverridesAndChangeEvents) {
  CountingList list;
  int changes = 0;
  list.OnChange = [&](TStringList* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.Add("a");
  list.Insert(0, "b");
  EXPECT_EQ(list.adds, 1);
  EXPECT_EQ(list.inserts, 1);
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  list.SetText("x\ny\nz");
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(list.states, "+-+-");
  EXPECT_EQ(list.adds, 2);  // SetText does not go through the override
}

TEST(StringList, FilesLoadAnyBreaksAndSaveCrLf) {
  char pattern[] = "/tmp/burner-strings-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, path = dir + "/tracks.atf";
  WriteFileAtomically(path, "\xEF\xBB\xBF/music/one.mp3\n/music/two.wav\r\n/music/three.ape");
  TStringList list;
  list.LoadFromFile(path);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "/music/one.mp3");
  list.Add("/music/Grüße.wma");
  list.SaveToFile(path);
  EXPECT_EQ(ReadWholeFile(path),
            "/music/one.mp3\r\n/music/two.wav\r\n/music/three.ape\r\n/music/Grüße.wma\r\n");
  EXPECT_THROW(list.LoadFromFile(dir + "/missing"), EFOpenError);
  EXPECT_EQ(list.Count(), 4);  // a failed load keeps the list
  EXPECT_THROW(list.SaveToFile(dir + "/no/folder"), EFCreateError);
  fs::remove_all(dir);
}

}  // namespace
