#include "toolkit/obj.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/list.h"

namespace {

std::vector<std::string>* journal = nullptr;

// A subclass that writes its own destruction into the journal.
class TProbe : public TObj {
 public:
  void Init() override { initialised = true; }
  bool initialised = false;

 protected:
  ~TProbe() override { journal->push_back("probe destructor"); }
};

struct Listener {
  std::string name;
  void Destroyed(TObj* sender) {
    journal->push_back(name + " destroy " + (sender ? "sender" : "nil"));
  }
  void AutoFreed() { journal->push_back(name + " autofree"); }
};

class Obj : public ::testing::Test {
 protected:
  void SetUp() override { journal = &entries; }
  void TearDown() override { journal = nullptr; }
  std::vector<std::string> entries;
};

TEST_F(Obj, IsZeroFilledAndInitialised) {
  TProbe* probe = NewObj<TProbe>();
  EXPECT_TRUE(probe->initialised);
  EXPECT_EQ(probe->RefCount, 0);
  EXPECT_FALSE(probe->OnDestroy);
  EXPECT_EQ(probe->AutoFree, nullptr);
  EXPECT_EQ(probe->Tag, 0);
  Free(probe);
  EXPECT_EQ(entries, std::vector<std::string>{"probe destructor"});
  Free(nullptr);  // nil-safe
}

TEST_F(Obj, FreeWhileReferencedIsDeferredToTheLastRelease) {
  TProbe* probe = NewObj<TProbe>();
  probe->AddRef();
  probe->AddRef();
  Free(probe);
  EXPECT_EQ(probe->RefCount, 3);
  Free(probe);  // a request already recorded changes nothing
  EXPECT_EQ(probe->RefCount, 3);
  probe->Release();
  EXPECT_EQ(probe->RefCount, 1);
  EXPECT_TRUE(entries.empty());
  probe->Release();
  EXPECT_EQ(entries, std::vector<std::string>{"probe destructor"});
}

TEST_F(Obj, FreeWithOneReferenceLeavesCountOneThenReleaseDestroys) {
  TProbe* probe = NewObj<TProbe>();
  probe->AddRef();
  Free(probe);
  EXPECT_EQ(probe->RefCount, 1);
  probe->Release();
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(Obj, ReleaseWithoutARequestNeverDestroys) {
  TProbe* probe = NewObj<TProbe>();
  probe->Release();
  EXPECT_EQ(probe->RefCount, -2);
  EXPECT_TRUE(entries.empty());
  probe->AddRef();
  Free(probe);
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(Obj, DestroyNoticesRunOnDestroyFirstThenAutoFreeNewestFirst) {
  Listener first{"first"}, second{"second"}, watcher{"watcher"};
  TProbe* probe = NewObj<TProbe>();
  probe->AddToAutoFree(MakeMethod<&Listener::AutoFreed>(&first));
  probe->AddToAutoFree(MakeMethod<&Listener::AutoFreed>(&second));
  probe->OnDestroy = MakeMethod<&Listener::Destroyed>(&watcher);
  ASSERT_EQ(probe->AutoFree->Count, 4);
  Free(probe);
  EXPECT_EQ(entries, (std::vector<std::string>{"probe destructor", "watcher destroy sender",
                                               "second autofree", "first autofree"}));
}

}  // namespace

namespace {

// Frees and releases its own object from inside the destroy notification.
struct Reentrant {
  void Destroyed(TObj* sender) {
    EXPECT_TRUE(sender->BeingDestroyed());
    sender->AddRef();
    Free(sender);
    sender->Release();
    ++calls;
  }
  int calls = 0;
};

TEST(ObjDestruction, FreeOrReleaseDuringDestructionDoesNotDestroyTwice) {
  Reentrant reentrant;
  TObj* obj = NewList();
  obj->OnDestroy = MakeMethod<&Reentrant::Destroyed>(&reentrant);
  Free(obj);  // the sanitizers report a second destruction as a double free
  EXPECT_EQ(reentrant.calls, 1);
}

}  // namespace
