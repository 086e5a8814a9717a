#include "toolkit/obj.h"

#include "toolkit/list.h"

void TObj::Release() {
  RefCount -= 2;
  if (RefCount < 0 && (RefCount & 1) && !destroyStarted_) DestroyNow();
}

void Free(TObj* obj) {
  if (!obj || obj->destroyStarted_) return;
  if (obj->RefCount == 0) {
    obj->DestroyNow();
  } else if ((obj->RefCount & 1) == 0) {
    obj->RefCount -= 1;
  }
}

void TObj::AddToAutoFree(TAutoFreeProc proc) {
  if (!AutoFree) AutoFree = NewList();
  // Data first, then code, both at the front: the newest pair comes first.
  AutoFree->Insert(0, reinterpret_cast<TListValue>(proc.Data));
  AutoFree->Insert(0, reinterpret_cast<TListValue>(proc.Call));
}

void TObj::RunDestroyNotices() {
  if (OnDestroy) {
    TObjNotify notify = OnDestroy;
    OnDestroy = {};
    notify(this);
  }
  if (AutoFree) {
    TList* procs = AutoFree;
    for (int i = 0; i < procs->Count / 2; ++i) {
      TAutoFreeProc proc;
      proc.Call = reinterpret_cast<TAutoFreeProc::Code>(procs->Get(2 * i));
      proc.Data = reinterpret_cast<void*>(procs->Get(2 * i + 1));
      proc();
    }
    AutoFree = nullptr;
    Free(procs);
  }
}

TObj::~TObj() { RunDestroyNotices(); }

void TObj::DestroyNow() {
  // Single inheritance throughout: the object starts where its allocation does.
  void* block = this;
  destroyStarted_ = true;
  this->~TObj();
  FreeAlloc(block);
}
