#include "runtime/init_list.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/grow_array.h"

namespace {

struct Starter {
  std::string* trace;
  char name;
  Starter* appendOnRun = nullptr;
  void Start() {
    *trace += name;
    if (appendOnRun) AddInitProc(MakeInitProc<&Starter::Start>(*appendOnRun));
  }
};

}  // namespace

TEST(InitList, RunsEntriesInOrderIncludingThoseAppendedDuringTheRun) {
  std::string trace;
  Starter late{&trace, 'z'};
  Starter later{&trace, 'y', &late};
  Starter entries[] = {{&trace, 'a'}, {&trace, 'b', &later}, {&trace, 'c'}};
  for (Starter& s : entries) AddInitProc(MakeInitProc<&Starter::Start>(s));
  // Enough appended entries to make the list move while it runs.
  std::string expectedTail;
  Starter many[40];
  for (int i = 0; i < 40; ++i) {
    many[i] = {&trace, static_cast<char>('A' + i % 26), i + 1 < 40 ? &many[i + 1] : nullptr};
    expectedTail += static_cast<char>('A' + i % 26);
  }
  entries[2].appendOnRun = &many[0];
  EXPECT_EQ(InitListCount(), 3);

  RunInitList();
  EXPECT_EQ(trace, "abcy" + expectedTail.substr(0, 1) + "z" + expectedTail.substr(1));
  EXPECT_EQ(InitListCount(), 0);

  trace.clear();
  RunInitList();
  EXPECT_EQ(trace, "") << "nothing runs twice";
}

TEST(InitList, SkipsAnEmptyEntryAndFreeEmptiesWithoutRunning) {
  std::string trace;
  Starter starter{&trace, 's'};
  AddInitProc(TInitProc{});
  AddInitProc(MakeInitProc<&Starter::Start>(starter));
  RunInitList();
  EXPECT_EQ(trace, "s");

  AddInitProc(MakeInitProc<&Starter::Start>(starter));
  FreeInitList();
  EXPECT_EQ(InitListCount(), 0);
  RunInitList();
  EXPECT_EQ(trace, "s");
}

TEST(GrowArray, AppendingItsOwnItemWhileGrowingKeepsTheValue) {
  TGrowArray<long long> array;
  array.Append(7);
  for (int i = 0; i < 100; ++i) array.Append(array[0]);
  ASSERT_EQ(array.Count(), 101u);
  for (long long item : array) EXPECT_EQ(item, 7);
}

TEST(GrowArray, ResizeZeroFillsEveryNewItemEvenAfterShrinking) {
  TGrowArray<int> array;
  array.Resize(8);
  for (int& item : array) item = 5;
  array.Resize(2);
  array.Resize(6);
  ASSERT_EQ(array.Count(), 6u);
  EXPECT_EQ(array[1], 5);
  for (std::size_t i = 2; i < 6; ++i) EXPECT_EQ(array[i], 0) << i;
  array.Free();
  EXPECT_EQ(array.Count(), 0u);
  array.Append(3);
  EXPECT_EQ(array[0], 3);
}
