// The save file "keno_save.dat" beside the executable: 372 bytes, little-endian.
#pragma once

void SaveGame();
void LoadGame();
