// Edits made while the balls are revealed: picks, the bet, the pay schedule and New Game leave
// the draw in flight as it was charged. It pays only the cards it charged, by the picks, the bet
// and the schedule of its start; the edits count from the next draw.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"

namespace {

using rules_test::Pick;
using rules_test::Range;
using rules_test::RulesGame;

// Takes number n off card c, or puts it on: the player's own click.
void Toggle(int64_t c, const std::vector<int64_t>& numbers) { Pick(c, numbers); }

struct MidDrawCase {
  const char* name;
  int64_t bet = 1;
  std::vector<int64_t> cards[5] = {};  // picks of cards 1..4 when the draw starts
  std::vector<int64_t> drawn = {};     // the first balls, in reveal order; the edit comes after the tenth
  std::function<void()> edit = {};
  int64_t wins[5] = {};      // expected CardWin of cards 1..4
  bool charged[5] = {};      // cards the draw charged
  std::string boxText = "";  // the "JACKPOT!" box, empty for none
  std::string status = "";
};

const MidDrawCase MidDrawCases[] = {
    {.name = "an uncharged card picked mid-draw is paid nothing",
     .cards = {{}, {1}},
     .drawn = {1, 2, 3, 4, 5, 6},
     .edit =
         [] {
           Toggle(2, {2, 3, 4, 5, 6});
         },  // five drawn numbers: 5 of 5 if it counted
     .wins = {0, 3},
     .charged = {false, true}},
    {.name = "picks added mid-draw to a charged card do not count",
     .cards = {{}, {1, 2}},
     .drawn = {1, 3, 20, 21, 22, 23, 24, 25, 26, 27, 28, 15},  // 15 comes after the edit
     .edit =
         [] {
           Toggle(1, {3, 15});
         },  // 3 of 4 would pay $10
     .wins = {0, 0},
     .charged = {false, true}},
    {.name = "picks removed mid-draw still count, revealed or not",
     .cards = {{}, Range(1, 5)},
     .drawn = {1, 2, 3, 4, 20, 21, 22, 23, 24, 25, 26, 5},
     .edit =
         [] {
           Toggle(1, {1, 5});
         },
     .wins = {0, 450},
     .charged = {false, true},
     .boxText = "Card 1 matched ALL 5 numbers!\n\nPayout: $450\nAuto-draw has been stopped."},
    {.name = "a card emptied mid-draw is paid and booked",
     .cards = {{}, {1, 2, 3}, {40}},
     .drawn = {1, 2, 3},
     .edit =
         [] {
           Toggle(1, {1, 2, 3});
         },
     .wins = {0, 42, 0},
     .charged = {false, true, true}},
    {.name = "a card refilled by Auto-Pick mid-draw pays by its charged picks",
     .cards = {{}, Range(1, 8)},
     .drawn = Range(1, 5),
     .edit =
         [] {
           SetActiveTab(1);
           AutoPickRandom();
         },
     .wins = {0, 25},
     .charged = {false, true}},
    {.name = "a bet raised mid-draw",
     .cards = {{}, {1, 2, 3}},
     .drawn = {1, 2},
     .edit = [] { Game.BetSelection = Game.BetPerCard = 10; },
     .wins = {0, 2},
     .charged = {false, true}},
    {.name = "a bet lowered mid-draw",
     .bet = 5,
     .cards = {{}, {1, 2, 3}},
     .drawn = {1, 2},
     .edit = [] { Game.BetSelection = Game.BetPerCard = 1; },
     .wins = {0, 10},
     .charged = {false, true}},
    {.name = "a schedule swapped mid-draw",
     .cards = {{}, Range(1, 5)},
     .drawn = Range(1, 5),
     .edit = [] { SwapPayMode(); },  // CASINO pays 750
     .wins = {0, 450},
     .charged = {false, true},
     .boxText = "Card 1 matched ALL 5 numbers!\n\nPayout: $450\nAuto-draw has been stopped."},
    {.name = "the consolation counts the charged cards and picks",
     .cards = {{}, Range(1, 7), Range(8, 15)},
     .edit =
         [] {
           Toggle(1, {1});   // 6 picks would void the prize
           Toggle(3, {60});  // a third card would split it
         },
     .wins = {0, 500, 500, 0},
     .charged = {false, true, true, false},
     .status = "$500/card consolation paid"},
    {.name = "the consolation counts the charged numbers when an edit leaves 14 on the cards",
     .cards = {{}, Range(1, 7), Range(8, 15)},
     .edit = [] { Toggle(2, {15}); },  // 7 picks still, but 14 distinct numbers
     .wins = {0, 500, 500},
     .charged = {false, true, true},
     .status = "$500/card consolation paid"},
    {.name = "no consolation for 14 charged numbers when an edit brings the cards to 15",
     .cards = {{}, Range(1, 7), Range(8, 14)},
     .edit = [] { Toggle(2, {60}); },  // never drawn: the rigged draw takes 15 to 34
     .wins = {0, 0, 0},
     .charged = {false, true, true}},
};

void PrintTo(const MidDrawCase& k, std::ostream* os) { *os << k.name; }

class RulesMidDraw : public RulesGame, public ::testing::WithParamInterface<MidDrawCase> {};

TEST_P(RulesMidDraw, PaysWhatTheDrawCharged) {
  const MidDrawCase& k = GetParam();
  Game.BetPerCard = Game.BetSelection = k.bet;
  for (int c = 1; c <= 4; ++c) Pick(c, k.cards[c]);
  const GameState before = Game;

  ASSERT_TRUE(PlayDraw(k.drawn, k.edit));

  int64_t cost = 0, won = 0;
  for (int c = 1; c <= 4; ++c) {
    SCOPED_TRACE(::testing::Message() << "card " << c);
    const bool consoled = !k.status.empty() && k.charged[c];
    EXPECT_EQ(Game.CardWin[c], k.wins[c]);
    EXPECT_EQ(Game.CardNet[c], k.charged[c] ? k.wins[c] - k.bet : 0);
    EXPECT_EQ(Game.CardWins[c], k.wins[c] > 0 ? 1 : 0);
    EXPECT_EQ(Game.CardLosses[c], k.charged[c] && (k.wins[c] == 0 || consoled) ? 1 : 0);
    cost += k.charged[c] ? k.bet : 0;
    won += k.wins[c];
  }
  EXPECT_EQ(Game.SetCost, cost);
  EXPECT_EQ(Game.SetWon, won);
  EXPECT_EQ(Game.Balance, before.Balance - cost + won);
  EXPECT_EQ(Game.LifetimeGenCost, cost);
  EXPECT_EQ(Game.LifetimeGenWon, won);
  EXPECT_EQ(Game.LifetimeCasCost + Game.LifetimeCasWon, 0);
  EXPECT_EQ(Game.StatusMessage, k.status);
  const auto& boxes = headless::BoxLog();
  if (k.boxText.empty()) {
    EXPECT_TRUE(boxes.empty());
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "JACKPOT!");
    EXPECT_EQ(boxes[0].text, k.boxText);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RulesMidDraw, ::testing::ValuesIn(MidDrawCases),
                         rules_test::CaseName<::testing::TestParamInfo<MidDrawCase>>);

class RulesMidDrawGame : public RulesGame {};

// What was changed during a draw is what the next draw charges and pays.
TEST_F(RulesMidDrawGame, EditsCountFromTheNextDraw) {
  Pick(1, {1});
  ASSERT_TRUE(PlayDraw({1, 2}, [] {
    Pick(2, {2});
    Game.BetSelection = Game.BetPerCard = 3;
    SwapPayMode();
  }));
  EXPECT_EQ(Game.CardWin[1], 3);
  EXPECT_EQ(Game.CardWin[2], 0);
  EXPECT_EQ(Game.Balance, 1000 - 1 + 3);

  ASSERT_TRUE(PlayDraw({1, 2}));
  EXPECT_EQ(Game.CardWin[1], 9);
  EXPECT_EQ(Game.CardWin[2], 9);
  EXPECT_EQ(Game.LifetimeCasCost, 6);
  EXPECT_EQ(Game.LifetimeCasWon, 18);
  EXPECT_EQ(Game.LifetimeGenCost, 1);
  EXPECT_EQ(Game.LifetimeGenWon, 3);
  EXPECT_EQ(Game.Balance, 1000 - 1 + 3 - 6 + 18);
  EXPECT_EQ(Game.CardNet[2], 9 - 3);
}

// New Game, Yes or No, while the balls roll: the draw is completed at once from the record of its
// charge and paid (Yes keeps the payout; No wipes it with everything else), then the new set starts.
// Nothing of it is shown or heard: no fanfare, no box, and the debounce is not asked for.
class RulesNewGameMidDraw : public RulesGame, public ::testing::WithParamInterface<BoxResult> {};

TEST_P(RulesNewGameMidDraw, CompletesAndPaysTheDrawAtOnce) {
  Game.SoundOn = 0;
  Pick(1, Range(1, 5));
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  rules_test::RigDraw(Range(1, 5));
  for (int i = 0; i < 3; ++i) {
    headless::AdvanceMs(Game.RevealInterval);
    ASSERT_TRUE(Frame());
  }
  ASSERT_LT(Game.Charge.Cards[1].HitCount, 5);
  const int64_t balance = Game.Balance;
  headless::QueueAnswer(GetParam());
  NewGamePrompt();
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.BallsRevealed, 20);
  EXPECT_EQ(Game.Charge.Cards[1].HitCount, 5);
  EXPECT_EQ(Game.Charge.Won, Game.PayGenerous[5][5]);
  EXPECT_EQ(Game.Charge.End, DrawEnded);

