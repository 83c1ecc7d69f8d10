// Files, the save's lock, the environment, sleeping, the per-thread generator, worker threads and
// shared libraries: the services that are the same for both back ends.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "platform/platform.h"
#include "platform/system_internal.h"

namespace {

constexpr int64_t MaxObjects = 64;

struct DataFile {
  FILE* stream = nullptr;
  std::string path;
  bool writing = false;
  int error = 0;  // errno of the first failed write, 0 while every write went through
};

std::array<DataFile, MaxObjects> files;
bool fileSyncs = true;  // CommitDataFile syncs the file and its folder
std::array<void*, MaxObjects> libraries{};

// The reason of the last failed file operation, and the faults a test has armed, one per step.
int lastFileError = 0;
std::array<int, 4> armedFaults{};

// The open lock file; -1 while no lock is held.
int lockFd = -1;

// What a test scripts: the environment the game sees and the paths it may not write.
std::optional<std::map<std::string, std::string>> scriptedEnvironment;
std::set<std::string> unwritablePaths;

// The characters of the unique part of a temporary file's name.
constexpr char UniqueAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t UniqueLength = 6;

// Takes the fault armed for a step, if any: its errno, or 0.
int TakeFault(sys::FileStep step) {
  int& armed = armedFaults[static_cast<size_t>(step)];
  const int error = armed;
  armed = 0;
  return error;
}

// Remembers why a file operation failed; 0, the failure result of the numbered operations.
int64_t Failed(int error) {
  lastFileError = error;
  return 0;
}

// Remembers why a file could not be made; no name.
std::string NoName(int error) {
  lastFileError = error;
  return {};
}

// A path without trailing slashes (the root stays "/"), so a folder matches however it is written.
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

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

void FailNextCommit() { FailNextFileStep(FileStep::Rename, EIO); }

void SetFileSyncs(bool on) { fileSyncs = on; }

void FailNextFileStep(FileStep step, int error) { armedFaults[static_cast<size_t>(step)] = error; }

void ScriptEnvironment(bool scripted) {
  if (scripted) {
    scriptedEnvironment.emplace();
  } else {
    scriptedEnvironment.reset();
  }
  unwritablePaths.clear();
}

void SetScriptedVariable(const std::string& name, const std::optional<std::string>& value) {
  if (!scriptedEnvironment) return;
  if (value) {
    (*scriptedEnvironment)[name] = *value;
  } else {
    scriptedEnvironment->erase(name);
  }
}

void DenyWrite(const std::string& path) { unwritablePaths.insert(WithoutTrailingSlash(path)); }

void SetSleepObserver(void (*observer)(int64_t ms)) { sleepObserver.store(observer); }

void CloseAll() {
  for (int64_t i = 1; i < MaxObjects; ++i) {
    CloseDataFile(i);
    UnloadSharedLibrary(i);
  }
  for (int& fault : armedFaults) fault = 0;
  fileSyncs = true;
  if (lockFd >= 0) close(lockFd);
  lockFd = -1;
}

}  // namespace sys

int64_t CreateDataFile(int64_t file, const std::string& name) {
  if (!ValidNumber(file)) return 0;
  CloseDataFile(file);
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return Failed(errno);
  files[file] = {f, name, true, 0};
  return file;
}

// Tries random names until one is free: open with O_EXCL never reuses an existing file, and
// O_NOFOLLOW never writes through a link someone placed there. The permissions follow the umask,
// like any other file the player makes.
std::string CreateUniqueDataFile(int64_t file, const std::string& prefix) {
  if (!ValidNumber(file)) return {};
  CloseDataFile(file);
  if (const int fault = TakeFault(sys::FileStep::Create)) return NoName(fault);
  static thread_local std::mt19937_64 names(
      std::random_device{}() ^ static_cast<uint64_t>(getpid()) << 32 ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<size_t> pick(0, sizeof UniqueAlphabet - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (size_t i = 0; i < UniqueLength; ++i) name += UniqueAlphabet[pick(names)];
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return NoName(errno);
    }
    FILE* f = fdopen(fd, "wb");
    if (!f) {
      const int error = errno;
      close(fd);
      unlink(name.c_str());
      return NoName(error);
    }
    files[file] = {f, name, true, 0};
    return name;
  }
  return NoName(EEXIST);
}

