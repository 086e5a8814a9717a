#include "app/command_line_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

TEST(CommandLineParameter, QuotedProgramPathWithSpacesCountsAsOneParameter) {
  const std::string_view line = R"("C:\Program Files\comswitch.exe" /iw)";
  EXPECT_EQ(CommandLineParameter(line, 0), R"(C:\Program Files\comswitch.exe)");
  EXPECT_EQ(CommandLineParameter(line, 1), "/iw");
  EXPECT_EQ(CommandLineParameter(line, 2), "");
}

TEST(CommandLineParameter, EnclosingQuotesAreRemovedOnlyWhenAtBothEnds) {
  EXPECT_EQ(CommandLineParameter(R"(prog "/iw")", 1), "/iw");
  EXPECT_EQ(CommandLineParameter(R"(prog "/iw)", 1), R"("/iw)");
  EXPECT_EQ(CommandLineParameter(R"(prog /iw" x)", 1), R"(/iw" x)");
  EXPECT_EQ(CommandLineParameter(R"(prog "a"b" next)", 1), R"("a"b" next)");
  EXPECT_EQ(CommandLineParameter(R"(prog "a"b" next")", 1), R"(a"b" next)");
  EXPECT_EQ(CommandLineParameter(R"(prog a"b c"d e)", 1), R"(a"b c"d)");
  EXPECT_EQ(CommandLineParameter(R"(prog a"b c"d e)", 2), "e");
}

TEST(CommandLineParameter, LoneQuoteIsKeptAsItIs) {
  EXPECT_EQ(CommandLineParameter(R"(prog ")", 1), R"(")");
  EXPECT_EQ(CommandLineParameter(R"(prog """)", 1), R"(")");
  EXPECT_EQ(CommandLineParameter("prog \" ", 1), "\" ");
}

TEST(CommandLineParameter, SeparatorsAndEmptyQuotedPairsAreSkipped) {
  EXPECT_EQ(CommandLineParameter("prog \t  \"\" /iw", 1), "/iw");
  EXPECT_EQ(CommandLineParameter("  \"\"\t\"\"prog x", 0), "prog");
  EXPECT_EQ(CommandLineParameter("prog\x01\x1f\x20x", 1), "x");
  EXPECT_EQ(CommandLineParameter("prog \"\"\"\" \"\"x", 1), "x");
  EXPECT_EQ(CommandLineParameter("prog \"\"", 1), "");
}

TEST(CommandLineParameter, IndexBeyondTheLastParameterGivesEmptyText) {
  EXPECT_EQ(CommandLineParameter("prog", 1), "");
  EXPECT_EQ(CommandLineParameter("prog a b   ", 3), "");
  EXPECT_EQ(CommandLineParameter("prog a b", 1000), "");
  EXPECT_EQ(CommandLineParameter("", 0), "");
  EXPECT_EQ(CommandLineParameter("", 1), "");
  EXPECT_EQ(CommandLineParameter("prog a", -1), "");
}

TEST(CommandLineParameter, NulByteEndsTheLine) {
  const std::string_view line = "prog a\0b c"sv;
  EXPECT_EQ(CommandLineParameter(line, 1), "a");
  EXPECT_EQ(CommandLineParameter(line, 2), "");
  EXPECT_EQ(CommandLineParameter("prog \"a b\0c\" d"sv, 1), "\"a b");
}

TEST(CommandLineParameter, BytesAbove127AreText) {
  // Windows-1251 letters must not be mistaken for separators.
  EXPECT_EQ(CommandLineParameter("prog \xC2\xEA\xEB \xFF", 1), "\xC2\xEA\xEB");
  EXPECT_EQ(CommandLineParameter("prog \xC2\xEA\xEB \xFF", 2), "\xFF");
}

TEST(CommandLineParameter, SwitchIsReturnedAsWrittenForTheCaseSensitiveComparison) {
  EXPECT_EQ(CommandLineParameter("prog /IW", 1), "/IW");
  EXPECT_EQ(CommandLineParameter("prog /iwx", 1), "/iwx");
  EXPECT_EQ(CommandLineParameter("prog x /iw", 1), "x");
}

TEST(CommandLineParameter, ResultIsAViewIntoTheLine) {
  const std::string line = "prog  \"quoted text\"  tail";
  const std::string_view parameter = CommandLineParameter(line, 1);
  ASSERT_EQ(parameter, "quoted text");
  EXPECT_EQ(parameter.data(), line.data() + 7);
}

}  // namespace
