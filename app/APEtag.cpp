#include "app/APEtag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"
#include "platform/core/Formats.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/core/Utf8.h"

namespace {

constexpr int kFooterSize = 32;
constexpr int kId3v1Size = 128;
// A tag larger than this is not a tag of text items: nothing reads it whole.
constexpr std::int64_t kMaxTagSize = 16 << 20;

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}

// A source file opened for reading as the host shares it; every read is
// positioned and checked, and nothing raises past this class.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) {
    try {
      stream_ = std::make_unique<TFileStream>(path, fmOpenRead | fmShareDenyNone);
      size_ = stream_->Size();
    } catch (const Exception&) {
      stream_.reset();
    }
  }
  bool ok() const { return stream_ != nullptr; }
  std::int64_t Size() const { return size_; }
  // True when all n bytes at `offset` were read.
  bool ReadAt(std::int64_t offset, void* to, std::size_t n) const {
    if (offset < 0) return false;
    try {
      stream_->SetPosition(offset);
      return stream_->Read(to, static_cast<std::int64_t>(n)) == static_cast<std::int64_t>(n);
    } catch (const Exception&) {
      return false;
    }
  }

 private:
  std::unique_ptr<TFileStream> stream_;
  std::int64_t size_ = 0;
};

// Trims what a blank or any control character, zero bytes above all, leaves
// at either end.
std::string TrimmedText(std::string_view text) {
  std::size_t start = 0, end = text.size();
  while (start < end && static_cast<unsigned char>(text[start]) <= ' ') ++start;
  while (end > start && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(start, end - start));
}

// Old tags hold single-byte text; our strings are UTF-8.
std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (const char c : text) EncodeUtf8(static_cast<unsigned char>(c), out);
  return out;
}

// Newer tags hold UTF-8: what decodes cleanly is kept, up to the first
// malformed or cut sequence.
std::string ValidUtf8Prefix(std::string_view text) {
  std::size_t pos = 0, good = 0;
  while (pos < text.size()) {
    if (IsRawByte(DecodeUtf8(text, pos))) break;
    good = pos;
  }
  return std::string(text.substr(0, good));
}

struct Items {
  std::array<std::string, 8> values;
};

constexpr std::array<std::string_view, 8> kKeys = {"TITLE", "ARTIST", "ALBUM",   "TRACK",
                                                   "YEAR",  "GENRE",  "COMMENT", "COPYRIGHT"};

void StoreTagItem(Items& items, int version, const std::string& key, std::string_view value) {
  const std::string upper = AnsiUpperCase(key);
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (upper == kKeys[i]) {
      items.values[i] = version > 1000 ? ValidUtf8Prefix(value) : Latin1ToUtf8(value);
      return;
    }
  }
}

// Reads the items that lie between `start` and the footer. A bad length or a
// read error ends the loop quietly and keeps what was stored.
void ReadTagItems(const ReadOnlyFile& file, std::int64_t start, std::int64_t end, int count, int version,
                  Items& items) {
  std::int64_t pos = start;
  for (int i = 0; i < count && pos < end; ++i) {
    std::uint8_t head[8];
    if (pos + 8 > end || !file.ReadAt(pos, head, sizeof head)) return;
    const std::int32_t length = Int32At(head);
    pos += 8;
    std::string key;
    for (;;) {
      char c;
      if (pos >= end || !file.ReadAt(pos, &c, 1)) return;
      ++pos;
      if (c == 0) break;
      key.push_back(c);
    }
    if (length < 0 || length > end - pos) return;
    std::string value(static_cast<std::size_t>(length), '\0');
    if (!file.ReadAt(pos, value.data(), value.size())) return;
    pos += length;
    StoreTagItem(items, version, TrimmedText(key), TrimmedText(value));
  }
}

}  // namespace

int ParseTrackNumber(const std::string& value) {
  const std::string number = value.substr(0, value.find('/'));
  return StrToIntDef(number, 0);
}

void TAPEtag::Clear() {
  TagFound = false;
  TagVersion = 0;
  TagSize = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
  Copyright.clear();
}

bool TAPEtag::ReadFromFile(const std::string& FileName) {
  Clear();
  const ReadOnlyFile file(FileName);
  if (!file.ok() || file.Size() < kId3v1Size) return false;
  char id3[3];
  if (!file.ReadAt(file.Size() - kId3v1Size, id3, sizeof id3)) return false;
  const std::int64_t shift = std::memcmp(id3, "TAG", 3) == 0 ? kId3v1Size : 0;
  std::uint8_t footer[kFooterSize];
  const std::int64_t footer_at = file.Size() - shift - kFooterSize;
  if (!file.ReadAt(footer_at, footer, sizeof footer)) return false;
  if (std::memcmp(footer, "APETAGEX", 8) != 0) return true;

  TagFound = true;
  TagVersion = Int32At(footer + 8);
  TagSize = Int32At(footer + 12);
  const int count = Int32At(footer + 16);
  // The size counts the footer too; a size that reaches before the start of
  // the file, or that is absurd, has no items worth reading.
  if (TagSize >= kFooterSize && TagSize <= kMaxTagSize && TagSize <= file.Size() - shift && count > 0) {
    Items items;
    ReadTagItems(file, file.Size() - shift - TagSize, footer_at, count, TagVersion, items);
    Title = items.values[0];
    Artist = items.values[1];
    Album = items.values[2];
    Track = static_cast<std::uint8_t>(ParseTrackNumber(items.values[3]) & 0xFF);
    Year = items.values[4];
    Genre = items.values[5];
    Comment = items.values[6];
    Copyright = items.values[7];
  }
  return true;
}