int64_t RemoveUniqueDataFiles(const std::string& prefix) {
  const std::string dir = DirectoryOf(prefix);
  const std::string start = prefix.substr(dir.size());
  DIR* listing = opendir(dir.empty() ? "." : dir.c_str());
  if (!listing) return 0;
  int64_t removed = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name.size() != start.size() + UniqueLength || name.substr(0, start.size()) != start) continue;
    if (name.substr(start.size()).find_first_not_of(UniqueAlphabet) != std::string_view::npos) continue;
    struct stat st {};
    if (fstatat(dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (unlinkat(dirfd(listing), entry->d_name, 0) == 0) ++removed;
  }
  closedir(listing);
  return removed;
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
// the old complete file or the new one. On any failure the written file is removed.
int64_t CommitDataFile(int64_t file, const std::string& target) {
  FILE* f = Stream(file);
  if (!f || !files[file].writing) return 0;
  const std::string written = files[file].path;
  int error = files[file].error;
  if (!error) error = TakeFault(sys::FileStep::Flush);
  if (!error && (std::fflush(f) != 0 || (fileSyncs && fsync(fileno(f)) != 0))) error = errno;
  if (std::fclose(f) != 0 && !error) error = errno;
  files[file] = {};
  if (!error) error = TakeFault(sys::FileStep::Rename);
  if (!error && std::rename(written.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    std::remove(written.c_str());
    return Failed(error);
  }
  // The rename itself becomes durable once the directory is synced.
  const std::string dir = DirectoryOf(target);
  int dirFd = fileSyncs ? open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY) : -1;
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
  FILE* f = Stream(file);
  if (!f || files[file].error) return;
  if (const int fault = TakeFault(sys::FileStep::Write)) {
    files[file].error = fault;
  } else if (std::fputc(static_cast<int>(value & 0xFF), f) == EOF) {
    files[file].error = errno ? errno : EIO;
  }
}

void WriteBytes(int64_t file, std::string_view bytes) {
  FILE* f = Stream(file);
  if (!f || files[file].error || bytes.empty()) return;
  if (const int fault = TakeFault(sys::FileStep::Write)) {
    files[file].error = fault;
  } else if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    files[file].error = errno ? errno : EIO;
  }
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

std::string ResolveLinks(const std::string& name) {
  std::string path = name;
  // A loop of links ends after as many steps as the kernel allows itself.
  for (int step = 0; step < 40; ++step) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return path;
    target.resize(static_cast<size_t>(n));
    path = target.front() == '/' ? target : DirectoryOf(path) + target;
  }
  return path;
}

int64_t PathWritable(const std::string& name) {
  if (unwritablePaths.count(WithoutTrailingSlash(name))) return 0;
  return faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) == 0 ? 1 : 0;
}

int64_t CreateFolder(const std::string& name) {
  std::string path;
  size_t from = 0;
  while (from < name.size()) {
    size_t slash = name.find('/', from + 1);
    if (slash == std::string::npos) slash = name.size();
    path = name.substr(0, slash);
    from = slash;
    if (path.empty() || path == "/") continue;
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return Failed(errno);
  }
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return Failed(errno);
  if (!S_ISDIR(st.st_mode)) return Failed(ENOTDIR);
  return 1;
}

int64_t LockFileExclusive(const std::string& name) {
  if (lockFd >= 0) close(lockFd);
  lockFd = -1;
  const int fd = open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    Failed(errno);
    return LockUnavailable;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    Failed(error);
    return error == EWOULDBLOCK ? LockHeldElsewhere : LockUnavailable;
  }
  lockFd = fd;
  return LockTaken;
}

std::string LastFileError() { return lastFileError ? std::strerror(lastFileError) : "Unknown error"; }

std::string EnvironmentVariable(const std::string& name) {
  if (scriptedEnvironment) {
    const auto found = scriptedEnvironment->find(name);
    return found == scriptedEnvironment->end() ? std::string() : found->second;
  }
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

void WriteErrorLine(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

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
