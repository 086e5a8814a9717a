// The program's own schema, built for real (its windows made and left
// hidden), with its serial port on the fake device.
#include <gtest/gtest.h>

#include "app/schema.h"
#include "app/shell_state.h"
#include "elements/serial/com_async.h"
#include "elements/window/button.h"
#include "runtime/init_list.h"
#include "tests/elements/serial/fake_comm.h"
#include "tests/toolkit/window_fixture.h"
#include "toolkit/str_list.h"

namespace {

using SchemaPortTest = WindowTest;

TEST_F(SchemaPortTest, OpenGivesThePortTheSchemaQueuesAndTimeOuts) {
  TCallLog log;
  TFakeComm fake(log);
  FreeInitList();
  if (!FormWindowList) FormWindowList = NewStrListEx();
  InnerMessageId = RegisterWindowMessageA("inner message");
  TClassMainForm_E47830* schema = new TClassMainForm_E47830();
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

  // As at the program's end: the windows go with the application window
  // first, then the schema.
  TControl* app = AppWindow;
  AppWindow = nullptr;
  Free(app);
  delete schema;
  SchemaInstance = nullptr;
  FreeInitList();
}

}  // namespace
