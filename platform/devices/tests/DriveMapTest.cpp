#include "platform/devices/DriveMap.h"

#include <gtest/gtest.h>

#include "platform/core/Exceptions.h"
#include "platform/devices/tests/DeviceFixtures.h"

namespace {

struct Made {
  std::vector<DriveMapEntry> entries;
};

VirtualRecorderFactory FakeFactory(Made& made) {
  return [&made](const DriveMapEntry& entry) -> std::unique_ptr<ScsiTarget> {
    made.entries.push_back(entry);
    return std::make_unique<FakeTarget>();
  };
}

std::string Letters(const DriveMap& map) {
  std::string out;
  for (const auto& entry : map.Entries()) {
    out += entry.letter;
    out += entry.kind == DriveKind::Real ? "=" + std::filesystem::path(entry.device).filename().string()
                                         : "=" + std::filesystem::path(entry.image).filename().string();
    out += ' ';
  }
  return out;
}

struct MapFixture {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  Made made;

  DriveMapOptions Options() {
    DriveMapOptions options;
    options.root = machine.dir.path();
    options.map_file = files / "DriveMap.ini";
    options.data_dir = files / "data";
    return options;
  }
  std::unique_ptr<DriveMap> Build() {
    return std::make_unique<DriveMap>(Options(), kernel, FakeFactory(made));
  }
};

}  // namespace

TEST(DriveMap, RealDrivesTakeLettersInKernelOrder) {
  MapFixture f;
  f.machine.AddDrive(10, "5:0:0:0", true);
  f.machine.AddDrive(2, "3:0:1:0", false);
  f.machine.AddDrive(0, "3:0:0:0", false);
  auto map = f.Build();
  EXPECT_EQ(Letters(*map), "D=sr0 E=sr2 F=sr10 ");
  EXPECT_TRUE(map->Problems().empty());
  EXPECT_EQ(map->Find('f')->device, f.machine.dir / "dev/sr10");
  EXPECT_TRUE(map->Find('F')->writer);
  EXPECT_FALSE(map->Find('D')->writer);
  EXPECT_EQ(map->Find('C'), nullptr);

  // A writer is present: no virtual recorder is added.
  for (const auto& entry : map->Entries()) EXPECT_EQ(entry.kind, DriveKind::Real);
}

TEST(DriveMap, VirtualRecordersKeepTheirLettersAndRealDrivesFillTheRest) {
  MapFixture f;
  f.machine.AddDrive(0, "0:0:0:0", false);
  f.machine.AddDrive(1, "0:0:1:0", false);
  f.files.Write("DriveMap.ini",
                "; two recorders\n"
                "[E]\nImage=discs/e.img\nMedium=CD-RW\n\n"
                "[g:]\nImage=/abs/g.img\nState=/abs/g-state.txt\n");
  auto map = f.Build();
  EXPECT_EQ(Letters(*map), "D=sr0 E=e.img F=sr1 G=g.img ");
  EXPECT_TRUE(map->Problems().empty());
  const DriveMapEntry* e = map->Find('E');
  EXPECT_EQ(e->image, f.files / "discs/e.img");
  EXPECT_EQ(e->state, f.files / "discs/e.img.state");
  EXPECT_EQ(e->medium, "CD-RW");
  EXPECT_FALSE(e->fallback);
  EXPECT_EQ(map->Find('G')->state, "/abs/g-state.txt");
  EXPECT_EQ(map->Find('G')->medium, "DVD+RW") << "a recorder without Medium starts with a blank DVD+RW";
}

