// The ledger "keno_history.sqlite3" beside the save file: every charged draw with its cards, and
// every change of the balance outside a draw, in one sequence that tells the balance's story.
#pragma once

#include <cstdint>
#include <string>

#include "state/game_state.h"

constexpr const char* LedgerFileName = "keno_history.sqlite3";
constexpr int64_t LedgerSchemaVersion = 1;  // PRAGMA user_version of the ledgers this game writes
// A broken ledger is renamed to its name with this and the UTC time (20261210T105203Z) added.
constexpr const char* LedgerBrokenInfix = ".broken-";

// The newest draw of the ledger, as start-up's recovery needs it.
struct LedgerDraw {
  int64_t id = 0;                                // the draw number
  std::string state;                             // 'charged', 'settled' or 'void'
  int64_t payMode = 0;                           // 0 GENEROUS, 1 CASINO
  int64_t betPerCard = 0;                        // dollars per card
  int64_t cost = 0;                              // dollars charged
  int64_t numbers[BallsPerDraw] = {};            // the 20 numbers in reveal order
  int8_t picks[CardCount + 1][NumberCount + 1];  // each charged card's picks (1), element 0 unused
  int64_t charged[CardCount + 1] = {};           // 1 for each card with a row
  int64_t balanceBefore = 0;                     // before the charge
  int64_t won = 0;                               // what it paid (0 while charged)
  int32_t potBefore = 0;                         // the pot before the charge fed it
  int32_t potAfter = 0;                          // after the charge, or after settlement once settled
  int64_t lifetimeCostAfter = 0;                 // the schedule's lifetime cost after the charge
  int64_t lifetimeWonAfter = 0;                  // its lifetime winnings at the charge, after settlement once settled
  bool lastEvent = false;                        // no adjustment follows it
};

// The SQLite VFS the ledger opens its file through; nullptr (the default) for SQLite's own. For
// tests that inject failures.
void SetLedgerVfs(const char* vfsName);

// Moves a ledger (with its -wal file) from one folder to another that has none: for the save
// carried over from beside the program into the data folder.
void CarryLedgerOver(const std::string& fromFolder, const std::string& toFolder);

// Opens the ledger in the folder of SavePath, or starts one there with its 'opening' row at the
// balance the game has now. A file that is not a ledger of this game's version (unreadable,
// corrupt, a newer version, a folder) is set aside and a new ledger started, and the player is
// told once per run. A ledger that cannot be opened or written is reported once; play goes on.
void OpenLedger();
void CloseLedger();
std::string LedgerPath();  // "" before OpenLedger

// Each write below is one transaction, committed (and synced) when it returns; false when it was
// not written. A corruption found on the way is handled at once (set aside, new ledger).
bool LedgerAdjustment(const char* kind, int64_t balanceBefore, int64_t balanceAfter);
// The draw just charged, from Game.Charge, DrawOrder and the lifetime totals; sets Charge.DrawId.
bool LedgerCharge();
// The settlement of the draw Charge.DrawId, from Game.Charge, CardWin and the state's money.
bool LedgerSettlement();
// Marks a draw void (its charge never reached the save): it paid nothing and cost nothing.
bool LedgerVoid(int64_t drawId);
// Marks a settled draw whose payout start-up has just written to the save as recovered.
bool LedgerRecovered(int64_t drawId);

// The newest draw; false when the ledger holds none.
bool LedgerNewestDraw(LedgerDraw& out);
// The balance_after of the last event in sequence order; false when there is none.
bool LedgerLastBalance(int64_t& balance);

