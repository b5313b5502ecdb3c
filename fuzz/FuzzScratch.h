#pragma once
// A private scratch folder for fuzz targets that must hand their input to a
// reader as a file: made once under $TMPDIR (scripts/run-fuzzers points it at
// memory), removed with everything in it when the target exits.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/burner-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    static std::string to_remove = pattern;
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(to_remove, ignored);
    });
    return pattern;
  }();
  return folder;
}

// The path of a file called `name` in the scratch folder.
inline std::string FuzzScratchFile(const std::string& name) { return FuzzScratchFolder() + "/" + name; }
