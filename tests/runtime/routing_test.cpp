#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "probes.h"
#include "runtime/do_data.h"
#include "runtime/hub.h"

namespace {

// Changes the record it is given, as a receiver may.
struct Scribbler {
  int calls = 0;
  void doReceive(TData& data, std::uint16_t) {
    ++calls;
    MakeInteger(data, -1);
    data.StrValue = TText("scribbled");
  }
};

}  // namespace

TEST_F(Dispatching, HubWithoutOutputsDoesNothing) {
  TWDHub hub;
  TWD_Event in;
  MakePoint<&TWDHub::doEvent>(hub, 0, in);
  TData value = Integer(3);
  RunEventChain(in, value);
  EXPECT_EQ(hub.OutCount, 0);
  EXPECT_EQ(value.DataType, dtInteger);
  EXPECT_EQ(value.IntValue, 3);
}

TEST_F(Dispatching, HubFiresEveryOutputInOrderEachWithItsOwnCopy) {
  std::vector<Delivery> log;
  Scribbler scribbler;
  Recorder second{"second", &log}, fourth{"fourth", &log};
  TWDHub hub;
  hub.SetOutCount(4);
  ASSERT_EQ(hub.OutCount, 4);
  ASSERT_EQ(hub.onEvent.Count(), 4u);
  MakePoint<&Scribbler::doReceive>(scribbler, 0, hub.onEvent[0]);
  MakePoint<&Recorder::doReceive>(second, 11, hub.onEvent[1]);
  // output 2 stays unbound
  MakePoint<&Recorder::doReceive>(fourth, 33, hub.onEvent[3]);

  TWD_Event in;
  MakePoint<&TWDHub::doEvent>(hub, 5, in);
  TData value = String("value");
  RunEventChain(in, value);

  EXPECT_EQ(scribbler.calls, 1);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "second");
  EXPECT_EQ(log[0].text, "value") << "a later output never sees an earlier output's changes";
  EXPECT_EQ(log[0].index, 11);
  EXPECT_TRUE(log[0].shared.SharesWith(value.StrValue));
  EXPECT_EQ(log[1].who, "fourth");
  EXPECT_EQ(log[1].index, 33);
  EXPECT_EQ(value.DataType, dtString) << "the hub leaves its incoming record unchanged";
  EXPECT_EQ(value.StrValue, "value");
}

TEST(Hub, OutputCountStopsAt255AndNewOutputsStartUnbound) {
  Recorder sink{"sink", nullptr};
  TWDHub hub;
  hub.SetOutCount(300);
  EXPECT_EQ(hub.OutCount, 255);
  EXPECT_EQ(hub.onEvent.Count(), 255u);

  hub.SetOutCount(2);
  MakePoint<&Recorder::doReceive>(sink, 0, hub.onEvent[1]);
  hub.SetOutCount(1);
  hub.SetOutCount(3);
  EXPECT_EQ(hub.OutCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(hub.onEvent[i].Bound()) << i;
}

TEST_F(Dispatching, HubOutputLeadingToDoDataFinishesBeforeTheNextOutput) {
  std::vector<Delivery> log;
  Recorder afterDoData{"after DoData", &log}, direct{"direct", &log};
  TWDDoData doData;
  MakeString(doData.Data, TText("B"));
  MakePoint<&Recorder::doReceive>(afterDoData, 0, doData.onData);
  TWDHub hub;
  hub.SetOutCount(2);
  MakePoint<&TWDDoData::doData>(doData, 0, hub.onEvent[0]);
  MakePoint<&Recorder::doReceive>(direct, 0, hub.onEvent[1]);
  TWD_Event in;
  MakePoint<&TWDHub::doEvent>(hub, 0, in);

  FireInteger(in, 12);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "after DoData");
  EXPECT_EQ(log[0].text, "B");
  EXPECT_EQ(log[1].who, "direct");
  EXPECT_EQ(log[1].type, dtInteger) << "output 1 still gets what arrived at the hub";
  EXPECT_EQ(log[1].integer, 12);
}

TEST_F(Dispatching, DoDataSendsItsOwnValueAndDiscardsWhatArrived) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWDDoData doData;
  MakeString(doData.Data, TText("A"));
  MakePoint<&Recorder::doReceive>(sink, 4, doData.onData);
  TWD_Event in;
  MakePoint<&TWDDoData::doData>(doData, 9, in);

  TData second = Integer(2);
  TData arriving = Integer(1);
  arriving.Next = &second;
  FireData(in, arriving);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].type, dtString);
  EXPECT_EQ(log[0].text, "A");
  EXPECT_EQ(log[0].next, nullptr) << "the arriving chain is gone, not forwarded";
  EXPECT_EQ(log[0].index, 4);
  EXPECT_TRUE(log[0].shared.SharesWith(doData.Data.StrValue));
  EXPECT_EQ(doData.Data.DataType, dtString) << "its own value stays for the next click";
}

TEST_F(Dispatching, DoDataWithNothingToSendSendsNull) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWDDoData doData;
  MakePoint<&Recorder::doReceive>(sink, 0, doData.onData);
  TWD_Event in;
  MakePoint<&TWDDoData::doData>(doData, 0, in);
  FireText(in, TText("arrived"));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].type, dtNull);
}

TEST_F(Dispatching, DoDataPrefersTheAnswerOfItsDataPointUnlessItIsBreak) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  Answerer answerer;
  TWDDoData doData;
  MakeString(doData.Data, TText("own"));
  MakePoint<&Answerer::doAnswer>(answerer, 0, doData.readData);
  MakePoint<&Recorder::doReceive>(sink, 0, doData.onData);
  TWD_Event in;
  MakePoint<&TWDDoData::doData>(doData, 0, in);

  answerer.answer = Integer(7);
  FireNull(in);
  answerer.answer = Tagged(dtBreak);
  FireNull(in);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].type, dtInteger);
  EXPECT_EQ(log[0].integer, 7);
  EXPECT_EQ(log[1].text, "own");
}

TEST_F(Dispatching, DoDataWithoutOutputEndsTheChainUnmarked) {
  TWDDoData doData;
  MakeString(doData.Data, TText("A"));
  TWD_Event in;
  MakePoint<&TWDDoData::doData>(doData, 0, in);
  TData record = Integer(1);
  RunEventChain(in, record);
  EXPECT_EQ(record.DataType, dtString);
  EXPECT_EQ(record.StrValue, "A");
}

TEST_F(Dispatching, AClickTravelsThroughDoDataAndHubToBothReceivers) {
  // The shape of the program's button links: click -> DoData -> hub -> port.
  std::vector<Delivery> log;
  Recorder port{"port", &log}, monitor{"monitor", &log};
  auto doData = std::make_unique<TWDDoData>();
  auto hub = std::make_unique<TWDHub>();
  MakeString(doData->Data, TText("A"));
  hub->SetOutCount(2);
  MakePoint<&TWDHub::doEvent>(*hub, 0, doData->onData);
  MakePoint<&Recorder::doReceive>(port, 1, hub->onEvent[0]);
  MakePoint<&Recorder::doReceive>(monitor, 2, hub->onEvent[1]);
  TWD_Event onClick;
  MakePoint<&TWDDoData::doData>(*doData, 0, onClick);

  TData clickData;
  FireData(onClick, clickData);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "port");
  EXPECT_EQ(log[0].text, "A");
  EXPECT_EQ(log[1].who, "monitor");
  EXPECT_EQ(log[1].text, "A");
  EXPECT_EQ(clickData.DataType, dtNull);
}
