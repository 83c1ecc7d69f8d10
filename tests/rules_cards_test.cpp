// Card editing and the two requesters: picks, Auto-Pick, copying a card, New Game and the
// out-of-funds question.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ledger_helpers.h"
#include "persist/ledger.h"
#include "rules_helpers.h"

namespace {

using rules_test::Pick;
using rules_test::Range;
using rules_test::RulesGame;

// The numbers picked on card c, ascending.
std::vector<int64_t> PicksOf(int64_t c) {
  std::vector<int64_t> r;
  for (int64_t n = 1; n <= 80; ++n)
    if (Game.Cards[c].Picked[n]) r.push_back(n);
  return r;
}

// The derived fields every change of picks must leave consistent.
void ExpectDerivedFieldsConsistent() {
  bool eligible = false;
  for (int64_t n = 1; n <= 80; ++n) {
    int count = 0;
    for (int c = 1; c <= 4; ++c) count += Game.Cards[c].Picked[n];
    EXPECT_EQ(Game.CardsPerNumber[n], count) << "number " << n;
  }
  for (int c = 1; c <= 4; ++c) {
    EXPECT_EQ(Game.Cards[c].PickCount, static_cast<int64_t>(PicksOf(c).size())) << "card " << c;
    eligible = eligible || Game.Cards[c].PickCount >= 10;
  }
  EXPECT_EQ(Game.ProgressiveEligible, eligible ? 1 : 0);
}

TEST(RulesReplyInteger, ReadsTheLeadingInteger) {
  const struct {
    const char* reply;
    int64_t value;
  } cases[] = {
      {"3", 3},    {" 3", 3},  {"\t 3", 3}, {"3abc", 3}, {"+3", 3},    {"-3", -3},    {"12.9", 12},
      {"", 0},     {"abc", 0}, {"- 3", 0},  {"$1F", 31}, {"$ff", 255}, {"-$10", -16}, {"%101", 5},
      {"%102", 2}, {"$", 0},   {"\n3", 0},  {"0", 0},    {"05", 5},
  };
  for (const auto& k : cases) EXPECT_EQ(ParseReplyInteger(k.reply), k.value) << '"' << k.reply << '"';
}

class RulesCards : public RulesGame {};

// The last draw's hits are the record's: a pick taken off still counts in its Hits and shows
// drawn, and a drawn number picked after the draw shows as a pick that counts from the next.
TEST_F(RulesCards, TogglePickKeepsTwelveAtMostAndLeavesTheLastDrawsHits) {
  Pick(2, Range(1, 12));
  TogglePick(2, 13);
  EXPECT_EQ(Game.Cards[2].PickCount, 12);
  EXPECT_EQ(Game.Cards[2].Picked[13], 0);
  ExpectDerivedFieldsConsistent();

  TogglePick(2, 0);
  TogglePick(2, 81);
  TogglePick(2, 5);
  EXPECT_EQ(Game.Cards[2].PickCount, 11);
  ExpectDerivedFieldsConsistent();

  ASSERT_TRUE(PlayDraw({1, 2, 3, 40}));
  EXPECT_EQ(rules_test::LiveView().Cards[2].HitCount, 3);
  TogglePick(2, 1);
  TogglePick(2, 40);
  TogglePick(3, 40);
  const DrawView view = rules_test::LiveView();
  EXPECT_EQ(view.Cards[2].HitCount, 3);
  EXPECT_EQ(view.Cards[3].HitCount, 0);
  EXPECT_EQ(CellMarkOf(view, 2, 1), CellMark::Drawn);
  EXPECT_EQ(CellMarkOf(view, 2, 2), CellMark::Hit);
  EXPECT_EQ(CellMarkOf(view, 2, 40), CellMark::Picked);
  EXPECT_EQ(CellMarkOf(view, 3, 40), CellMark::Picked);
  EXPECT_EQ(CellMarkOf(view, 0, 40), CellMark::Picked);
  EXPECT_EQ(CellMarkOf(view, 0, 1), CellMark::Drawn);
  EXPECT_EQ(Game.CardsPerNumber[40], 2);
  ExpectDerivedFieldsConsistent();
}

TEST_F(RulesCards, AutoPickOnTheMainTabOnlyExplains) {
  Pick(1, {1, 2});
  for (auto autoPick : {AutoPickHot, AutoPickRandom}) {
    headless::ClearBoxLog();
    SetActiveTab(0);
    autoPick();
    ASSERT_EQ(headless::BoxLog().size(), 1u);
    EXPECT_EQ(headless::BoxLog()[0].title, "Auto-Pick");
    EXPECT_EQ(headless::BoxLog()[0].text, "Please select a Card 1-4 tab first.");
    EXPECT_EQ(headless::BoxLog()[0].flags, 0);
    EXPECT_EQ(PicksOf(1), (std::vector<int64_t>{1, 2}));
  }
}

// Both fills keep the card's spot count (8 on an empty card), never mark hits, and leave the
// other cards alone: numbers of the last draw they take count from the next draw.
TEST_F(RulesCards, AutoPickKeepsTheSpotCountAndMarksNoHits) {
  Pick(1, {80});
  ASSERT_TRUE(PlayDraw({}));  // heat counts and a last draw whose numbers the fills may take
  std::vector<int64_t> twelve(Game.DrawOrder, Game.DrawOrder + 12);
  for (auto autoPick : {AutoPickHot, AutoPickRandom}) {
    for (int c = 1; c <= 4; ++c) ClearCard(c);
    Pick(3, twelve);
    Pick(4, {77});
    SetActiveTab(2);
    autoPick();
    EXPECT_EQ(Game.Cards[2].PickCount, 8);
    SetActiveTab(3);
    autoPick();
    EXPECT_EQ(Game.Cards[3].PickCount, 12);
    const DrawView view = rules_test::LiveView();
    for (int c : {2, 3}) {
      EXPECT_EQ(view.Cards[c].HitCount, 0);
      for (int64_t n = 1; n <= 80; ++n) EXPECT_NE(CellMarkOf(view, c, n), CellMark::Hit) << c << " " << n;
    }
    EXPECT_EQ(PicksOf(4), std::vector<int64_t>{77});
    EXPECT_TRUE(headless::BoxLog().empty());
    ExpectDerivedFieldsConsistent();
  }
}

TEST_F(RulesCards, HotFillTakesTheMostDrawnNumbersTiesToTheLowest) {
  Game.HeatCount[9] = 4;
  Game.HeatCount[5] = 4;
  Game.HeatCount[70] = 3;
  Game.HeatCount[2] = 1;
  Game.HeatCount[60] = 1;
  SetActiveTab(1);
  Pick(1, {80});
  AutoPickHot();
  EXPECT_EQ(PicksOf(1), std::vector<int64_t>{5});
  Pick(1, {80, 79, 78, 77, 76});
  AutoPickHot();
  // Never-drawn numbers come after every drawn one, again lowest first.
  EXPECT_EQ(PicksOf(1), (std::vector<int64_t>{1, 2, 5, 9, 60, 70}));
}

// Before anything was drawn the hot fill is the random fill: same generator state, same picks.
TEST(RulesAutoPick, HotFillWithoutHeatIsTheRandomFill) {
  std::vector<int64_t> picks[2];
  for (int i = 0; i < 2; ++i) {
    headless::Reset(99);
    Game = GameState{};
    Game.CryptoRandomOpen = OpenEntropySource() ? 1 : 0;
    SetActiveTab(4);
    (i == 0 ? AutoPickHot : AutoPickRandom)();
    picks[i] = PicksOf(4);
  }
  EXPECT_EQ(picks[0].size(), 8u);
  EXPECT_EQ(picks[0], picks[1]);
  EXPECT_NE(picks[0], Range(1, 8)) << "not random";
}

struct CopyCase {
  const char* reply;
  int64_t copiedTo;  // 0: nothing copied
  bool invalidBox;
};

void PrintTo(const CopyCase& k, std::ostream* os) { *os << '"' << k.reply << '"'; }

class RulesCopyCard : public RulesCards, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(RulesCopyCard, ReplyChoosesTheDestination) {
  const CopyCase& k = GetParam();
  Pick(1, Range(1, 10));
  Pick(3, {70, 71});
  ASSERT_TRUE(PlayDraw({1, 2}));
  SetActiveTab(1);
  headless::ClearBoxLog();
  headless::QueueInput(k.reply);
  CopyCard(1);

