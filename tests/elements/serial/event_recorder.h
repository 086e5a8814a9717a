#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "elements/serial/com_async.h"
#include "runtime/data.h"
#include "tests/elements/serial/call_log.h"

// Receives every event point of a serial element and writes what arrived into
// a call log: "onOpen 3", "onBeforeOpen", "onError \"Break Detected\"".
class TEventRecorder {
 public:
  explicit TEventRecorder(TCallLog& log) : log_(log) {}

  // Binds all fifteen event points of the element to this recorder.
  void Bind(TWDComAsync& port);

  // The incoming method every point is bound to; the index names the point.
  void Record(TData& data, std::uint16_t index);

  // Called after each record, on the thread that fired (may block it).
  std::function<void(const std::string& entry)> after;

  // The threads the events of one name arrived on.
  std::vector<DWORD> ThreadsOf(const std::string& name) const;

  static std::string Describe(const char* name, const TData& data);

 private:
  struct TArrival {
    std::string name;
    DWORD thread;
  };
  TCallLog& log_;
  mutable std::mutex mutex_;
  std::vector<TArrival> arrivals_;
};

// A data-answering element that answers every query with one value and
// counts the queries.
struct TAnswer {
  TData value;
  int asked = 0;
  void Answer(TData& data, std::uint16_t /*index*/) {
    ++asked;
    data = value;
  }
};
