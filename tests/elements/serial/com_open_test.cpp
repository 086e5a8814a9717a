#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "elements/serial/port_name.h"
#include "tests/elements/serial/serial_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> kRefusedOpenEvents = {
    "onBeforeOpen", "onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose", "onOpen 0"};

TEST(ComPortNumberTest, ReadsTheNumberAfterThePrefixInEitherCase) {
  EXPECT_EQ(ComPortNumber("COM3"), 3);
  EXPECT_EQ(ComPortNumber("com12"), 12);
  EXPECT_EQ(ComPortNumber("cOm255"), 255);
  EXPECT_EQ(ComPortNumber("COM1A"), 1);
  EXPECT_EQ(ComPortNumber("COM007"), 7);
}

TEST(ComPortNumberTest, RefusesNamesOutsideTheRule) {
  for (const char* name : {"", "CO", "COM", "COM0", "COM256", "COMX", "COM-1", "COM 1", "LPT1",
                           "COM1234", "COMMAND", "\xC1OM1"}) {
    EXPECT_EQ(ComPortNumber(name), 0) << name;
  }
}

using SerialOpenTest = SerialSeamTest;

TEST_F(SerialOpenTest, NamesFailingTheCheckTouchNoDeviceAndKeepTheIncomingValue) {
  for (const char* name : {"COM", "COM0", "COM256", "COMX", "COM1234", "COMMAND"}) {
    log.Clear();
    port.Port = name;
    TData data = Integer(9600);
    port.doOpen(data, 0);
    EXPECT_THAT(log.Entries(), ElementsAre("onBeforeOpen", "onOpen 0")) << name;
    EXPECT_EQ(data.DataType, dtInteger) << name;
    EXPECT_EQ(data.IntValue, 9600) << name;
    EXPECT_EQ(port.Opened, 0) << name;
  }
}

TEST_F(SerialOpenTest, AcceptedNamesOpenTheDeviceUnderTheirOwnSpelling) {
  const struct {
    const char* name;
    const char* device;
    const char* opened;
  } cases[] = {{"com12", "\\\\.\\com12", "onOpen 12"},
               {"COM1A", "\\\\.\\COM1A", "onOpen 1"},
               {"COM255", "\\\\.\\COM255", "onOpen 255"}};
  for (const auto& c : cases) {
    log.Clear();
    port.Port = c.name;
    Open();
    EXPECT_EQ(fake.deviceName, c.device);
    EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", c.opened));
    port.ClosePort();
  }
}

