#include <gtest/gtest.h>

#include "probes.h"
#include "runtime/event.h"

namespace {

class Fetching : public Dispatching {
 protected:
  Answerer answerer;
  TWD_Event bound;
  TWD_Event unbound;
  void SetUp() override {
    Dispatching::SetUp();
    MakePoint<&Answerer::doAnswer>(answerer, 0, bound);
  }
};

}  // namespace

TEST_F(Fetching, DataFromABoundPointWinsAndEndsTheChain) {
  TData elsewhere = Integer(99);
  answerer.answer = String("answer");
  answerer.answer.Next = &elsewhere;
  TData incoming = Integer(1);
  answerer.lastQuestion = Integer(-1);

  TData result = FetchData(incoming, bound, Integer(5));
  EXPECT_EQ(result.DataType, dtString);
  EXPECT_EQ(result.StrValue, "answer");
  EXPECT_EQ(result.Next, nullptr);
  EXPECT_EQ(answerer.lastQuestion.DataType, dtNull) << "the question is a NULL record";
  EXPECT_EQ(incoming.DataType, dtInteger) << "the incoming value is not consumed";
}

TEST_F(Fetching, DataFallsBackToTheDefaultWhenThePointAnswersBreak) {
  answerer.answer = Tagged(dtBreak);
  TData incoming = Integer(1);
  TData result = FetchData(incoming, bound, String("property"));
  EXPECT_EQ(result.StrValue, "property");
  EXPECT_EQ(incoming.DataType, dtInteger);
  EXPECT_EQ(answerer.asked, 1);
}

TEST_F(Fetching, DataConsumesTheHeadOfTheIncomingValueWhenNothingElseIsSet) {
  answerer.answer = Tagged(dtBreak);
  TData second = String("second");
  TData incoming = Integer(1);
  incoming.Next = &second;

  TData result = FetchData(incoming, bound, TData());
  EXPECT_EQ(result.DataType, dtInteger);
  EXPECT_EQ(result.IntValue, 1);
  EXPECT_EQ(result.Next, nullptr);
  EXPECT_EQ(incoming.DataType, dtString) << "the next value of the chain moved up";
  EXPECT_EQ(incoming.StrValue, "second");

  result = FetchData(incoming, unbound, TData());
  EXPECT_EQ(result.StrValue, "second");
  EXPECT_EQ(incoming.DataType, dtNull);
}

TEST_F(Fetching, DataOfANullHeadDropsTheWholeChain) {
  TData second = Integer(2);
  TData incoming;
  incoming.Next = &second;
  TData result = FetchData(incoming, unbound, TData());
  EXPECT_EQ(result.DataType, dtNull);
  EXPECT_EQ(result.Next, nullptr);
  EXPECT_EQ(incoming.DataType, dtNull);
  EXPECT_EQ(incoming.Next, nullptr);
}

TEST_F(Fetching, IntegerTakesPointThenPropertyThenIncomingValue) {
  TData incoming = Integer(9600);
  EXPECT_EQ(FetchInteger(incoming, unbound, 19200), 19200);
  EXPECT_EQ(incoming.IntValue, 9600) << "a set property leaves the incoming value alone";
  EXPECT_EQ(incoming.DataType, dtInteger);

  EXPECT_EQ(FetchInteger(incoming, unbound, 0), 9600);
  EXPECT_EQ(incoming.DataType, dtNull) << "the single incoming value is consumed";
  EXPECT_EQ(FetchInteger(incoming, unbound, 0), 0);

  answerer.answer = String("12");
  incoming = Integer(9600);
  EXPECT_EQ(FetchInteger(incoming, bound, 19200), 12);
  EXPECT_EQ(incoming.DataType, dtInteger);
}

TEST_F(Fetching, IntegerAfterBreakUsesTheDefaultOrConsumesTheIncomingChain) {
  answerer.answer = Tagged(dtBreak);
  TData second = String("300");
  TData incoming = Integer(200);
  incoming.Next = &second;
  EXPECT_EQ(FetchInteger(incoming, bound, 100), 100);
  EXPECT_EQ(FetchInteger(incoming, bound, 0), 200);
  EXPECT_EQ(incoming.DataType, dtString);
  EXPECT_EQ(FetchInteger(incoming, bound, 0), 300);
  EXPECT_EQ(incoming.DataType, dtNull);
  EXPECT_EQ(answerer.asked, 3);
}

TEST_F(Fetching, TextFollowsTheSameOrder) {
  TData incoming = Integer(5);
  EXPECT_EQ(FetchText(incoming, unbound, TText("COM3")), "COM3");
  EXPECT_EQ(incoming.DataType, dtInteger);
  EXPECT_EQ(FetchText(incoming, unbound, TText()), "5");
  EXPECT_EQ(incoming.DataType, dtNull);
  EXPECT_EQ(FetchText(incoming, unbound, TText()), "");

  TData real;
  real.DataType = dtReal;
  real.RealValue = 1.5;
  answerer.answer = real;
  EXPECT_EQ(FetchText(incoming, bound, TText("COM3")), "1.5");
  answerer.answer = Tagged(dtBreak);
  EXPECT_EQ(FetchText(incoming, bound, TText("COM3")), "COM3");
}

TEST_F(Fetching, QueryIntegerAsksWithNullAndConvertsTheAnswer) {
  answerer.answer = String("42");
  EXPECT_EQ(QueryInteger(bound), 42);
  EXPECT_EQ(answerer.lastQuestion.DataType, dtNull);
  answerer.answer = Tagged(dtBreak);
  EXPECT_EQ(QueryInteger(bound), 0);
  EXPECT_EQ(QueryInteger(unbound), 0);
}

TEST_F(Fetching, AskPointLetsTheAnswerReplaceTheProposal) {
  answerer.answer = Integer(20);
  TData record = Integer(10);
  AskPoint(record, bound);
  EXPECT_EQ(answerer.lastQuestion.IntValue, 10) << "the answering method sees the proposal";
  EXPECT_TRUE(IsInteger(record));
  EXPECT_EQ(record.IntValue, 20);

  answerer.answer = String("no");
  record = Integer(10);
  AskPoint(record, bound);
  EXPECT_FALSE(IsInteger(record));

  record = Integer(10);
  AskPoint(record, unbound);
  EXPECT_EQ(record.DataType, dtBreak);
  EXPECT_EQ(record.IntValue, 10);
}
