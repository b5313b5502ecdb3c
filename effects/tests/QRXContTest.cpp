// Wave data, the list items and their records, the containers' list
// records, their form-file properties and the change links.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "effects/QRXCont.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Tag(Bytes& b, const char* t) { b.insert(b.end(), t, t + 4); }

// A WAV file: 16-bit PCM unless told otherwise, with an optional chunk
// before the format chunk.
Bytes Wav(unsigned channels, unsigned rate, unsigned samples, unsigned format = 1, bool listFirst = false) {
  Bytes data;
  for (unsigned i = 0; i < samples * channels; ++i) Put16(data, (i * 1103) & 0xFFFF);
  Bytes b;
  Tag(b, "RIFF");
  Put32(b, unsigned(4 + (listFirst ? 12 : 0) + 24 + 8 + data.size()));
  Tag(b, "WAVE");
  if (listFirst) {
    Tag(b, "LIST");
    Put32(b, 4);
    Tag(b, "INFO");
  }
  Tag(b, "fmt ");
  Put32(b, 16);
  Put16(b, format);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * 2);
  Put16(b, channels * 2);
  Put16(b, 16);
  Tag(b, "data");
  Put32(b, unsigned(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

TMemoryStream& Fill(TMemoryStream& s, const Bytes& bytes) {
  s.Clear();
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  return s;
}

Bytes Contents(TMemoryStream& s) { return {s.Memory(), s.Memory() + s.Size()}; }

Bytes WaveBytes(const TQRXWave& w) {
  TMemoryStream s;
  w.SaveToStream(s);
  return Contents(s);
}

TBitmap Picture(int w, int h, int seed) {
  TDib dib;
  dib.Allocate(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib.SetColor(x, y, RGB(x * seed, y * 11, seed));
  TBitmap b;
  b.SetDib(dib);
  return b;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Dib().GetColor(x, y) != b.Dib().GetColor(x, y)) return false;
  return true;
}

TEST(QRXContainer, AWaveItemThatIsNoWaveIsSkippedAndTheRestLoads) {
  const Bytes mono = Wav(1, 8000, 40);
  const Bytes notAWave = Wav(1, 8000, 4, 1, true);  // "LIST" before "fmt "
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed);
    TQRXWaveList list;
    for (int i = 0; i < 3; ++i) {
      auto* item = list.Items(list.Add());
      TMemoryStream s;
      item->Wave().LoadFromStream(Fill(s, mono));
      item->SetCompressed(compressed);
      item->SetIdent(std::uint16_t(i + 1));
    }
    TMemoryStream record;
    list.SaveToStream(record, false);
    // The middle item's bytes become those of another kind of file, of the
    // same length so the record still holds together.
    Bytes bytes = Contents(record);
    if (!compressed) {
      const auto at = std::search(bytes.begin() + 4, bytes.end(), mono.begin(), mono.end());
      const auto second = std::search(at + 1, bytes.end(), mono.begin(), mono.end());
      ASSERT_NE(second, bytes.end());
      std::copy(notAWave.begin(), notAWave.begin() + std::min(notAWave.size(), mono.size()), second);
    } else {
      TQRXWaveList odd;
      for (int i = 0; i < 3; ++i) {
        auto* item = odd.Items(odd.Add());
        item->SetCompressed(true);
        item->SetIdent(std::uint16_t(i + 1));
        TMemoryStream s;
        item->Wave().LoadFromStream(Fill(s, mono));
      }
      // Replace the middle sound's data behind the check's back.
      TMemoryStream raw;
      Fill(raw, notAWave);
      odd.Items(1)->Wave().SetData(std::make_unique<TMemoryStream>());
      odd.Items(1)->Wave().Data()->WriteBuffer(notAWave.data(), std::int64_t(notAWave.size()));
      TMemoryStream r2;
      odd.SaveToStream(r2, false);
      bytes = Contents(r2);
    }
    TMemoryStream in;
    Fill(in, bytes).SetPosition(0);
    TQRXWaveList back;
    back.LoadFromStream(in, false);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(WaveBytes(back.Items(0)->Wave()), mono);
    EXPECT_TRUE(back.Items(1)->Wave().IsEmpty());
    EXPECT_EQ(back.Items(1)->Ident(), 2);
    EXPECT_EQ(WaveBytes(back.Items(2)->Wave()), mono);
  }
}

TEST(QRXListItem, DescriptionsPastTheRecordLimitAreRefused) {
  TQRXStringListItem item;
  item.SetDescription(std::string(255, 'd'));
  EXPECT_THROW(item.SetDescription(std::string(256, 'e')), EConvertError);
  EXPECT_EQ(item.Description(), std::string(255, 'd'));
  TMemoryStream s;
  item.WriteData(s);
  s.SetPosition(0);
  TQRXStringListItem back;
  back.ReadData(s);
  EXPECT_EQ(back.Description(), std::string(255, 'd'));
}

}  // namespace

