// The cost of one click's road through the runtime: a firing into a
// data-forwarding element, which passes its value to a hub with two outputs,
// each ending in a counting sink. Four incoming methods run per firing.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "allocation_counter.h"
#include "runtime/do_data.h"
#include "runtime/event.h"
#include "runtime/hub.h"

namespace {

constexpr int HopsPerFiring = 4;  // DoData, hub, two sinks

bool AllocationTargetMissed = false;

struct CountingSink {
  std::uint64_t received = 0;
  std::uint64_t bytes = 0;
  void doReceive(TData& data, std::uint16_t) {
    ++received;
    bytes += data.StrValue.Length();
  }
};

// DoData -> hub -> two sinks, with the DoData's value as given.
struct Road {
  TWDDoData doData;
  TWDHub hub;
  CountingSink first, second;
  TWD_Event start;

  explicit Road(const TData& value) {
    doData.Data = value;
    hub.SetOutCount(2);
    MakePoint<&TWDDoData::doData>(doData, 0, start);
    MakePoint<&TWDHub::doEvent>(hub, 0, doData.onData);
    MakePoint<&CountingSink::doReceive>(first, 0, hub.onEvent[0]);
    MakePoint<&CountingSink::doReceive>(second, 1, hub.onEvent[1]);
  }
};

void ReportAllocations(benchmark::State& state, std::uint64_t allocations) {
  const double perFiring =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  state.counters["allocs/firing"] = perFiring;
  if (allocations != 0) {
    AllocationTargetMissed = true;
    state.SkipWithError("a firing allocated heap memory");
  }
}

void FireAlongTheRoad(benchmark::State& state, const TData& value) {
  EnableDispatch();
  Road road(value);
  const std::uint64_t before = AllocationCount();
  for (auto _ : state) {
    FireData(road.start, value);
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, AllocationCount() - before);
  if (road.first.received != road.second.received ||
      road.first.received != static_cast<std::uint64_t>(state.iterations()))
    state.SkipWithError("a sink missed a firing");
  state.counters["time/hop"] = benchmark::Counter(
      HopsPerFiring, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  DisableDispatch();
}

void BM_FireNull(benchmark::State& state) {
  TData value;
  MakeNull(value);
  FireAlongTheRoad(state, value);
}

void BM_FireInteger(benchmark::State& state) {
  TData value;
  MakeInteger(value, 19200);
  FireAlongTheRoad(state, value);
}

void BM_FireString1K(benchmark::State& state) {
  TData value;
  MakeString(value, TText(std::string(1024, 'A')));
  FireAlongTheRoad(state, value);
}

// The yardstick: one call through a function pointer the compiler cannot see
// through, into a sink of the same shape as an incoming method.
void BM_PlainIndirectCall(benchmark::State& state) {
  CountingSink sink;
  TData value;
  TWD_Event point;
  MakePoint<&CountingSink::doReceive>(sink, 0, point);
  TEventMethod method = point.Method;
  benchmark::DoNotOptimize(method);
  const std::uint64_t before = AllocationCount();
  for (auto _ : state) {
    method(point.Target, value, point.Index);
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, AllocationCount() - before);
  state.counters["time/hop"] = benchmark::Counter(
      1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_PlainIndirectCall);
BENCHMARK(BM_FireNull);
BENCHMARK(BM_FireInteger);
BENCHMARK(BM_FireString1K);

}  // namespace

// A counter that misses allocations would let every run pass.
bool AllocationCounterWorks() {
  const std::uint64_t before = AllocationCount();
  TText probe(std::string(16, 'x'));
  benchmark::DoNotOptimize(probe);
  return AllocationCount() != before;
}

int main(int argc, char** argv) {
  if (!AllocationCounterWorks()) {
    std::fprintf(stderr, "FAILED: the allocation counter sees no allocations\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (AllocationTargetMissed) {
    std::fprintf(stderr, "FAILED: a firing allocated heap memory\n");
    return 1;
  }
  return 0;
}
