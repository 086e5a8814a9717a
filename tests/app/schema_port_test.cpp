// The program's own schema, built for real (its windows made and left
// hidden, the program's resources beside it), with its serial port on the fake
// device.
#include <gtest/gtest.h>

#include "app/schema.h"
#include "app/shell_state.h"
#include "elements/serial/com_async.h"
#include "elements/window/button.h"
#include "elements/window/main_form.h"
#include "runtime/init_list.h"
#include "tests/elements/serial/fake_comm.h"
#include "tests/toolkit/window_fixture.h"
#include "toolkit/str_list.h"

namespace {

class SchemaTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    FreeInitList();
    if (!FormWindowList) FormWindowList = NewStrListEx();
    InnerMessageId = RegisterWindowMessageA("inner message");
    schema = new TClassMainForm_E47830();
  }
  void TearDown() override {
    // As at the program's end: the windows go with the application window
    // first, then the schema.
    TControl* app = AppWindow;
    AppWindow = nullptr;
    Free(app);
    delete schema;
    SchemaInstance = nullptr;
    FreeInitList();
    WindowTest::TearDown();
  }

  TCallLog log;
  TFakeComm fake{log};
  TClassMainForm_E47830* schema = nullptr;
};

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// The form and the application window show the program's icon "WDAP": its
// 32-pixel image as the big icon, and a 16-pixel small one made of it.
TEST_F(SchemaTest, FormAndApplicationWindowCarryTheProgramIcon) {
  const HICON program = LoadIconA(GetModuleHandleA(nullptr), "WDAP");
  ASSERT_NE(program, nullptr);
  for (TControl* window : {static_cast<TControl*>(schema->MainForm->Control), AppWindow}) {
    ASSERT_NE(window->Handle, nullptr);
    auto icon = [&](WPARAM which) {
      return reinterpret_cast<HICON>(SendMessageA(window->Handle, WM_GETICON, which, 0));
    };
    EXPECT_EQ(icon(ICON_BIG), program);
    EXPECT_EQ(IconWidth(icon(ICON_BIG)), 32);
    EXPECT_EQ(IconWidth(icon(ICON_SMALL2)), 16);
  }
}

TEST_F(SchemaTest, OpenGivesThePortTheSchemaQueuesAndTimeOuts) {
  EnableDispatch();
  FireNull(schema->ButtonOpen->onClick);
  DisableDispatch();

  EXPECT_EQ(fake.deviceName, "\\\\.\\COM3");
  EXPECT_EQ(fake.inQueueSet, 4096u);
  EXPECT_EQ(fake.outQueueSet, 4096u);
  const COMMTIMEOUTS& t = fake.timeoutsSet;
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
  EXPECT_EQ(schema->ComPort->Opened, 1);
  // The line: 19200 baud, 8N1. A pty keeps no parity of its own, so even
  // parity shows only here, not in the device's settings.
  EXPECT_EQ(fake.stateSet.BaudRate, 19200u);
  EXPECT_EQ(fake.stateSet.ByteSize, 8);
  EXPECT_EQ(fake.stateSet.Parity, NOPARITY);
  EXPECT_EQ(fake.stateSet.StopBits, ONESTOPBIT);
}

}  // namespace
