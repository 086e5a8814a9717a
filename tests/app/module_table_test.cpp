#include "app/module_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Calls;
TModuleTable* Table = nullptr;

template <int N>
void Init() {
  Calls.push_back("init" + std::to_string(N));
}
template <int N>
void Fini() {
  Calls.push_back("fini" + std::to_string(N));
}

// An initialiser that fails: the process leaves through tear-down at once.
void InitThatLeaves() {
  Calls.push_back("init3");
  Table->Finalise();
}

// A finaliser that fails: the exit path is entered again from inside it.
void FiniThatReenters() {
  Calls.push_back("fini2");
  Table->Finalise();
}

class ModuleTableTest : public ::testing::Test {
 protected:
  void SetUp() override { Calls.clear(); }
  void TearDown() override { Table = nullptr; }
};

using Strings = std::vector<std::string>;

TEST_F(ModuleTableTest, InitialisersRunInOrderAndFinalisersInReverse) {
  const TModuleStep steps[] = {{&Init<1>, &Fini<1>}, {&Init<2>, nullptr},  {nullptr, &Fini<3>},
                               {nullptr, nullptr},   {&Init<5>, &Fini<5>}, {&Init<6>, &Fini<6>}};
  TModuleTable table(steps);
  table.Initialise();
  EXPECT_EQ(table.InitialisedCount(), 6u);
  table.Finalise();
  EXPECT_EQ(Calls,
            (Strings{"init1", "init2", "init5", "init6", "fini6", "fini5", "fini3", "fini1"}));
  EXPECT_EQ(table.InitialisedCount(), 0u);
}

TEST_F(ModuleTableTest, OnlyModulesWhoseInitialiserRanAreFinalised) {
  const TModuleStep steps[] = {{&Init<1>, &Fini<1>},
                               {&Init<2>, &Fini<2>},
                               {&InitThatLeaves, &Fini<3>},
                               {&Init<4>, &Fini<4>}};
  TModuleTable table(steps);
  Table = &table;
  table.Initialise();
  // The failing initialiser's own module is finalised too: it may hold what it
  // set up before failing.
  EXPECT_EQ(Calls, (Strings{"init1", "init2", "init3", "fini3", "fini2", "fini1"}));
}

TEST_F(ModuleTableTest, FinalisingTwiceRunsEachFinaliserOnce) {
  const TModuleStep steps[] = {{&Init<1>, &Fini<1>}, {&Init<2>, &Fini<2>}};
  TModuleTable table(steps);
  table.Initialise();
  table.Finalise();
  table.Finalise();
  EXPECT_EQ(Calls, (Strings{"init1", "init2", "fini2", "fini1"}));
}

TEST_F(ModuleTableTest, NothingIsInitialisedOnceTearDownHasBegun) {
  const TModuleStep steps[] = {{&Init<1>, &Fini<1>}};
  TModuleTable table(steps);
  table.Finalise();
  table.Initialise();
  table.Finalise();
  EXPECT_TRUE(Calls.empty());
}

TEST_F(ModuleTableTest, ReenteredTearDownCarriesOnWithTheRemainingFinalisers) {
  const TModuleStep steps[] = {
      {nullptr, &Fini<1>}, {nullptr, &FiniThatReenters}, {nullptr, &Fini<3>}};
  TModuleTable table(steps);
  Table = &table;
  table.Initialise();
  table.Finalise();
  EXPECT_EQ(Calls, (Strings{"fini3", "fini2", "fini1"}));
}

}  // namespace
