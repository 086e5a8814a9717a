#include "runtime/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

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
  TText text("crosses threads");
  const char* const bytes = text.CStr();
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    // All at once, a hundred copies alive at a time: no copy's step of the
    // count can be folded away with its release, and a count that is not
    // atomic loses steps wherever two threads overlap.
    threads.emplace_back([&text, &go] {
      while (!go) std::this_thread::yield();
      for (int round = 0; round < 20000; ++round) {
        const std::vector<TText> copies(100, text);
        ASSERT_EQ(copies.back().Length(), 15u);
      }
    });
  }
  go = true;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(text, "crosses threads");
#if defined(__SANITIZE_ADDRESS__)
  // A lost step frees the block while it is held, or never: the last owner's
  // release must be the one that frees it.
  EXPECT_FALSE(__asan_address_is_poisoned(bytes)) << "freed while still held";
  text = TText();
  EXPECT_TRUE(__asan_address_is_poisoned(bytes)) << "not freed by its last owner";
#else
  (void)bytes;
#endif
}