  for (int i = 0; i < 30; ++i) {
    headless::AdvanceMs(Game.RevealInterval);
    ASSERT_TRUE(Frame());
  }
  EXPECT_EQ(Game.Balance, GetParam() == BoxResult::Yes ? balance + Game.PayGenerous[5][5] : 1000);
  EXPECT_EQ(Game.LifetimeGenWon, GetParam() == BoxResult::Yes ? Game.PayGenerous[5][5] : 0);
  EXPECT_EQ(Game.SetDraws, 0);
  EXPECT_EQ(Game.SetWon, 0);
  for (int c = 1; c <= 4; ++c) {
    SCOPED_TRACE(::testing::Message() << "card " << c);
    EXPECT_EQ(Game.CardWin[c], 0);
    EXPECT_EQ(Game.CardNet[c], 0);
    EXPECT_EQ(Game.CardWins[c] + Game.CardLosses[c], 0);
  }
  EXPECT_EQ(Game.SavePending, 0) << "the completed draw asked for the debounced save";
  EXPECT_EQ(Game.FanfareThread, 0) << "the completed draw started a fanfare";
  ASSERT_EQ(headless::BoxLog().size(), 1u) << headless::BoxLog().back().title;
  EXPECT_EQ(headless::BoxLog()[0].title, "New Game");

