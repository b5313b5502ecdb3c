#pragma once
// Shared pieces of the recorder's image tests: a scratch folder, file
// makers, a fixed clock and time zone, and the peer programs that read our
// images back.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "recorder/xrCDBC.h"

namespace isotest {

namespace fs = std::filesystem;

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& data) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << data;
}

// Bytes that differ from file to file, so a misplaced extent shows.
inline std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

// Runs a shell command; returns its exit status and its output (both streams).
inline int Shell(const std::string& command, std::string* output = nullptr) {
  std::string text;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
  const int status = ::pclose(p);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Q(const std::string& s) { return "'" + s + "'"; }

// A scratch folder, a fixed clock and a fixed time zone for one test.
class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/burner-iso-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    const char* tz = std::getenv("TZ");
    old_tz_ = tz ? tz : "";
    had_tz_ = tz != nullptr;
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      ::setenv("TZ", old_tz_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
    std::error_code ec;
    fs::permissions(dir_, fs::perms::all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }

  // Builds an image and waits for OnWriteDone; returns its error text.
  std::string Build(TQCDBurner& rec, const std::string& image, bool direct) {
    bool done = false;
    std::string error;
    rec.OnWriteDone = [&](TQCDBurner*, const std::string& e) {
      done = true;
      error = e;
    };
    rec.CreateImageFile(image, direct);
    EXPECT_TRUE(dispatcher_.RunUntil([&] { return done; }, std::chrono::seconds(120)));
    rec.OnWriteDone = nullptr;
    return error;
  }

  // Files in `root` (relative paths), folders included with a trailing "/".
  static std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
      std::string rel = fs::relative(it->path(), root).string();
      if (it->is_directory()) rel += "/";
      out.push_back(rel);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // Every file of `source` is in `copy` with the same bytes, and nothing else is.
  static void ExpectSameTree(const std::string& source, const std::string& copy) {
    const auto a = Tree(source);
    auto b = Tree(copy);
    // 7z shows a bootable disc's boot image as an extra folder of its own.
    std::erase_if(b, [](const std::string& p) { return p.rfind("[BOOT]", 0) == 0; });
    EXPECT_EQ(a, b);
    for (const auto& rel : a) {
      if (rel.back() == '/') continue;
      if (ReadAll(source + "/" + rel) != ReadAll(copy + "/" + rel))
        ADD_FAILURE() << "content differs: " << rel;
    }
  }

  // Every peer lists the image without complaint; with `source`, both
  // extracting peers give back its files byte for byte.
  void CheckWithPeers(const std::string& image, const std::string& source = "", bool joliet = true) {
    std::string out;
    EXPECT_EQ(Shell("isoinfo -d -i " + Q(image), &out), 0) << out;
    EXPECT_EQ(Shell("isoinfo -l -i " + Q(image), &out), 0) << out;
    if (joliet) EXPECT_EQ(Shell("isoinfo -J -l -i " + Q(image), &out), 0) << out;
    EXPECT_EQ(Shell("isoinfo -p -i " + Q(image), &out), 0) << out;
    EXPECT_EQ(
        Shell("xorriso -indev " + Q(image) + " -pvd_info -report_el_torito plain -find / -exec lsdl", &out),
        0)
        << out;
    for (const char* bad : {"WARNING", "SORRY", "FAILURE", "FATAL"}) {
      EXPECT_EQ(out.find(bad), std::string::npos) << "xorriso: " << out;
    }
    EXPECT_EQ(Shell("bsdtar -tvf " + Q(image), &out), 0) << out;
    EXPECT_EQ(Shell("7z l " + Q(image), &out), 0) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    if (source.empty()) return;
    const std::string x1 = image + ".xorriso", x2 = image + ".7z";
    EXPECT_EQ(Shell("xorriso -osirrox on -indev " + Q(image) + " -extract / " + Q(x1), &out), 0) << out;
    for (const char* bad : {"WARNING", "SORRY", "FAILURE", "FATAL"}) {
      EXPECT_EQ(out.find(bad), std::string::npos) << "xorriso: " << out;
    }
    // xorriso gives the extracted tree the image's read-only permissions.
    Shell("chmod -R u+w " + Q(x1));
    ExpectSameTree(source, x1);
    EXPECT_EQ(Shell("7z x -y -o" + Q(x2) + " " + Q(image), &out), 0) << out;
    ExpectSameTree(source, x2);
    fs::remove_all(x1);
    fs::remove_all(x2);
  }

  std::string dir_;
  std::string old_tz_;
  bool had_tz_ = false;
  QueueDispatcher dispatcher_;
  ScopedDispatcher scoped_dispatcher_{dispatcher_};
  // 2026-07-01 10:20:30.45 UTC: summer time in the test's zone.
  FakeClock clock_{Clock::TimePoint(std::chrono::seconds(1782901230)) + std::chrono::milliseconds(450)};
  ScopedClock scoped_clock_{clock_};
};

}  // namespace isotest
