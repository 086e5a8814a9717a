#include "runtime/text.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(Text, EmptyTextOwnsNothingAndReadsAsEmptyCString) {
  TText empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_STREQ(empty.CStr(), "");
  EXPECT_TRUE(TText("").Empty());
  EXPECT_TRUE(TText(static_cast<const char*>(nullptr)).Empty());
}

TEST(Text, KeepsEveryByteIncludingNulAndHighBytes) {
  const std::string bytes("\xC2\xEA\xEB\0A", 5);  // "Вкл" in Windows-1251, a NUL, "A"
  TText text(bytes);
  ASSERT_EQ(text.Length(), 5u);
  EXPECT_EQ(std::string(text.View()), bytes);
  EXPECT_EQ(text.CStr()[5], '\0');
}

TEST(Text, CopiesShareOneBlockAndSurviveTheOriginal) {
  auto original = std::make_unique<TText>("shared");
  TText copy(*original);
  EXPECT_TRUE(copy.SharesWith(*original));
  TText assigned;
  assigned = copy;
  EXPECT_TRUE(assigned.SharesWith(*original));
  original.reset();
  EXPECT_EQ(copy, "shared");
  EXPECT_EQ(assigned, "shared");
}

TEST(Text, SelfAssignmentAndMoveLeaveConsistentTexts) {
  TText text("abc");
  const TText& alias = text;
  text = alias;
  EXPECT_EQ(text, "abc");
  TText moved(std::move(text));
  EXPECT_EQ(moved, "abc");
  TText target("old");
  target = std::move(moved);
  EXPECT_EQ(target, "abc");
  TText& self = target;
  target = std::move(self);
  EXPECT_EQ(target, "abc") << "a text moved onto itself keeps its block";
}

TEST(Text, ConcatJoinsIntoANewText) {
  EXPECT_EQ(Concat("Runtime error ", "216"), "Runtime error 216");
  EXPECT_TRUE(Concat("", "").Empty());
  EXPECT_EQ(Concat("", "x"), "x");
}

TEST(Text, CopiesReleasedOnManyThreadsFreeTheBlockOnce) {
  // Run under the sanitizers: a racy count shows as a double free or a leak.
  TText text("crosses threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([text] {
      for (int i = 0; i < 10000; ++i) {
        TText copy(text);
        ASSERT_EQ(copy.Length(), 15u);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(text, "crosses threads");
}
