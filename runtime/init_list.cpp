#include "runtime/init_list.h"

#include "runtime/grow_array.h"

namespace {
constinit TGrowArray<TInitProc> InitList;
}  // namespace

void AddInitProc(const TInitProc& proc) { InitList.Append(proc); }

void RunInitList() {
  // The length is read again before every call: an entry may append entries,
  // which run in this same pass; the entry is copied first because appending
  // may move the list.
  for (std::size_t i = 0; i < InitList.Count(); ++i) {
    const TInitProc proc = InitList[i];
    if (proc.Code != nullptr) proc.Code(proc.Object);
  }
  InitList.Free();
}

int InitListCount() { return static_cast<int>(InitList.Count()); }

void FreeInitList() { InitList.Free(); }
