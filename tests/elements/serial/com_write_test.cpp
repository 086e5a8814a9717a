#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "tests/elements/serial/serial_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class SerialWriteTest : public SerialSeamTest {
 protected:
  void SetUp() override {
    SerialSeamTest::SetUp();
    Open();
    log.Clear();
  }

  void Write(TData value) { port.doWrite(value, 2); }
};

TData RealValue(double value) {
  TData data;
  data.DataType = dtReal;
  data.RealValue = value;
  return data;
}

TEST_F(SerialWriteTest, SendsExactlyTheTextOfTheValue) {
  Write(String("A"));
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 1", "onWrite 1"));
  Write(Integer(-12));
  Write(RealValue(1.5));
  Write(String("\xC2\xEA\xEB"));
  EXPECT_EQ(fake.written, "A-121.5\xC2\xEA\xEB");
  EXPECT_THAT(Events(), ElementsAre("onWrite 1", "onWrite 3", "onWrite 3", "onWrite 3"));
}

TEST_F(SerialWriteTest, NullValueWritesNothingAndReportsZero) {
  Write(TData{});
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 0", "onWrite 0"));
  EXPECT_EQ(fake.written, "");
}

TEST_F(SerialWriteTest, IncomingValueIsLeftAsItWas) {
  TData second = Integer(7);
  TData value = String("AB");
  value.Next = &second;
  port.doWrite(value, 2);
  EXPECT_EQ(value.DataType, dtString);
  EXPECT_EQ(value.StrValue, "AB");
  EXPECT_EQ(value.Next, &second);
}

TEST_F(SerialWriteTest, ReportsWhatThePlatformReportsForTheWrite) {
  fake.writeMode = TWriteMode::PendThenComplete;
  Write(String("ABC"));
  fake.writeCount = 2;
  Write(String("ABC"));
  fake.writeMode = TWriteMode::PendThenFail;
  Write(String("ABC"));
  EXPECT_THAT(Events(), ElementsAre("onWrite 3", "onWrite 2", "onWrite 0"));
}

TEST_F(SerialWriteTest, WriteRefusedAtOnceIsSilent) {
  fake.writeMode = TWriteMode::FailAtOnce;
  Write(String("A"));
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 1"));
}

TEST_F(SerialWriteTest, EmbeddedNulBytesAreSent) {
  TData value;
  MakeString(value, TText(std::string_view("A\0B\0", 4)));
  Write(value);
  EXPECT_EQ(fake.written, std::string("A\0B\0", 4));
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 4", "onWrite 4"));
}

TEST_F(SerialWriteTest, WriteThatNeverEndsIsCancelledAfterTheTimeOutConfiguredAtOpen) {
  port.ClosePort();
  port.WriteTotalTimeoutConstant = 50;
  port.WriteTotalTimeoutMultiplier = 10;
  Open();
  // Changed after the open: the port still has the time-outs it was opened with.
  port.WriteTotalTimeoutConstant = 5000;
  port.WriteTotalTimeoutMultiplier = 1000;
  fake.writeMode = TWriteMode::Never;
  log.Clear();
  const ULONGLONG start = GetTickCount64();
  Write(String("ABCDE"));
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 5", "CancelIoEx", "onWrite 0"));
  RecordProperty("write_ms", static_cast<int>(elapsed));
  EXPECT_GE(elapsed, 550u) << "50 + 5 x 10 ms and the margin of 500 ms are waited out first";
  EXPECT_LT(elapsed, 3 * 550u) << "bounded, even on a loaded machine";
}

TEST_F(SerialWriteTest, WriteWhoseCancelIsIgnoredKeepsTheRecordUntilItEnds) {
  port.ClosePort();
  port.WriteTotalTimeoutConstant = 50;
  port.WriteTotalTimeoutMultiplier = 10;
  Open();
  fake.writeMode = TWriteMode::Never;
  fake.cancelIgnored = true;
  log.Clear();
  ULONGLONG start = GetTickCount64();
  Write(String("ABCDE"));
  ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 5", "CancelIoEx", "onWrite 0"));
  RecordProperty("ignored_cancel_write_ms", static_cast<int>(elapsed));
  EXPECT_GE(elapsed, 1050u) << "the time-out, its margin and 500 ms after the cancel";
  EXPECT_LT(elapsed, 3 * 1050u);

  // The record is still the driver's: nothing is written, 0 is reported at once.
  fake.writeMode = TWriteMode::Complete;
  log.Clear();
  start = GetTickCount64();
  Write(String("X"));
  elapsed = GetTickCount64() - start;
  EXPECT_THAT(log.Entries(), ElementsAre("onWrite 0"));
  EXPECT_EQ(fake.written, "ABCDE");
  RecordProperty("next_write_ms", static_cast<int>(elapsed));
  EXPECT_LT(elapsed, 500u) << "no wait: a wait would take the 550 ms of the time-out";

  fake.CompleteWrite(5);
  log.Clear();
  Write(String("YZ"));
  EXPECT_THAT(log.Entries(), ElementsAre("WriteFile 2", "onWrite 2"));
  EXPECT_EQ(fake.written, "ABCDEYZ");
}

