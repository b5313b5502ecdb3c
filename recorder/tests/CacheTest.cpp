// The read-ahead cache on its own, and the threaded image build around it.

#include <fcntl.h>

#include <mutex>

#include "recorder/tests/IsoTestSupport.h"
#include "recorder/xrCache.h"

namespace {

using namespace isotest;

// Takes every block until the cache says it is done.
std::string Drain(TCacheThread& cache, TDeviceLock& lock, std::vector<int>* counts = nullptr) {
  std::string data;
  std::vector<std::uint8_t> buffer(65536);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    int n;
    {
      std::lock_guard guard(lock);
      n = cache.GetBlock(buffer.data());
    }
    if (n == 0) break;
    if (n > 0) {
      data.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
      if (counts) counts->push_back(n);
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "cache never finished";
      break;
    }
  }
  cache.WaitFor();
  return data;
}

class Cache : public ImageTest {
 protected:
  TPlainDeviceLock lock_;
};

// On CD media a block is 27 sectors; the queue holds 75 of them. The writer
// gets the header, each file in whole zero-padded sectors, then zeros up to
// the 300-sector minimum of a track.
TEST_F(Cache, CompilationBlocksOnCdWithPostGap) {
  std::string header = Pattern(150 * 2048, 7);
  for (int i = 0; i < 3; ++i)
    WriteFile(Path("f" + std::to_string(i)), std::string(1, static_cast<char>('a' + i)));
  TCacheThread::Params p;
  p.Header.assign(header.begin(), header.end());
  p.TrackBytes = 153 * 2048;
  p.PadShortTrack = true;
  p.BlockSize = 55296;
  for (int i = 0; i < 3; ++i) p.Files.push_back({Path("f" + std::to_string(i)), 1});
  TCacheThread cache(std::move(p), lock_);
  EXPECT_EQ(cache.Capacity(), 75);
  std::vector<int> counts;
  const std::string data = Drain(cache, lock_, &counts);
  EXPECT_EQ(cache.Status(), "");
  ASSERT_EQ(data.size(), 614400u);
  for (int n : counts) EXPECT_EQ(n % 2048, 0) << n;
  EXPECT_EQ(data.substr(0, header.size()), header);
  for (int i = 0; i < 3; ++i) {
    const std::string sector = data.substr((150 + i) * 2048, 2048);
    EXPECT_EQ(sector[0], 'a' + i);
    EXPECT_EQ(sector.find_first_not_of('\0', 1), std::string::npos) << "slack is not zero";
  }
  EXPECT_EQ(data.find_first_not_of('\0', 153 * 2048), std::string::npos);
}

// An image burn sends the file as it is, its last sector filled with zeros.
TEST_F(Cache, ImageFileInWholeSectors) {
  const std::string image = Pattern(5 * 65536 + 100, 3);
  WriteFile(Path("image.iso"), image);
  TCacheThread::Params p;
  p.TrackBytes = static_cast<std::int64_t>(image.size() + 2047) / 2048 * 2048;
  p.ImageFileName = Path("image.iso");
  std::vector<int> counts;
  TCacheThread cache(std::move(p), lock_);
  const std::string data = Drain(cache, lock_, &counts);
  EXPECT_EQ(cache.Status(), "");
  ASSERT_EQ(data.size(), 5u * 65536 + 2048);
  EXPECT_EQ(data.substr(0, image.size()), image);
  EXPECT_EQ(counts.back(), 2048);
}

struct ShortCase {
  const char* name;
  std::int64_t recorded;  // the size the layout reserved; the file has 100000 bytes
  const char* status;
};