  const auto& boxes = headless::BoxLog();
  ASSERT_GE(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].inputBox);
  EXPECT_EQ(boxes[0].title, "Copy Card 1");
  EXPECT_EQ(boxes[0].text, "Copy Card 1's picks to which card? (1-4, not 1)");
  if (k.invalidBox) {
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].title, "Copy Card");
    EXPECT_EQ(boxes[1].text, "Invalid destination.");
    EXPECT_EQ(boxes[1].flags, 0);
  } else {
    EXPECT_EQ(boxes.size(), 1u);
  }
  EXPECT_EQ(PicksOf(1), Range(1, 10));
  if (k.copiedTo != 0) {
    EXPECT_EQ(PicksOf(k.copiedTo), Range(1, 10));
    EXPECT_EQ(rules_test::LiveView().Cards[k.copiedTo].HitCount, 0) << "hits are not copied";
    EXPECT_EQ(Game.ActiveTab, k.copiedTo);
  } else {
    EXPECT_EQ(PicksOf(3), (std::vector<int64_t>{70, 71}));
    EXPECT_EQ(Game.ActiveTab, 1);
  }
  ExpectDerivedFieldsConsistent();
}

INSTANTIATE_TEST_SUITE_P(Replies, RulesCopyCard,
                         ::testing::Values(CopyCase{"3", 3, false}, CopyCase{" 3", 3, false},
                                           CopyCase{"3abc", 3, false}, CopyCase{"$4", 4, false}, CopyCase{"0", 0, true},
                                           CopyCase{"5", 0, true}, CopyCase{"1", 0, true}, CopyCase{"x", 0, true},
                                           CopyCase{"", 0, false}));