TEST_F(SerialOpenTest, OpensWithTheSchemaSettingsInTheRightOrder) {
  fake.driverState.fAbortOnError = 1;
  fake.driverState.fOutX = 1;
  fake.driverState.fDtrControl = DTR_CONTROL_HANDSHAKE;
  fake.driverState.ErrorChar = 0x3F;
  fake.driverState.EofChar = 0x1A;
  Open();

  EXPECT_THAT(Calls(), ElementsAre("CreateFileA \\\\.\\COM3", "GetCommState", "PurgeComm 0xc",
                                   "SetupComm 4096 4096", "SetCommState", "SetCommTimeouts",
                                   "SetCommMask 0x0", "GetCommModemStatus"));
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3"));
  EXPECT_EQ(fake.access, 0xC0000000u);
  EXPECT_EQ(fake.share, 0u);
  EXPECT_EQ(fake.creation, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(fake.flags, 0x40000080u);
  EXPECT_EQ(port.Opened, 1);
  EXPECT_FALSE(port.ThreadHandle) << "no event flag set, so no receive thread";

  const DCB& dcb = fake.stateSet;
  EXPECT_EQ(dcb.DCBlength, 28u);
  EXPECT_EQ(dcb.BaudRate, 19200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.XonLim, 1024);
  EXPECT_EQ(dcb.XoffLim, 1024);
  EXPECT_EQ(dcb.XonChar, 17);
  EXPECT_EQ(dcb.XoffChar, 19);
  EXPECT_EQ(dcb.EvtChar, 0);
  EXPECT_EQ(FlagWord(dcb), 0x1u) << "the flag word is rebuilt from nothing";
  EXPECT_EQ(dcb.ErrorChar, 0x3F) << "kept from the driver";
  EXPECT_EQ(dcb.EofChar, 0x1A) << "kept from the driver";

  const COMMTIMEOUTS& t = fake.timeoutsSet;
  EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
}

TEST_F(SerialOpenTest, EveryPropertyReachesTheLineRecord) {
  port.Parity = 2;
  port.StopBits = 2;
  port.DataBits = 2;
  port.EvtChar = 0x17E;
  port.XonChar = 0x111;
  port.XoffChar = 0x113;
  port.ErrorChar = 0x12A;
  port.DiscardNull = port.ParityCheck = port.ErrorReplace = port.DsrSensitivity = 1;
  port.OutxCtsFlow = port.OutxDsrFlow = port.TxContinueOnXoff = port.InX = port.OutX = 1;
  port.DTRControl = 2;
  port.RTSControl = 3;
  port.InQueueSize = 1002;
  port.OutQueueSize = 2000;
  port.ReadIntervalTimeout = 11;
  port.ReadTotalTimeoutConstant = 12;
  port.ReadTotalTimeoutMultiplier = 13;
  port.WriteTotalTimeoutConstant = 14;
  port.WriteTotalTimeoutMultiplier = 15;
  Open();

  const DCB& dcb = fake.stateSet;
  EXPECT_EQ(dcb.Parity, EVENPARITY);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(static_cast<BYTE>(dcb.EvtChar), 0x7E);
  EXPECT_EQ(static_cast<BYTE>(dcb.XonChar), 0x11);
  EXPECT_EQ(static_cast<BYTE>(dcb.XoffChar), 0x13);
  EXPECT_EQ(static_cast<BYTE>(dcb.ErrorChar), 0x2A);
  EXPECT_EQ(dcb.XonLim, 250);
  EXPECT_EQ(dcb.XoffLim, 250);
  EXPECT_EQ(FlagWord(dcb),
            0x1u | 0x20 | 0x3000 | 0x800 | 0x2 | 0x400 | 0x40 | 0x4 | 0x8 | 0x80 | 0x200 | 0x100);
  EXPECT_EQ(fake.inQueueSet, 1002u);
  EXPECT_EQ(fake.outQueueSet, 2000u);
  const COMMTIMEOUTS& t = fake.timeoutsSet;
  EXPECT_EQ(t.ReadIntervalTimeout, 11u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 12u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 13u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 14u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 15u);
}

TEST_F(SerialOpenTest, ReplacementCharacterNeedsParityCheck) {
  fake.driverState.ErrorChar = 0x3F;
  port.ErrorReplace = 1;
  port.ErrorChar = 0x2A;
  Open();
  EXPECT_EQ(FlagWord(fake.stateSet), 0x1u);
  EXPECT_EQ(fake.stateSet.ErrorChar, 0x3F);
}

TEST_F(SerialOpenTest, EachEventFlagSelectsItsOwnBitAndStartsTheThread) {
  const struct {
    std::uint8_t TWDComAsync::*flag;
    DWORD bit;
  } flags[] = {{&TWDComAsync::EvRxChar, 0x1},  {&TWDComAsync::EvRxFlag, 0x2},
               {&TWDComAsync::EvTxEmpty, 0x4}, {&TWDComAsync::EvCTS, 0x8},
               {&TWDComAsync::EvDSR, 0x10},    {&TWDComAsync::EvRLSD, 0x20},
               {&TWDComAsync::EvBreak, 0x40},  {&TWDComAsync::EvErr, 0x80},
               {&TWDComAsync::EvRing, 0x100},  {&TWDComAsync::EvRx80Full, 0x400}};
  DWORD all = 0;
  for (const auto& f : flags) {
    port.*f.flag = 1;
    Open();
    EXPECT_EQ(port.EventMask, f.bit);
    EXPECT_TRUE(port.ThreadHandle);
    EXPECT_EQ(GetThreadPriority(port.ThreadHandle.Get()), THREAD_PRIORITY_HIGHEST);
    port.ClosePort();
    port.*f.flag = 0;
    all |= f.bit;
  }
  for (const auto& f : flags) port.*f.flag = 1;
  log.Clear();
  Open();
  EXPECT_EQ(port.EventMask, all);
  EXPECT_EQ(log.Count("SetCommMask 0x5ff"), 1);
  EXPECT_EQ(log.Count("CreateThread"), 1);
}

TEST_F(SerialOpenTest, ModesFromDataPointsOutOfRangeConfigureModeZero) {
  TAnswer dtr{Integer(3)}, rts{Integer(4)};
  MakePoint<&TAnswer::Answer>(dtr, 0, port.readDTRControl);
  MakePoint<&TAnswer::Answer>(rts, 0, port.readRTSControl);
  port.DTRControl = 1;
  port.RTSControl = 1;
  Open();
  EXPECT_EQ(FlagWord(fake.stateSet), 0x1u);
  port.ClosePort();

  dtr.value = Integer(2);
  rts.value = Integer(3);
  Open();
  EXPECT_EQ(FlagWord(fake.stateSet), 0x1u | 0x20 | 0x3000);
}

TEST_F(SerialOpenTest, DataPointsWinOverPropertiesUnlessTheyAnswerBreak) {
  TAnswer baud{Integer(9600)}, name{String("COM7")};
  MakePoint<&TAnswer::Answer>(baud, 0, port.readBaud);
  MakePoint<&TAnswer::Answer>(name, 0, port.readPort);
  Open();
  EXPECT_EQ(fake.stateSet.BaudRate, 9600u);
  EXPECT_EQ(fake.deviceName, "\\\\.\\COM7");
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 7"));
  EXPECT_EQ(port.PortName, "COM7");
  port.ClosePort();

  baud.value.DataType = dtBreak;
  name.value.DataType = dtBreak;
  Open();
  EXPECT_EQ(fake.stateSet.BaudRate, 19200u);
  EXPECT_EQ(fake.deviceName, "\\\\.\\COM3");
}

TEST_F(SerialOpenTest, UnsetSettingsAreTakenFromTheIncomingValuesInOrder) {
  port.Baud = 0;
  TData third = Integer(9600);
  TData second = Integer(2);
  second.Next = &third;
  TData first = Integer(1);
  first.Next = &second;
  port.doOpen(first, 0);
  EXPECT_EQ(fake.stateSet.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(fake.stateSet.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
  EXPECT_EQ(fake.stateSet.BaudRate, 9600u);
}

TEST_F(SerialOpenTest, RefusedConfigurationClosesWithTheFullSequence) {
  const struct {
    bool TFakeComm::*failure;
    const char* lastCall;
  } refusals[] = {{&TFakeComm::purgeFails, "SetupComm 4096 4096"},
                  {&TFakeComm::setStateFails, "SetCommState"},
                  {&TFakeComm::setTimeoutsFails, "SetCommTimeouts"},
                  {&TFakeComm::setMaskFails, "SetCommMask 0x1"},
                  {&TFakeComm::createThreadFails, "CreateThread"},
                  {&TFakeComm::createEventFails, "SetCommMask 0x1"}};
  port.EvRxChar = 1;
  for (const auto& r : refusals) {
    log.Clear();
    fake.*r.failure = true;
    Open();
    fake.*r.failure = false;
    const std::vector<std::string> calls = Calls();
    EXPECT_THAT(Events(), ::testing::ElementsAreArray(kRefusedOpenEvents)) << r.lastCall;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 1], "CloseHandle port") << r.lastCall;
    EXPECT_EQ(log.Count("CloseHandle port"), 1);
    EXPECT_EQ(log.Count(r.lastCall), 1) << r.lastCall;
    EXPECT_EQ(port.Opened, 0);
    EXPECT_FALSE(port.ThreadHandle);
  }
}

TEST_F(SerialOpenTest, RefusedPurgeSkipsTheLineConfiguration) {
  fake.purgeFails = true;
  Open();
  EXPECT_EQ(log.Count("SetCommState"), 0);
  EXPECT_EQ(log.Count("SetupComm 4096 4096"), 1) << "queue sizes are set all the same";
}

TEST_F(SerialOpenTest, FailedStateReadAndQueueSetupAreIgnored) {
  fake.getStateFails = true;
  fake.setupFails = true;
  Open();
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3"));
  EXPECT_EQ(fake.stateSet.BaudRate, 19200u);
}

TEST_F(SerialOpenTest, DeviceThatCannotBeCreatedFiresNoCloseEvents) {
  for (DWORD error :
       {static_cast<DWORD>(ERROR_FILE_NOT_FOUND), static_cast<DWORD>(ERROR_ACCESS_DENIED)}) {
    log.Clear();
    fake.createFails = true;
    fake.createError = error;
    Open();
    EXPECT_THAT(log.Entries(), ElementsAre("onBeforeOpen", "CreateFileA \\\\.\\COM3", "onOpen 0"));
    EXPECT_EQ(port.Opened, 0);
  }
}

TEST_F(SerialOpenTest, SecondOpenFiresAndReadsNothing) {
  TAnswer baud{Integer(9600)};
  Open();
  MakePoint<&TAnswer::Answer>(baud, 0, port.readBaud);
  log.Clear();
  TData data = Integer(5);
  port.doOpen(data, 0);
  EXPECT_THAT(log.Entries(), ElementsAre("GetCommState")) << "asks only whether it is there";
  EXPECT_EQ(baud.asked, 0) << "the data point was not read";
  EXPECT_EQ(data.DataType, dtInteger) << "the incoming value was not consumed";
  EXPECT_EQ(data.IntValue, 5);
}

TEST_F(SerialOpenTest, LinesThatAreOnAreReportedAtOpenInOrder) {
  fake.modemStatus = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON | MS_RING_ON;
  Open();
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onCTS 1", "onDSR 1", "onRLSD 1", "onOpen 3"));
  port.ClosePort();

  log.Clear();
  fake.modemStatus = MS_DSR_ON;
  Open();
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onDSR 1", "onOpen 3"));
  EXPECT_EQ(port.CtsState.load(), 0);
  EXPECT_EQ(port.DsrState.load(), 1);
  port.ClosePort();

  log.Clear();
  fake.modemFails = true;
  Open();
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3"));
}

TEST_F(SerialOpenTest, DestroyingAnOpenElementClosesItsPortInOrder) {
  std::optional<TWDComAsync> element(std::in_place);
  SetSchemaProperties(*element);
  recorder.Bind(*element);
  fake.modemStatus = MS_CTS_ON;
  TData none;
  element->doOpen(none, 0);
  log.Clear();
  element.reset();
  EXPECT_THAT(log.Entries(),
              ElementsAre("onBeforeClose", "ClearCommError", "CreateThread flush",
                          "FlushFileBuffers", "PurgeComm 0xf", "onCTS 0", "onDSR 0", "onRLSD 0",
                          "CloseHandle port", "onClose"));

  element.emplace();
  recorder.Bind(*element);
  log.Clear();
  element.reset();
  EXPECT_THAT(log.Entries(), IsEmpty()) << "a closed element fires nothing";
}

TEST_F(SerialOpenTest, ClosedElementOpensAgainWithTheNewSettings) {
  Open();
  port.ClosePort();
  port.Baud = 9600;
  log.Clear();
  Open();
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3"));
  EXPECT_EQ(fake.stateSet.BaudRate, 9600u);
  port.ClosePort();
  port.ClosePort();
  EXPECT_EQ(log.Count("onClose"), 1) << "a second close does nothing";
}

TEST_F(SerialOpenTest, EmptyOutputQueueIsFlushedAndThenPurged) {
  fake.outQueues = {0};
  Open();
  log.Clear();
  port.ClosePort();
  EXPECT_THAT(Calls(), ElementsAre("ClearCommError", "CreateThread flush", "FlushFileBuffers",
                                   "PurgeComm 0xf", "CloseHandle port"));
  EXPECT_THAT(fake.flushed, ElementsAre(TFakeComm::PortCopy())) << "its own handle, not the port's";
}

TEST_F(SerialOpenTest, QueuedOutputIsFlushedOnceItHasGone) {
  fake.outQueues = {5, 3, 0};
  Open();
  log.Clear();
  port.ClosePort();
  EXPECT_THAT(Calls(), ElementsAre("ClearCommError", "ClearCommError", "ClearCommError",
                                   "CreateThread flush", "FlushFileBuffers", "PurgeComm 0xf",
                                   "CloseHandle port"));
}

TEST_F(SerialOpenTest, OutputHeldBackDoesNotHoldTheCloseForever) {
  port.WriteTotalTimeoutConstant = 100;
  port.WriteTotalTimeoutMultiplier = 0;
  fake.outQueues = {5};
  Open();
  // The bound comes from the time-outs the port was opened with.
  port.WriteTotalTimeoutConstant = 5000;
  port.WriteTotalTimeoutMultiplier = 1000;
  const ULONGLONG start = GetTickCount64();
  port.ClosePort();
  const ULONGLONG elapsed = GetTickCount64() - start;
  RecordProperty("close_ms", static_cast<int>(elapsed));
  EXPECT_EQ(log.Count("FlushFileBuffers"), 0) << "a flush would wait on the same stalled line";
  EXPECT_EQ(log.Count("PurgeComm 0xf"), 1);
  EXPECT_EQ(port.Opened, 0);
  EXPECT_GE(elapsed, 500u) << "the queue is given its write time-out and margin to drain";
  EXPECT_LT(elapsed, 1500u);
}

TEST_F(SerialOpenTest, FlushThatDoesNotReturnIsBoundedAndThenPurged) {
  for (const TFlushMode mode : {TFlushMode::HangsUntilCancel, TFlushMode::HangsUntilPurge,
                                TFlushMode::HangsUntilRelease}) {
    fake.flushMode = mode;
    Open();
    log.Clear();
    const ULONGLONG start = GetTickCount64();
    port.ClosePort();
    const ULONGLONG elapsed = GetTickCount64() - start;
    const std::vector<std::string> calls = Calls();
    EXPECT_THAT(calls, ElementsAre("ClearCommError", "CreateThread flush", "FlushFileBuffers",
                                   "CancelSynchronousIo", "PurgeComm 0xf", "CloseHandle port"))
        << static_cast<int>(mode);
    EXPECT_EQ(port.Opened, 0);
    RecordProperty("close_ms_mode" + std::to_string(static_cast<int>(mode)),
                   static_cast<int>(elapsed));
    // The flush gets 1 s, then 250 ms after its cancel; a loaded machine may
    // stretch that, up to three times.
    EXPECT_GE(elapsed, 950u) << static_cast<int>(mode);
    EXPECT_LT(elapsed, 3 * (1000u + 250u)) << static_cast<int>(mode);
    fake.ReleaseFlush();
    ResetEvent(fake.flushRelease);
  }
}

}  // namespace
