#include "platform/core/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"

namespace {

namespace fs = std::filesystem;

class IniFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/burner-ini-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/Option.ini";
  }
  void TearDown() override {
    chmod(path_.c_str(), 0644);
    fs::remove_all(dir_);
  }
  void Put(const std::string& bytes) { WriteFileAtomically(path_, bytes); }
  std::string Bytes() const { return ReadWholeFile(path_); }

  std::string dir_, path_;
};

struct ReadCase {
  const char* what;
  const char* file;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: the default is returned
};

TEST_F(IniFileTest, ReadsTheHostsWay) {
  const ReadCase cases[] = {
      {"plain", "[General]\r\nVersion=1.8\r\n", "General", "Version", "1.8"},
      {"LF breaks", "[General]\nVersion=1.8\nExit=1\n", "General", "Exit", "1"},
      {"CR breaks", "[General]\rVersion=1.8\rExit=1\r", "General", "Exit", "1"},
      {"no trailing break", "[General]\r\nVersion=1.8", "General", "Version", "1.8"},
      {"0-byte file", "", "General", "Version", nullptr},
      {"section case", "[GENERAL]\r\nVersion=2\r\n", "general", "Version", "2"},
      {"key case", "[General]\r\nVERSION=2\r\n", "General", "version", "2"},
      {"non-ASCII case", "[Général]\r\nÉté=oui\r\n", "GÉNÉRAL", "été", "oui"},
      {"key with blanks", "[General]\r\nAuto Eject_No Disc=1\r\n", "General", "Auto Eject_No Disc", "1"},
      {"blanks around", "  [ General ]  \r\n  Exit   =  yes please  \r\n", "General", "Exit", "yes please"},
      {"= inside value", "[A]\r\nk=a=b==c\r\n", "A", "k", "a=b==c"},
      {"quotes kept", "[A]\r\nk=\"quoted\"\r\n", "A", "k", "\"quoted\""},
      {"backslashes kept", "[A]\r\nk=C:\\Task.ini\\n\r\n", "A", "k", "C:\\Task.ini\\n"},
      {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
      {"first duplicate key wins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
      {"first duplicate section wins", "[A]\r\nk=1\r\n[A]\r\nk=2\r\n", "A", "k", "1"},
      {"later duplicate section", "[A]\r\nx=1\r\n[B]\r\n[a]\r\nk=2\r\n", "A", "k", "2"},
      {"missing section", "[A]\r\nk=1\r\n", "B", "k", nullptr},
      {"missing key", "[A]\r\nk=1\r\n", "A", "j", nullptr},
      {"key in other section", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", nullptr},
      {"key before any section", "k=1\r\n[A]\r\n", "A", "k", nullptr},
      {"line without =", "[A]\r\njust text\r\nk=1\r\n", "A", "just text", nullptr},
      {"byte-order mark", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "1"},
  };
  for (const ReadCase& c : cases) {
    Put(c.file);
    TIniFile ini(path_);
    const std::string got = ini.ReadString(c.section, c.key, "<default>");
    EXPECT_EQ(got, c.expected ? c.expected : "<default>") << c.what;
    EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected != nullptr) << c.what;
  }
}

TEST_F(IniFileTest, WritesRoundTripThroughANewReader) {
  const std::pair<const char*, const char*> values[] = {
      {"Key With Blanks", "value with blanks"}, {"eq", "a=b"},       {"empty", ""},
      {"path", "C:\\Program Files\\x"},         {"utf8", "Grüße ☃"}, {"quotes", "\"q\" 'r'"},
      {"semicolon", ";not a comment"},
  };
  {
    TIniFile ini(path_);
    for (const auto& [key, value] : values) ini.WriteString("Section One", key, value);
  }
  TIniFile reader(path_);
  for (const auto& [key, value] : values)
    EXPECT_EQ(reader.ReadString("section one", key, "<default>"), value) << key;
}

TEST_F(IniFileTest, WrittenFileIsByteForByte) {
  TIniFile ini(path_);
  ini.WriteString("General", "Version", "1.8");
  ini.WriteBool("General", "Auto Eject_No Disc", false);
  ini.WriteInteger("Interface", "Color", 16777215);
  ini.WriteBool("General", "Exit Program", true);
  ini.WriteString("general", "VERSION", "1.9");  // existing key keeps its spelling
  EXPECT_EQ(Bytes(),
            "[General]\r\nVersion=1.9\r\nAuto Eject_No Disc=0\r\nExit Program=1\r\n"
            "\r\n[Interface]\r\nColor=16777215\r\n");
}

TEST_F(IniFileTest, EditsKeepTheRestOfTheFileAsItWas) {
  Put("; made by hand\n[A]\nk=1\n\n  odd line  \n[B]\nx=1\n");
  TIniFile ini(path_);
  ini.WriteString("A", "new", "2");
  EXPECT_EQ(Bytes(), "; made by hand\r\n[A]\r\nk=1\r\nnew=2\r\n\r\n  odd line  \r\n[B]\r\nx=1\r\n");
  ini.DeleteKey("a", "K");
  ini.EraseSection("b");
  EXPECT_EQ(Bytes(), "; made by hand\r\n[A]\r\nnew=2\r\n\r\n  odd line  \r\n");
}

TEST_F(IniFileTest, DeleteAndEraseRemoveEveryOccurrence) {
  Put("[A]\r\nk=1\r\nk=2\r\nj=3\r\n[B]\r\nx=1\r\n[a]\r\nk=4\r\n");
  TIniFile ini(path_);
  ini.DeleteKey("A", "k");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  EXPECT_EQ(ini.ReadString("A", "j", ""), "3");
  ini.EraseSection("A");
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_EQ(Bytes(), "[B]\r\nx=1\r\n");
  // Nothing to remove: the file is not rewritten.
  const auto before = fs::last_write_time(path_);
  ini.EraseSection("none");
  ini.DeleteKey("B", "none");
  EXPECT_EQ(fs::last_write_time(path_), before);
}

TEST_F(IniFileTest, ListsSectionsKeysAndValues) {
  Put("[Count]\r\nValue=2\r\n[Task]\r\nTask0=Backup\r\nTask1=Music\r\ntask0=again\r\n[Empty]\r\n[TASK]"
      "\r\nTask2=x\r\n");
  TIniFile ini(path_);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(list.Text(), "Count\r\nTask\r\nEmpty\r\n");
  ini.ReadSection("task", list);
  EXPECT_EQ(list.Text(), "Task0\r\nTask1\r\nTask2\r\n");
  ini.ReadSectionValues("Task", list);
  EXPECT_EQ(list.Text(), "Task0=Backup\r\nTask1=Music\r\nTask2=x\r\n");
  ini.ReadSection("missing", list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(ini.SectionExists("COUNT"));
  EXPECT_FALSE(ini.SectionExists("Empty"));  // the host counts keys
  EXPECT_FALSE(ini.SectionExists("missing"));
}

TEST_F(IniFileTest, TypedReadsFallBackOnBadText) {
  Put("[A]\r\nint=42\r\nneg=-7\r\nhex=$1F\r\nhex2=0x10\r\nall=$FFFFFFFF\r\nbad=4x\r\nempty=\r\n"
      "big=2147483648\r\nmin=-2147483648\r\nspace=1 2\r\none=1\r\nzero=0\r\ntwo=2\r\nyes=yes\r\n");
  TIniFile ini(path_);
  const std::pair<const char*, int> ints[] = {{"int", 42},   {"neg", -7},    {"hex", 31},
                                              {"hex2", 16},  {"all", -1},    {"bad", 99},
                                              {"empty", 99}, {"big", 99},    {"min", -2147483647 - 1},
                                              {"space", 99}, {"missing", 99}};
  for (const auto& [key, expected] : ints) EXPECT_EQ(ini.ReadInteger("A", key, 99), expected) << key;
  const std::tuple<const char*, bool, bool> bools[] = {{"one", false, true},  {"zero", true, false},
                                                       {"two", false, true},  {"yes", true, true},
                                                       {"yes", false, false}, {"missing", true, true}};
  for (const auto& [key, fallback, expected] : bools)
    EXPECT_EQ(ini.ReadBool("A", key, fallback), expected) << key;
}

TEST_F(IniFileTest, ReadsSeeChangesMadeByAnotherWriter) {
  TIniFile reader(path_);
  EXPECT_EQ(reader.ReadInteger("Status", "Progress", -1), -1);
  TIniFile other(path_);
  other.WriteInteger("Status", "Progress", 40);
  EXPECT_EQ(reader.ReadInteger("Status", "Progress", -1), 40);
  Put("[Status]\r\nProgress=75\r\n");
  EXPECT_EQ(reader.ReadInteger("Status", "Progress", -1), 75);
  fs::remove(path_);
  EXPECT_EQ(reader.ReadInteger("Status", "Progress", -1), -1);
}

TEST_F(IniFileTest, RefusesWritesThatWouldDamageTheFile) {
  Put("[A]\r\nk=1\r\n");
  const std::string before = Bytes();
  TIniFile ini(path_);
  EXPECT_THROW(ini.WriteString("A", "k", "two\r\nlines"), EWriteError);
  EXPECT_THROW(ini.WriteString("A", "k", "injected\n[B]"), EWriteError);
  EXPECT_THROW(ini.WriteString("A", "a=b", "x"), EWriteError);
  EXPECT_THROW(ini.WriteString("A", "[k", "x"), EWriteError);
  EXPECT_THROW(ini.WriteString("A]", "k", "x"), EWriteError);
  EXPECT_THROW(ini.WriteString("", "k", "x"), EWriteError);
  EXPECT_THROW(ini.WriteString("A", "  ", "x"), EWriteError);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileAndTheReaderInStep) {
  Put("[A]\r\nk=1\r\n");
  TIniFile ini(path_);
  {
    ScopedAtomicWriteFault fault([](AtomicWriteStage stage, const std::string&) {
      if (stage == AtomicWriteStage::HalfWritten) throw EWriteError("disk full");
    });
    EXPECT_THROW(ini.WriteString("A", "k", "2"), EWriteError);
  }
  EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
  EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
}

TEST_F(IniFileTest, NeverReplacesAFileItCannotRead) {
  Put("[A]\r\nk=1\r\n");
  chmod(path_.c_str(), 0200);
  chmod(dir_.c_str(), 0777);
  // Root reads every file, so the reader runs as an ordinary user in a child.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0) _exit(10);
    TIniFile ini(path_);
    if (ini.ReadString("A", "k", "default") != "default") _exit(11);
    try {
      ini.WriteString("A", "j", "2");
      _exit(12);
    } catch (const EWriteError&) {
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  chmod(path_.c_str(), 0644);
  EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
}

TEST_F(IniFileTest, MissingFolderRaisesAndMissingFileIsCreated) {
  TIniFile nowhere(dir_ + "/no/such/Option.ini");
  EXPECT_EQ(nowhere.ReadString("A", "k", "d"), "d");
  EXPECT_THROW(nowhere.WriteString("A", "k", "v"), EFCreateError);
  TIniFile fresh(path_);
  EXPECT_FALSE(fs::exists(path_));
  fresh.WriteString("A", "k", "v");
  EXPECT_EQ(Bytes(), "[A]\r\nk=v\r\n");
}

}  // namespace

namespace {

TEST_F(IniFileTest, FloatsAndDatesUseTheRegionalSettings) {
  TIniFile ini(path_);
  const TDateTime begin = EncodeDate(2005, 3, 15);
  const TDateTime at = begin + EncodeTime(14, 30, 0, 0);
  ini.WriteDate("Backup", "Begin Date", begin);
  ini.WriteTime("Backup", "At", at);
  ini.WriteDateTime("Backup", "Last Run", at);
  ini.WriteFloat("Backup", "Ratio", 1.25);
  EXPECT_EQ(
      Bytes(),
      "[Backup]\r\nBegin Date=3/15/2005\r\nAt=2:30:00 PM\r\nLast Run=3/15/2005 2:30:00 PM\r\nRatio=1.25\r\n");
  EXPECT_EQ(ini.ReadDate("Backup", "Begin Date", 0), begin);
  EXPECT_EQ(ini.ReadTime("Backup", "At", 0), EncodeTime(14, 30, 0, 0));
  EXPECT_EQ(ini.ReadDateTime("Backup", "Last Run", 0), at);
  EXPECT_EQ(ini.ReadFloat("Backup", "Ratio", 0), 1.25);

  FormatSettings european;
  european.ShortDateFormat = "dd/mm/yyyy";
  european.DateSeparator = ".";
  european.DecimalSeparator = ",";
  ScopedFormatSettings use(european);
  ini.WriteDate("Backup", "End Date", begin);
  ini.WriteFloat("Backup", "Ratio", 1.25);
  EXPECT_EQ(ini.ReadString("Backup", "End Date", ""), "15.03.2005");
  EXPECT_EQ(ini.ReadString("Backup", "Ratio", ""), "1,25");
  // Text in other settings reads as the default, as on the host.
  EXPECT_EQ(ini.ReadDate("Backup", "Begin Date", 7), 7);
  EXPECT_EQ(ini.ReadDate("Backup", "End Date", 7), begin);
  EXPECT_EQ(ini.ReadFloat("Backup", "Ratio", 0), 1.25);
  EXPECT_EQ(ini.ReadFloat("Backup", "Missing", 2.5), 2.5);
}

}  // namespace