class RulesNewGame : public RulesCards {
 protected:
  // A game well under way: picks, a finished draw, money and lifetime totals off their
  // defaults, CASINO, a grown pot, fast speed, a bet of 4, auto-run on, a save file on disk.
  void SetUp() override {
    RulesCards::SetUp();
    Game.BetPerCard = Game.BetSelection = 4;
    Game.Speed = 4;
    SwapPayMode();
    Pick(1, Range(1, 10));
    Pick(2, {30});
    ASSERT_TRUE(PlayDraw({30}));
    Game.AutoRun = 1;
    Game.AutoPausePending = 1;
    Game.SoundOn = 0;
    SaveGame();
    ASSERT_GT(FileSizeOf(Game.SavePath), 0);
    before = Game;
    headless::ClearBoxLog();
  }
  GameState before;
};

TEST_F(RulesNewGame, YesClearsTheSetAndKeepsMoneyAndSettings) {
  headless::QueueAnswer(BoxResult::Yes);
  NewGamePrompt();
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].title, "New Game");
  EXPECT_EQ(headless::BoxLog()[0].text,
            "YES    - Clear card selections only.\n         (Balance and lifetime stats kept.)\n\n"
            "NO     - Full wipe: reset balance to $1000, clear all stats.\n\n"
            "CANCEL - Return to game, change nothing.");
  EXPECT_EQ(headless::BoxLog()[0].flags, 2);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);
  EXPECT_EQ(Game.SetDraws, 0);
  EXPECT_EQ(Game.SetWon, 0);
  EXPECT_EQ(Game.SetCost, 0);
  // The finished draw left a win on card 2 and a loss on card 1; the set's statistics all go.
  ASSERT_GT(before.CardWin[2], 0);
  ASSERT_EQ(before.CardWins[2], 1);
  ASSERT_EQ(before.CardLosses[1], 1);
  for (int c = 1; c <= 4; ++c) {
    SCOPED_TRACE(::testing::Message() << "card " << c);
    EXPECT_EQ(Game.Cards[c].PickCount, 0);
    EXPECT_EQ(Game.CardWin[c], 0);
    EXPECT_EQ(Game.CardNet[c], 0);
    EXPECT_EQ(Game.CardWins[c], 0);
    EXPECT_EQ(Game.CardLosses[c], 0);
  }
  EXPECT_EQ(Game.ActiveTab, 1);
  EXPECT_EQ(Game.Balance, before.Balance);
  EXPECT_EQ(Game.LifetimeCasCost, before.LifetimeCasCost);
  EXPECT_EQ(Game.LifetimeCasWon, before.LifetimeCasWon);
  EXPECT_EQ(Game.PayMode, 1);
  EXPECT_EQ(Game.Speed, 4);
  EXPECT_EQ(Game.BetPerCard, 4);
  EXPECT_EQ(Game.ProgressivePot, before.ProgressivePot);
  EXPECT_EQ(Game.HeatCount[30], 1);
  // Saved at once: the file holds no picks any more.
  RemoveFile(Game.SavePath);
  ASSERT_EQ(FileSizeOf(Game.SavePath), -1);
  headless::QueueAnswer(BoxResult::Yes);
  NewGamePrompt();
  EXPECT_GT(FileSizeOf(Game.SavePath), 0);
}

