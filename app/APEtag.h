#pragma once
// The APE tag at the end of an audio file: its footer and the eight text
// items the audio window knows. Reading never raises; a file that cannot be
// read gives a false result.

#include <cstdint>
#include <string>

class TAPEtag {
 public:
  TAPEtag() { Clear(); }

  void Clear();
  // True when the 32 footer bytes could be read, whether or not they hold a
  // tag; TagFound tells which.
  bool ReadFromFile(const std::string& FileName);

  bool TagFound = false;
  int TagVersion = 0;
  int TagSize = 0;
  std::string Title, Artist, Album;
  std::uint8_t Track = 0;
  std::string Year, Genre, Comment, Copyright;
};

// The number before the first "/" of a "Track" value ("7/12" is 7); 0 when
// it is not a number.
int ParseTrackNumber(const std::string& value);