TEST(DriveMap, WithoutAWriterOneVirtualRecorderStandsIn) {
  MapFixture f;
  f.machine.AddDrive(0, "0:0:0:0", false);
  auto map = f.Build();
  EXPECT_EQ(Letters(*map), "D=sr0 E=VirtualRecorder.img ");
  const DriveMapEntry* e = map->Find('E');
  EXPECT_TRUE(e->fallback);
  EXPECT_EQ(e->medium, "DVD+RW");
  EXPECT_EQ(e->image, f.files / "data/VirtualRecorder.img");
  EXPECT_EQ(e->state, f.files / "data/VirtualRecorder.img.state");

  // The recorder is made at the first command, once, with its folder;
  // every opener shares it.
  int error = 0;
  std::string message;
  auto first = map->Open('E', true, &error, &message);
  auto second = map->Open('e', false, &error, &message);
  ASSERT_TRUE(first && second) << message;
  EXPECT_TRUE(f.made.entries.empty()) << "opening alone loads nothing";
  ScsiCommand tur;
  tur.cdb_length = 6;
  first->Execute(tur);
  EXPECT_EQ(second->Execute(tur).sense_key(), 5);
  EXPECT_EQ(f.made.entries.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(f.files / "data"));
  auto* recorder = dynamic_cast<FakeTarget*>(map->Recorder('E', nullptr).get());
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->seen.size(), 2u);

  // No drives at all: the recorder is D:.
  MapFixture empty;
  auto lone = empty.Build();
  EXPECT_EQ(Letters(*lone), "D=VirtualRecorder.img ");

  // The file names a recorder: no stand-in.
  MapFixture named;
  named.files.Write("DriveMap.ini", "[K]\nImage=k.img\n");
  EXPECT_EQ(Letters(*named.Build()), "K=k.img ");
}

TEST(DriveMap, ScansDevWhenThereIsNoSysfs) {
  MapFixture f;
  f.machine.dir.Write("dev/sr1", "");
  f.machine.dir.Write("dev/sr0", "");
  f.machine.dir.Write("dev/sda", "");
  f.machine.dir.Write("dev/srx", "");
  auto map = f.Build();
  EXPECT_EQ(Letters(*map), "D=sr0 E=sr1 F=VirtualRecorder.img ");
  EXPECT_FALSE(map->Find('D')->kernel_address);
}