  // The new game's first draw is charged and settled as usual.
  Pick(2, {7});
  ASSERT_TRUE(PlayDraw({7}));
  EXPECT_EQ(Game.SetDraws, 1);
  EXPECT_EQ(Game.SetCost, 1);
  EXPECT_EQ(Game.CardWin[2], 3);
  EXPECT_EQ(Game.CardWin[1], 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, RulesNewGameMidDraw, ::testing::Values(BoxResult::Yes, BoxResult::No),
                         [](const auto& info) { return info.param == BoxResult::Yes ? "Yes" : "No"; });

// The board marks as hits only the picks this draw counts; a number picked after its ball was
// shown is drawn as picked, not as a hit, on its card's tab and on the Main tab, until the next
// draw starts.
TEST_F(RulesMidDrawGame, APickAfterItsBallIsShownAsPickedNotAsAHit) {
  Pick(1, {1});
  auto fill = [](int64_t n) {
    const Rect box = CellRect(Game.BoardRect, n);
    return headless::PixelAt(box.x + 43, box.y + 10);
  };
  constexpr Colour Hit = RGB(40, 180, 60), Picked = RGB(140, 20, 160), Drawn = RGB(210, 10, 10);
  ASSERT_TRUE(PlayDraw({1, 2, 3}, [&] {
    Pick(1, {2});
    Pick(2, {3});
    const DrawView view = rules_test::LiveView();
    EXPECT_EQ(view.Cards[1].HitCount, 1);
    EXPECT_EQ(view.Cards[2].HitCount, 0);
    for (int64_t tab : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << "tab " << tab);
      SetActiveTab(tab);
      ASSERT_TRUE(Frame());
      EXPECT_EQ(fill(1), Hit);
      EXPECT_EQ(fill(2), Picked);
      EXPECT_EQ(fill(3), tab == 0 ? Picked : Drawn);
    }
  }));
  ASSERT_TRUE(Frame());
  EXPECT_EQ(fill(2), Picked) << "after the draw";
  EXPECT_EQ(Game.CardWin[1], 3);

  // The next draw counts the pick.
  ASSERT_TRUE(PlayDraw({1, 2}));
  ASSERT_TRUE(Frame());
  EXPECT_EQ(fill(2), Hit);
  EXPECT_EQ(Game.CardWin[1], 12);
}

}  // namespace