TEST_F(RulesNewGame, NoWipesEverythingButTheSoundSetting) {
  headless::QueueAnswer(BoxResult::No);
  NewGamePrompt();
  EXPECT_EQ(FileSizeOf(Game.SavePath), -1) << "the save file is removed";
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);
  EXPECT_EQ(Game.Balance, 1000);
  EXPECT_EQ(Game.LifetimeGenWon + Game.LifetimeGenCost + Game.LifetimeCasWon + Game.LifetimeCasCost, 0);
  EXPECT_EQ(Game.BetPerCard, 1);
  EXPECT_EQ(Game.BetSelection, 1);
  EXPECT_EQ(Game.PayMode, 0);
  EXPECT_EQ(Game.PayActive[4][4], 100);
  EXPECT_EQ(Game.ProgressivePot, 25000);
  EXPECT_EQ(Game.Speed, 3);
  EXPECT_EQ(Game.SoundOn, 0);
  EXPECT_EQ(Game.ActiveTab, 1);
  EXPECT_EQ(Game.ProgressiveEligible, 0);
  for (int n = 0; n <= 80; ++n) EXPECT_EQ(Game.HeatCount[n], 0);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(Game.Cards[c].PickCount, 0);

  // Without a save file there is nothing to remove and the wipe is the same.
  Game.Balance = 5;
  headless::QueueAnswer(BoxResult::No);
  NewGamePrompt();
  EXPECT_EQ(Game.Balance, 1000);
}

TEST_F(RulesNewGame, NoKeepsASaveLinkAndEmptiesItsTarget) {
  const std::string real = headless::TempDir() + "real.dat";
  std::filesystem::rename(Game.SavePath, real);
  std::filesystem::create_symlink(real, Game.SavePath);
  headless::QueueAnswer(BoxResult::No);
  NewGamePrompt();
  EXPECT_TRUE(std::filesystem::is_symlink(Game.SavePath));
  EXPECT_FALSE(std::filesystem::exists(real)) << "the wiped progress is gone";
  SaveGame();
  EXPECT_EQ(FileSizeOf(real), 372) << "the next save reaches the link's target";
}

