#include <string>

#include "tests/elements/window/form_fixture.h"

namespace {

using FormLifecycle = FormTest;

TEST_F(FormLifecycle, MadeHiddenWithTheApplicationWindowAndShownCentredAtStartUp) {
  PointProbe probe;
  auto form = MakeForm([&](TWDMainForm& f) {
    probe.Bind(f.onCreate, "create");
    probe.Bind(f.onShow, "show");
  });
  ASSERT_NE(AppWindow, nullptr);
  EXPECT_EQ(form->OwnsApplication, 1);
  HWND window = form->Control->Handle;
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindow(window, GW_OWNER), AppWindow->Handle);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(form->Control->Margin, 0);
  EXPECT_EQ(reinterpret_cast<TWDMainForm*>(form->Control->Tag), form.get());
  char caption[16] = {};
  GetWindowTextA(AppWindow->Handle, caption, sizeof caption);
  EXPECT_STREQ(caption, "Form");
  EXPECT_TRUE(probe.log.empty());

  EXPECT_EQ(InitListCount(), 1);
  RunInitList();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(probe.log, (std::vector<std::string>{"create", "show"}));
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, CentredLeft(119));
  EXPECT_EQ(r.top, CentredTop(209));
  EXPECT_EQ(form->Left, 0) << "the element's own fields stay as written";

  // Hidden and shown again: no second first show, one more onShow.
  form->Control->SetVisible(false);
  form->Control->SetVisible(true);
  EXPECT_EQ(probe.Count("show"), 2);
}

TEST_F(FormLifecycle, WindowStateIsAppliedAtTheFirstShow) {
  struct Case {
    std::uint8_t state;
    bool iconic;
    bool zoomed;
  };
  for (const Case c : {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}}) {
    SCOPED_TRACE(c.state);
    PointProbe probe;
    auto form = MakeForm([&](TWDMainForm& f) {
      f.WindowState = c.state;
      probe.Bind(f.onShow, "show");
    });
    RunInitList();
    Pump();
    HWND window = form->Control->Handle;
    EXPECT_EQ(IsIconic(window) != 0, c.iconic);
    EXPECT_EQ(IsZoomed(window) != 0, c.zoomed);
    EXPECT_EQ(probe.Count("show"), 1);
    EXPECT_EQ(form->FirstShowDone, 1);
    TControl* app = AppWindow;
    AppWindow = nullptr;
    Free(app);
  }
}

TEST_F(FormLifecycle, ClientSizeSizesTheClientAreaAndTaskbarStyleOneHidesTheTaskbarButton) {
  auto form = MakeForm([](TWDMainForm& f) {
    f.ClientSize = 1;
    f.SetTaskbarStyle(1);
  });
  RECT client;
  GetClientRect(form->Control->Handle, &client);
  EXPECT_EQ(client.right, 119);
  EXPECT_EQ(client.bottom, 209);
  // The platform adds the window edge to any framed window by itself.
  EXPECT_EQ(ExStyleOf(AppWindow->GetWindowHandle()) & ~WS_EX_WINDOWEDGE, 0x81u);
}

// The form and the application window show one icon: it lives as long as
// either still shows it, and goes with the last.
TEST_F(FormLifecycle, TheSharedIconOutlivesTheFormAndGoesWithTheApplicationWindow) {
  BYTE andMask[32 * 4] = {}, xorMask[32 * 4] = {};
  HICON icon = CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
  ASSERT_NE(icon, nullptr);
  auto form = MakeForm([&](TWDMainForm& f) { f.SetIcon(icon); });
  HWND app = AppWindow->GetWindowHandle();
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(form->Control->Handle, WM_GETICON, ICON_BIG, 0)),
            icon);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(app, WM_GETICON, ICON_BIG, 0)), icon);

  form.reset();
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info)) << "the application window still shows it";
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);

  TControl* appWindow = AppWindow;
  AppWindow = nullptr;
  Free(appWindow);
  EXPECT_FALSE(GetIconInfo(icon, &info));
}

}  // namespace
