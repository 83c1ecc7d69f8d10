// System services shared by both back ends, with the hooks the back ends need.
#pragma once

#include <cstdint>

namespace sys {

// Reseeds the per-thread generators of RandomUpTo: each thread's sequence then follows from the
// seed and the order in which threads first draw. Without a call they are seeded from the clock.
void SeedGenerators(uint64_t seed);
// Cuts short every SleepMs, waits until no worker runs, and lets sleeping work again afterwards.
void StopWorkers();
// The next CommitDataFile fails after the data is written and before the rename.
void FailNextCommit();
// Closes every data file and shared library.
void CloseAll();

}  // namespace sys
