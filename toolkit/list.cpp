#include "toolkit/list.h"

#include <cstring>

TList* NewList() {
  TList* list = NewObj<TList>();
  list->AddBy = 4;
  return list;
}

TList::~TList() { Clear(); }

void TList::Add(TListValue value) {
  if (AddBy <= 0) AddBy = 4;
  if (Capacity <= Count) SetCapacity(Count + AddBy);
  Items[Count] = value;
  ++Count;
}

void TList::Insert(int index, TListValue value) {
  Add(0);
  if (Count > index) {
    std::memmove(Items + index + 1, Items + index, (Count - 1 - index) * sizeof(TListValue));
  }
  Items[index] = value;
}

void TList::SetCapacity(int n) {
  if (n < Count) n = Count;
  if (n == Capacity) return;
  Items = static_cast<TListValue*>(ResizeAlloc(Items, n * sizeof(TListValue)));
  if (n > Capacity) std::memset(Items + Capacity, 0, (n - Capacity) * sizeof(TListValue));
  Capacity = n;
}

TListValue TList::Get(int index) const {
  if (index < 0 || index >= Count) return 0;
  return Items[index];
}

int TList::IndexOf(TListValue value) const {
  for (int i = 0; i < Count; ++i) {
    if (Items[i] == value) return i;
  }
  return -1;
}

void TList::DeleteRange(int index, int n) {
  if (n <= 0) return;
  if (index + n > Count) n = Count - index;
  if (n <= 0) return;
  std::memmove(Items + index, Items + index + n, (Count - index - n) * sizeof(TListValue));
  Count -= n;
}

void TList::Remove(TListValue value) {
  const int index = IndexOf(value);
  if (index >= 0) Delete(index);
}

void TList::Clear() {
  FreeAlloc(Items);
  Items = nullptr;
  Count = 0;
  Capacity = 0;
}
