#include "runtime/event.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "probes.h"

namespace {

// Read before main: the hooks as the process starts.
const TDispatchProc HooksAtStart[2] = {EventDispatch.load(), QueryDispatch.load()};

}  // namespace

TEST(DispatchPhases, InactiveFromStartThenActiveThenInactiveAgain) {
  EXPECT_EQ(HooksAtStart[0], &NoDispatch);
  EXPECT_EQ(HooksAtStart[1], &NoDispatch);

  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWD_Event point;
  MakePoint<&Recorder::doReceive>(sink, 3, point);
  Answerer answerer;
  answerer.answer = Integer(77);
  TWD_Event question;
  MakePoint<&Answerer::doAnswer>(answerer, 0, question);

  auto fireEverything = [&] {
    FireNull(point);
    FireInteger(point, 1);
    FireText(point, TText("x"));
    FireData(point, Integer(2));
  };

  fireEverything();
  TData prepared = Integer(5);
  AskPoint(prepared, question);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(answerer.asked, 0);
  EXPECT_EQ(prepared.DataType, dtInteger) << "an inactive query leaves the prepared record";
  EXPECT_EQ(prepared.IntValue, 5);

  EnableDispatch();
  EXPECT_EQ(EventDispatch.load(), &RunEventChain);
  EXPECT_EQ(QueryDispatch.load(), &RunQuery);
  fireEverything();
  AskPoint(prepared, question);
  EXPECT_EQ(log.size(), 4u);
  EXPECT_EQ(prepared.IntValue, 77);

  DisableDispatch();
  EXPECT_EQ(EventDispatch.load(), &NoDispatch);
  EXPECT_EQ(QueryDispatch.load(), &NoDispatch);
  log.clear();
  fireEverything();
  EXPECT_TRUE(log.empty());
  TData empty;
  EXPECT_EQ(FetchInteger(empty, question, 19200), 0)
      << "the untouched NULL answer, not the default";
  EXPECT_EQ(FetchText(empty, question, TText("default")), "");
  EXPECT_EQ(QueryInteger(question), 0);
  EXPECT_EQ(answerer.asked, 1);
}

TEST(MakePoint, FillsMethodTargetAndIndex) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWD_Event point;
  EXPECT_FALSE(point.Bound());
  MakePoint<&Recorder::doReceive>(sink, 65535, point);
  EXPECT_TRUE(point.Bound());
  EXPECT_EQ(point.Target, &sink);
  EXPECT_EQ(point.Index, 65535);
  TData data = Integer(9);
  point.Method(point.Target, data, point.Index);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].index, 65535);
}

TEST_F(Dispatching, FiringDeliversOneRecordOfEachKindWithItsIndex) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWD_Event point;
  MakePoint<&Recorder::doReceive>(sink, 7, point);
  TText text("payload");

  FireNull(point);
  FireInteger(point, -5);
  FireText(point, text);
  FireData(point, String("data"));

  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].type, dtNull);
  EXPECT_EQ(log[1].type, dtInteger);
  EXPECT_EQ(log[1].integer, -5);
  EXPECT_EQ(log[2].type, dtString);
  EXPECT_EQ(log[2].text, "payload");
  EXPECT_TRUE(log[2].shared.SharesWith(text)) << "the text travels shared, not copied";
  EXPECT_EQ(log[3].text, "data");
  for (const Delivery& d : log) {
    EXPECT_EQ(d.index, 7);
    EXPECT_EQ(d.next, nullptr);
  }
}

namespace {

// Counts what goes through the event hook and hands it on to the real chain.
int HookedFirings = 0;
void CountingDispatch(const TWD_Event& point, TData& data) {
  ++HookedFirings;
  RunEventChain(point, data);
}

}  // namespace

TEST_F(Dispatching, FiringAnUnboundPointCallsNothing) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWD_Event bound;
  MakePoint<&Recorder::doReceive>(sink, 7, bound);
  // Everything of a bound point but its method.
  TWD_Event unbound = bound;
  unbound.Method = nullptr;
  HookedFirings = 0;
  EventDispatch.store(&CountingDispatch);

  FireNull(bound);
  ASSERT_EQ(log.size(), 1u) << "the receiver is reached through a bound point";
  FireNull(unbound);
  FireInteger(unbound, 1);
  FireText(unbound, TText("x"));
  TData value = String("y");
  FireData(unbound, value);

  EXPECT_EQ(HookedFirings, 5) << "every firing went through the dispatch";
  EXPECT_EQ(log.size(), 1u) << "no firing of the unbound point reached the receiver";
  EXPECT_EQ(value.StrValue, "y");
}

namespace {

// A receiver that does everything a receiver may do to its record.
struct Vandal {
  TWD_Event onOut;
  int calls = 0;
  void doReceive(TData& data, std::uint16_t) {
    ++calls;
    DropHead(data);
    MakeInteger(data, 1234);
    data.StrValue = TText("overwritten");
    data.Next = nullptr;
    PassOn(data, onOut, data);
  }
};

}  // namespace