TEST(QRXWave, ChecksTheWaveHeaders) {
  struct Case {
    const char* name;
    Bytes data;
    TQRXWaveInfo info;
  };
  const Bytes mono = Wav(1, 22050, 10);
  const Case cases[] = {
      {"mono", mono, {std::uint32_t(mono.size() - 8), 22050, 1, true, 2}},
      {"stereo", Wav(2, 44100, 10), {76, 44100, 2, true, 4}},
      {"six channels, not PCM", Wav(6, 8000, 2, 3), {0, 8000, 0, false, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream s;
    Fill(s, c.data).SetPosition(0);
    TQRXWaveInfo info;
    ASSERT_TRUE(TQRXWave::GetWaveData(s, info));
    EXPECT_EQ(s.Position(), 0);
    if (c.info.riffSize) {
      EXPECT_EQ(info.riffSize, c.info.riffSize);
    }
    EXPECT_EQ(info.samplesPerSec, c.info.samplesPerSec);
    EXPECT_EQ(info.channelMode, c.info.channelMode);
    EXPECT_EQ(info.pcm, c.info.pcm);
    EXPECT_EQ(info.blockAlign, c.info.blockAlign);
  }

  // Data of another kind, or a format chunk that does not come first: the
  // wave keeps what it had and says why.
  TQRXWave wave;
  TMemoryStream s;
  wave.LoadFromStream(Fill(s, mono));
  for (const Bytes& bad : {Wav(1, 8000, 4, 1, true), Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W'},
                           Bytes(mono.begin(), mono.begin() + 20)}) {
    EXPECT_THROW(wave.LoadFromStream(Fill(s, bad)), EErrorCheckingWave);
    EXPECT_EQ(WaveBytes(wave), mono);
  }
  // A count that runs past the data.
  Fill(s, mono);
  EXPECT_THROW(wave.LoadFromStreamCount(std::int64_t(mono.size()) + 1, s), EReadError);
  EXPECT_EQ(WaveBytes(wave), mono);
}

TEST(QRXWave, DataPropertyFilesAndRecords) {
  const Bytes mono = Wav(1, 11025, 300);
  TQRXWave wave;
  int changes = 0;
  wave.OnChange = [&](TQRXObject*) { ++changes; };
  TMemoryStream s;
  wave.LoadFromStream(Fill(s, mono));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(wave.GetSize(), std::int64_t(mono.size()));

  // "Data": a count and the bytes; nothing at all for a wave without data.
  TQRXBinaryProperties props;
  props.Write(wave);
  ASSERT_TRUE(props.Has("Data"));
  EXPECT_EQ(props.values["Data"].size(), mono.size() + 4);
  TQRXWave back;
  props.Read(back);
  EXPECT_EQ(WaveBytes(back), mono);
  TQRXBinaryProperties none;
  none.Write(*std::make_unique<TQRXWave>());
  EXPECT_FALSE(none.Has("Data"));

  // An empty wave assigned over one with data leaves an empty stream, which
  // is written as a count of 0 and read back as an empty wave.
  TQRXWave empty;
  changes = 0;
  wave.Assign(&empty);
  EXPECT_EQ(changes, 1);
  ASSERT_NE(wave.Data(), nullptr);
  EXPECT_TRUE(wave.IsEmpty());
  TQRXBinaryProperties zero;
  zero.Write(wave);
  EXPECT_EQ(zero.values["Data"], (Bytes{0, 0, 0, 0}));
  zero.Read(back);
  EXPECT_TRUE(back.IsEmpty());
  back.Assign(nullptr);
  EXPECT_EQ(back.Data(), nullptr);
}

TEST(QRXWave, FilesAndStreamRecords) {
  const Bytes stereo = Wav(2, 44100, 5000);
  QTemporaryDir dir;
  TQRXWave wave;
  TMemoryStream s;
  wave.LoadFromStream(Fill(s, stereo));
  const std::string file = dir.filePath("a.wav").toStdString();
  wave.SaveToFile(file);
  EXPECT_EQ(WaveBytes(*TQRXWave::CreateFromFile(file)), stereo);
  EXPECT_THROW(TQRXWave::CreateFromFile(dir.filePath("missing.wav").toStdString()), EFOpenError);

  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed);
    TMemoryStream record;
    WriteWaveToStream(record, wave, compressed);
    WriteStreamByte(record, 0xEE);
    record.SetPosition(0);
    TQRXWave back;
    ReadWaveFromStream(record, back, compressed);
    EXPECT_EQ(WaveBytes(back), stereo);
    EXPECT_EQ(ReadStreamByte(record), 0xEE);
  }
}