// The ledger's key of the high-visibility marks setting (value 1 on, 0 off).
constexpr const char* MarksSettingKey = "high_visibility_marks";
// The integer value of setting key; false when it is not stored or the ledger cannot be read.
bool LedgerSetting(const char* key, int64_t& value);
// Stores setting key as value; false when it was not written.
bool LedgerSetSetting(const char* key, int64_t value);
// One settled draw as the history shows it: its row of the list, and with ReadCards its cards.
// Only settled draws are ever read back this way: a 'charged' draw is in flight (its balls are
// not all revealed yet) and a 'void' one never happened.
struct LedgerCardRow {
  int64_t charged = 0;                  // 1 when the draw charged the card
  int8_t picked[NumberCount + 1] = {};  // 1 for each number picked then, element 0 unused
  int64_t spots = 0;                    // numbers picked then
  int64_t hits = 0;                     // numbers the draw counted for it
  int64_t win = 0;                      // dollars it paid the card
};
struct LedgerSettledDraw {
  int64_t id = 0;                      // the draw number
  std::string startedUtc;              // "2026-12-10T10:52:03.000Z"
  int64_t payMode = 0;                 // 0 GENEROUS, 1 CASINO
  int64_t betPerCard = 0;              // dollars per card
  int64_t cost = 0;                    // dollars charged
  int64_t won = 0;                     // dollars paid, progressive prize and consolation included
  int64_t progressivePrize = 0;        // dollars of the progressive pot paid
  int64_t consolation = 0;             // dollars of consolation paid
  int64_t balanceBefore = 0;           // before the charge
  int64_t balanceAfter = 0;            // after settlement
  std::string completedAt;             // 'revealed', 'ended' or 'recovered'
  int64_t numbers[BallsPerDraw] = {};  // the 20 numbers in reveal order (with ReadCards)
  LedgerCardRow cards[CardCount + 1];  // element 0 unused (with ReadCards)
};

// Up to capacity settled draws, newest first, starting at the newest whose id is at most fromId
// (0: the newest of all); how many were read, -1 when the ledger cannot be read.
int64_t LedgerSettledPage(int64_t fromId, LedgerSettledDraw* out, int64_t capacity);
// The settled draw id with its numbers and cards; false when there is none such (or on a failure).
bool LedgerReadSettled(int64_t id, LedgerSettledDraw& out);
// The settled draw next to id: step -1 the older, +1 the newer; 0 when there is none. With id 0,
// step -1 gives the newest draw and +1 the first.
int64_t LedgerSettledNeighbour(int64_t id, int64_t step);
// How many settled draws have an id at most id (its number in the list, oldest 1), and how many
// there are in all; false when the ledger cannot be read.
bool LedgerSettledPosition(int64_t id, int64_t& position, int64_t& total);
// Why the last read failed, "" when it did not.
std::string LedgerReadError();

// The History overlay's totals over every settled draw, read in one aggregate query.
struct LedgerTotals {
  int64_t draws = 0;        // settled draws
  int64_t cost = 0;         // dollars charged
  int64_t won = 0;          // dollars paid, progressive prizes and consolations included
  int64_t progressive = 0;  // dollars of progressive prizes
  int64_t consolation = 0;  // dollars of consolations
  int64_t biggestWin = 0;   // the largest won of one draw
  // Dollars bet on cards, by schedule (0 GENEROUS, 1 CASINO) and spots (1..MaxPicks).
  int64_t betBySpots[2][MaxPicks + 1] = {};
};
// Reads the totals into out; false when the ledger cannot be read (LedgerReadError says why).
bool LedgerHistoryTotals(LedgerTotals& out);
// Adds the settled draws with ids fromId..toId to out, so that a long ledger can be summed a
// slice at a time; false when the ledger cannot be read.
bool LedgerAddHistoryTotals(int64_t fromId, int64_t toId, LedgerTotals& out);
// The id of the newest draw in the ledger, whatever its state, into id (0 when there is none);
// false when the ledger cannot be read.
bool LedgerNewestDrawId(int64_t& id);
// Changes each time a ledger file is opened or closed: figures read under one generation no
// longer hold under another (the file was set aside and a new one started, or closed).
int64_t LedgerGeneration();
// The id of the settled draw at index from the newest (0 the newest); 0 when there is none.
int64_t LedgerSettledIdAt(int64_t fromNewest);

// The balance chart's series: the balance after each event in seq order, settled draws and
// adjustments alike (a draw in flight or a void one is no event of the balance), read in two
// table scans, merged, and given oldest first to fold(context, index, count, balance, fullWipe):
// index runs from 0 to count - 1, count is the number of events given (the last `last` of them,
// or all with last 0), and fullWipe marks the 'full wipe' adjustment that starts a new game.
// False when the ledger cannot be read.
using LedgerBalanceFold = void (*)(void* context, int64_t index, int64_t count, int64_t balance, bool fullWipe);
bool LedgerBalanceSeries(int64_t last, LedgerBalanceFold fold, void* context);
