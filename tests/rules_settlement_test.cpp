// Settlement: card payouts, statistics, the jackpot boxes, the progressive prize, the
// consolation prize and the fanfare start rule.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "state/game_state.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "sound/sound.h"

namespace {

using rules_test::Pick;
using rules_test::Range;
using rules_test::RulesGame;

// The fanfare a settlement starts.
enum class Fanfare { None, Win, Jackpot };

struct SettleCase {
  const char* name;
  Fanfare fanfare = Fanfare::None;
  int64_t bet = 1;
  int64_t payMode = 0;
  std::vector<int64_t> cards[5] = {};  // picks of cards 1..4
  std::vector<int64_t> drawn = {};     // the draw's numbers that matter, in reveal order
  int64_t wins[5] = {};                // expected CardWin of cards 1..4
  int64_t prize = 0;                   // expected progressive prize
  std::string boxTitle = "";           // empty: no box
  std::string boxText = "";
  int64_t jackpotCard = 0;
  std::string status = "";
};

const SettleCase SettleCases[] = {
    {.name = "1-spot hit and 2 of 3 spots",
     .fanfare = Fanfare::Jackpot,
     .cards = {{}, {7}, {8, 9, 10}},
     .drawn = {7, 8, 9},
     .wins = {0, 3, 2}},
    {.name = "2 of 3 spots alone", .fanfare = Fanfare::Win, .cards = {{}, {8, 9, 10}}, .drawn = {8, 9}, .wins = {0, 2}},
    {.name = "12 spots 8 hits",
     .fanfare = Fanfare::Win,
     .cards = {{}, {}, {}, {}, Range(41, 52)},
     .drawn = Range(41, 48),
     .wins = {0, 0, 0, 0, 500}},
    {.name = "12-spot progressive in CASINO at $2",
     .fanfare = Fanfare::Jackpot,
     .bet = 2,
     .payMode = 1,
     .cards = {{}, Range(1, 3), {}, {}, Range(41, 52)},
     .drawn = Range(41, 52),
     .wins = {0, 0, 0, 0, 300000},
     .prize = 25002,
     .boxTitle = "PROGRESSIVE JACKPOT HIT!!!",
     .boxText = "Card 4 matched ALL 12 numbers!\n\nYou win the PROGRESSIVE JACKPOT of $25002!\n"
                "Total payout this draw: $325002",
     .jackpotCard = 4},
    {.name = "3 spots 2 hits returns the stake in CASINO, 4 of 4 pays 120",
     .fanfare = Fanfare::Jackpot,
     .payMode = 1,
     .cards = {{}, {8, 9, 10}, {1, 2, 3, 4}},
     .drawn = {1, 2, 3, 4, 8, 9},
     .wins = {0, 1, 120}},
    {.name = "5-spot full match at $2",
     .fanfare = Fanfare::Jackpot,
     .bet = 2,
     .cards = {{}, {}, Range(1, 5)},
     .drawn = Range(1, 5),
     .wins = {0, 0, 900},
     .boxTitle = "JACKPOT!",
     .boxText = "Card 2 matched ALL 5 numbers!\n\nPayout: $900\nAuto-draw has been stopped.",
     .jackpotCard = 2},
    {.name = "two full matches name the later card",
     .fanfare = Fanfare::Jackpot,
     .cards = {{}, {}, Range(11, 16), Range(21, 25)},
     .drawn = {11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25},
     .wins = {0, 0, 1600, 450},
     .boxTitle = "JACKPOT!",
     .boxText = "Card 3 matched ALL 5 numbers!\n\nPayout: $450\nAuto-draw has been stopped.",
     .jackpotCard = 3},
    {.name = "a progressive with a later 5-spot full match names the progressive card",
     .fanfare = Fanfare::Jackpot,
     .cards = {{}, Range(1, 10), {}, Range(21, 25)},
     .drawn = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25},
     .wins = {0, 200000, 0, 450},
     .prize = 25002,
     .boxTitle = "PROGRESSIVE JACKPOT HIT!!!",
     .boxText = "Card 1 matched ALL 10 numbers!\n\nYou win the PROGRESSIVE JACKPOT of $25002!\n"
                "Total payout this draw: $225002",
     .jackpotCard = 1},
    {.name = "10-spot progressive",
     .fanfare = Fanfare::Jackpot,
     .cards = {{}, Range(1, 10)},
     .drawn = Range(1, 10),
     .wins = {0, 200000},
     .prize = 25002,
     .boxTitle = "PROGRESSIVE JACKPOT HIT!!!",
     .boxText = "Card 1 matched ALL 10 numbers!\n\nYou win the PROGRESSIVE JACKPOT of $25002!\n"
                "Total payout this draw: $225002",
     .jackpotCard = 1},
    {.name = "consolation over three cards",
     .cards = {{}, Range(1, 7), Range(8, 15), Range(9, 15)},
     .wins = {0, 334, 333, 333},
     .status = "$333/card consolation paid"},
    {.name = "consolation over two cards",
     .bet = 3,
     .payMode = 1,
     .cards = {{}, Range(1, 8), {}, Range(9, 16)},
     .wins = {0, 500, 0, 500},
     .status = "$500/card consolation paid"},
    {.name = "no consolation with 14 distinct numbers", .cards = {{}, Range(1, 7), Range(1, 8), Range(8, 14)}},
    {.name = "no consolation with a 6-pick card",
     .cards = {{}, Range(1, 7), Range(8, 15), Range(9, 15), Range(20, 25)}},
    {.name = "no consolation after a hit that paid nothing",
     .cards = {{}, Range(1, 7), Range(8, 15), Range(9, 15)},
     .drawn = {1}},
};