TEST_F(Dispatching, FireDataNeverChangesTheCallersRecord) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  Vandal vandal;
  MakePoint<&Recorder::doReceive>(sink, 0, vandal.onOut);
  TWD_Event point;
  MakePoint<&Vandal::doReceive>(vandal, 0, point);

  TData second = Integer(2);
  TData value = String("kept");
  value.Next = &second;
  TText original = value.StrValue;
  FireData(point, value);

  EXPECT_EQ(vandal.calls, 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].integer, 1234);
  EXPECT_EQ(value.DataType, dtString);
  EXPECT_TRUE(value.StrValue.SharesWith(original));
  EXPECT_EQ(value.StrValue, "kept");
  EXPECT_EQ(value.Next, &second);
  EXPECT_EQ(value.PassOnPoint, nullptr);
  EXPECT_EQ(second.IntValue, 2);
}

TEST_F(Dispatching, FireDataSharesTheTextOfTheGivenValue) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  TWD_Event point;
  MakePoint<&Recorder::doReceive>(sink, 0, point);
  TData value = String("shared");
  FireData(point, value);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].shared.SharesWith(value.StrValue));
}

TEST_F(Dispatching, PassOnContinuesTheChainThroughEachLinkWithTheMarkRemoved) {
  std::vector<Delivery> log;
  Forwarder a, b;
  Recorder last{"last", &log};
  TWD_Event start;
  MakePoint<&Forwarder::doForward>(a, 0, start);
  MakePoint<&Forwarder::doForward>(b, 1, a.onOut);
  MakePoint<&Recorder::doReceive>(last, 9, b.onOut);

  TData data = Integer(41);
  RunEventChain(start, data);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].who, "last");
  EXPECT_EQ(log[0].type, dtInteger) << "the receiver never sees the mark";
  EXPECT_EQ(log[0].integer, 41);
  EXPECT_EQ(log[0].index, 9);
  EXPECT_EQ(data.DataType, dtInteger);
}

TEST_F(Dispatching, PassOnToAnUnboundPointEndsTheChainWithoutTheMark) {
  Forwarder forwarder;  // onOut unbound
  TWD_Event start;
  MakePoint<&Forwarder::doForward>(forwarder, 0, start);
  TData data = String("end");
  RunEventChain(start, data);
  EXPECT_EQ(data.DataType, dtString);
  EXPECT_EQ(data.StrValue, "end");
}

TEST(PassOn, CopiesTheValueMarksItAndPointsAtTheNextPoint) {
  TWD_Event next;
  TData second;
  TData value = String("v");
  value.Next = &second;
  TData data = Integer(3);
  PassOn(data, next, value);
  EXPECT_EQ(data.DataType, dtString + PassOnMark);
  EXPECT_TRUE(data.StrValue.SharesWith(value.StrValue));
  EXPECT_EQ(data.PassOnPoint, &next);
  EXPECT_EQ(data.Next, &second);
  EXPECT_EQ(value.DataType, dtString);
}

namespace {

// Remembers how deep the stack was when the value arrived.
struct DepthProbe {
  const void* frame = nullptr;
  std::int32_t value = 0;
  void doReceive(TData& data, std::uint16_t) {
    frame = __builtin_frame_address(0);
    value = AsInteger(data);
  }
};

const void* FireThrough(const TWD_Event& start, DepthProbe& probe) {
  FireInteger(start, 100000);
  return probe.frame;
}

}  // namespace

TEST_F(Dispatching, AChainOfAHundredThousandForwardersKeepsTheStackFlat) {
  constexpr int Length = 100000;
  DepthProbe probe;
  std::vector<Forwarder> chain(Length);
  for (int i = 0; i + 1 < Length; ++i)
    MakePoint<&Forwarder::doForward>(chain[i + 1], 0, chain[i].onOut);
  MakePoint<&DepthProbe::doReceive>(probe, 0, chain.back().onOut);
  TWD_Event longStart;
  MakePoint<&Forwarder::doForward>(chain[0], 0, longStart);

  Forwarder single;
  MakePoint<&DepthProbe::doReceive>(probe, 0, single.onOut);
  TWD_Event shortStart;
  MakePoint<&Forwarder::doForward>(single, 0, shortStart);

  const void* shallow = FireThrough(shortStart, probe);
  const void* deep = FireThrough(longStart, probe);
  EXPECT_EQ(probe.value, 100000);
  EXPECT_EQ(deep, shallow) << "the receiver at the end of the long chain ran deeper";
}

namespace {

// Passes on what it receives, counting the calls.
struct CountingForwarder {
  TWD_Event onOut;
  int calls = 0;
  void doForward(TData& data, std::uint16_t) {
    ++calls;
    PassOn(data, onOut, data);
  }
};

}  // namespace

TEST_F(Dispatching, RunQueryCallsOnceAndFollowsNoPassOn) {
  std::vector<Delivery> log;
  Recorder sink{"sink", &log};
  CountingForwarder forwarder;
  MakePoint<&Recorder::doReceive>(sink, 0, forwarder.onOut);
  TWD_Event point;
  MakePoint<&CountingForwarder::doForward>(forwarder, 0, point);
  TData data = Integer(1);
  RunQuery(point, data);
  EXPECT_EQ(forwarder.calls, 1);
  EXPECT_TRUE(log.empty()) << "the pass-on was not followed";

  // The same chain fired follows the pass-on: the forwarder is called once more.
  FireInteger(point, 2);
  EXPECT_EQ(forwarder.calls, 2);
  EXPECT_EQ(log.size(), 1u);

  TWD_Event unbound;
  TData untouched = Integer(5);
  RunQuery(unbound, untouched);
  EXPECT_EQ(untouched.DataType, dtInteger);
  EXPECT_EQ(untouched.IntValue, 5);
}
