// The save file "keno_save.dat" beside the executable: 372 bytes, little-endian.
#pragma once

#include <cstdint>

constexpr int64_t SaveFileSize = 372;
constexpr int64_t SaveMagic = 0x4B454E4F;
constexpr int64_t SaveVersion = 7;

// Writes money, lifetime totals, settings, the pot and the picks; silent when it cannot. The file
// is written beside the old one and renamed over it, so a crash never leaves half a save.
void SaveGame();
// Reads the save file into the state, repairing out-of-range values; any problem with the file
// leaves the defaults of a fresh game.
void LoadGame();
