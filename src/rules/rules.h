// The game's rules: pay tables, the draw round with auto-run, settlement with the jackpots and
// the consolation prize, and the operations that edit cards and restart or refinance the game.
#pragma once

#include <cstdint>
#include <string_view>

// Pay tables.
void InitPayTables();
void ApplyPayMode();
void SwapPayMode();  // right click on the Payout Table button: the other schedule, then a save
// The exact return to player of a card of spots picks on schedule payMode (0 GENEROUS, 1 CASINO),
// in percent of its bet, from the hypergeometric chances; 0 outside 1..MaxPicks spots.
double ExactReturnPercent(int64_t payMode, int64_t spots);

// The draw round and auto-run. RevealStep is true when it revealed a ball, whose drop down the
// tube the caller then starts; it reveals nothing once the last ball is out and settles instead.
void StartDraw();
bool RevealStep();
bool RevealNextBall();  // shows the next ball on the charged cards, silently; true when some card counts it

// Settlement after the twentieth ball: pays, reports the settled draw for the records, then
// announces it (fanfare, jackpot boxes, the consolation's status line).
void SettleDraw();
// Pays the draw from the record of its charge with nothing shown or heard.
void SettleDrawQuietly();
// Completes the draw in flight at once, as an ending or New Game does (end DrawEnded) or start-up
// with a draw rebuilt from the ledger (DrawRecovered): auto-run stops, the remaining balls are taken
// in order and the draw is settled as at its twentieth ball, with no animation, sound, box, status
// line or change of tab. Does nothing when no draw is in flight.
void CompleteDrawNow(int64_t end);

// Card editing, new game and refinancing.
void TogglePick(int64_t c, int64_t n);
void AutoPickHot();
void AutoPickRandom();
void CopyCard(int64_t src);
void NewGamePrompt();
bool CheckFunds(int64_t cost);
int64_t ParseReplyInteger(std::string_view reply);  // the copy-card reply read as an integer

// Writing the save file at once is the layer above's to do; it hands the operation over at
// start-up and the rules call it where the save belongs (Out of Funds saves the refinanced balance
// before the draw charges its cost). Until it is set, a save the rules ask for does nothing.
using SaveNowOperation = void (*)();
void SetSaveNowOperation(SaveNowOperation save);

// The events the game's records (the ledger and the save) take, reported by the rules where they
// happen; the layer above hands the operation over at start-up and writes the records from the
// state: a charge from Game.Charge and DrawOrder, a settlement from Game.Charge and CardWin. The
// two balances are those of a refinance or a full wipe.
enum class BookEvent : int64_t { Refinance, Charged, Settled, FullWipe };
using BookOperation = void (*)(BookEvent event, int64_t balanceBefore, int64_t balanceAfter);
void SetBookOperation(BookOperation book);
void ReportToBook(BookEvent event, int64_t balanceBefore = 0, int64_t balanceAfter = 0);
