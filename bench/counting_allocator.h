// Allocation counts for the benchmarks: every benchmark program replaces the
// global operator new and delete with ones that count the blocks allocated,
// so a benchmark can report how many allocations one item (frame, PDU) costs
// in the steady state. Counting is one relaxed atomic increment.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace corvel::bench {

// Blocks allocated so far by this program.
uint64_t allocationCount() noexcept;

// Sets the counter "allocs/item": the allocations made since `start` (taken
// before the timed loop) per iteration of `state`.
inline void reportAllocations(benchmark::State& state, uint64_t start) {
  const uint64_t made = allocationCount() - start;
  const auto items = static_cast<double>(state.iterations() > 0 ? state.iterations() : 1);
  state.counters["allocs/item"] = static_cast<double>(made) / items;
}

}  // namespace corvel::bench