void PrintTo(const SettleCase& k, std::ostream* os) { *os << k.name; }

class RulesSettlement : public RulesGame, public ::testing::WithParamInterface<SettleCase> {
 protected:
  // Which fanfare the settlement started, told by its first note among the sounds played (the
  // reveal's clicks aside): the jackpot melody opens on 392 Hz, the win fanfare on 700 Hz.
  static Fanfare StartedFanfare() {
    if (Game.FanfareThread == 0) return Fanfare::None;
    const int64_t click = Game.SoundEffects.at(ToneKey(50, 10));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      for (int64_t sound : headless::PlayedSounds()) {
        if (sound == click) continue;
        if (sound == Game.SoundEffects.at(ToneKey(392, 200))) return Fanfare::Jackpot;
        if (sound == Game.SoundEffects.at(ToneKey(700, 80))) return Fanfare::Win;
        ADD_FAILURE() << "a fanfare opened on sound " << sound;
        return Fanfare::None;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "a fanfare was started but played nothing";
    return Fanfare::None;
  }
};

TEST_P(RulesSettlement, PaysBooksAndAnnounces) {
  const SettleCase& k = GetParam();
  Game.BetPerCard = Game.BetSelection = k.bet;
  Game.PayMode = k.payMode;
  ApplyPayMode();
  int64_t cardsWithPicks = 0, qualifying = 0;
  for (int c = 1; c <= 4; ++c) {
    Pick(c, k.cards[c]);
    cardsWithPicks += k.cards[c].empty() ? 0 : 1;
    qualifying += k.cards[c].size() >= 10 ? 1 : 0;
  }
  Game.AutoRun = 1;
  const GameState before = Game;

  ASSERT_TRUE(PlayDraw(k.drawn));

  int64_t won = 0;
  for (int c = 1; c <= 4; ++c) {
    const bool picks = !k.cards[c].empty();
    const bool consoled = !k.status.empty() && picks;
    EXPECT_EQ(Game.CardWin[c], k.wins[c]) << "card " << c;
    EXPECT_EQ(Game.CardNet[c], picks ? k.wins[c] - k.bet : 0) << "card " << c;
    EXPECT_EQ(Game.CardWins[c], k.wins[c] > 0 ? 1 : 0) << "card " << c;
    EXPECT_EQ(Game.CardLosses[c], picks && (k.wins[c] == 0 || consoled) ? 1 : 0) << "card " << c;
    won += k.wins[c];
  }
  const int64_t cost = k.bet * cardsWithPicks;
  EXPECT_EQ(Game.Balance, before.Balance - cost + won + k.prize);
  EXPECT_EQ(Game.SetWon, won);
  EXPECT_EQ(Game.SetCost, cost);
  EXPECT_EQ(Game.SetDraws, 1);
  EXPECT_EQ(Game.LifetimeGenWon, k.payMode == 0 ? won + k.prize : 0);
  EXPECT_EQ(Game.LifetimeCasWon, k.payMode == 0 ? 0 : won + k.prize);
  EXPECT_EQ(Game.ProgressivePot, k.prize > 0 ? 25000 : 25000 + 2 * qualifying);
  EXPECT_EQ(Game.JackpotCard, k.jackpotCard);
  EXPECT_EQ(Game.StatusMessage, k.status);
  EXPECT_EQ(StartedFanfare(), k.fanfare);

  const auto& boxes = headless::BoxLog();
  if (k.boxTitle.empty()) {
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Game.AutoRun, 1) << "auto-run goes on";
    EXPECT_EQ(Game.AutoPausePending, 1);
    EXPECT_EQ(Game.ActiveTab, 0);
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, k.boxTitle);
    EXPECT_EQ(boxes[0].text, k.boxText);
    EXPECT_EQ(boxes[0].flags, 0);
    EXPECT_EQ(Game.AutoRun, 0);
    EXPECT_EQ(Game.AutoPausePending, 0);
    EXPECT_EQ(Game.ActiveTab, k.jackpotCard);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RulesSettlement, ::testing::ValuesIn(SettleCases),
                         rules_test::CaseName<::testing::TestParamInfo<SettleCase>>);

