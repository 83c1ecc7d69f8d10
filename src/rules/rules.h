// The game's rules: pay tables, the draw round with auto-run, settlement with the jackpots and
// the consolation prize, and the operations that edit cards and restart or refinance the game.
#pragma once

#include <cstdint>
#include <string_view>

// Pay tables.
void InitPayTables();
void ApplyPayMode();
void SwapPayMode();  // right click on the Payout Table button: the other schedule, then a save

// The draw round and auto-run. RevealStep is true when it revealed a ball, whose drop down the
// tube the caller then starts; it reveals nothing once the last ball is out and settles instead.
void StartDraw();
bool RevealStep();

// Settlement after the twentieth ball.
void SettleDraw();

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