TEST(QRXListItem, HeaderRecords) {
  // An item without ident, description or data is its flags byte alone.
  TQRXBitmapListItem plain;
  TMemoryStream s;
  plain.WriteData(s);
  EXPECT_EQ(Contents(s), Bytes{0x00});
  s.SetPosition(0);
  TQRXBitmapListItem back;
  back.Bitmap().Assign(Picture(2, 2, 1));
  back.ReadData(s);
  EXPECT_TRUE(back.Bitmap().Empty());

  TQRXBitmapListItem item;
  item.SetDescription("Logo");
  item.SetIdent(0x1234);
  item.SetCompressed(true);
  item.SetPixelFormat(TQRXSavePixelFormat::spf8bit);
  item.Bitmap().Assign(Picture(30, 20, 5));
  s.Clear();
  item.WriteData(s);
  const Bytes b = Contents(s);
  ASSERT_GT(b.size(), 10u);
  EXPECT_EQ(b[0], 0x4F);
  EXPECT_EQ(Bytes(b.begin() + 1, b.begin() + 10), (Bytes{4, 'L', 'o', 'g', 'o', 0x34, 0x12, 0, 0}));
  s.SetPosition(0);
  TQRXBitmapListItem read;
  read.ReadData(s);
  EXPECT_EQ(read.Description(), "Logo");
  EXPECT_EQ(read.Ident(), 0x1234);
  EXPECT_TRUE(read.Compressed());
  EXPECT_EQ(read.PixelFormat(), TQRXSavePixelFormat::spf8bit);
  EXPECT_EQ(read.Bitmap().PixelFormat(), pf8bit);
  EXPECT_EQ(read.Bitmap().Width(), 30);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(QRXContainer, ListRecordsWithAndWithoutOffsets) {
  TQRXStringList strings;
  for (int i = 0; i < 3; ++i) {
    auto* item = strings.Items(strings.Add());
    item->SetIdent(std::uint16_t(i + 1));
    item->SetCompressed(i == 1);
    item->Items().SetText("line " + std::to_string(i) + "\r\nsecond\r\n");
  }
  strings.Items(2)->Items().Clear();  // an item without data

  for (bool offsets : {false, true}) {
    SCOPED_TRACE(offsets);
    TMemoryStream s;
    WriteStreamByte(s, 0xAA);  // offsets are absolute stream positions
    strings.SaveToStream(s, offsets);
    const Bytes b = Contents(s);
    if (offsets) {
      // Each offset names its item's header: the ident after a flags byte.
      for (int i = 0; i < 3; ++i) {
        const std::size_t at = b[5 + 4 * i] | b[6 + 4 * i] << 8;
        EXPECT_EQ(b[at] & TQRXListItem::kHasIdent, TQRXListItem::kHasIdent);
        EXPECT_EQ(b[at + 1], i + 1);
      }
    }
    s.SetPosition(1);
    TQRXStringList back;
    back.Add();  // replaced, not appended to
    back.LoadFromStream(s, offsets);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(back.Items(i)->Ident(), i + 1);
      EXPECT_EQ(back.Items(i)->Compressed(), i == 1);
      EXPECT_EQ(back.Items(i)->Items().Text(), strings.Items(i)->Items().Text());
    }
    EXPECT_EQ(s.Position(), s.Size());
  }
  EXPECT_THROW(strings.Items(3), EListError);
}

TEST(QRXContainer, DamagedListRecordsLeaveTheListAsItWas) {
  TQRXBitmapList list;
  list.Items(list.Add())->Bitmap().Assign(Picture(4, 4, 2));
  TQRXBitmapList source;
  for (int i = 0; i < 3; ++i) source.Items(source.Add())->Bitmap().Assign(Picture(5 + i, 5, i));
  TMemoryStream s;
  source.SaveToStream(s, false);
  const Bytes good = Contents(s);

  int changes = 0;
  list.OnChange = [&](TComponent*) { ++changes; };
  for (const Bytes& bad : {Bytes(good.begin(), good.end() - 7), Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0},
                           Bytes{0xFF, 0xFF, 0xFF, 0xFF}}) {
    EXPECT_THROW(list.LoadFromStream(Fill(s, bad), false), EReadError);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_TRUE(SamePixels(list.Items(0)->Bitmap(), Picture(4, 4, 2)));
  }
  EXPECT_EQ(changes, 0);
  list.LoadFromStream(Fill(s, good), false);
  EXPECT_EQ(changes, 1);  // one notification for the whole load
  ASSERT_EQ(list.Count(), 3);
  EXPECT_TRUE(SamePixels(list.Items(2)->Bitmap(), Picture(7, 5, 2)));
}

