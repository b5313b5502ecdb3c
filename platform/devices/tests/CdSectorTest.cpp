// Mode 1 sectors as READ CD returns them whole: the EDC and both parities
// are checked here by other means than the ones that made them (the CRC
// catalogue's check value, and the parity-check equations of the two
// Reed-Solomon codes evaluated with plain shift-and-add multiplication).

#include "platform/devices/CdSector.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

// a * b in GF(2^8) modulo x^8 + x^4 + x^3 + x^2 + 1, bit by bit.
std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
  unsigned product = 0, x = a;
  for (int bit = 0; bit < 8; ++bit) {
    if (b & (1u << bit)) product ^= x;
    x <<= 1;
    if (x & 0x100) x ^= 0x11D;
  }
  return static_cast<std::uint8_t>(product);
}

// The two syndromes of a code word: the plain sum, and the sum with the
// i-th of n symbols weighted by alpha^(n-1-i). Both are zero for a good word.
std::pair<std::uint8_t, std::uint8_t> Syndromes(const std::vector<std::uint8_t>& word) {
  std::uint8_t sum = 0, weighted = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    std::uint8_t power = 1;
    for (std::size_t k = 0; k + 1 + i < word.size(); ++k) power = GfMul(power, 2);
    sum ^= word[i];
    weighted ^= GfMul(power, word[i]);
  }
  return {sum, weighted};
}

// Every P column and Q diagonal of a raw sector, as the layout of the
// sector lays them out (24 + 2 and 43 + 2 symbols), with its syndromes.
// Empty when all are zero; else the first failing word.
std::string ParityFault(const std::uint8_t* sector) {
  const std::uint8_t* area = sector + 12;
  for (unsigned column = 0; column < 86; ++column) {
    std::vector<std::uint8_t> word;
    for (unsigned row = 0; row < 26; ++row) word.push_back(area[column + 86 * row]);
    if (Syndromes(word) != std::pair<std::uint8_t, std::uint8_t>{0, 0})
      return "P column " + std::to_string(column);
  }
  for (unsigned diagonal = 0; diagonal < 52; ++diagonal) {
    std::vector<std::uint8_t> word;
    for (unsigned k = 0; k < 43; ++k) {
      word.push_back(area[((diagonal / 2) * 86 + diagonal % 2 + 88 * k) % 2236]);
    }
    word.push_back(sector[2248 + diagonal]);
    word.push_back(sector[2248 + 52 + diagonal]);
    if (Syndromes(word) != std::pair<std::uint8_t, std::uint8_t>{0, 0})
      return "Q diagonal " + std::to_string(diagonal);
  }
  return "";
}

struct SectorCase {
  const char* name;
  std::uint32_t lba;
  std::uint8_t (*fill)(std::size_t);
};

const SectorCase kSectors[] = {
    {"zeros at 00:02:00", 0, [](std::size_t) -> std::uint8_t { return 0; }},
    {"ones at 18:45:40", 84265, [](std::size_t) -> std::uint8_t { return 0xFF; }},
    {"ramp at 79:59:74", 359849, [](std::size_t i) { return static_cast<std::uint8_t>(i); }},
    {"noise at 00:02:16", 16,
     [](std::size_t i) { return static_cast<std::uint8_t>((i * 2654435761u) >> 13); }},
};

}  // namespace

TEST(CdSector, EdcIsTheCatalogueCrc) {
  const std::string check = "123456789";
  EXPECT_EQ(CdEdc(reinterpret_cast<const std::uint8_t*>(check.data()), 9), 0x6EC2EDC4u);
}

