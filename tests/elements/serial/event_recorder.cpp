#include "tests/elements/serial/event_recorder.h"

#include <mutex>

#include "runtime/event.h"

namespace {
struct TPointName {
  TWD_Event TWDComAsync::*point;
  const char* name;
};

constexpr TPointName kPoints[] = {
    {&TWDComAsync::onWrite, "onWrite"},       {&TWDComAsync::onRxChar, "onRxChar"},
    {&TWDComAsync::onRing, "onRing"},         {&TWDComAsync::onCTS, "onCTS"},
    {&TWDComAsync::onDSR, "onDSR"},           {&TWDComAsync::onRLSD, "onRLSD"},
    {&TWDComAsync::onRxFlag, "onRxFlag"},     {&TWDComAsync::onBreak, "onBreak"},
    {&TWDComAsync::onRx80Full, "onRx80Full"}, {&TWDComAsync::onTxEmpty, "onTxEmpty"},
    {&TWDComAsync::onError, "onError"},       {&TWDComAsync::onBeforeOpen, "onBeforeOpen"},
    {&TWDComAsync::onOpen, "onOpen"},         {&TWDComAsync::onBeforeClose, "onBeforeClose"},
    {&TWDComAsync::onClose, "onClose"},
};
}  // namespace

void TEventRecorder::Bind(TWDComAsync& port) {
  for (std::uint16_t i = 0; i < std::size(kPoints); ++i) {
    MakePoint<&TEventRecorder::Record>(*this, i, port.*kPoints[i].point);
  }
}

std::string TEventRecorder::Describe(const char* name, const TData& data) {
  std::string entry = name;
  switch (data.DataType) {
    case dtNull: break;
    case dtString: entry += " \"" + std::string(AsText(data).View()) + "\""; break;
    default: entry += " " + std::string(AsText(data).View()); break;
  }
  return entry;
}

void TEventRecorder::Record(TData& data, std::uint16_t index) {
  const std::string entry = Describe(kPoints[index].name, data);
  {
    std::lock_guard lock(mutex_);
    arrivals_.push_back({kPoints[index].name, GetCurrentThreadId()});
  }
  log_.Add(entry);
  if (after) after(entry);
}

std::vector<DWORD> TEventRecorder::ThreadsOf(const std::string& name) const {
  std::lock_guard lock(mutex_);
  std::vector<DWORD> threads;
  for (const TArrival& a : arrivals_) {
    if (a.name == name) threads.push_back(a.thread);
  }
  return threads;
}
