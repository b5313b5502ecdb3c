#include "platform/gui/Strings.h"

#include "platform/core/StringList.h"

void TStrings::CheckIndex(int index, bool allowEnd) const {
  const int limit = allowEnd ? Count() : Count() - 1;
  if (index < 0 || index > limit)
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index).toStdString());
}

QString TStrings::Strings(int index) const {
  CheckIndex(index);
  return Get(index);
}

void TStrings::SetStrings(int index, const QString& s) {
  CheckIndex(index);
  Put(index, s);
}

void* TStrings::Objects(int index) const {
  CheckIndex(index);
  return GetObject(index);
}

void TStrings::SetObjects(int index, void* object) {
  CheckIndex(index);
  PutObject(index, object);
}

int TStrings::AddObject(const QString& s, void* object) {
  const int index = Count();
  InsertItem(index, s, object);
  return index;
}

void TStrings::Insert(int index, const QString& s) { InsertObject(index, s, nullptr); }

void TStrings::InsertObject(int index, const QString& s, void* object) {
  CheckIndex(index, true);
  InsertItem(index, s, object);
}

void TStrings::Delete(int index) {
  CheckIndex(index);
  DeleteItem(index);
}

int TStrings::IndexOf(const QString& s) const {
  for (int i = 0; i < Count(); ++i)
    if (Get(i).compare(s, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

QString TStrings::Text() const {
  QString text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + QStringLiteral("\r\n");
  return text;
}

void TStrings::SetText(const QString& text) {
  TStringList lines;
  lines.SetText(text.toStdString());
  Assign(lines);
}

QStringList TStrings::ToQStringList() const {
  QStringList list;
  list.reserve(Count());
  for (int i = 0; i < Count(); ++i) list << Get(i);
  return list;
}

void TStrings::Assign(const QStringList& strings) {
  BeginUpdate();
  Clear();
  AddStrings(strings);
  EndUpdate();
}

void TStrings::AddStrings(const QStringList& strings) {
  BeginUpdate();
  for (const QString& s : strings) Add(s);
  EndUpdate();
}

void TStrings::Assign(const TStringList& strings) {
  BeginUpdate();
  Clear();
  for (int i = 0; i < strings.Count(); ++i) AddObject(QString::fromStdString(strings[i]), strings.Objects(i));
  EndUpdate();
}

void TStrings::ToStringList(TStringList& strings) const {
  strings.Clear();
  for (int i = 0; i < Count(); ++i) strings.AddObject(Get(i).toStdString(), GetObject(i));
}

void TStrings::LoadFromFile(const QString& fileName) {
  TStringList lines;
  lines.LoadFromFile(fileName.toStdString());
  Assign(lines);
}

void TStrings::SaveToFile(const QString& fileName) const {
  TStringList lines;
  ToStringList(lines);
  lines.SaveToFile(fileName.toStdString());
}

void TStrings::BeginUpdate() {
  if (update_count_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) SetUpdateState(false);
}

void TQStringList::Clear() {
  if (strings_.isEmpty()) return;
  strings_.clear();
  objects_.clear();
  Changed();
}

void TQStringList::Put(int index, const QString& s) {
  strings_[index] = s;
  Changed();
}

void TQStringList::InsertItem(int index, const QString& s, void* object) {
  strings_.insert(index, s);
  objects_.insert(objects_.begin() + index, object);
  Changed();
}

void TQStringList::DeleteItem(int index) {
  strings_.removeAt(index);
  objects_.erase(objects_.begin() + index);
  Changed();
}

void TQStringList::Changed() {
  if (OnChange && UpdateCount() == 0) OnChange();
}
