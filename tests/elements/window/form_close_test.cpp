#include <string>

#include "tests/elements/window/form_fixture.h"
#include "toolkit/run_loop.h"

namespace {

class FormClose : public FormTest {
 protected:
  // Runs the program's loop until the quit the close posts; never longer than 5 s.
  void RunUntilClosed() {
    ArmSafetyQuit(5000);
    RunApplication(AppWindow);
    EXPECT_FALSE(SafetyFired());
  }
};

TEST_F(FormClose, RefusedByTheUserQueryButNotWhenPassedDownAndThenDispatchIsOff) {
  PointProbe probe;
  auto form = MakeForm([&](TWDMainForm& f) {
    probe.Bind(f.readClose, "ask");
    probe.Bind(f.onClose, "close");
    probe.Bind(f.onActivate, "activate");
  });
  MakeInteger(probe.answers[0], 1);
  RunInitList();
  HWND window = form->Control->Handle;

  PostMessageA(window, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(probe.Count("ask"), 1);
  EXPECT_EQ(probe.Count("close"), 0);

  probe.log.clear();
  PostMessageA(window, WM_CLOSE, 0, 1);
  RunUntilClosed();
  EXPECT_EQ(probe.Count("ask"), 0) << "lParam 1 asks nobody";
  EXPECT_EQ(probe.Count("close"), 1);
  EXPECT_EQ(AppWindow, nullptr) << "the loop ended and released the application window";
  EXPECT_EQ(form->ControlGone, 1);

  // Nothing fired after the close reaches anyone.
  const std::size_t seen = probe.log.size();
  FireNull(form->onClose);
  FireNull(form->onActivate);
  EXPECT_EQ(probe.log.size(), seen);
}

TEST_F(FormClose, AUserCloseNobodyRefusesClosesTheChildFormsFirst) {
  PointProbe probe;
  auto form = MakeForm([&](TWDMainForm& f) { probe.Bind(f.onClose, "close"); });
  // A second main form on the first one's control: a child form of it.
  auto child = std::make_unique<TWDMainForm>(form->Control);
  probe.Bind(child->readClose, "child asked");
  probe.Bind(child->onClose, "child close");
  child->Init();
  RunInitList();
  EXPECT_EQ(child->OwnsApplication, 0);
  HWND childWindow = child->Control->Handle;
  ASSERT_TRUE(IsWindowVisible(childWindow));

  PostMessageA(form->Control->Handle, WM_CLOSE, 0, 0);
  RunUntilClosed();
  // The child was told to close without being asked; only the owner announces it.
  EXPECT_EQ(probe.log, std::vector<std::string>{"close"});
  EXPECT_FALSE(IsWindow(childWindow));
}

// The geometry at the close is written (decimal text, or REG_DWORD values), and
// the next form with the same store takes it at its first show instead of the centre.
TEST_F(FormClose, TheStoredGeometryOfOneRunIsWhereTheNextRunShows) {
  using Read = std::string (*)(const char* key);
  const std::pair<const char*, Read> kStores[] = {
      {"pos.ini\\Main", [](const char* key) { return IniText("Main", key); }},
      {"Example\\Window", [](const char* key) { return RegDword(key); }}};
  for (const auto& [store, read] : kStores) {
    SCOPED_TRACE(store);
    auto first = MakeForm([&](TWDMainForm& f) { f.SavePosition = store; });
    RunInitList();
    EXPECT_EQ(first->Control->Left(), CentredLeft(119)) << "nothing stored yet";
    first->Control->SetBoundsRect({-3, 50, -3 + 150, 50 + 260});
    PostMessageA(first->Control->Handle, WM_CLOSE, 0, 0);
    RunUntilClosed();
    first.reset();
    EXPECT_EQ(read("Left"), "-3");
    EXPECT_EQ(read("Top"), "50");
    EXPECT_EQ(read("Width"), "150");
    EXPECT_EQ(read("Height"), "260");

    AppTerminated = false;
    EnableDispatch();
    auto second = MakeForm([&](TWDMainForm& f) { f.SavePosition = store; });
    EXPECT_EQ(second->Control->Left(), CentredLeft(119)) << "Init still centres";
    RunInitList();
    RECT r;
    GetWindowRect(second->Control->Handle, &r);
    EXPECT_EQ(r.left, -3);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 260);
    TControl* app = AppWindow;
    AppWindow = nullptr;
    Free(app);
    ForgetStores();
  }
}

}  // namespace
