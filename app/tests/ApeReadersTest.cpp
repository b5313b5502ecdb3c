#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/APEtag.h"
#include "app/Monkey.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(Bytes& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

struct HeaderFields {
  std::uint16_t version = 3950, compression = 2000, flags = 0, channels = 2;
  std::int32_t rate = 44100, frames = 10, final_blocks = 1000, peak = 0, seeks = 0;
};

Bytes ApeHeader(const HeaderFields& h) {
  Bytes b;
  PutText(b, "MAC ");
  Put16(b, h.version);
  Put16(b, h.compression);
  Put16(b, h.flags);
  Put16(b, h.channels);
  Put32(b, h.rate);
  Put32(b, 52);
  Put32(b, 0);
  Put32(b, h.frames);
  Put32(b, h.final_blocks);
  Put32(b, h.peak);
  Put32(b, h.seeks);
  return b;
}

struct Item {
  std::string key;
  std::string value;
  std::int32_t stated_length = -2;  // -2: the value's own length
};

// An APE tag (items and footer) as it lies at the end of a file.
Bytes ApeTag(const std::vector<Item>& items, std::int32_t version = 2000, std::int32_t count = -1) {
  Bytes body;
  for (const Item& item : items) {
    Put32(body, item.stated_length == -2 ? static_cast<std::int32_t>(item.value.size()) : item.stated_length);
    Put32(body, 0);
    PutText(body, item.key);
    body.push_back(0);
    PutText(body, item.value);
  }
  Bytes footer;
  PutText(footer, "APETAGEX");
  Put32(footer, version);
  Put32(footer, static_cast<std::int32_t>(body.size() + 32));
  Put32(footer, count < 0 ? static_cast<std::int32_t>(items.size()) : count);
  Put32(footer, 0);
  footer.resize(32, 0);
  body.insert(body.end(), footer.begin(), footer.end());
  return body;
}

class ApeReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ape-test-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  // An APE file: header, some audio bytes, then `tail`.
  std::string ApeFile(const HeaderFields& h, const Bytes& tail = {}) {
    Bytes b = ApeHeader(h);
    b.resize(b.size() + 400, 0x5A);
    b.insert(b.end(), tail.begin(), tail.end());
    return Write("track.ape", b);
  }

  fs::path dir_;
};

TEST_F(ApeReaders, DurationFollowsTheFrameSizeOfEachVersion) {
  struct Case {
    std::uint16_t version, compression;
    std::int32_t frames;
    std::int64_t samples;
  } const cases[] = {
      {3950, 2000, 10, 294912LL * 9 + 1000},  // about 60.21 s
      {3940, 2000, 10, 73728LL * 9 + 1000},
      {3900, 1000, 10, 73728LL * 9 + 1000},
      {3850, 3000, 10, 9216LL * 9 + 1000},  // about 1.90 s
      {3800, 4000, 10, 73728LL * 9 + 1000},
      {3799, 4000, 10, 9216LL * 9 + 1000},
      {3950, 2000, 100000, 294912LL * 99999 + 1000},  // hours: must not wrap
      {3950, 2000, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << "/" << c.compression << "/" << c.frames);
    HeaderFields h;
    h.version = c.version;
    h.compression = c.compression;
    h.frames = c.frames;
    TMonkey monkey;
    ASSERT_TRUE(monkey.ReadFromFile(ApeFile(h)));
    EXPECT_TRUE(monkey.IsValid());
    EXPECT_EQ(monkey.GetSampleCount(), c.samples);
    EXPECT_DOUBLE_EQ(monkey.GetDuration(), static_cast<double>(c.samples) / 44100);
  }
  HeaderFields h;
  TMonkey monkey;
  ASSERT_TRUE(monkey.ReadFromFile(ApeFile(h)));
  EXPECT_NEAR(monkey.GetDuration(), 60.21, 0.01);
  EXPECT_EQ(monkey.FileLength, 40 + 400);
}

TEST_F(ApeReaders, ShortFilesFailAndOtherFilesAreNotValid) {
  TMonkey monkey;
  EXPECT_FALSE(monkey.ReadFromFile(Write("short.ape", Bytes(100, 1))));
  EXPECT_FALSE(monkey.ReadFromFile((dir_ / "missing.ape").string()));
  EXPECT_FALSE(monkey.ReadFromFile(dir_.string()));  // a folder

  Bytes wav;
  PutText(wav, "RIFF");
  Put32(wav, 4036);
  PutText(wav, "WAVEfmt ");
  wav.resize(4044, 0);
  ASSERT_TRUE(monkey.ReadFromFile(Write("sound.wav", wav)));
  EXPECT_FALSE(monkey.IsValid());
  EXPECT_EQ(monkey.GetDuration(), 0.0);
  EXPECT_EQ(monkey.GetBlocksPerFrame(), 0);

  HeaderFields no_rate;
  no_rate.rate = 0;
  ASSERT_TRUE(monkey.ReadFromFile(ApeFile(no_rate)));
  EXPECT_FALSE(monkey.IsValid());
  EXPECT_EQ(monkey.GetDuration(), 0.0);
}

