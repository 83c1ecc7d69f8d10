// The choice of the save file's folder, the data folder, and the one lock per save file.
#include "persist/save_location.h"

#include "state/game_state.h"
#include "persist/ledger.h"
#include "persist/save_file.h"
#include "platform/platform.h"

namespace {

// An absolute folder with exactly one "/" at its end; "" when the value is empty or relative.
std::string UsableFolder(const std::string& value) {
  if (value.empty() || value.front() != '/') return {};
  std::string folder = value;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder == "/" ? folder : folder + "/";
}

// The data folder with its "/" at the end; "" when neither variable names one.
std::string DataFolder() {
  if (const std::string xdg = UsableFolder(EnvironmentVariable("XDG_DATA_HOME")); !xdg.empty()) return xdg + "keno/";
  if (const std::string home = UsableFolder(EnvironmentVariable("HOME")); !home.empty())
    return home + ".local/share/keno/";
  return {};
}

// The player can write the folder and, when a save is already there, replace it.
bool CanSaveAt(const std::string& save) {
  if (!PathWritable(DirectoryOf(save))) return false;
  return FileSizeOf(save) == -1 || PathWritable(save);
}

}  // namespace

SaveLocation ChooseSaveLocation(bool installed) {
  const std::string beside = DirectoryOf(ExecutablePath()) + SaveFileName;
  const std::string dataFolder = DataFolder();
  if (dataFolder.empty() || (!installed && CanSaveAt(beside))) return {beside, beside, {}};
  const std::string save = dataFolder + SaveFileName;
  const bool carryOver = FileSizeOf(save) == -1 && FileSizeOf(beside) >= 0;
  return {save, carryOver ? beside : save, dataFolder};
}

bool ClaimSaveFile(bool installed) {
  const SaveLocation where = ChooseSaveLocation(installed);
  Game.SavePath = where.save;
  Game.SaveLoadPath = where.load == where.save ? std::string() : where.load;
  // A folder that cannot be made leaves the lock unavailable; the saves then fail and are reported.
  if (!where.dataFolder.empty()) CreateFolder(where.dataFolder);
  // The lock and the temporary files sit beside the file a save actually replaces.
  const std::string target = ResolveLinks(where.save);
  const int64_t lock = LockFileExclusive(target + SaveLockSuffix);
  if (lock == LockHeldElsewhere) {
    ShowMessageBox("Keno", "Keno is already running and saving its progress to " + where.save + ".", BoxIconInfo);
    return false;
  }
  if (lock == LockTaken) RemoveUniqueDataFiles(target + SaveTemporaryInfix);
  // The draw history goes where the save goes.
  if (where.load != where.save) CarryLedgerOver(DirectoryOf(where.load), DirectoryOf(where.save));
  return true;
}
