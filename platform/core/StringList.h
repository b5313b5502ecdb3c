#pragma once
// TStringList: the host's list of strings, as far as this program uses it,
// and the host's case-insensitive text comparisons it is built on.
//
// Strings are UTF-8. Comparisons ignore case the way the host's locale-aware
// ones do for the scripts our users write in (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic): each code point is folded to lower case and
// the code points are compared in order. Other scripts compare exactly.
//
// The virtual operations are the ones derived lists override (a list box's
// items, a tab control's captions). Each does its own work without calling
// another virtual one, so an override sees every change exactly once.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Exceptions.h"

// The text folded to lower (upper) case per code point, as described above.
std::string AnsiLowerCase(std::string_view text);
std::string AnsiUpperCase(std::string_view text);
// <0, 0 or >0 after folding case.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// Exact byte order.
int AnsiCompareStr(std::string_view a, std::string_view b);
// ASCII letters only, the rest unchanged.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// The text without leading and trailing blanks and control characters.
std::string Trim(std::string_view text);

class EListError : public Exception {
  using Exception::Exception;
};
class EStringListError : public Exception {
  using Exception::Exception;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
 public:
  using TNotifyEvent = std::function<void(TStringList* sender)>;
  using TCompare = std::function<int(const TStringList& list, int index1, int index2)>;

  TStringList() = default;
  TStringList(const TStringList& other);
  TStringList& operator=(const TStringList& other);
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside 0..Count-1.
  const std::string& operator[](int index) const { return Get(index); }
  const std::string& Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  // Objects are associated pointers the list does not own.
  void* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, void* object) { PutObject(index, object); }

  // Returns the index of the new string. On a sorted list the string goes to
  // its place, and Duplicates decides what happens to a string already there.
  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, void* object);
  // Raises EStringListError on a sorted list.
  virtual void Insert(int index, const std::string& s);
  virtual void InsertObject(int index, const std::string& s, void* object);
  virtual void Delete(int index);
  virtual void Clear();
  virtual void Exchange(int index1, int index2);
  virtual void Put(int index, const std::string& s);
  virtual void PutObject(int index, void* object);
  // Copies the strings and their objects.
  virtual void Assign(const TStringList& source);
  void AddStrings(const TStringList& source);

  // Position of the first string equal to s (ignoring case unless
  // CaseSensitive), or -1.
  int IndexOf(std::string_view s) const;
  int IndexOfObject(const void* object) const;
  // On a sorted list: whether s is there, and the index where it is or would go.
  bool Find(std::string_view s, int& index) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool caseSensitive);
  virtual void Sort();
  void CustomSort(const TCompare& compare);

  // Every string followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, LF and CR; a last line without a break counts, a final
  // break does not start another string.
  void SetText(std::string_view text);
  // Items separated by commas; an item holding a blank, comma, quote or
  // control character (or an empty one) is quoted, with inner quotes doubled.
  std::string CommaText() const;
  // Reads items separated by commas or blanks, quoted ones kept whole.
  void SetCommaText(std::string_view text);

  // The strings as "name=value" lines.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  std::string Values(std::string_view name) const;
  // An empty value deletes the line, as the host does.
  void SetValues(std::string_view name, const std::string& value);
  int IndexOfName(std::string_view name) const;

  // Raises EFOpenError / EReadError. A UTF-8 byte-order mark is skipped.
  void LoadFromFile(const std::string& fileName);
  // Written atomically with CR LF breaks; raises EFCreateError / EWriteError.
  void SaveToFile(const std::string& fileName) const;

  // Changes between BeginUpdate and the matching EndUpdate raise no
  // OnChange; SetUpdateState tells derived lists when updating starts and ends.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  virtual const std::string& Get(int index) const;
  virtual void* GetObject(int index) const;
  virtual void SetUpdateState(bool updating);
  int CompareStrings(std::string_view a, std::string_view b) const;
  void Changing();
  void Changed();

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  void CheckIndex(int index) const;
  int InsertItem(int index, const std::string& s, void* object);
  int AddItem(const std::string& s, void* object);
  void SortItems();

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
  int update_count_ = 0;
};
