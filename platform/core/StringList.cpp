#include "platform/core/StringList.h"

#include <algorithm>

#include "platform/core/AtomicFile.h"
#include "platform/core/Utf8.h"

namespace {

template <typename Fold>
std::string Convert(std::string_view text, Fold fold) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) EncodeUtf8(fold(DecodeUtf8(text, pos)), out);
  return out;
}

int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

std::string AnsiLowerCase(std::string_view text) { return Convert(text, LowerCodePoint); }
std::string AnsiUpperCase(std::string_view text) { return Convert(text, UpperCodePoint); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = LowerCodePoint(DecodeUtf8(a, i));
    const char32_t y = LowerCodePoint(DecodeUtf8(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign(static_cast<long long>(a.size() - i) - static_cast<long long>(b.size() - j));
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

int AnsiCompareStr(std::string_view a, std::string_view b) { return Sign(a.compare(b)); }

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

std::string Trim(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

// --- TStringList ---

TStringList::TStringList(const TStringList& other)
    : items_(other.items_),
      sorted_(other.sorted_),
      case_sensitive_(other.case_sensitive_),
      duplicates_(other.duplicates_) {}

TStringList& TStringList::operator=(const TStringList& other) {
  if (this != &other) Assign(other);
  return *this;
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return case_sensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::Changing() {
  if (update_count_ == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

int TStringList::InsertItem(int index, const std::string& s, void* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
  return index;
}

int TStringList::AddItem(const std::string& s, void* object) {
  if (!sorted_) return InsertItem(Count(), s, object);
  int index;
  if (Find(s, index)) {
    switch (duplicates_) {
      case TDuplicates::dupIgnore:
        return index;
      case TDuplicates::dupError:
        throw EStringListError("String list does not allow duplicates");
      case TDuplicates::dupAccept:
        break;
    }
  }
  return InsertItem(index, s, object);
}

int TStringList::Add(const std::string& s) { return AddItem(s, nullptr); }
int TStringList::AddObject(const std::string& s, void* object) { return AddItem(s, object); }

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, void* object) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  InsertItem(index, s, object);
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index);
  Changing();
  items_[index].text = s;
  Changed();
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  Changing();
  items_[index].object = object;
  Changed();
}

void TStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  BeginUpdate();
  Changing();
  items_ = source.items_;
  if (sorted_) SortItems();
  Changed();
  EndUpdate();
}

void TStringList::AddStrings(const TStringList& source) {
  const std::vector<Item> copy = source.items_;  // source may be this list
  BeginUpdate();
  for (const Item& item : copy) AddItem(item.text, item.object);
  EndUpdate();
}

int TStringList::IndexOf(std::string_view s) const {
  if (sorted_) {
    int index;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(items_[i].text, s) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].object == object) return i;
  return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  // The first of equal strings, so that IndexOf agrees with an unsorted scan.
  int low = 0, high = Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareStrings(items_[middle].text, s) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  index = low;
  return low < Count() && CompareStrings(items_[low].text, s) == 0;
}

void TStringList::SortItems() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == case_sensitive_) return;
  case_sensitive_ = caseSensitive;
  if (sorted_) Sort();
}

void TStringList::Sort() {
  Changing();
  SortItems();
  Changed();
}

void TStringList::CustomSort(const TCompare& compare) {
  // The comparison works on indexes into the list as it stands, so sort an
  // index array and rebuild.
  std::vector<int> order(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[i]));
  items_ = std::move(sorted);
  Changed();
}

std::string TStringList::Text() const {
  std::string text;
  for (const Item& item : items_) {
    text += item.text;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  std::vector<Item> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(Item{std::string(text.substr(start)), nullptr});
      break;
    }
    lines.push_back(Item{std::string(text.substr(start, end - start)), nullptr});
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  BeginUpdate();
  Clear();
  for (Item& line : lines) AddItem(line.text, nullptr);
  EndUpdate();
}

std::string TStringList::CommaText() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    if (i) out += ',';
    const std::string& s = items_[i].text;
    const bool quote = s.empty() || std::any_of(s.begin(), s.end(), [](char c) {
                         return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
                       });
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

void TStringList::SetCommaText(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (pos < text.size() && blank(text[pos])) ++pos;
  while (pos < text.size()) {
    std::string item;
    if (text[pos] == '"') {
      ++pos;
      while (pos < text.size()) {
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            item += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        item += text[pos++];
      }
    } else {
      while (pos < text.size() && !blank(text[pos]) && text[pos] != ',') item += text[pos++];
    }
    items.push_back(std::move(item));
    while (pos < text.size() && blank(text[pos])) ++pos;
    if (pos < text.size() && text[pos] == ',') {
      ++pos;
      // A comma at the very end still ends an (empty) item.
      if (pos == text.size()) items.emplace_back();
      while (pos < text.size() && blank(text[pos])) ++pos;
    }
  }
  BeginUpdate();
  Clear();
  for (const std::string& item : items) AddItem(item, nullptr);
  EndUpdate();
}

std::string TStringList::Names(int index) const {
  const std::string& s = Get(index);
  const auto eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& s = Get(index);
  const auto eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i].text;
    const auto eq = s.find('=');
    if (eq != std::string::npos && CompareStrings(std::string_view(s).substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValues(std::string_view name, const std::string& value) {
  const int index = IndexOfName(name);
  const std::string line = std::string(name) + "=" + value;
  if (value.empty()) {
    if (index >= 0) Delete(index);
  } else if (index < 0) {
    Add(line);
  } else if (sorted_) {
    // A sorted list keeps its order: take the line out and add it back.
    Delete(index);
    Add(line);
  } else {
    Put(index, line);
  }
}

void TStringList::LoadFromFile(const std::string& fileName) {
  std::string data = ReadWholeFile(fileName);
  std::string_view text = data;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  SetText(text);
}

void TStringList::SaveToFile(const std::string& fileName) const { WriteFileAtomically(fileName, Text()); }

void TStringList::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStringList::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}
