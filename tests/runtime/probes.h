#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/event.h"
#include "tests/runtime/values.h"

// What one incoming method call saw.
struct Delivery {
  std::string who;
  std::uint8_t type;
  std::int32_t integer;
  std::string text;
  std::uint16_t index;
  const TData* next;
  TText shared;  // the text payload itself, to check sharing
};

// Records every value it receives, in a log shared between probes so that the
// order of deliveries across elements shows.
struct Recorder {
  std::string name;
  std::vector<Delivery>* log;
  void doReceive(TData& data, std::uint16_t index) {
    log->push_back({name, data.DataType, data.IntValue, std::string(data.StrValue.View()), index,
                    data.Next, data.StrValue});
  }
};

// Passes whatever it receives on to its output without a nested call.
struct Forwarder {
  TWD_Event onOut;
  void doForward(TData& data, std::uint16_t) { PassOn(data, onOut, data); }
};

// Answers a data point with a fixed value, counting the questions.
struct Answerer {
  TData answer;
  int asked = 0;
  TData lastQuestion;
  void doAnswer(TData& data, std::uint16_t) {
    ++asked;
    lastQuestion = data;
    data = answer;
  }
};

// Event dispatch is process-wide: each test switches it on and leaves it off.
class Dispatching : public ::testing::Test {
 protected:
  void SetUp() override { EnableDispatch(); }
  void TearDown() override { DisableDispatch(); }
};
