#include "toolkit/str_list.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StrList, KeepsItsOwnCopiesAndEmptyTextsAsOneNulByte) {
  TStrList* list = NewStrList();
  EXPECT_EQ(list->List, nullptr);
  char source[] = "COM3";
  list->Add(source);
  source[0] = 'X';
  list->Insert(0, "");
  list->Insert(1, nullptr);
  ASSERT_EQ(list->Count, 3);
  EXPECT_EQ(list->List->Count, 3);
  EXPECT_STREQ(list->Get(2), "COM3");
  EXPECT_EQ(list->Get(0)[0], '\0');
  EXPECT_STREQ(list->Get(1), "");
  EXPECT_EQ(list->Get(3), nullptr);
  list->Delete(1);
  EXPECT_STREQ(list->Get(1), "COM3");
  list->Clear();
  EXPECT_EQ(list->List, nullptr);
  EXPECT_EQ(list->Count, 0);
  list->Add("again");  // usable after Clear
  EXPECT_STREQ(list->Get(0), "again");
  Free(list);  // the sanitizers report any text not released
}

TEST(StrList, TextsInsideTheSharedBufferAreNotFreedOneByOne) {
  TStrList* list = NewStrList();
  list->TextSize = 8;
  list->TextBuf = static_cast<char*>(ZeroAlloc(8));
  std::memcpy(list->TextBuf, "ab\0cd\0", 6);
  list->Add("own");
  list->List->Add(reinterpret_cast<TListValue>(list->TextBuf + 3));
  ++list->Count;
  list->Delete(1);  // a text in the buffer: only the entry goes
  EXPECT_EQ(list->Count, 1);
  Free(list);  // frees "own" and the buffer once; a double free would be reported
}

TEST(StrListEx, ObjectsFollowTheirTexts) {
  TStrListEx* list = NewStrListEx();
  ASSERT_NE(list->Objects, nullptr);
  EXPECT_EQ(list->AddObject("", 100), 0);
  EXPECT_EQ(list->AddObject("", 101), 1);
  EXPECT_EQ(list->AddObject("x", 102), 2);
  list->Delete(0);
  EXPECT_EQ(list->GetObject(0), 101u);
  EXPECT_EQ(list->IndexOfObject(102), 1);
  EXPECT_EQ(list->IndexOfObject(100), -1);
  EXPECT_EQ(list->GetObject(2), 0u);
  EXPECT_EQ(list->GetObject(-1), 0u);
  list->InsertObject(0, "first", 99);
  EXPECT_STREQ(list->Get(0), "first");
  EXPECT_EQ(list->GetObject(0), 99u);
  EXPECT_EQ(list->Objects->Count, list->Count);
  Free(list);
}

TEST(StrListEx, ClearDropsTheObjectValuesWithTheTexts) {
  TStrListEx* list = NewStrListEx();
  list->AddObject("", 100);
  list->AddObject("", 101);
  list->Clear();
  EXPECT_EQ(list->Count, 0);
  EXPECT_EQ(list->Objects->Count, 0);
  // A value of the cleared entries is not found at an index beyond the texts.
  EXPECT_EQ(list->AddObject("", 200), 0);
  EXPECT_EQ(list->IndexOfObject(101), -1);
  EXPECT_EQ(list->IndexOfObject(200), 0);
  Free(list);
}

}  // namespace