TEST_F(RulesNewGame, CancelOrClosingChangesNothing) {
  for (BoxResult answer : {BoxResult::Cancel, BoxResult::Dismissed}) {
    headless::QueueAnswer(answer);
    NewGamePrompt();
    EXPECT_EQ(Game.AutoRun, 1);
    EXPECT_EQ(Game.AutoPausePending, 1);
    EXPECT_EQ(Game.Balance, before.Balance);
    EXPECT_EQ(Game.Cards[1].PickCount, 10);
    EXPECT_EQ(Game.PayMode, 1);
    EXPECT_EQ(Game.HeatCount[30], 1);
    EXPECT_GT(FileSizeOf(Game.SavePath), 0);
  }
}

class RulesOutOfFunds : public RulesCards {
 protected:
  void SetUp() override {
    RulesCards::SetUp();
    Game.Balance = 7;
    Game.BetPerCard = Game.BetSelection = 5;
    Pick(1, Range(1, 10));
    Pick(2, {20});
    Game.AutoRun = 1;
    RemoveFile(Game.SavePath);
  }
  void ExpectQuestion() {
    ASSERT_EQ(headless::BoxLog().size(), 1u);
    EXPECT_EQ(headless::BoxLog()[0].title, "Out of Funds!");
    EXPECT_EQ(
        headless::BoxLog()[0].text,
        "Balance ($7) is less than the draw cost ($10).\n\nYES = add $1000 and keep playing.\nNO  = save and quit.");
    EXPECT_EQ(headless::BoxLog()[0].flags, 1);
  }
};

TEST_F(RulesOutOfFunds, YesRefinancesAndTheDrawGoesAhead) {
  headless::QueueAnswer(BoxResult::Yes);
  StartDraw();
  ExpectQuestion();
  EXPECT_EQ(Game.Balance, 997);
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.ProgressivePot, 25002);
  EXPECT_GT(FileSizeOf(Game.SavePath), 0) << "refinancing saves";
  EXPECT_TRUE(Frame());
}

// The refinance is recorded before the draw takes its cost: the ledger's 'refinance' row (7 to
// 1007) comes before the draw charged from 1007, and the save written at once after the charge
// holds what is left. Played through a click on the Draw button.
TEST_F(RulesOutOfFunds, YesIsRecordedBeforeTheDrawIsCharged) {
  Game.AutoRun = 0;
  headless::QueueAnswer(BoxResult::Yes);
  Click(Cx(Game.DrawButtonRect), Cy(Game.DrawButtonRect));
  ExpectQuestion();
  ASSERT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.Balance, 997);
  EXPECT_EQ(rules_test::SavedBalance(), 997);
  const auto events = ledger_test::Events(LedgerPath());
  ASSERT_GE(events.size(), 2u);
  const auto& refinance = events[events.size() - 2];
  const auto& draw = events.back();
  EXPECT_EQ(refinance, (ledger_test::Row{"refinance", "", "7", "1007", refinance[4]}));
  EXPECT_EQ(draw, (ledger_test::Row{"draw", "charged", "1007", "997", draw[4]}));
}

TEST_F(RulesOutOfFunds, NoSavesAndQuitsWithNothingCharged) {
  for (BoxResult answer : {BoxResult::No, BoxResult::Dismissed}) {
    headless::ClearBoxLog();
    Game.QuitRequested = 0;
    Game.AutoRun = 1;
    headless::QueueAnswer(answer);
    StartDraw();
    ExpectQuestion();
    EXPECT_EQ(Game.Balance, 7);
    EXPECT_EQ(Game.SetCost, 0);
    EXPECT_EQ(Game.Drawing, 0);
    EXPECT_EQ(Game.AutoRun, 0);
    EXPECT_EQ(Game.ProgressivePot, 25000);
    EXPECT_EQ(Game.QuitRequested, 1);
    EXPECT_GT(FileSizeOf(Game.SavePath), 0);
  }
  EXPECT_FALSE(Frame()) << "the frame loop ends";
}

TEST_F(RulesOutOfFunds, ExactBalanceNeedsNoQuestion) {
  Game.Balance = 10;
  StartDraw();
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(Game.Balance, 0);
  EXPECT_EQ(Game.Drawing, 1);
}

}  // namespace
