// The game's rules: pay tables, the draw round with auto-run, settlement with the jackpots and
// the consolation prize, and the operations that edit cards and restart or refinance the game.
#pragma once

#include <cstdint>
#include <string_view>

// Pay tables.
void InitPayTables();
void ApplyPayMode();
void SwapPayMode();  // right click on the Payout Table button: the other schedule, then a save

// The draw round and auto-run.
void StartDraw();
void RevealStep();

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