TEST_F(ApeReaders, OptionalHeaderFieldsCountOnlyWhenFlagged) {
  HeaderFields h;
  h.peak = 12345;
  h.seeks = 77;
  TMonkey monkey;
  ASSERT_TRUE(monkey.ReadFromFile(ApeFile(h)));
  EXPECT_EQ(monkey.Header.PeakLevel, 0);
  EXPECT_EQ(monkey.Header.SeekElements, 0);
  h.flags = 4 | 16;
  ASSERT_TRUE(monkey.ReadFromFile(ApeFile(h)));
  EXPECT_EQ(monkey.Header.PeakLevel, 12345);
  EXPECT_EQ(monkey.Header.SeekElements, 77);
}

TEST_F(ApeReaders, TagItemsAreReadByKeyWithoutRegardToCase) {
  const std::string long_comment(300, 'c');
  const Bytes tag = ApeTag({{"Title", "  Night Drive  "},
                            {"ARTIST", "The Band"},
                            {"track", "7/12"},
                            {"Comment", long_comment},  // longer than any fixed buffer
                            {"Year", "1999"},
                            {"Unknown", "skipped"},
                            {"Copyright", "Grüße ©"}});
  TMonkey monkey;
  ASSERT_TRUE(monkey.ReadFromFile(ApeFile(HeaderFields{}, tag)));
  const TAPEtag& t = *monkey.Tag;
  EXPECT_TRUE(t.TagFound);
  EXPECT_EQ(t.TagVersion, 2000);
  EXPECT_EQ(t.TagSize, static_cast<int>(tag.size()));
  EXPECT_EQ(t.Title, "Night Drive");
  EXPECT_EQ(t.Artist, "The Band");
  EXPECT_EQ(t.Track, 7);
  EXPECT_EQ(t.Comment, long_comment);
  EXPECT_EQ(t.Year, "1999");
  EXPECT_EQ(t.Copyright, "Grüße ©");
  EXPECT_EQ(t.Album, "");
}

TEST_F(ApeReaders, TrackNumbersWrapToAByteAndNonNumbersAreZero) {
  for (const auto& [value, track] :
       std::vector<std::pair<std::string, int>>{{"7/12", 7}, {"300", 44}, {"one", 0}, {"", 0}, {"12", 12}}) {
    TAPEtag tag;
    ASSERT_TRUE(tag.ReadFromFile(ApeFile(HeaderFields{}, ApeTag({{"Track", value}}))));
    EXPECT_EQ(tag.Track, track) << value;
  }
}

TEST_F(ApeReaders, FooterBeforeAnId3v1BlockAndSingleByteTextOfOldTags) {
  Bytes tail = ApeTag({{"Album", "Caf\xE9"}}, 1000);
  Bytes id3(128, ' ');
  id3[0] = 'T', id3[1] = 'A', id3[2] = 'G';
  tail.insert(tail.end(), id3.begin(), id3.end());
  TAPEtag tag;
  ASSERT_TRUE(tag.ReadFromFile(ApeFile(HeaderFields{}, tail)));
  EXPECT_TRUE(tag.TagFound);
  EXPECT_EQ(tag.Album, "Café");
}

TEST_F(ApeReaders, Utf8ValuesKeepWhatDecodesBeforeABadSequence) {
  TAPEtag tag;
  ASSERT_TRUE(tag.ReadFromFile(ApeFile(HeaderFields{}, ApeTag({{"Genre", "Jazz\xC3(rest"}}))));
  EXPECT_EQ(tag.Genre, "Jazz");
}

