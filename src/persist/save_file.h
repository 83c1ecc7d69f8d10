// The save file "keno_save.dat": 372 bytes, little-endian.
#pragma once

#include <cstdint>

constexpr int64_t SaveFileSize = 372;
constexpr int64_t SaveMagic = 0x4B454E4F;
constexpr int64_t SaveVersion = 7;
// A save is written to a file named after its target with this and six unique characters added.
constexpr const char* SaveTemporaryInfix = ".tmp-";

// Writes money, lifetime totals, settings, the pot and the picks to SavePath; false when nothing
// was written. The file is written beside the old one and renamed over it, so a crash never leaves
// half a save. The first failure of a run is reported in a box (or on standard error, see below).
bool SaveGame();
// Reads the save file (SaveLoadPath when set, else SavePath) into the state, repairing
// out-of-range values; any problem with the file leaves the defaults of a fresh game.
void LoadGame();
// Whether a save may happen now: only once start-up has read the save file, so that no ending
// (a signal, a lost display, a second copy giving way to the first) writes defaults over it.
bool SavingAllowed();
// From now on a failed save is reported on standard error instead of in a box: for an ending that
// cannot show one.
void ReportSaveFailuresOnStandardError();
