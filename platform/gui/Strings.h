#pragma once
// TStrings: the list-of-strings face that controls show (the lines of a
// memo, the items of a list or combo box, the sub-items of a list item).
// The control behind it keeps the strings; a derived list says how to read
// and change them. Strings are QString here; the core TStringList (UTF-8)
// converts at AddStrings/Assign/ToStringList.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TStringList;

class TStrings {
 public:
  virtual ~TStrings() = default;

  virtual int Count() const = 0;
  // Raises EListError for an index outside 0..Count-1.
  QString Strings(int index) const;
  QString operator[](int index) const { return Strings(index); }
  void SetStrings(int index, const QString& s);
  void* Objects(int index) const;
  void SetObjects(int index, void* object);

  int Add(const QString& s) { return AddObject(s, nullptr); }
  int AddObject(const QString& s, void* object);
  void Insert(int index, const QString& s);
  void InsertObject(int index, const QString& s, void* object);
  void Delete(int index);
  virtual void Clear() = 0;
  int IndexOf(const QString& s) const;  // ignoring case, as the host does
  int IndexOfObject(const void* object) const;

  // Every string followed by CR LF; SetText splits at CR LF, LF and CR.
  QString Text() const;
  void SetText(const QString& text);
  QStringList ToQStringList() const;
  void Assign(const QStringList& strings);
  void AddStrings(const QStringList& strings);
  void Assign(const TStringList& strings);
  void ToStringList(TStringList& strings) const;

  // Text files with CR LF breaks (UTF-8), through the core string list.
  virtual void LoadFromFile(const QString& fileName);
  virtual void SaveToFile(const QString& fileName) const;

  // Batches changes: the control shows them at the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 protected:
  void CheckIndex(int index, bool allowEnd = false) const;
  virtual QString Get(int index) const = 0;
  virtual void Put(int index, const QString& s) = 0;
  virtual void* GetObject(int) const { return nullptr; }
  virtual void PutObject(int, void*) {}
  // Inserts at `index` (Count() appends).
  virtual void InsertItem(int index, const QString& s, void* object) = 0;
  virtual void DeleteItem(int index) = 0;
  virtual void SetUpdateState(bool) {}

 private:
  int update_count_ = 0;
};

// A plain list of strings with objects; OnChange runs after every change
// (the sub-items of a list item repaint their row through it).
class TQStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(strings_.size()); }
  void Clear() override;
  std::function<void()> OnChange;

 protected:
  QString Get(int index) const override { return strings_[index]; }
  void Put(int index, const QString& s) override;
  void* GetObject(int index) const override { return objects_[static_cast<std::size_t>(index)]; }
  void PutObject(int index, void* object) override { objects_[static_cast<std::size_t>(index)] = object; }
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override {
    if (!updating) Changed();
  }

 private:
  void Changed();
  QStringList strings_;
  std::vector<void*> objects_;
};
