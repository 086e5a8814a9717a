// The frame's exit paths, watched from outside: the helper program runs as a
// child process, and its "Error" boxes are read and dismissed from here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

const std::string kFinalised = "modules finalised\r\n";

// Reads the child's next box, dismisses it and hands back its text.
std::string TakeBox(TChildProcess& child) {
  HWND box = child.WaitForErrorBox();
  if (!box) {
    ADD_FAILURE() << "no \"Error\" box appeared";
    return {};
  }
  std::string text = TChildProcess::BoxText(box);
  EXPECT_TRUE(TChildProcess::PressOk(box)) << "the box did not close";
  return text;
}

TEST(ExitPath, OutputIsShownAtExitAfterTheFinalisers) {
  TChildProcess child("exit");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(TakeBox(child), "hello\r\n" + kFinalised);
  EXPECT_EQ(child.WaitForExit(), 0u);
}

TEST(ExitPath, HaltLeavesWithItsExitCodeThroughTheFinalisers) {
  TChildProcess child("halt");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(TakeBox(child), kFinalised);
  EXPECT_EQ(child.WaitForExit(), 3u);
}

TEST(ExitPath, LogOffLeavesThroughTheFinalisersWithCodeZero) {
  TChildProcess child("logoff");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(TakeBox(child), kFinalised);
  EXPECT_EQ(child.WaitForExit(), 0u);
}

TEST(ExitPath, FullOutputBufferIsShownAtOnceAndTheRestAtExit) {
  TChildProcess child("full");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(TakeBox(child), std::string(1024, 'x'));
  EXPECT_EQ(TakeBox(child), std::string(1500 - 1024, 'x') + kFinalised);
  EXPECT_EQ(child.WaitForExit(), 0u);
}

TEST(ExitPath, OutputEndingInFourLineBreaksIsShownAtOnce) {
  TChildProcess child("breaks");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(TakeBox(child), "first\r\n\r\n");
  EXPECT_EQ(TakeBox(child), "second\r\n" + kFinalised);
  EXPECT_EQ(child.WaitForExit(), 0u);
}

TEST(ExitPath, CommandLineParametersOfARealProcess) {
  TChildProcess child("\"echo\" \"two  words\" \"\" last");
  ASSERT_TRUE(child.Started());
  // Then the command tail WinMain got: everything after the program's name.
  EXPECT_EQ(TakeBox(child), FrameHelperPath() + "|echo|two  words|last|\r\n" +
                                "\"echo\" \"two  words\" \"\" last\r\n" + kFinalised);
  EXPECT_EQ(child.WaitForExit(), 0u);
}

struct TErrorCase {
  const char* name;
  const char* arguments;
  DWORD number;
  // False when the system's own code lies between the fault and the helper's
  // next frame (a window procedure called by the message dispatch).
  bool callerIsHelperCode = true;
  // False when the system called the window procedure back from inside one of
  // its own calls: the walk ends where that callback began.
  bool walkReachesTheCallersOfTheSystem = true;
};

class RunErrorReport : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(RunErrorReport, OneErrorBoxWithTheReportAndTheNumberAsExitCode) {
  TChildProcess child(GetParam().arguments);
  ASSERT_TRUE(child.Started());
  HWND box = child.WaitForErrorBox();
  ASSERT_TRUE(box) << "no \"Error\" box appeared";
  const std::string text = TChildProcess::BoxText(box);
  std::uintptr_t imageStart = 0, imageEnd = 0;
  const bool haveImage = child.ImageRange(imageStart, imageEnd);
  ASSERT_TRUE(TChildProcess::PressOk(box));
  EXPECT_EQ(child.WaitForExit(), GetParam().number) << text;

  // The finalisers ran before the report was written.
  const std::string digits = "{" + std::to_string(2 * sizeof(void*)) + "}";
  const std::regex report("modules finalised\r\nRuntime error ([0-9]+) at \\$([0-9A-F]" + digits +
                          ")\r\n((  \\$[0-9A-F]" + digits + "\r\n)+)\r\n");
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(text, parts, report)) << text;
  EXPECT_EQ(std::stoul(parts[1]), GetParam().number);

  // The error arose in the helper's own code, and the walk leads back into it
  // (through any system frames in between).
  ASSERT_TRUE(haveImage);
  const auto inImage = [&](std::uintptr_t at) { return at >= imageStart && at < imageEnd; };
  EXPECT_TRUE(inImage(std::stoull(parts[2], nullptr, 16))) << text;
  std::vector<std::uintptr_t> callers;
  std::istringstream lines(parts[3].str());
  for (std::string line; std::getline(lines, line);) {
    callers.push_back(std::stoull(line.substr(3), nullptr, 16));
  }
  ASSERT_FALSE(callers.empty());
  if (GetParam().callerIsHelperCode) {
    EXPECT_TRUE(inImage(callers[0])) << text;
  }
  if (GetParam().walkReachesTheCallersOfTheSystem) {
    EXPECT_TRUE(std::any_of(callers.begin() + 1, callers.end(), inImage)) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RunErrorReport,
    ::testing::Values(TErrorCase{"AccessViolation", "av", 216},
                      TErrorCase{"AccessViolationInAWindowProcedure", "wndproc", 216, false},
                      TErrorCase{"AccessViolationInWmCreate", "wmcreate", 216, true, false},
                      TErrorCase{"AccessViolationInWmNcDestroy", "wmncdestroy", 216, true, false},
                      TErrorCase{"DivisionByZero", "\"div0\"", 200},
                      TErrorCase{"RaisedByTheProgram", "raise", 217},
                      TErrorCase{"OutOfMemory", "oom", 203},
                      TErrorCase{"ToolkitOutOfMemory", "objoom", 203},
                      TErrorCase{"StackOverflow", "overflow", 202},
                      TErrorCase{"StackOverflowOnAnotherThread", "threadoverflow", 202}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
