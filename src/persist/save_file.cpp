// Saving and loading the game: the ten stored fields, the picks of the four cards and the check
// value that guards the fields; a failed save is reported to the player.
#include "persist/save_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "state/game_state.h"
#include "platform/platform.h"

namespace {

// The file holds 32-bit values; a wider game value is stored as the nearest one that fits.
int32_t Fit32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The ten stored fields as they go into the file, in file order.
void StoredFields(int32_t out[10]) {
  out[0] = Fit32(Game.Balance);
  out[1] = Fit32(Game.LifetimeGenWon);
  out[2] = Fit32(Game.LifetimeGenCost);
  out[3] = Fit32(Game.LifetimeCasWon);
  out[4] = Fit32(Game.LifetimeCasCost);
  out[5] = Fit32(Game.BetPerCard);
  out[6] = Fit32(Game.PayMode);
  out[7] = Game.ProgressivePot;
  out[8] = Fit32(Game.Speed);
  out[9] = Fit32(Game.SoundOn);
}

// The fields added with 32-bit wrap-around, then mixed with the magic.
int32_t CheckValue(const int32_t fields[10]) {
  uint32_t sum = 0;
  for (int i = 0; i < 10; ++i) sum += static_cast<uint32_t>(fields[i]);
  return static_cast<int32_t>(sum ^ static_cast<uint32_t>(SaveMagic));
}

// A fresh game's saved fields and empty cards.
void SetSaveDefaults() {
  ResetProgress();
  Game.SoundOn = DefaultSoundOn;
  for (int c = 1; c <= CardCount; ++c) {
    Game.Cards[c].PickCount = 0;
    for (int n = 1; n <= NumberCount; ++n) Game.Cards[c].Picked[n] = 0;
  }
}

// Reads the fields and picks of an opened file whose size, magic and version were accepted;
// true when the stored check value matches the fields read.
bool ReadSaveBody(int64_t file) {
  Game.Balance = ReadI32(file);
  Game.LifetimeGenWon = ReadI32(file);
  Game.LifetimeGenCost = ReadI32(file);
  Game.LifetimeCasWon = ReadI32(file);
  Game.LifetimeCasCost = ReadI32(file);
  Game.BetPerCard = ReadI32(file);
  Game.PayMode = ReadI32(file);
  Game.ProgressivePot = static_cast<int32_t>(ReadI32(file));
  Game.Speed = ReadI32(file);
  Game.SoundOn = ReadI32(file);
  for (int c = 1; c <= CardCount; ++c) {
    CardRecord& card = Game.Cards[c];
    card.PickCount = 0;
    for (int n = 1; n <= NumberCount; ++n) {
      card.Picked[n] = static_cast<int8_t>(ReadU8(file));
      if (card.Picked[n] != 0) ++card.PickCount;
    }
  }
  const int64_t stored = ReadI32(file);
  int32_t fields[10];
  StoredFields(fields);
  return stored == CheckValue(fields);
}

// Brings the values a valid file may still carry out of range back to playable ones.
void RepairLoadedValues() {
  if (Game.Balance < 1) Game.Balance = DefaultBalance;
  if (Game.ProgressivePot < Game.ProgressiveSeed) Game.ProgressivePot = Game.ProgressiveSeed;
  if (Game.Speed < 1 || Game.Speed > SpeedCount) Game.Speed = DefaultSpeed;
  if (Game.SoundOn != 0 && Game.SoundOn != 1) Game.SoundOn = DefaultSoundOn;
}

// Reads a whole save file into the state; false when there is none or it is not one this game
// wrote (wrong size, magic, version or check value).
bool ReadSaveFile(const std::string& path) {
  if (!OpenDataFile(SaveFileNumber, path)) return false;
  bool valid = DataFileLength(SaveFileNumber) == SaveFileSize;
  valid = valid && ReadI32(SaveFileNumber) == SaveMagic;
  valid = valid && ReadI32(SaveFileNumber) == SaveVersion;
  valid = valid && ReadSaveBody(SaveFileNumber);
  CloseDataFile(SaveFileNumber);
  return valid;
}

// Tells the player, once per run, that the progress just played was not kept; on standard error
// when the run is ending where no box can be shown.
void ReportSaveFailure() {
  const std::string text = "Your progress could not be saved to " + Game.SavePath + ": " + LastFileError() + ".";
  if (Game.SaveFailuresToStandardError == 1) {
    WriteErrorLine("keno: " + text);
  } else if (Game.SaveFailureShown == 0) {
    Game.SaveFailureShown = 1;
    ShowMessageBox("Keno", text, BoxIconWarning);
  }
}

}  // namespace

bool SavingAllowed() { return Game.SaveLoaded == 1; }

void ReportSaveFailuresOnStandardError() { Game.SaveFailuresToStandardError = 1; }

bool SaveGame() {
  if (!SavingAllowed() || Game.SavePath.empty()) return false;
  // A save kept through a symbolic link stays one: the new file replaces the link's target.
  const std::string target = ResolveLinks(Game.SavePath);
  if (CreateUniqueDataFile(SaveFileNumber, target + SaveTemporaryInfix).empty()) {
    ReportSaveFailure();
    return false;
  }
  int32_t fields[10];
  StoredFields(fields);
  WriteI32(SaveFileNumber, SaveMagic);
  WriteI32(SaveFileNumber, SaveVersion);
  for (int32_t field : fields) WriteI32(SaveFileNumber, field);
  for (int c = 1; c <= CardCount; ++c)
    for (int n = 1; n <= NumberCount; ++n) WriteU8(SaveFileNumber, Game.Cards[c].Picked[n]);
  WriteI32(SaveFileNumber, CheckValue(fields));
  if (!CommitDataFile(SaveFileNumber, target)) {
    ReportSaveFailure();
    return false;
  }
  return true;
}

void LoadGame() {
  if (ReadSaveFile(Game.SaveLoadPath.empty() ? Game.SavePath : Game.SaveLoadPath)) {
    RepairLoadedValues();
  } else {
    SetSaveDefaults();
  }
  Game.SaveLoaded = 1;
}
