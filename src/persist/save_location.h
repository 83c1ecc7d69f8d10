// Where the save file lives, and the lock that keeps one game per save file.
#pragma once

#include <string>

constexpr const char* SaveFileName = "keno_save.dat";
// The lock file sits beside the save file's target, under its name with this added.
constexpr const char* SaveLockSuffix = ".lock";

struct SaveLocation {
  std::string save;        // where saves go
  std::string load;        // what start-up reads: save, or a save beside the program carried over
  std::string dataFolder;  // the data folder when save is in it (made at start-up), else empty
};

// Decides where the save lives, touching nothing. An installed build keeps it in the data folder
// ($XDG_DATA_HOME/keno/, else ~/.local/share/keno/); any other copy keeps it beside the program
// while the player can write that folder and replace a save there, else in the data folder too.
// With neither variable usable (unset, empty or relative) it stays beside the program. A save in
// the data folder that does not exist yet is loaded from beside the program when one is there.
SaveLocation ChooseSaveLocation(bool installed);

// Start-up's claim on the save file: sets SavePath and SaveLoadPath, makes the data folder, takes
// the lock and removes the temporary files a crash left behind; a save carried over from beside the
// program brings its ledger along. When another copy of the game holds
// the lock it shows a box saying so and where that copy saves, changes nothing and returns false.
// A lock that cannot be created (an unwritable folder) lets the game run without one.
bool ClaimSaveFile(bool installed);
