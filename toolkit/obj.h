#pragma once

#include <cstdint>

#include "toolkit/memory.h"
#include "toolkit/method.h"

class TList;
class TObj;

using TObjNotify = TMethod<void(TObj* sender)>;
// A procedure registered to run when its owner is destroyed, called as a method of its data.
using TAutoFreeProc = TMethod<void()>;

// The toolkit's reference-counted base object. References are counted in steps of
// two; the low bit records a release requested while references were held, so
// that the last Release destroys the object instead of the Free that asked.
// Objects are made with NewObj (zero-filled heap, then Init) and end with Free.
class TObj {
 public:
  TObj(const TObj&) = delete;
  TObj& operator=(const TObj&) = delete;

  std::int32_t RefCount = 0;
  TObjNotify OnDestroy;
  TList* AutoFree = nullptr;
  std::intptr_t Tag = 0;

  void AddRef() { RefCount += 2; }
  // Drops a reference; destroys the object when a release was requested and this
  // was the last reference. The object must not be touched afterwards.
  void Release();
  void AddToAutoFree(TAutoFreeProc proc);
  // True when a Free came while references were held.
  bool ReleaseRequested() const { return (RefCount & 1) != 0; }
  // True from the moment destruction has started.
  bool BeingDestroyed() const { return destroyStarted_; }

  // Called once the zero-filled object exists.
  virtual void Init() {}

 protected:
  TObj() = default;
  // Runs the destroy notification and the AutoFree procedures, once. Subclasses
  // that must notify before releasing their own parts call it early.
  void RunDestroyNotices();
  virtual ~TObj();

 private:
  friend void Free(TObj* obj);
  void DestroyNow();
  // Code run by the destruction (a window's last messages, notifications) may
  // free or release the object again; that must not destroy it twice.
  bool destroyStarted_ = false;
};

// Releases an object: nil-safe; destroys now when no reference is held,
// otherwise records the request for the last Release.
void Free(TObj* obj);

// Makes an object of class T: zero-filled heap, constructor, then the virtual Init.
template <class T>
T* NewObj() {
  T* obj = ZeroNew<T>();
  obj->Init();
  return obj;
}

// Frees the object a field refers to and clears the field first, so that code run
// by the destruction never sees a dangling reference.
template <class T>
void FreeAndNil(T*& field) {
  T* obj = field;
  field = nullptr;
  Free(obj);
}
