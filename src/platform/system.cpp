// Files, sleeping, the per-thread generator, worker threads and shared libraries: the services
// that are the same for both back ends.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#include "platform/platform.h"
#include "platform/system_internal.h"

namespace {

constexpr int64_t MaxObjects = 64;

struct DataFile {
  FILE* stream = nullptr;
  std::string path;
  bool writing = false;
};

std::array<DataFile, MaxObjects> files;
std::array<void*, MaxObjects> libraries{};
std::atomic<bool> failNextCommit{false};

bool ValidNumber(int64_t n) { return n >= 1 && n < MaxObjects; }

FILE* Stream(int64_t file) { return ValidNumber(file) ? files[file].stream : nullptr; }

// Workers and the sleeps they take, so that shutdown can cut the sleeps short and wait.
std::mutex workerMutex;
std::condition_variable workerChanged;
int runningWorkers = 0;
bool stopping = false;
int64_t nextWorkerId = 1;
constexpr int MaxWorkers = 64;
std::array<std::atomic<int64_t>, MaxWorkers> runningIds{};

// Per-thread generator seeds: a fixed base once seeded for tests, the clock otherwise.
std::atomic<uint64_t> seedBase{0};
std::atomic<uint64_t> seedGeneration{0};
std::atomic<uint64_t> threadCounter{0};

std::atomic<void (*)(int64_t)> sleepObserver{nullptr};

struct ThreadGenerator {
  std::mt19937_64 engine;
  uint64_t generation = ~0ull;
};
thread_local ThreadGenerator generator;

struct WorkerStart {
  WorkerProc proc;
  int64_t argument;
  int64_t id;
  int slot;
};

void* RunWorker(void* raw) {
  WorkerStart start = *static_cast<WorkerStart*>(raw);
  delete static_cast<WorkerStart*>(raw);
  start.proc(start.argument);
  std::lock_guard lock(workerMutex);
  runningIds[start.slot].store(0);
  --runningWorkers;
  workerChanged.notify_all();
  return nullptr;
}

}  // namespace

namespace sys {

void SeedGenerators(uint64_t seed) {
  seedBase.store(seed);
  threadCounter.store(0);
  seedGeneration.fetch_add(1);
}

void StopWorkers() {
  std::unique_lock lock(workerMutex);
  stopping = true;
  workerChanged.notify_all();
  workerChanged.wait(lock, [] { return runningWorkers == 0; });
  stopping = false;
}

void FailNextCommit() { failNextCommit.store(true); }

void SetSleepObserver(void (*observer)(int64_t ms)) { sleepObserver.store(observer); }

void CloseAll() {
  for (int64_t i = 1; i < MaxObjects; ++i) {
    CloseDataFile(i);
    UnloadSharedLibrary(i);
  }
}

}  // namespace sys

int64_t CreateDataFile(int64_t file, const std::string& name) {
  if (!ValidNumber(file)) return 0;
  CloseDataFile(file);
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return 0;
  files[file] = {f, name, true};
  return file;
}

int64_t OpenDataFile(int64_t file, const std::string& name) {
  if (!ValidNumber(file)) return 0;
  CloseDataFile(file);
  struct stat st {};
  if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return 0;
  files[file] = {f, name, false};
  return file;
}

void CloseDataFile(int64_t file) {
  if (!Stream(file)) return;
  std::fclose(files[file].stream);
  files[file] = {};
}

// Makes a finished file durable and puts it in place in one step, so the target is always either
// the old complete file or the new one.
int64_t CommitDataFile(int64_t file, const std::string& target) {
  FILE* f = Stream(file);
  if (!f || !files[file].writing) return 0;
  const std::string written = files[file].path;
  bool ok = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
  ok = std::fclose(f) == 0 && ok;
  files[file] = {};
  if (failNextCommit.exchange(false)) ok = false;
  if (ok) ok = std::rename(written.c_str(), target.c_str()) == 0;
  if (!ok) {
    std::remove(written.c_str());
    return 0;
  }
  // The rename itself becomes durable once the directory is synced.
  const std::string dir = DirectoryOf(target);
  int dirFd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return 1;
}

int64_t DataFileLength(int64_t file) {
  FILE* f = Stream(file);
  if (!f) return 0;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0) return 0;
  return st.st_size;
}

void WriteU8(int64_t file, int64_t value) {
  if (FILE* f = Stream(file)) std::fputc(static_cast<int>(value & 0xFF), f);
}

int64_t ReadU8(int64_t file) {
  FILE* f = Stream(file);
  if (!f) return 0;
  const int c = std::fgetc(f);
  return c == EOF ? 0 : c;
}

void WriteI32(int64_t file, int64_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) WriteU8(file, (v >> (8 * i)) & 0xFF);
}

int64_t ReadI32(int64_t file) {
  FILE* f = Stream(file);
  if (!f) return 0;
  unsigned char b[4] = {};
  if (std::fread(b, 1, 4, f) != 4) return 0;
  const uint32_t v = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
  return static_cast<int32_t>(v);
}

int64_t FileSizeOf(const std::string& name) {
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return -2;
  return st.st_size;
}

void RemoveFile(const std::string& name) { std::remove(name.c_str()); }

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SleepMs(int64_t ms) {
  if (auto observer = sleepObserver.load()) observer(ms);
  if (ms <= 0) return;
  std::unique_lock lock(workerMutex);
  workerChanged.wait_for(lock, std::chrono::milliseconds(ms), [] { return stopping; });
}

int64_t RandomUpTo(int64_t max) {
  if (max <= 0) return 0;
  if (generator.generation != seedGeneration.load()) {
    generator.generation = seedGeneration.load();
    uint64_t seed = seedBase.load();
    if (seed == 0) {
      seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             std::hash<std::thread::id>{}(std::this_thread::get_id());
    }
    generator.engine.seed(seed + 0x9E3779B97F4A7C15ull * threadCounter.fetch_add(1));
  }
  return std::uniform_int_distribution<int64_t>(0, max)(generator.engine);
}

int64_t StartWorker(WorkerProc proc, int64_t argument) {
  std::lock_guard lock(workerMutex);
  int slot = -1;
  for (int i = 0; i < MaxWorkers && slot < 0; ++i)
    if (runningIds[i].load() == 0) slot = i;
  if (slot < 0) return 0;
  const int64_t id = nextWorkerId++;
  auto* start = new WorkerStart{proc, argument, id, slot};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1 << 20);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const int rc = pthread_create(&thread, &attr, RunWorker, start);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete start;
    return 0;
  }
  // The worker cannot finish before this: it takes the lock to report its end.
  runningIds[slot].store(id);
  ++runningWorkers;
  return id;
}

int64_t WorkerRunning(int64_t worker) {
  if (worker <= 0) return 0;
  for (const auto& id : runningIds)
    if (id.load() == worker) return 1;
  return 0;
}

int64_t LoadSharedLibrary(int64_t library, const char* name) {
  if (!ValidNumber(library)) return 0;
  UnloadSharedLibrary(library);
  libraries[library] = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  return libraries[library] ? library : 0;
}

void* LookupSymbol(int64_t library, const char* name) {
  if (!ValidNumber(library) || !libraries[library]) return nullptr;
  return dlsym(libraries[library], name);
}

void UnloadSharedLibrary(int64_t library) {
  if (!ValidNumber(library) || !libraries[library]) return;
  dlclose(libraries[library]);
  libraries[library] = nullptr;
}
