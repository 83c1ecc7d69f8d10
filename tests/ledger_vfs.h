// A test VFS for the ledger: SQLite's "unix" VFS with failures injected on demand.
#pragma once

#include <sqlite3.h>

#include <cerrno>

namespace ledger_vfs {

// A VFS over SQLite's "unix" that fails opens, writes and syncs on demand with the errors a
// refused folder and a full disk give, or skips the syncs of long test runs; the ledger opens
// through it by name (SetLedgerVfs).
struct FailingVfs {
  static inline sqlite3_vfs vfs{};
  static inline sqlite3_io_methods methods{};
  static inline const sqlite3_io_methods* unixMethods = nullptr;
  static inline bool failWrites = false;
  static inline bool failOpen = false;
  static inline bool skipSyncs = false;
  static constexpr const char* Name = "keno-test-failing";
  struct File {
    sqlite3_file base;
    sqlite3_file* real;
  };
  static sqlite3_vfs* Unix() { return sqlite3_vfs_find("unix"); }
  static sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }
  static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    File* f = reinterpret_cast<File*>(file);
    f->base.pMethods = nullptr;
    if (failOpen) {
      errno = EACCES;
      return SQLITE_CANTOPEN;
    }
    f->real = static_cast<sqlite3_file*>(sqlite3_malloc(Unix()->szOsFile));
    const int rc = Unix()->xOpen(Unix(), name, f->real, flags, outFlags);
    if (rc != SQLITE_OK) {
      sqlite3_free(f->real);
      return rc;
    }
    unixMethods = f->real->pMethods;
    methods = *unixMethods;
    methods.iVersion = 2;
    methods.xClose = [](sqlite3_file* file) {
      sqlite3_file* real = Real(file);
      const int rc = real->pMethods->xClose(real);
      sqlite3_free(real);
      return rc;
    };
    methods.xRead = [](sqlite3_file* file, void* buffer, int n, sqlite3_int64 at) {
      return Real(file)->pMethods->xRead(Real(file), buffer, n, at);
    };
    methods.xWrite = [](sqlite3_file* file, const void* buffer, int n, sqlite3_int64 at) {
      if (failWrites) return SQLITE_FULL;
      return Real(file)->pMethods->xWrite(Real(file), buffer, n, at);
    };
    methods.xTruncate = [](sqlite3_file* file, sqlite3_int64 size) {
      return Real(file)->pMethods->xTruncate(Real(file), size);
    };
    methods.xSync = [](sqlite3_file* file, int flags) {
      if (failWrites) return SQLITE_IOERR_FSYNC;
      if (skipSyncs) return SQLITE_OK;
      return Real(file)->pMethods->xSync(Real(file), flags);
    };
    methods.xFileSize = [](sqlite3_file* file, sqlite3_int64* size) {
      return Real(file)->pMethods->xFileSize(Real(file), size);
    };
    methods.xLock = [](sqlite3_file* file, int lock) { return Real(file)->pMethods->xLock(Real(file), lock); };
    methods.xUnlock = [](sqlite3_file* file, int lock) { return Real(file)->pMethods->xUnlock(Real(file), lock); };
    methods.xCheckReservedLock = [](sqlite3_file* file, int* out) {
      return Real(file)->pMethods->xCheckReservedLock(Real(file), out);
    };
    methods.xFileControl = [](sqlite3_file* file, int op, void* arg) {
      return Real(file)->pMethods->xFileControl(Real(file), op, arg);
    };
    methods.xSectorSize = [](sqlite3_file* file) { return Real(file)->pMethods->xSectorSize(Real(file)); };
    methods.xDeviceCharacteristics = [](sqlite3_file* file) {
      return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
    };
    methods.xShmMap = [](sqlite3_file* file, int page, int size, int extend, void volatile** out) {
      return Real(file)->pMethods->xShmMap(Real(file), page, size, extend, out);
    };
    methods.xShmLock = [](sqlite3_file* file, int offset, int n, int flags) {
      return Real(file)->pMethods->xShmLock(Real(file), offset, n, flags);
    };
    methods.xShmBarrier = [](sqlite3_file* file) { Real(file)->pMethods->xShmBarrier(Real(file)); };
    methods.xShmUnmap = [](sqlite3_file* file, int deleteFlag) {
      return Real(file)->pMethods->xShmUnmap(Real(file), deleteFlag);
    };
    f->base.pMethods = &methods;
    return SQLITE_OK;
  }
  static void Register() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    vfs = *Unix();
    vfs.iVersion = 1;
    vfs.zName = Name;
    vfs.szOsFile = sizeof(File);
    vfs.pAppData = nullptr;
    vfs.xOpen = Open;
    vfs.xGetLastError = [](sqlite3_vfs*, int, char*) { return failWrites ? ENOSPC : (failOpen ? EACCES : 0); };
    sqlite3_vfs_register(&vfs, 0);
  }
};

}  // namespace ledger_vfs
