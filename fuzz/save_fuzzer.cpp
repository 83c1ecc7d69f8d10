// Fuzz target for the save-file loader: every input must either load with all values in their
// ranges and exactly as stored (after the repairs), or leave the defaults of a fresh game. A file
// that loads unrepaired must also be saved back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

std::string SavePath;

int32_t Le32(const uint8_t* at) {
  return static_cast<int32_t>(at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24);
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "save fuzzer: %s\n", what);
  std::abort();
}

// The stored fields, read independently of the loader; true when the file is one it must accept.
bool AcceptedFile(const uint8_t* data, size_t size, int32_t fields[10]) {
  if (size != 372 || Le32(data) != 0x4B454E4F || Le32(data + 4) != 7) return false;
  uint32_t sum = 0;
  for (int i = 0; i < 10; ++i) {
    fields[i] = Le32(data + 8 + 4 * i);
    sum += static_cast<uint32_t>(fields[i]);
  }
  return static_cast<uint32_t>(Le32(data + 368)) == (sum ^ 0x4B454E4Fu);
}

// Saved fields and picks set to values neither a file nor the defaults give, so a load that
// forgets one shows.
void Scribble() {
  Game = GameState{};
  Game.SavePath = SavePath;
  Game.Balance = -5;
  Game.LifetimeGenWon = Game.LifetimeGenCost = Game.LifetimeCasWon = Game.LifetimeCasCost = int64_t{1} << 40;
  Game.BetPerCard = int64_t{1} << 40;
  Game.PayMode = int64_t{1} << 40;
  Game.ProgressivePot = -1;
  Game.Speed = 99;
  Game.SoundOn = 99;
  for (int c = 1; c <= 4; ++c) {
    Game.Cards[c].PickCount = 99;
    std::memset(Game.Cards[c].Picked + 1, 0x55, 80);
  }
}

void CheckDefaults() {
  Check(Game.Balance == 1000, "defaults: Balance");
  Check(Game.LifetimeGenWon == 0 && Game.LifetimeGenCost == 0, "defaults: GENEROUS totals");
  Check(Game.LifetimeCasWon == 0 && Game.LifetimeCasCost == 0, "defaults: CASINO totals");
  Check(Game.BetPerCard == 1 && Game.PayMode == 0, "defaults: bet or pay mode");
  Check(Game.ProgressivePot == Game.ProgressiveSeed, "defaults: pot");
  Check(Game.Speed == 3 && Game.SoundOn == 1, "defaults: speed or sound");
  for (int c = 1; c <= 4; ++c) {
    Check(Game.Cards[c].PickCount == 0, "defaults: pick count");
    for (int n = 1; n <= 80; ++n) Check(Game.Cards[c].Picked[n] == 0, "defaults: picks");
  }
}

// Checks an accepted file's load; true when no value needed repairing.
bool CheckLoaded(const uint8_t* data, const int32_t f[10]) {
  Check(Game.Balance >= 1 && Game.ProgressivePot >= Game.ProgressiveSeed, "loaded: balance or pot out of range");
  Check(Game.Speed >= 1 && Game.Speed <= 5, "loaded: speed out of range");
  Check(Game.SoundOn == 0 || Game.SoundOn == 1, "loaded: sound switch out of range");
  Check(Game.Balance == (f[0] < 1 ? 1000 : f[0]), "loaded: Balance");
  Check(Game.LifetimeGenWon == f[1] && Game.LifetimeGenCost == f[2], "loaded: GENEROUS totals");
  Check(Game.LifetimeCasWon == f[3] && Game.LifetimeCasCost == f[4], "loaded: CASINO totals");
  Check(Game.BetPerCard == f[5] && Game.PayMode == f[6], "loaded: bet or pay mode");
  Check(Game.ProgressivePot == (f[7] < 25000 ? 25000 : f[7]), "loaded: pot");
  Check(Game.Speed == (f[8] < 1 || f[8] > 5 ? 3 : f[8]), "loaded: speed");
  Check(Game.SoundOn == (f[9] == 0 || f[9] == 1 ? f[9] : 1), "loaded: sound switch");
  for (int c = 1; c <= 4; ++c) {
    int64_t count = 0;
    for (int n = 1; n <= 80; ++n) {
      const uint8_t stored = data[48 + 80 * (c - 1) + (n - 1)];
      Check(static_cast<uint8_t>(Game.Cards[c].Picked[n]) == stored, "loaded: pick byte");
      count += stored != 0;
    }
    Check(Game.Cards[c].PickCount == count, "loaded: pick count");
  }
  return f[0] >= 1 && f[7] >= 25000 && f[8] >= 1 && f[8] <= 5 && (f[9] == 0 || f[9] == 1);
}

std::vector<uint8_t> ReadBack() {
  std::vector<uint8_t> bytes;
  if (FILE* in = std::fopen(SavePath.c_str(), "rb")) {
    uint8_t buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(in);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  headless::Reset(1);
  InitPlatform();
  SavePath = headless::TempDir() + "keno_save.dat";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* out = std::fopen(SavePath.c_str(), "wb");
  Check(out != nullptr, "cannot write the input file");
  if (size > 0) Check(std::fwrite(data, 1, size, out) == size, "cannot write the input file");
  std::fclose(out);

  Scribble();
  LoadGame();
  int32_t fields[10];
  if (!AcceptedFile(data, size, fields)) {
    CheckDefaults();
    return 0;
  }
  if (CheckLoaded(data, fields)) {
    SaveGame();
    const std::vector<uint8_t> back = ReadBack();
    Check(back.size() == size && std::memcmp(back.data(), data, size) == 0,
          "an unrepaired load is not saved back as it was");
  }
  return 0;
}
