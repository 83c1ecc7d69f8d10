// System services shared by both back ends, with the hooks the back ends need.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sys {

// A uniform integer 0..max (max at most 2^32 - 1) from 32-bit random words that nextWord(word)
// supplies, returning false when it cannot. The word times the range gives the result in its
// upper 32 bits; the 2^32 mod range words whose lower 32 bits fall below that remainder would
// make some results one word more likely than others, so they are rejected and a fresh word is
// taken (Lemire's method). -1 when max is out of range or a word cannot be read.
template <class NextWord>
int64_t UniformFromWords(int64_t max, NextWord&& nextWord) {
  if (max < 0 || max > 0xFFFFFFFFll) return -1;
  const uint64_t range = static_cast<uint64_t>(max) + 1;
  uint32_t word = 0;
  if (!nextWord(word)) return -1;
  uint64_t product = word * range;
  if (static_cast<uint32_t>(product) < range) {
    const uint64_t remainder = ((uint64_t{1} << 32) - range) % range;  // 2^32 mod range
    while (static_cast<uint32_t>(product) < remainder) {
      if (!nextWord(word)) return -1;
      product = word * range;
    }
  }
  return static_cast<int64_t>(product >> 32);
}

// Reseeds the per-thread generators of RandomUpTo: each thread's sequence then follows from the
// seed and the order in which threads first draw. Without a call they are seeded from the clock.
void SeedGenerators(uint64_t seed);
// Calls observer(ms) at the start of every SleepMs, on the sleeping thread; nullptr: none.
void SetSleepObserver(void (*observer)(int64_t ms));
// Cuts short every SleepMs, waits until no worker runs, and lets sleeping work again afterwards.
void StopWorkers();
// The next CommitDataFile fails after the data is written and before the rename.
void FailNextCommit();
// The steps of writing a file that a test can make fail.
enum class FileStep { Create, Write, Flush, Rename };
// The next time the step runs it fails with the errno given (the file operation then fails).
void FailNextFileStep(FileStep step, int error);
// Off: CommitDataFile writes and renames without syncing to disk (long test runs); on after CloseAll.
void SetFileSyncs(bool on);
// With a scripted environment EnvironmentVariable answers from variables the test sets, never
// from the process; turning it on or off also forgets the paths denied to writing.
void ScriptEnvironment(bool scripted);
void SetScriptedVariable(const std::string& name, const std::optional<std::string>& value);  // nullopt: unset
// PathWritable answers 0 for this path, as for a folder or file the player may not write.
void DenyWrite(const std::string& path);
// Closes every data file and shared library, releases the lock and forgets armed file faults.
void CloseAll();

}  // namespace sys