TEST(CdSector, ParitiesAndEdcOfMode1SectorsCheckOut) {
  for (const SectorCase& c : kSectors) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> user(2048);
    for (std::size_t i = 0; i < user.size(); ++i) user[i] = c.fill(i);
    std::array<std::uint8_t, kCdRawSectorSize> sector{};
    EncodeCdMode1Sector(c.lba, user.data(), sector.data());
    EXPECT_EQ(sector[0], 0x00);
    EXPECT_EQ(sector[11], 0x00);
    EXPECT_EQ(std::count(sector.begin() + 1, sector.begin() + 11, 0xFF), 10);
    EXPECT_TRUE(std::equal(user.begin(), user.end(), sector.begin() + 16));
    // The CRC run over the data and the EDC behind it leaves no remainder.
    EXPECT_EQ(CdEdc(sector.data(), 2068), 0u);
    EXPECT_TRUE(
        std::all_of(sector.begin() + 2068, sector.begin() + 2076, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(ParityFault(sector.data()), "");
    // One changed byte of user data breaks both codes.
    sector[16 + 1000] ^= 0x01;
    EXPECT_NE(ParityFault(sector.data()), "");
    EXPECT_NE(CdEdc(sector.data(), 2068), 0u);
  }
}

class ReadCdRawTest : public VirtualRecorderTestBase {};

// READ CD of a recorded data track, every selection of sector parts a
// mode 1 sector has: what comes back, and what is refused.
TEST_F(ReadCdRawTest, Mode1SectorPartsAsSelected) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 0).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 3, 0x5A).ok());
  const mmc::Reply plain = mmc::Read10(drive, 0, 3);
  ASSERT_TRUE(plain.ok());

  struct Selection {
    std::uint8_t flags;
    std::uint32_t from, to;  // the part of the raw sector returned; from == to: refused
  };
  const Selection kSelections[] = {
      {0xF8, 0, 2352}, {0xB8, 0, 2352},  {0xF0, 0, 2064},  {0xB0, 0, 2064},
      {0xE0, 0, 16},   {0x78, 12, 2352}, {0x38, 12, 2352}, {0x30, 12, 2064},
      {0x20, 12, 16},  {0x18, 16, 2352}, {0x10, 16, 2064}, {0x58, 16, 2352},
      {0x80, 0, 0},    {0x90, 0, 0},     {0x08, 0, 0},     {0xA8, 0, 0},
  };
  for (const Selection& s : kSelections) {
    SCOPED_TRACE(testing::Message() << "flags " << std::hex << int(s.flags));
    const std::uint32_t size = s.to - s.from;
    const mmc::Reply reply = mmc::RunIn(drive, mmc::Cdb({0xBE, 2 << 2, 0, 0, 0, 1, 0, 0, 2, s.flags, 0, 0}),
                                        std::max<std::uint32_t>(size, 2352) * 2);
    if (size == 0) {
      EXPECT_EQ(reply.sense(), mmc::Sense(5, 0x24, 0));
      continue;
    }
    ASSERT_TRUE(reply.ok()) << std::hex << reply.sense();
    ASSERT_EQ(reply.data.size(), 2u * size);
    for (std::uint32_t i = 0; i < 2; ++i) {
      std::array<std::uint8_t, kCdRawSectorSize> raw{};
      // Sector 1 + i, built from the user data READ(10) returns.
      EncodeCdMode1Sector(1 + i, plain.data.data() + 2048 * (1 + i), raw.data());
      EXPECT_TRUE(std::equal(raw.begin() + s.from, raw.begin() + s.to, reply.data.begin() + size * i));
    }
  }
  // The whole sector checks out by itself: header 00:02:01, mode 1, codes right.
  const mmc::Reply whole = mmc::RunIn(drive, mmc::Cdb({0xBE, 0, 0, 0, 0, 1, 0, 0, 1, 0xF8, 0, 0}), 2352);
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(whole.data[12], 0x00);
  EXPECT_EQ(whole.data[13], 0x02);
  EXPECT_EQ(whole.data[14], 0x01);
  EXPECT_EQ(whole.data[15], 0x01);
  EXPECT_EQ(CdEdc(whole.data.data(), 2068), 0u);
  EXPECT_EQ(ParityFault(whole.data.data()), "");
}
