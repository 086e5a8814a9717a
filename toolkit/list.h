#pragma once

#include <cstdint>

#include "toolkit/obj.h"

// A list slot holds a pointer, a code address or a small number.
using TListValue = std::uintptr_t;

// A growable array of pointer-sized values. Growth is linear, AddBy slots at a
// time: the lists of this program stay small. The list never owns what its
// values point to.
class TList : public TObj {
 public:
  TListValue* Items = nullptr;
  int Count = 0;
  int Capacity = 0;
  int AddBy = 0;

  void Add(TListValue value);
  // 0 <= index <= Count is the caller's duty.
  void Insert(int index, TListValue value);
  void SetCapacity(int n);
  // Out-of-range reads give 0.
  TListValue Get(int index) const;
  int IndexOf(TListValue value) const;
  // 0 <= index < Count is the caller's duty.
  void Delete(int index) { DeleteRange(index, 1); }
  void DeleteRange(int index, int n);
  void Remove(TListValue value);
  void Clear();

  template <class T>
  T* GetPtr(int index) const {
    return reinterpret_cast<T*>(Get(index));
  }
  void AddPtr(const void* p) { Add(reinterpret_cast<TListValue>(p)); }
  int IndexOfPtr(const void* p) const { return IndexOf(reinterpret_cast<TListValue>(p)); }
  void RemovePtr(const void* p) { Remove(reinterpret_cast<TListValue>(p)); }

 protected:
  ~TList() override;
};

TList* NewList();