TEST(QRXContainer, ChangesReachLinksAndOwners) {
  auto list = std::make_unique<TQRXBitmapList>();
  std::vector<TComponent*> owner, link1, link2;
  list->OnChange = [&](TComponent* sender) { owner.push_back(sender); };
  TQRXChangeLink a;
  auto b = std::make_unique<TQRXChangeLink>();
  a.OnChange = [&](TComponent* sender) { link1.push_back(sender); };
  b->OnChange = [&](TComponent* sender) { link2.push_back(sender); };
  list->RegisterChanges(&a);
  list->RegisterChanges(b.get());
  EXPECT_EQ(a.Sender(), list.get());

  const int index = list->Add();
  EXPECT_EQ(owner, std::vector<TComponent*>{list.get()});
  TQRXBitmapListItem* item = list->Items(index);
  owner.clear();
  link1.clear();
  link2.clear();
  item->SetDescription("changed");  // the item as sender to the owner, the list to every link
  EXPECT_EQ(owner, std::vector<TComponent*>{item});
  EXPECT_EQ(link1, std::vector<TComponent*>{list.get()});
  EXPECT_EQ(link2, std::vector<TComponent*>{list.get()});
  item->SetDescription("changed");
  EXPECT_EQ(owner.size(), 1u);
  item->Bitmap().SetSize(3, 3);  // a change inside the bitmap climbs too
  EXPECT_EQ(owner.size(), 2u);

  // Freeing a link takes it off the list; freeing the list leaves the
  // other without a sender.
  b.reset();
  EXPECT_EQ(list->LinkCount(), 1);
  delete item;  // an item freed on its own leaves the list
  EXPECT_EQ(list->Count(), 0);
  list.reset();
  EXPECT_EQ(a.Sender(), nullptr);
}

TEST(QRXContainer, InternalPropertyChildrenAndAssign) {
  TQRXWaveList waves;
  waves.SetDefaultCompressed(true);
  TMemoryStream s;
  const Bytes mono = Wav(1, 8000, 100);
  TQRXWaveListItem* first = waves.Items(waves.Add());
  first->Wave().LoadFromStream(Fill(s, mono));
  first->SetCompressed(true);
  first->SetDescription("click");
  waves.Add();

  // A form writer walks the children and stores each one's "Internal".
  std::vector<TQRXBinaryProperties> stored;
  waves.GetChildren([&](TComponent* child) {
    stored.emplace_back();
    stored.back().Write(*static_cast<TQRXListItem*>(child));
  });
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_TRUE(stored[1].Has("Internal"));  // always written, even when empty

  // A form reader makes each child, reads it, and hands it to its parent.
  TQRXWaveList read;
  for (TQRXBinaryProperties& props : stored) {
    auto* item = Create<TQRXWaveListItem>(nullptr);
    props.Read(*item);
    item->SetParentComponent(&read);
  }
  ASSERT_EQ(read.Count(), 2);
  EXPECT_EQ(read.Items(0)->Owner(), &read);
  EXPECT_EQ(read.Items(0)->Description(), "click");
  EXPECT_EQ(WaveBytes(read.Items(0)->Wave()), mono);
  EXPECT_TRUE(read.Items(1)->Wave().IsEmpty());

  TQRXWaveList copy;
  int changes = 0;
  copy.OnChange = [&](TComponent*) { ++changes; };
  copy.Assign(waves);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(copy.DefaultCompressed());
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_NE(copy.Items(0), waves.Items(0));
  EXPECT_EQ(WaveBytes(copy.Items(0)->Wave()), mono);
  TQRXBitmapList other;
  EXPECT_THROW(copy.Assign(other), EConvertError);
}

TEST(QRXContainer, TheContainerAndTheLibraryWideLists) {
  TQRXContainer container;
  TQRXChangeLink link;
  int heard = 0;
  link.OnChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, &container);
    ++heard;
  };
  container.RegisterChanges(&link);
  container.StringList().Add();
  container.WaveList().Add();
  EXPECT_EQ(heard, 2);

  TQRXBitmapList& global = GlobalContainer().BitmapList();
  EXPECT_EQ(&global, &GlobalContainer().BitmapList());
  EXPECT_EQ(WriteGlobalListRef(&global), "QRXBML30");
  EXPECT_EQ(WriteGlobalListRef(&container.BitmapList()), "");
  EXPECT_EQ(ReadGlobalListRef("QRXBML30"), &global);
  EXPECT_EQ(ReadGlobalListRef("something"), nullptr);
  EXPECT_TRUE(IsGlobalImageList(&global));
  EXPECT_FALSE(IsGlobalImageList(&container.BitmapList()));
}
