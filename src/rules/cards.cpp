// Card editing and the game's two requesters: picks, the Auto-Pick fills, copying a card, New
// Game and the out-of-funds question.
#include <cstdint>
#include <string>
#include <string_view>

#include "state/game_state.h"
#include "platform/platform.h"
#include "rules/rules.h"

namespace {

constexpr int64_t AutoPickDefault = 8;

SaveNowOperation SaveNowOp = nullptr;

// Writes the save file now, through the operation the layer above handed over.
void SaveNow() {
  if (SaveNowOp != nullptr) SaveNowOp();
}

// Keeps the derived per-number counts and the pot eligibility in step with the picks.
void PicksChanged() {
  RecountCardsPerNumber();
  UpdateProgressiveEligible();
}

// Puts one chosen number on the card being filled.
void AddAutoPick(CardRecord& card, bool taken[NumberCount + 1], int64_t k) {
  taken[k] = true;
  card.Picked[k] = 1;
  card.PickCount += 1;
}

// Random numbers until the card holds target picks.
void RandomFill(CardRecord& card, bool taken[NumberCount + 1], int64_t target) {
  while (card.PickCount < target) {
    const int64_t k = RandomOneTo(NumberCount);
    if (!taken[k]) AddAutoPick(card, taken, k);
  }
}

// The most often drawn numbers, ties to the lowest number, never-drawn numbers last.
void HotFill(CardRecord& card, bool taken[NumberCount + 1], int64_t target) {
  for (int64_t i = 0; i < target; ++i) {
    int64_t best = 0;
    int64_t bestCount = -1;
    for (int64_t k = 1; k <= NumberCount; ++k) {
      if (!taken[k] && Game.HeatCount[k] > bestCount) {
        best = k;
        bestCount = Game.HeatCount[k];
      }
    }
    if (best == 0) return;
    AddAutoPick(card, taken, best);
  }
}

// The shared frame of both Auto-Pick fills: refills the active card, keeping its spot count.
void AutoPick(bool hot) {
  if (Game.ActiveTab < 1 || Game.ActiveTab > CardCount) {
    ShowMessageBox("Auto-Pick", "Please select a Card 1-4 tab first.", BoxOk);
    return;
  }
  const int64_t c = Game.ActiveTab;
  int64_t target = Game.Cards[c].PickCount;
  if (target == 0) target = AutoPickDefault;
  if (target > MaxPicks) target = MaxPicks;

  ClearCard(c);
  bool taken[NumberCount + 1] = {};
  int64_t heat = 0;
  for (int n = 1; n <= NumberCount; ++n) heat += Game.HeatCount[n];
  if (hot && heat != 0) {
    HotFill(Game.Cards[c], taken, target);
  } else {
    RandomFill(Game.Cards[c], taken, target);
  }
  PicksChanged();
}

// The value of a hexadecimal digit, 99 for any other character.
int64_t DigitValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return 99;
}

}  // namespace

void SetSaveNowOperation(SaveNowOperation save) { SaveNowOp = save; }

// A left click on cell n of card c's board: the pick on or off; a 13th pick is ignored. What the
// draw in flight or the last one counts stays with the record of its charge.
void TogglePick(int64_t c, int64_t n) {
  if (c < 1 || c > CardCount || n < 1 || n > NumberCount) return;
  CardRecord& card = Game.Cards[c];
  if (card.Picked[n] != 0) {
    card.Picked[n] = 0;
    card.PickCount -= 1;
  } else if (card.PickCount < MaxPicks) {
    card.Picked[n] = 1;
    card.PickCount += 1;
  }
  PicksChanged();
}

// Refills the active card with the numbers drawn most often (random when nothing was drawn yet).
void AutoPickHot() { AutoPick(true); }

// Refills the active card with random numbers.
void AutoPickRandom() { AutoPick(false); }