TEST_F(ApeReaders, HostileTagsEndTheItemLoopQuietly) {
  struct Case {
    const char* name;
    Bytes tag;
    std::string title;
  };
  Bytes lying_size = ApeTag({{"Title", "kept"}});
  // Tag size far larger than the file.
  lying_size[lying_size.size() - 32 + 12] = 0xFF;
  lying_size[lying_size.size() - 32 + 13] = 0xFF;
  lying_size[lying_size.size() - 32 + 14] = 0xFF;
  lying_size[lying_size.size() - 32 + 15] = 0x7F;
  const Case cases[] = {
      {"NegativeLength", ApeTag({{"Title", "kept"}, {"Artist", "x", -5}, {"Album", "lost"}}), "kept"},
      {"LengthPastTheFooter", ApeTag({{"Title", "kept"}, {"Artist", "x", 1 << 30}}), "kept"},
      {"HugeItemCount", ApeTag({{"Title", "kept"}}, 2000, 0x7FFFFFFF), "kept"},
      {"SizeLargerThanTheFile", lying_size, ""},
      {"KeyWithoutEnd", ApeTag({{"Title", "kept"}, {std::string(40, 'k'), ""}}), "kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes tag = c.tag;
    if (std::string(c.name) == "KeyWithoutEnd") {
      // Remove the zero that ends the second key: the key runs into the footer.
      const std::size_t zero = tag.size() - 32 - 1;
      ASSERT_EQ(tag[zero], 0);
      tag.erase(tag.begin() + static_cast<std::ptrdiff_t>(zero));
      tag[tag.size() - 32 + 12] -= 1;  // the stated size follows
    }
    TAPEtag reader;
    ASSERT_TRUE(reader.ReadFromFile(ApeFile(HeaderFields{}, tag)));
    EXPECT_TRUE(reader.TagFound);
    EXPECT_EQ(reader.Title, c.title);
    EXPECT_EQ(reader.Album, "");
  }
}

// Files of 3.98 and later: a descriptor, then the header with its own frame
// size; possibly behind an ID3v2 tag.
Bytes NewApeFile(std::uint32_t blocks_per_frame, std::uint32_t frames, std::uint32_t final_blocks,
                 std::uint32_t descriptor_bytes = 52, std::uint32_t rate = 44100) {
  Bytes b;
  PutText(b, "MAC ");
  Put16(b, 3990);
  Put16(b, 0);
  Put32(b, static_cast<std::int32_t>(descriptor_bytes));
  Put32(b, 24);                  // header bytes
  Put32(b, 40);                  // seek table bytes
  Put32(b, 0);                   // header data bytes
  Put32(b, 1000);                // frame data bytes
  Put32(b, 0);                   // frame data bytes, high word
  Put32(b, 0);                   // terminating data bytes
  b.resize(b.size() + 16, 0x11);  // MD5
  // A descriptor that claims to reach past the file is written as is.
  b.resize(descriptor_bytes < 52 || descriptor_bytes > 4096 ? 52 : descriptor_bytes, 0);
  Put16(b, 2000);  // compression
  Put16(b, 0);     // flags
  Put32(b, static_cast<std::int32_t>(blocks_per_frame));
  Put32(b, static_cast<std::int32_t>(final_blocks));
  Put32(b, static_cast<std::int32_t>(frames));
  Put16(b, 16);  // bits per sample
  Put16(b, 2);   // channels
  Put32(b, static_cast<std::int32_t>(rate));
  b.resize(b.size() + 400, 0x5A);
  return b;
}

TEST_F(ApeReaders, CurrentFilesStateTheirFrameSize) {
  struct Case {
    const char* name;
    Bytes file;
    bool valid;
    std::int64_t samples;
  };
  Bytes tagged;  // an ID3v2 tag of 300 bytes, synchsafe size 290
  PutText(tagged, "ID3");
  tagged.insert(tagged.end(), {4, 0, 0, 0, 0, 0x02, 0x22});
  tagged.resize(300, 0);
  const Bytes body = NewApeFile(73728, 200, 5000);
  tagged.insert(tagged.end(), body.begin(), body.end());
  Bytes long_descriptor = NewApeFile(294912, 3, 10, 64);
  const Case cases[] = {
      {"Plain", NewApeFile(73728, 200, 5000), true, 73728LL * 199 + 5000},
      {"BehindId3v2", tagged, true, 73728LL * 199 + 5000},
      {"LongerDescriptor", long_descriptor, true, 294912LL * 2 + 10},
      {"ZeroFrames", NewApeFile(73728, 0, 0), true, 0},
      {"MostFrames", NewApeFile(1u << 24, 0x7FFFFFFF, 1), true, (1LL << 24) * 0x7FFFFFFE + 1},
      {"HeaderPastTheEnd", NewApeFile(73728, 200, 5000, 1 << 30), false, 0},
      {"NoFrameSize", NewApeFile(0, 200, 5000), false, 0},
      {"AbsurdFrameSize", NewApeFile(0xFFFFFFFF, 200, 5000), false, 0},
      {"FrameCountPastSigned", NewApeFile(73728, 0x80000000u, 5000), false, 0},
      {"NoRate", NewApeFile(73728, 200, 5000, 52, 0), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMonkey monkey;
    ASSERT_TRUE(monkey.ReadFromFile(Write("new.ape", c.file)));
    EXPECT_EQ(monkey.IsValid(), c.valid);
    EXPECT_EQ(monkey.GetSampleCount(), c.samples);
    EXPECT_GE(monkey.GetDuration(), 0.0);
  }
  TMonkey monkey;
  ASSERT_TRUE(monkey.ReadFromFile(Write("tagged.ape", tagged)));
  EXPECT_EQ(monkey.HeaderOffset, 300);
  EXPECT_NEAR(monkey.GetDuration(), (73728.0 * 199 + 5000) / 44100, 1e-9);
}

}  // namespace
