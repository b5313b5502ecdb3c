#include "recorder/xrConst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

TEST(DriveTexts, AspiHostAndTargetStatusTables) {
  struct Case {
    std::uint8_t status, ha, target;
    const char* text;
  };
  const Case cases[] = {
      {0x00, 0, 0, ""},
      {0x01, 0, 0, ""},
      {0x02, 0, 0, "OPERATION ABORTED BY USER"},
      {0x03, 0, 0, "OPERATION ABORTED BY USER"},
      {0x80, 0, 0, "INVALID REQUEST"},
      {0x81, 0, 0, "INVALID HOST ADAPTER"},
      {0x82, 0, 0, "NO DEVICE"},
      {0xE0, 0, 0, "INVALID SRB"},
      {0xE1, 0, 0, "BUFFER ALIGNMENT"},
      {0xE5, 0, 0, "ASPI IS BUSY"},
      {0xE6, 0, 0, "BUFFER TOO BIG"},
      {0xE2, 0, 0, "UNKNOWN"},
      {0x05, 0, 0, "UNKNOWN"},
      {0x04, 0x09, 0, "COMMAND TIMEOUT"},
      {0x04, 0x0B, 0, "SRB TIMEOUT"},
      {0x04, 0x0D, 0, "MESSAGE REJECT"},
      {0x04, 0x0E, 0, "BUS RESET"},
      {0x04, 0x0F, 0, "PARITY ERROR"},
      {0x04, 0x10, 0, "REQUEST SENSE FAILED"},
      {0x04, 0x11, 0, "SELECTION TIMEOUT"},
      {0x04, 0x12, 0, "DATA OVERRUN"},
      {0x04, 0x13, 0, "UNEXPECTED BUS FREE"},
      {0x04, 0x01, 0, "UNKNOWN"},
      {0x04, 0x00, 0x00, "CHECK CONDITION"},
      {0x04, 0x00, 0x02, "CHECK CONDITION"},
      {0x04, 0x00, 0x08, "TARGET BUSY"},
      {0x04, 0x00, 0x18, "TARGET RESERVATION CONFLICT"},
      {0x04, 0x00, 0x28, "TARGET QUEUE FULL"},
      {0x04, 0x00, 0x04, "UNKNOWN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SrbStatusText(c.status, c.ha, c.target), c.text)
        << std::hex << int(c.status) << " " << int(c.ha) << " " << int(c.target);
  }
}

TEST(DriveTexts, SenseKeyTable) {
  const std::map<std::uint8_t, const char*> keys = {
      {0x1, "RECOVERED ERROR"}, {0x2, "NOT READY"},      {0x3, "MEDIUM ERROR"},    {0x4, "HARDWARE ERROR"},
      {0x5, "ILLEGAL REQUEST"}, {0x6, "UNIT ATTENTION"}, {0x7, "DATA PROTECT"},    {0x8, "ERASE CHECK"},
      {0x9, "CHECK CONDITION"}, {0xA, "COPYABORTED"},    {0xB, "ABORTED COMMAND"}, {0xC, "CHECK CONDITION"},
      {0xD, "VOLUME OVERFLOW"}, {0xE, "MISCOMPARE"},     {0xF, "RESERVED"},
  };
  for (const auto& [key, text] : keys) {
    EXPECT_EQ(SenseKeyText(key), text) << int(key);
    // The flag bits only matter for key 0.
    EXPECT_EQ(SenseKeyText(key | 0xE0), text) << int(key);
  }
  EXPECT_EQ(SenseKeyText(0x00), "NO ADDITIONAL SENSE INFORMATION");
  EXPECT_EQ(SenseKeyText(0x80), "FILEMARK");
  EXPECT_EQ(SenseKeyText(0xE0), "FILEMARK");
  EXPECT_EQ(SenseKeyText(0x40), "END OF MEDIA");
  EXPECT_EQ(SenseKeyText(0x60), "END OF MEDIA");
  EXPECT_EQ(SenseKeyText(0x20), "ILLEGAL LENGTH");
}

TEST(DriveTexts, AscAscqTableIsCompleteSortedAndSearchable) {
  const auto table = AscAscqTable();
  ASSERT_EQ(table.size(), 256u);
  std::set<int> seen;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int key = (table[i].asc << 8) | table[i].ascq;
    EXPECT_TRUE(seen.insert(key).second) << "duplicate pair " << key;
    if (i > 0) EXPECT_LT((table[i - 1].asc << 8) | table[i - 1].ascq, key);
    EXPECT_STREQ(FindAscAscqText(table[i].asc, table[i].ascq), table[i].text);
    const std::string text = table[i].text;
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](unsigned char c) { return std::islower(c); }))
        << text;
  }
  EXPECT_STREQ(FindAscAscqText(0x3A, 0x02), "MEDIUM NOT PRESENT - TRAY OPEN");
  EXPECT_STREQ(FindAscAscqText(0x04, 0x08), "LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS");
  EXPECT_STREQ(FindAscAscqText(0x5D, 0xFF), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
  EXPECT_STREQ(FindAscAscqText(0x73, 0x06), "RMA/PMA IS ALMOST FULL");
  EXPECT_EQ(FindAscAscqText(0x64, 0x02), nullptr);
  EXPECT_EQ(FindAscAscqText(0x3B, 0x00), nullptr);
  EXPECT_EQ(FindAscAscqText(0xFF, 0xFF), nullptr);
}

// sg3-utils' decoder is an independent reading of the same standards. Our
// table keeps its own spellings for a few pairs; every other pair must read
// the same, ignoring case.
std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string SgDecode(std::uint8_t asc, std::uint8_t ascq) {
  char command[160];
  std::snprintf(command, sizeof command,
                "sg_decode_sense 70 00 05 00 00 00 00 0a 00 00 00 00 %02x %02x 00 00 00 00 2>/dev/null", asc,
                ascq);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command, "r"), pclose);
  if (!pipe) return {};
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  const std::string marker = "Additional sense: ";
  const auto at = out.find(marker);
  if (at == std::string::npos) return {};
  auto end = out.find('\n', at);
  return out.substr(at + marker.size(), end - at - marker.size());
}

TEST(DriveTexts, AscAscqTableAgreesWithSgDecodeSense) {
  if (std::system("command -v sg_decode_sense >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sg_decode_sense (sg3-utils) is not installed";
  }
  // Pairs whose text is ours by choice: abbreviations, older names, and
  // codes the decoder names differently.
  const std::map<int, std::string> ours_differ = {
      {0x0402, "LOGICAL UNIT NOT READY, INITIALIZING COMMAND REQUIRED"},
      {0x4703, "INFORMATION UNIT IUCRC ERROR DETECTED"},
  };
  std::map<int, std::string> disagreements;
  for (const auto& e : AscAscqTable()) {
    const std::string theirs = Upper(SgDecode(e.asc, e.ascq));
    if (theirs != e.text) disagreements[(e.asc << 8) | e.ascq] = theirs;
  }
  for (const auto& [key, theirs] : disagreements) {
    EXPECT_TRUE(ours_differ.count(key))
        << std::hex << "pair " << (key >> 8) << "/" << (key & 0xFF) << ": ours \""
        << FindAscAscqText(key >> 8, key & 0xFF) << "\", sg_decode_sense \"" << theirs << "\"";
  }
  for (const auto& [key, theirs] : ours_differ) {
    EXPECT_TRUE(disagreements.count(key))
        << std::hex << "pair " << (key >> 8) << "/" << (key & 0xFF) << " now agrees; drop it from the list";
  }
}

}  // namespace
