#include "toolkit/str_list.h"

#include <cstring>

TStrList* NewStrList() { return NewObj<TStrList>(); }

TStrListEx* NewStrListEx() { return NewObj<TStrListEx>(); }

TStrList::~TStrList() { Clear(); }

void TStrList::Insert(int index, const char* text) {
  if (!List) List = NewList();
  List->Insert(index, reinterpret_cast<TListValue>(DuplicateText(text)));
  ++Count;
}

void TStrList::Delete(int index) {
  char* text = List->GetPtr<char>(index);
  const bool inBuffer = TextBuf && text >= TextBuf && text < TextBuf + TextSize;
  if (!inBuffer) FreeAlloc(text);
  List->Delete(index);
  --Count;
}

void TStrList::Clear() {
  // Through the overridden Delete, so that a TStrListEx drops the object values
  // with their texts; one being destroyed has set its Objects aside already.
  for (int i = Count - 1; i >= 0; --i) Delete(i);
  FreeAndNil(List);
  Count = 0;
  if (TextBuf) {
    FreeAlloc(TextBuf);
    TextBuf = nullptr;
    TextSize = 0;
  }
}

const char* TStrList::Get(int index) const {
  return List ? List->GetPtr<const char>(index) : nullptr;
}

void TStrListEx::Init() {
  TStrList::Init();
  Objects = NewList();
}

TStrListEx::~TStrListEx() {
  // The texts go first (in the base destructor), the object values after them.
  TList* objects = Objects;
  Objects = nullptr;
  Clear();
  Free(objects);
}

void TStrListEx::InsertObject(int index, const char* text, TListValue object) {
  TStrList::Insert(index, text);
  Objects->Insert(index, object);
}

int TStrListEx::AddObject(const char* text, TListValue object) {
  const int index = Count;
  InsertObject(index, text, object);
  return index;
}

void TStrListEx::Delete(int index) {
  TStrList::Delete(index);
  if (Objects && Objects->Count > index) Objects->Delete(index);
}

int TStrListEx::IndexOfObject(TListValue object) const {
  return Objects ? Objects->IndexOf(object) : -1;
}

TListValue TStrListEx::GetObject(int index) const { return Objects ? Objects->Get(index) : 0; }
