#pragma once

#include "toolkit/list.h"

// A list of texts, each held in its own NUL-terminated heap copy.
class TStrList : public TObj {
 public:
  TList* List = nullptr;
  int Count = 0;
  // A single block holding several texts at once; entries pointing into it are
  // not freed one by one. Nothing fills it yet, but Delete and Clear honour it.
  char* TextBuf = nullptr;
  int TextSize = 0;

  // 0 <= index <= Count is the caller's duty. A nil text is stored as empty.
  void Insert(int index, const char* text);
  void Add(const char* text) { Insert(Count, text); }
  // 0 <= index < Count is the caller's duty.
  virtual void Delete(int index);
  void Clear();
  // The text at index, or nil out of range.
  const char* Get(int index) const;

 protected:
  ~TStrList() override;
};

// A TStrList with one object value per entry, kept at the same index as its text.
class TStrListEx : public TStrList {
 public:
  TList* Objects = nullptr;

  void Init() override;
  void InsertObject(int index, const char* text, TListValue object);
  int AddObject(const char* text, TListValue object);
  void Delete(int index) override;
  int IndexOfObject(TListValue object) const;
  // The object of the entry at index, or 0 out of range.
  TListValue GetObject(int index) const;

 protected:
  ~TStrListEx() override;
};

TStrList* NewStrList();
TStrListEx* NewStrListEx();
