#pragma once
// Trees of files as the tests compare them: a host folder, and one session
// of a disc image as xorriso extracts it and as isoinfo lists and extracts
// it from the Joliet tree. Each tree maps a relative path (folders with a
// trailing "/") to the file's size and a hash of its bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include <QString>

#include "platform/devices/VirtualRecorder.h"
#include "recorder/tests/IsoTestSupport.h"

namespace apptest {

using FileTree = std::map<std::string, std::string>;

inline std::string Digest(const std::string& bytes) {
  return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>{}(bytes));
}

inline FileTree HostTree(const std::string& root) {
  namespace fs = std::filesystem;
  FileTree out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).string();
    if (it->is_directory())
      out[rel + "/"] = "";
    else
      out[rel] = Digest(isotest::ReadAll(it->path().string()));
  }
  return out;
}

// The first sector of the disc's last session.
inline std::uint32_t LastSessionStart(const VirtualRecorder& recorder) {
  const auto summary = recorder.Summary();
  std::uint32_t start = 0;
  for (const auto& track : summary.tracks)
    if (track.session == summary.sessions) start = track.start;
  return start;
}

// The session at `start` of `image`, extracted by xorriso into `out_dir`.
inline FileTree XorrisoTree(const std::string& image, std::uint32_t start, const std::string& out_dir) {
  using isotest::Q;
  std::string out;
  EXPECT_EQ(isotest::Shell("xorriso -osirrox on -indev " + Q(image) + " -load sbsector " + std::to_string(start) +
                               " -extract / " + Q(out_dir) + " 2>&1",
                           &out),
            0)
      << out;
  isotest::Shell("chmod -R u+w " + Q(out_dir));
  return HostTree(out_dir);
}

// The Joliet tree of the session at `start` of `image` as isoinfo lists it,
// each file's bytes as isoinfo extracts them. isoinfo shows names in
// Latin-1 and every other character as "_" (see IsoinfoNames).
inline FileTree IsoinfoTree(const std::string& image, std::uint32_t start) {
  using isotest::Q;
  const std::string base = "isoinfo -i " + Q(image) + " -T " + std::to_string(start) + " -J -j iso8859-1 ";
  std::string listing;
  EXPECT_EQ(isotest::Shell(base + "-l", &listing), 0) << listing;
  FileTree out;
  std::istringstream lines(listing);
  std::string line, folder;
  const std::string heading = "Directory listing of ";
  while (std::getline(lines, line)) {
    if (line.rfind(heading, 0) == 0) {
      folder = line.substr(heading.size());  // "/" or "/a/b/"
      while (!folder.empty() && folder.back() == ' ') folder.pop_back();
      continue;
    }
    const auto mark = line.find("]  ");
    if (mark == std::string::npos || line.empty()) continue;
    std::string name = line.substr(mark + 3);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name == "." || name == ".." || name.empty()) continue;
    const std::string path = folder.substr(1) + name;
    std::string key = QString::fromLatin1(path).toStdString();
    // A file's Joliet name may carry the version ";1".
    if (line[0] != 'd' && key.size() > 2 && key.ends_with(";1")) key.resize(key.size() - 2);
    if (line[0] == 'd') {
      out[key + "/"] = "";
    } else {
      std::string bytes;
      EXPECT_EQ(isotest::Shell("{ " + base + "-x " + Q("/" + path) + " 2>/dev/null; }", &bytes), 0) << key;
      out[key] = Digest(bytes);
    }
  }
  return out;
}

// `tree` with its names as isoinfo shows them.
inline FileTree IsoinfoNames(const FileTree& tree) {
  FileTree out;
  for (const auto& [path, digest] : tree) {
    QString name = QString::fromStdString(path);
    for (QChar& c : name)
      if (c.unicode() > 0xFF) c = u'_';
    out[name.toStdString()] = digest;
  }
  return out;
}

}  // namespace apptest