class RulesSettlementGame : public RulesGame {};

// The bet and the schedule changed while the balls are revealed leave the draw as it was
// charged: 4 of 4 at $1 from GENEROUS, booked to GENEROUS where its cost went.
TEST_F(RulesSettlementGame, BetAndScheduleChangedDuringTheRevealLeaveThePayoutAlone) {
  Pick(1, Range(1, 4));
  ASSERT_TRUE(PlayDraw(Range(1, 4), [] {
    Game.BetSelection = Game.BetPerCard = 5;
    SwapPayMode();
  }));
  EXPECT_EQ(Game.SetCost, 1);
  EXPECT_EQ(Game.LifetimeGenCost, 1);
  EXPECT_EQ(Game.CardWin[1], 100);
  EXPECT_EQ(Game.LifetimeCasWon, 0);
  EXPECT_EQ(Game.LifetimeGenWon, 100);
  EXPECT_EQ(Game.CardNet[1], 99);
  EXPECT_EQ(Game.Balance, 1000 - 1 + 100);
}

// Picks out of the pay table's range, possible only from a save file, are paid nothing: all 13
// drawn is no full match, so no prize, no box and no fanfare, and auto-run goes on. The card is
// still charged, feeds the pot with its 10+ picks and takes its share of a consolation.
TEST_F(RulesSettlementGame, OutOfRangeCardIsPaidNothingAndLoses) {
  for (int64_t n = 1; n <= 13; ++n) Game.Cards[1].Picked[n] = 1;
  Game.Cards[1].PickCount = 13;
  Game.AutoRun = 1;
  ASSERT_TRUE(PlayDraw(Range(1, 13)));
  EXPECT_EQ(Game.CardWin[1], 0);
  EXPECT_EQ(Game.CardLosses[1], 1);
  EXPECT_EQ(Game.CardWins[1], 0);
  EXPECT_EQ(Game.CardNet[1], -1);
  EXPECT_EQ(Game.Balance, 1000 - 1);
  EXPECT_EQ(Game.SetWon, 0);
  EXPECT_EQ(Game.LifetimeGenWon, 0);
  EXPECT_EQ(Game.ProgressivePot, 25002);
  EXPECT_EQ(Game.JackpotCard, 0);
  EXPECT_TRUE(headless::BoxLog().empty()) << headless::BoxLog()[0].title;
  EXPECT_EQ(Game.FanfareThread, 0) << "a fanfare for a card that is paid nothing";
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.ActiveTab, 0);

  // No hits on it and on a 7-pick card, 20 distinct numbers: the consolation is split over both.
  StopAutoRun();
  Pick(2, Range(20, 26));
  ASSERT_TRUE(PlayDraw({}));
  EXPECT_EQ(Game.StatusMessage, "$500/card consolation paid");
  EXPECT_EQ(Game.CardWin[1], 500);
  EXPECT_EQ(Game.CardWin[2], 500);
  EXPECT_EQ(Game.Balance, 1000 - 1 - 2 + 1000);
  EXPECT_EQ(Game.ProgressivePot, 25004);
  EXPECT_TRUE(headless::BoxLog().empty());
}