// Reads a typed reply as an integer: blanks and tabs, an optional sign, then decimal digits, or
// "$" and hexadecimal digits, or "%" and binary digits, up to the first other character.
int64_t ParseReplyInteger(std::string_view reply) {
  size_t i = 0;
  while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t')) ++i;
  bool negative = false;
  if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) {
    negative = reply[i] == '-';
    ++i;
  }
  int64_t base = 10;
  if (i < reply.size() && reply[i] == '$') {
    base = 16;
    ++i;
  } else if (i < reply.size() && reply[i] == '%') {
    base = 2;
    ++i;
  }
  // Unsigned arithmetic wraps on absurdly long replies instead of overflowing.
  uint64_t value = 0;
  for (; i < reply.size(); ++i) {
    const int64_t digit = DigitValue(reply[i]);
    if (digit >= base) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) value = 0 - value;
  return static_cast<int64_t>(value);
}

// A right click on a card's tab: asks for the card to copy its picks onto.
void CopyCard(int64_t src) {
  if (src < 1 || src > CardCount) return;
  const std::string name = std::to_string(src);
  const std::string reply =
      ShowInputBox("Copy Card " + name, "Copy Card " + name + "'s picks to which card? (1-4, not " + name + ")", "");
  const int64_t dst = ParseReplyInteger(reply);
  if (dst >= 1 && dst <= CardCount && dst != src) {
    ClearCard(dst);
    for (int n = 1; n <= NumberCount; ++n) {
      if (Game.Cards[src].Picked[n] == 0) continue;
      Game.Cards[dst].Picked[n] = 1;
      Game.Cards[dst].PickCount += 1;
    }
    PicksChanged();
    SetActiveTab(dst);
  } else if (!reply.empty()) {
    ShowMessageBox("Copy Card", "Invalid destination.", BoxOk);
  }
}

// The New Game button: clear the cards (Yes), wipe everything but the sound setting (No), or
// change nothing (Cancel). Yes and No first complete and pay a draw being revealed.
void NewGamePrompt() {
  const BoxResult answer = ShowMessageBox("New Game",
                                          "YES    - Clear card selections only.\n"
                                          "         (Balance and lifetime stats kept.)\n\n"
                                          "NO     - Full wipe: reset balance to $1000, clear all stats.\n\n"
                                          "CANCEL - Return to game, change nothing.",
                                          BoxYesNoCancel);
  if (answer == BoxResult::Yes || answer == BoxResult::No) CompleteDrawNow(DrawEnded);
  if (answer == BoxResult::Yes) {
    StopAutoRun();
    ResetSet();
    SaveNow();
    SetActiveTab(1);
  } else if (answer == BoxResult::No) {
    StopAutoRun();
    const int64_t before = Game.Balance;
    // A save kept through a link loses its target, not the link: the next save fills it again.
    if (FileSizeOf(Game.SavePath) > 0) RemoveFile(ResolveLinks(Game.SavePath));
    ResetProgress();
    ReportToBook(BookEvent::FullWipe, before, Game.Balance);
    Game.BetSelection = DefaultBet;
    ResetSet();
    for (int n = 0; n <= NumberCount; ++n) Game.HeatCount[n] = 0;
    ApplyPayMode();
    UpdateProgressiveEligible();
    SetActiveTab(1);
  }
}

// Whether the balance covers a draw's cost; when it does not, offers $1000 more or a save and
// quit. True when the draw may go on.
bool CheckFunds(int64_t cost) {
  if (Game.Balance >= cost) return true;
  StopAutoRun();
  const BoxResult answer =
      ShowMessageBox("Out of Funds!",
                     "Balance ($" + std::to_string(Game.Balance) + ") is less than the draw cost ($" +
                         std::to_string(cost) + ").\n\nYES = add $1000 and keep playing.\nNO  = save and quit.",
                     BoxYesNo);
  if (answer == BoxResult::Yes) {
    Game.Balance += 1000;
    ReportToBook(BookEvent::Refinance, Game.Balance - 1000, Game.Balance);
    SaveNow();
    return true;
  }
  SaveNow();
  Game.QuitRequested = 1;
  return false;
}