class CacheFailure : public Cache, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(CacheFailure, SourceThatDoesNotMatchItsLayoutStopsTheCache) {
  WriteFile(Path("data.bin"), Pattern(100000, 1));
  TCacheThread::Params p;
  p.Header.assign(16 * 2048, 0);
  p.Files.push_back(
      {GetParam().recorded < 0 ? Path("missing.bin") : Path("data.bin"), std::abs(GetParam().recorded)});
  p.TrackBytes = 16 * 2048 + (p.Files[0].Size + 2047) / 2048 * 2048;
  TCacheThread cache(std::move(p), lock_);
  Drain(cache, lock_);
  EXPECT_NE(cache.Status().find(GetParam().status), std::string::npos) << cache.Status();
}

INSTANTIATE_TEST_SUITE_P(Cases, CacheFailure,
                         ::testing::Values(ShortCase{"Shrank", 200000, "CHANGED SIZE"},
                                           ShortCase{"Grew", 50000, "CHANGED SIZE"},
                                           ShortCase{"Missing", -100, "CAN'T OPEN FILE"}),
                         [](const auto& info) { return std::string(info.param.name); });

// An abort while the queue is full ends the producer at once.
TEST_F(Cache, AbortWhileFullEndsQuickly) {
  const std::string big = Path("big.bin");
  {
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::ftruncate(fd, 64 << 20), 0);
    ::close(fd);
  }
  TCacheThread::Params p;
  p.CacheSize = 2 << 20;
  p.Files.push_back({big, 64 << 20});
  p.TrackBytes = 64 << 20;
  TCacheThread cache(std::move(p), lock_);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  // Primed is set once the producer finds the queue full and waits.
  while (!cache.Primed() && std::chrono::steady_clock::now() < until) {
    std::this_thread::yield();
  }
  ASSERT_EQ(cache.QueuedBlocks(), static_cast<std::size_t>(cache.Capacity() - 1));
  EXPECT_TRUE(cache.Primed());
  cache.Abort();
  cache.WaitFor();
  EXPECT_EQ(cache.Status(), "OPERATION ABORTED BY USER");
  std::vector<std::uint8_t> buffer(65536);
  EXPECT_EQ(cache.GetBlock(buffer.data()), 0);
}

// The threaded build stops when asked and leaves no image.
TEST_F(ImageTest, ThreadedBuildAbortLeavesNoImage) {
  const std::string big = Path("src/big.bin");
  fs::create_directories(Path("src"));
  {
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::ftruncate(fd, 512 << 20), 0);
    ::close(fd);
  }
  TQCDBurner rec;
  ASSERT_EQ(rec.AddDir("\\", Path("src"), "*.*", 63, true, false, false), 1);
  fs::create_directories(Path("out"));
  bool done = false;
  std::string error;
  rec.OnWriteDone = [&](TQCDBurner*, const std::string& e) {
    done = true;
    error = e;
  };
  ASSERT_EQ(rec.CreateImageFile(Path("out/image.iso"), false), -1);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (rec.BytesWritten() == 0 && !done && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  const int fill = rec.GetCacheFillPercent();
  EXPECT_GE(fill, 0);
  EXPECT_LE(fill, 100);
  rec.Abort();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return done; }));
  EXPECT_EQ(error, "OPERATION ABORTED BY USER");
  EXPECT_TRUE(fs::is_empty(Path("out")));
  EXPECT_FALSE(rec.Writing());
  EXPECT_EQ(rec.GetCacheFillPercent(), 0);
}

// A recorder destroyed while its threads run stops them and reports nothing
// to a handler that is gone.
TEST_F(ImageTest, RecorderDestroyedDuringThreadedBuild) {
  WriteFile(Path("src/data.bin"), Pattern(8 << 20, 5));
  bool called = false;
  {
    TQCDBurner rec;
    rec.AddDir("\\", Path("src"), "*.*", 63, true, false, false);
    rec.OnWriteDone = [&](TQCDBurner*, const std::string&) { called = true; };
    rec.CreateImageFile(Path("image.iso"), false);
  }
  dispatcher_.RunPending();
  EXPECT_FALSE(called);
}

}  // namespace
