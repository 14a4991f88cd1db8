// The process-wide count of heap allocations (operator new), for allocations-per-point counters.
#ifndef PARALLO_BENCH_ALLOC_COUNTER_H
#define PARALLO_BENCH_ALLOC_COUNTER_H

namespace parallo_bench {

/// Number of calls of the global operator new (every form but the aligned ones) so far.
long AllocationsSoFar() noexcept;

} // namespace parallo_bench

#endif
