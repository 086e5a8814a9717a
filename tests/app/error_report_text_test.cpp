#include "app/error_report_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Report(unsigned number, std::uint64_t address,
                   const std::vector<std::uintptr_t>& frames, int digits) {
  char buffer[kReportCapacity];
  return std::string(
      FormatRunErrorReport(buffer, number, static_cast<std::uintptr_t>(address), frames, digits));
}

TEST(FormatRunErrorReport, ThirtyTwoBitAddressesHaveEightUpperCaseDigits) {
  EXPECT_EQ(Report(216, 0x401A2B, {0x401000, 0x77C0FFEE}, 8),
            "Runtime error 216 at $00401A2B\r\n"
            "  $00401000\r\n"
            "  $77C0FFEE\r\n"
            "\r\n");
}

TEST(FormatRunErrorReport, SixtyFourBitAddressesHaveSixteenDigits) {
  if (sizeof(std::uintptr_t) < 8) GTEST_SKIP() << "64-bit addresses need a 64-bit build";
  EXPECT_EQ(Report(200, 0x00007FF6ABCDEF01ull, {0x1}, 16),
            "Runtime error 200 at $00007FF6ABCDEF01\r\n"
            "  $0000000000000001\r\n"
            "\r\n");
}

TEST(FormatRunErrorReport, ReportWithoutFramesStillEndsWithAnEmptyLine) {
  EXPECT_EQ(Report(217, 0, {}, 8), "Runtime error 217 at $00000000\r\n\r\n");
  EXPECT_EQ(Report(4294967295u, 0xFFFFFFFF, {}, 8),
            "Runtime error 4294967295 at $FFFFFFFF\r\n\r\n");
}

TEST(FormatRunErrorReport, EveryReportableFrameFitsAndMoreAreLeftOutWhole) {
  const int digits = 2 * static_cast<int>(sizeof(std::uintptr_t));
  std::vector<std::uintptr_t> frames(kMaxReportFrames, 0xAB);
  std::string report = Report(255, 1, frames, digits);
  const std::string line = "  $" + std::string(digits - 2, '0') + "AB\r\n";
  std::size_t count = 0;
  for (std::size_t at = report.find(line); at != std::string::npos; at = report.find(line, at + 1))
    ++count;
  EXPECT_EQ(count, kMaxReportFrames);

  frames.assign(1000, 0xAB);
  report = Report(255, 1, frames, digits);
  EXPECT_LE(report.size(), kReportCapacity);
  ASSERT_GE(report.size(), 4u);
  EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
  EXPECT_EQ((report.size() - report.find("\r\n") - 4) % line.size(), 0u) << report;
}

}  // namespace
