#include "toolkit/list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Owns a list for the length of one test.
struct ListHolder {
  TList* list = NewList();
  ~ListHolder() { Free(list); }
  TList* operator->() const { return list; }
  std::vector<TListValue> Values() const { return {list->Items, list->Items + list->Count}; }
};

TEST(List, GrowsLinearlyByItsStep) {
  ListHolder l;
  EXPECT_EQ(l->AddBy, 4);
  EXPECT_EQ(l->Items, nullptr);
  for (TListValue v = 1; v <= 9; ++v) l->Add(v);
  EXPECT_EQ(l->Count, 9);
  EXPECT_EQ(l->Capacity, 12);
  l->AddBy = 0;  // a non-positive step falls back to 4
  for (TListValue v = 10; v <= 13; ++v) l->Add(v);
  EXPECT_EQ(l->AddBy, 4);
  EXPECT_EQ(l->Capacity, 16);
}

TEST(List, SlotsArePointerSized) {
  ListHolder l;
  int object = 0;
  l->AddPtr(&object);
  EXPECT_EQ(l->GetPtr<int>(0), &object);
  const TListValue high = ~TListValue{0} - 1;
  l->Add(high);
  EXPECT_EQ(l->Get(1), high);
}

TEST(List, SetCapacityClampsToCountAndZeroReleasesTheArray) {
  ListHolder l;
  for (TListValue v = 1; v <= 5; ++v) l->Add(v);
  l->SetCapacity(2);
  EXPECT_EQ(l->Capacity, 5);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{1, 2, 3, 4, 5}));
  l->SetCapacity(7);
  EXPECT_EQ(l->Items[6], 0u);  // new slots are zero
  l->DeleteRange(0, 5);
  EXPECT_EQ(l->Capacity, 7);  // deleting never shrinks
  l->SetCapacity(0);
  EXPECT_EQ(l->Items, nullptr);
  EXPECT_EQ(l->Capacity, 0);
}

TEST(List, OutOfRangeReadsGiveZero) {
  ListHolder l;
  EXPECT_EQ(l->Get(0), 0u);
  l->Add(7);
  EXPECT_EQ(l->Get(-1), 0u);
  EXPECT_EQ(l->Get(1), 0u);
  EXPECT_EQ(l->Get(0), 7u);
}

TEST(List, DeleteRangeClampsToTheEnd) {
  ListHolder l;
  for (TListValue v = 0; v < 5; ++v) l->Add(v);
  const int capacity = l->Capacity;
  l->DeleteRange(2, 10);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{0, 1}));
  EXPECT_EQ(l->Capacity, capacity);
  l->DeleteRange(0, 0);
  l->DeleteRange(0, -3);
  EXPECT_EQ(l->Count, 2);
  l->Delete(0);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{1}));
}

TEST(List, RemoveTakesOnlyTheFirstEqualValue) {
  ListHolder l;
  for (TListValue v : {5, 6, 5, 7}) l->Add(v);
  l->Remove(9);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{5, 6, 5, 7}));
  l->Remove(5);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{6, 5, 7}));
  EXPECT_EQ(l->IndexOf(5), 1);
  EXPECT_EQ(l->IndexOf(9), -1);
}

TEST(List, InsertAtEndAppendsAndAtFrontShifts) {
  ListHolder l;
  l->Insert(0, 2);
  l->Insert(l->Count, 3);
  l->Insert(0, 1);
  l->Insert(1, 9);
  EXPECT_EQ(l.Values(), (std::vector<TListValue>{1, 9, 2, 3}));
  l->Clear();
  EXPECT_EQ(l->Items, nullptr);
  EXPECT_EQ(l->Count, 0);
  EXPECT_EQ(l->Capacity, 0);
}

}  // namespace
