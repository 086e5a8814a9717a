// A line whose far end stops reading: COM5 is the element's port, and nobody
// reads COM6 until the test drains it at the end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/elements/serial/peer_port.h"
#include "tests/elements/serial/serial_fixture.h"

namespace {

TEST(StalledLineTest, LargeWriteReturnsWithinItsTimeOutAndTheCloseIsBounded) {
  EnableDispatch();
  TCallLog log;
  TEventRecorder recorder(log);
  std::int32_t reported = -1;
  {
    TWDComAsync port;
    recorder.Bind(port);
    SetSchemaProperties(port, "COM5");
    port.WriteTotalTimeoutConstant = 300;
    port.WriteTotalTimeoutMultiplier = 0;
    TData none;
    port.doOpen(none, 0);
    ASSERT_EQ(port.Opened, 1) << "COM5 is missing: run inside the test world";

    const std::string big(4 << 20, 'z');
    TData value;
    MakeString(value, TText(big));
    const ULONGLONG start = GetTickCount64();
    port.doWrite(value, 2);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_LT(elapsed, 3 * (300u + 500u));
    const std::vector<std::string> events = EventsIn(log.Entries());
    ASSERT_EQ(events.size(), 3u);
    reported = std::stoi(events.back().substr(sizeof "onWrite"));
    EXPECT_LT(reported, static_cast<std::int32_t>(big.size())) << "the line stalled";

    const ULONGLONG closeStart = GetTickCount64();
    port.ClosePort();
    EXPECT_LT(GetTickCount64() - closeStart, 3000u);
  }
  TPeerPort peer("COM6");
  ASSERT_TRUE(peer.IsOpen());
  peer.Drain(300);
}

}  // namespace