TEST(DriveMap, BadSectionsAreReportedAndLeftOut) {
  struct Case {
    std::string text;
    const char* problem;  // empty: none expected
    const char* letters;
  };
  const Case cases[] = {
      {"[E]\nImage=e.img\n", "", "E=e.img "},
      {"[E]\n", "line 1: drive E: has no Image", "D=VirtualRecorder.img "},
      {"[C]\nImage=c.img\n[E]\nImage=e.img\n", "line 1: [C] is not a drive letter", "E=e.img "},
      {"[EE]\nImage=x\n", "[EE] is not a drive letter", "D=VirtualRecorder.img "},
      {"[E]\nImage=a.img\n[E]\nImage=b.img\n", "line 3: drive E: is named twice", "E=a.img "},
      {"Image=a.img\n[E]\nImage=e.img\n", "line 1: a value before the first", "E=e.img "},
      {"[E]\nImage=e.img\nSpeed=4\n", "line 3: unknown key \"Speed\"", "E=e.img "},
      {"[E]\nImage e.img\n", "line 2: expected Key=Value", "D=VirtualRecorder.img "},
      {"[E\nImage=e.img\n", "line 1: section header without", "D=VirtualRecorder.img "},
      {"[E]\nImage=e.img\nState=e.img\n", "one file as image and state", "D=VirtualRecorder.img "},
      {"[E]\nImage=e.img\nMedium=\n", "unknown medium \"\"", "D=VirtualRecorder.img "},
      {"[E]\nImage=e.img\nMedium=DVD+RW+\n", "line 3: unknown medium \"DVD+RW+\"", "D=VirtualRecorder.img "},
      {"[E]\nImage=e.img\nMedium=dvd+r dl\n", "", "E=e.img "},
      {std::string(3, '\0') + "\xff\xfe[\n", "expected Key=Value", "D=VirtualRecorder.img "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MapFixture f;
    f.files.Write("DriveMap.ini", c.text);
    auto map = f.Build();
    EXPECT_EQ(Letters(*map), c.letters);
    if (*c.problem) {
      ASSERT_FALSE(map->Problems().empty());
      EXPECT_NE(map->Problems()[0].find(c.problem), std::string::npos) << map->Problems()[0];
      EXPECT_NE(map->Problems()[0].find("DriveMap.ini"), std::string::npos);
    } else {
      EXPECT_TRUE(map->Problems().empty());
    }
  }
}

TEST(DriveMap, AddressesRenumberHostsAndPlaceVirtualRecorders) {
  MapFixture f;
  f.machine.AddDrive(0, "12:0:0:0", false);
  f.machine.AddDrive(1, "3:0:2:0", false);
  f.files.Write("DriveMap.ini", "[H]\nImage=h.img\n[G]\nImage=g.img\n");
  auto map = f.Build();
  ASSERT_EQ(Letters(*map), "D=sr0 E=sr1 G=g.img H=h.img ");
  auto expect = [&](char letter, int host, int target) {
    SCOPED_TRACE(letter);
    const auto address = map->AddressOf(letter);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, host);
    EXPECT_EQ(address->target, target);
    EXPECT_EQ(address->lun, 0);
  };
  expect('D', 1, 0);  // host 12 -> 1: after host 3
  expect('E', 0, 2);
  expect('G', 2, 0);  // virtual recorders: one adapter after the real ones
  expect('H', 2, 1);
  EXPECT_FALSE(map->AddressOf('Z'));

  // An opened drive is asked for its address (GET_IDLUN); a host the map had
  // not seen is numbered after the virtual adapter.
  f.kernel.idlun = std::make_pair(std::uint32_t{(40u << 24) | 5u}, std::uint32_t{0});
  int error = 0;
  auto opened = map->Open('D', true, &error, nullptr);
  ASSERT_TRUE(opened);
  const auto address = map->AddressOf('D', opened.get());
  ASSERT_TRUE(address);
  EXPECT_EQ(address->host, 3);
  EXPECT_EQ(address->target, 5);
}

TEST(DriveMap, HostsBeyondTenGetNoAddress) {
  MapFixture f;
  for (int i = 0; i < 11; ++i) f.machine.AddDrive(i, std::to_string(20 + i) + ":0:0:0", i == 0);
  auto map = f.Build();
  ASSERT_EQ(map->Entries().size(), 11u);
  ASSERT_TRUE(map->AddressOf('M'));
  EXPECT_EQ(map->AddressOf('M')->host, 9);
  EXPECT_FALSE(map->AddressOf('N')) << "a two-digit adapter number would misread as another drive";
}

TEST(DriveMap, OpenErrorsAreReported) {
  MapFixture f;
  f.machine.AddDrive(0, "0:0:0:0", false);
  f.kernel.open_errors[O_RDWR] = EACCES;
  auto map = std::make_unique<DriveMap>(f.Options(), f.kernel,
                                        [](const DriveMapEntry&) -> std::unique_ptr<ScsiTarget> {
                                          throw EConvertError("state file is corrupt at line 3");
                                        });
  int error = 0;
  std::string message;
  EXPECT_FALSE(map->Open('D', true, &error, &message));
  EXPECT_EQ(error, EACCES);
  EXPECT_NE(message.find("sr0"), std::string::npos);
  EXPECT_TRUE(map->Open('D', false, &error, &message)) << "read-only still opens";

  auto recorder = map->Open('E', true, &error, &message);
  ASSERT_TRUE(recorder);
  ScsiCommand tur;
  tur.cdb_length = 6;
  const ScsiResult result = recorder->Execute(tur);
  EXPECT_FALSE(result.delivered);
  EXPECT_NE(result.host_error.find("E: state file is corrupt at line 3"), std::string::npos)
      << result.host_error;
  EXPECT_FALSE(map->Open('Q', true, &error, &message));
  EXPECT_EQ(error, ENOENT);
}
