#include "app/output_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Shown;

void RecordShown(const char* text, std::size_t length) {
  // The box gets a NUL-terminated text of exactly the collected length.
  EXPECT_EQ(std::strlen(text), length);
  Shown.emplace_back(text, length);
}

using TTestBuffer = TOutputBuffer<&RecordShown>;

class OutputBufferTest : public ::testing::Test {
 protected:
  void SetUp() override { Shown.clear(); }
  TTestBuffer output;
};

using Strings = std::vector<std::string>;

TEST_F(OutputBufferTest, TextWaitsUntilFlushedAndIsShownOnce) {
  output.Write("hello ");
  output.Write("world\r\n");
  EXPECT_TRUE(Shown.empty());
  output.Flush();
  output.Flush();
  EXPECT_EQ(Shown, (Strings{"hello world\r\n"}));
  EXPECT_EQ(output.Room(), TTestBuffer::kCapacity);
}

TEST_F(OutputBufferTest, FullBufferIsShownAndTheRestCollectedAgain) {
  output.Write(std::string(TTestBuffer::kCapacity - 1, 'a'));
  EXPECT_TRUE(Shown.empty());
  output.Write("bc");
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0], std::string(TTestBuffer::kCapacity - 1, 'a') + "b");
  EXPECT_EQ(output.Pending(), "c");

  Shown.clear();
  output.Flush();
  output.Write(std::string(2 * TTestBuffer::kCapacity + 5, 'z'));
  EXPECT_EQ(Shown, (Strings{"c", std::string(TTestBuffer::kCapacity, 'z'),
                            std::string(TTestBuffer::kCapacity, 'z')}));
  EXPECT_EQ(output.Pending(), "zzzzz");
}

TEST_F(OutputBufferTest, FourLineBreaksAtTheEndShowTheText) {
  output.Write("one\r\n\r\n");
  output.Write("two\n\n\n\n");
  output.Write("three\r\r\r\r");
  EXPECT_EQ(Shown, (Strings{"one\r\n\r\n", "two\n\n\n\n", "three\r\r\r\r"}));
}

TEST_F(OutputBufferTest, FourLineBreaksMayArriveInPieces) {
  output.Write("report\r\n");
  EXPECT_TRUE(Shown.empty());
  output.Write("\r");
  EXPECT_TRUE(Shown.empty());
  output.Write("\n");
  EXPECT_EQ(Shown, (Strings{"report\r\n\r\n"}));
}

TEST_F(OutputBufferTest, FewerOrInterruptedLineBreaksKeepCollecting) {
  output.Write("a\r\n\r");
  output.Write("\r\n \r\n");
  output.Write("\r\n\r\nx");
  output.Write("\r\n\r");
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(output.Pending(), "a\r\n\r\r\n \r\n\r\n\r\nx\r\n\r");
}

}  // namespace