// A 9-pick card is below the progressive's 10: it leaves the pot as it was, and so does a draw
// of 9- and 5-pick cards together; the pot grows by 2 for each card of 10 picks or more.
TEST_F(RulesSettlementGame, OnlyCardsOfTenPicksOrMoreGrowThePot) {
  Pick(1, Range(1, 9));
  ASSERT_TRUE(PlayDraw({}));
  EXPECT_EQ(Game.ProgressivePot, 25000);
  Pick(3, Range(30, 34));
  ASSERT_TRUE(PlayDraw({}));
  EXPECT_EQ(Game.ProgressivePot, 25000);
  TogglePick(1, 10);
  ASSERT_TRUE(PlayDraw({}));
  EXPECT_EQ(Game.ProgressivePot, 25002);
}

// A pot brought in at the top of its 32 bits: the prize and the total this draw are paid and
// shown in full, and growth at the draw start holds the pot at its largest value.
TEST_F(RulesSettlementGame, PotAtTheTopOfItsRangeNeitherWrapsNorGoesNegative) {
  constexpr int32_t Top = std::numeric_limits<int32_t>::max();
  Game.ProgressivePot = Top - 1;
  Game.BetPerCard = Game.BetSelection = 10;
  Pick(1, Range(1, 10));
  Pick(2, Range(11, 22));
  ASSERT_TRUE(PlayDraw(Range(1, 10)));
  const int64_t prize = Top;
  EXPECT_EQ(Game.Balance, 1000 - 20 + 2000000 + prize);
  EXPECT_EQ(Game.LifetimeGenWon, 2000000 + prize);
  EXPECT_EQ(Game.ProgressivePot, 25000);
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].text,
            "Card 1 matched ALL 10 numbers!\n\nYou win the PROGRESSIVE JACKPOT of $2147483647!\n"
            "Total payout this draw: $2149483647");
}

// A worker that plays until the test lets it go.
std::atomic<bool> releaseWorker{false};
void HeldWorker(int64_t) {
  while (!releaseWorker.load()) SleepMs(1);
}

TEST_F(RulesSettlementGame, NoSecondFanfareWhileOneIsPlaying) {
  Pick(1, {1});
  releaseWorker = false;
  const int64_t playing = StartWorker(HeldWorker, 0);
  ASSERT_NE(playing, 0);
  Game.FanfareThread = playing;
  ASSERT_TRUE(PlayDraw({1}));  // a win
  EXPECT_EQ(Game.FanfareThread, playing) << "a fanfare started over the one still playing";

  releaseWorker = true;
  while (WorkerRunning(playing)) SleepMs(1);
  ASSERT_TRUE(PlayDraw({1}));
  EXPECT_NE(Game.FanfareThread, playing);

  // A losing draw starts nothing.
  Game.FanfareThread = 0;
  ASSERT_TRUE(PlayDraw({}));
  EXPECT_EQ(Game.CardWin[1], 0);
  EXPECT_EQ(Game.FanfareThread, 0);
}

}  // namespace