TEST_F(SerialWriteTest, WriteTheDriverStillHoldsAtDestructionCanEndLater) {
  std::optional<TWDComAsync> element(std::in_place);
  SetSchemaProperties(*element);
  element->WriteTotalTimeoutConstant = 10;
  element->WriteTotalTimeoutMultiplier = 0;
  TData none;
  element->doOpen(none, 0);
  fake.writeMode = TWriteMode::Never;
  fake.cancelIgnored = true;
  TData value = String("AB");
  element->doWrite(value, 2);
  element.reset();
  // Freed memory is poisoned: a freed record would have lost its event.
  EXPECT_TRUE(fake.CompleteWrite(2));
}

TEST_F(SerialWriteTest, WritesUseOneEventOfTheirOwnReleasedWithTheElement) {
  std::optional<TWDComAsync> element(std::in_place);
  SetSchemaProperties(*element);
  element->EvRxChar = 1;
  TData none;
  element->doOpen(none, 0);
  ASSERT_TRUE(WaitUntil([&] { return fake.WaitCalls() > 0; }));
  TData value = String("A");
  element->doWrite(value, 2);
  element->doWrite(value, 2);
  ASSERT_EQ(fake.writeEvents.size(), 2u);
  const HANDLE writeEvent = fake.writeEvents[0];
  EXPECT_NE(writeEvent, nullptr) << "completion is not signalled on the port handle";
  EXPECT_EQ(fake.writeEvents[1], writeEvent);
  EXPECT_NE(writeEvent, fake.waitEvent) << "the receive thread waits on another event";

  element->ClosePort();
  EXPECT_EQ(std::count(fake.closedHandles.begin(), fake.closedHandles.end(), writeEvent), 0)
      << "the write event lives as long as the element";
  element.reset();
  EXPECT_EQ(std::count(fake.closedHandles.begin(), fake.closedHandles.end(), writeEvent), 1);
}

// As a receiver on the receive thread writing while the GUI thread does.
TEST_F(SerialWriteTest, WriteThatFindsAnotherUnderWayReportsZeroAndLeavesItsRecord) {
  const HANDLE release = fake.holdWrite = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread other([&] { Write(String("A")); });
  EXPECT_TRUE(WaitUntil([&] { return log.Count("WriteFile 1") == 1; }));
  Write(String("BC"));
  EXPECT_EQ(log.Count("WriteFile 2"), 0) << "no second WriteFile on the record in flight";
  SetEvent(release);
  other.join();
  CloseHandle(release);
  EXPECT_THAT(Events(), ElementsAre("onWrite 0", "onWrite 1"));
}

TEST_F(SerialWriteTest, WriteWithoutAnEventSendsNothing) {
  fake.createEventFails = true;
  Write(String("A"));
  EXPECT_THAT(log.Entries(), IsEmpty());
}

TEST_F(SerialWriteTest, ModemLinesFollowTheValueAsAnInteger) {
  for (TData raise : {Integer(1), String("1"), Integer(-1)}) {
    port.doRTS(raise, 5);
    port.doDTR(raise, 4);
  }
  for (TData drop : {Integer(0), TData{}, String("abc")}) {
    port.doRTS(drop, 5);
    port.doDTR(drop, 4);
  }
  EXPECT_THAT(log.Entries(),
              ElementsAre("EscapeCommFunction 3", "EscapeCommFunction 5", "EscapeCommFunction 3",
                          "EscapeCommFunction 5", "EscapeCommFunction 3", "EscapeCommFunction 5",
                          "EscapeCommFunction 4", "EscapeCommFunction 6", "EscapeCommFunction 4",
                          "EscapeCommFunction 6", "EscapeCommFunction 4", "EscapeCommFunction 6"));
}

TEST_F(SerialWriteTest, RejectedLineChangeIsSilent) {
  fake.escapeFails = true;
  TData one = Integer(1);
  port.doRTS(one, 5);
  EXPECT_THAT(Events(), IsEmpty());
}

TEST_F(SerialWriteTest, ClosedPortIgnoresWritesAndLineChanges) {
  port.ClosePort();
  log.Clear();
  Write(String("A"));
  TData one = Integer(1);
  port.doRTS(one, 5);
  port.doDTR(one, 4);
  EXPECT_THAT(log.Entries(), IsEmpty());
}

}  // namespace
