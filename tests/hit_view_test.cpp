// One rule for what counts as a hit: after edits made while the balls roll, or after the draw,
// the board's cells, the tube's balls, the click of each reveal and the stats panel's Hits column
// all follow what the record of the charge counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "sound/sound.h"
#include "state/draw_view.h"
#include "state/game_state.h"
#include "ui/ui.h"

namespace {

using rules_test::Pick;
using rules_test::Range;

constexpr Colour Yellow = RGB(255, 230, 0);
constexpr Colour Green = RGB(40, 180, 60);
constexpr Colour Red = RGB(210, 10, 10);

// The fill of each look of a cell.
Colour FillOf(CellMark mark) {
  switch (mark) {
    case CellMark::Idle:
      return RGB(0, 90, 200);
    case CellMark::Picked:
      return RGB(140, 20, 160);
    case CellMark::Drawn:
      return Red;
    case CellMark::Hit:
      return Green;
  }
  return 0;
}

const char* NameOf(CellMark mark) {
  switch (mark) {
    case CellMark::Idle:
      return "idle";
    case CellMark::Picked:
      return "picked";
    case CellMark::Drawn:
      return "drawn";
    case CellMark::Hit:
      return "hit";
  }
  return "?";
}

// Number n as it should look on a tab (0 Main, 1..4 Card n).
struct CellCase {
  int64_t tab, n;
  CellMark mark;
};

struct HitViewCase {
  const char* name;
  std::vector<int64_t> cards[5] = {};  // picks of cards 1..4 when the draw starts
  std::vector<int64_t> drawn = {};     // the first balls, in reveal order
  std::function<void()> edit = {};     // after the tenth ball, or after the draw when afterDraw
  bool afterDraw = false;
  std::vector<CellCase> cells = {};  // looks once the draw is over
  std::set<int64_t> counted = {};    // the balls green in the tube and clicked at their reveal
  int64_t hits[5] = {};              // the Hits column of cards 1..4
};

const HitViewCase HitViewCases[] = {
    {.name = "an uncharged card picked mid-draw",
     .cards = {{}, {1, 2}},
     .drawn = {1, 3, 20, 21, 22, 23, 24, 25, 26, 27, 41, 2},
     .edit = [] { Pick(2, {3, 41}); },  // 3 revealed already, 41 to come
     .cells = {{2, 3, CellMark::Picked},
               {2, 41, CellMark::Picked},
               {0, 3, CellMark::Picked},
               {0, 41, CellMark::Picked},
               {1, 3, CellMark::Drawn},
               {1, 1, CellMark::Hit},
               {0, 1, CellMark::Hit},
               {0, 2, CellMark::Hit}},
     .counted = {1, 2},
     .hits = {0, 2, 0}},
    {.name = "a charged pick removed and put back",
     .cards = {{}, {1, 2, 5}},
     .drawn = {1, 2, 20, 21, 22, 23, 24, 25, 26, 27, 5},
     .edit = [] { Pick(1, {1, 5, 2, 2}); },  // 1 revealed and 5 to come are taken off; 2 goes back
     .cells = {{1, 1, CellMark::Drawn},
               {1, 2, CellMark::Hit},
               {1, 5, CellMark::Drawn},
               {0, 1, CellMark::Drawn},
               {0, 2, CellMark::Hit},
               {0, 5, CellMark::Drawn}},
     .counted = {1, 2, 5},
     .hits = {0, 3}},
    {.name = "Auto-Pick onto a charged card mid-draw",
     .cards = {{}, Range(1, 8)},
     .drawn = {1, 2, 3, 20, 21, 22, 23, 24, 25, 26, 4, 30},
     .edit =
         [] {
           // The ten revealed balls are the hottest numbers: the fill takes the lowest eight.
           SetActiveTab(1);
           AutoPickHot();
           std::vector<int64_t> picks;
           for (int64_t n = 1; n <= 80; ++n)
             if (Game.Cards[1].Picked[n]) picks.push_back(n);
           EXPECT_EQ(picks, (std::vector<int64_t>{1, 2, 3, 20, 21, 22, 23, 24}));
         },
     .cells = {{1, 1, CellMark::Hit},
               {1, 3, CellMark::Hit},
               {1, 20, CellMark::Picked},
               {1, 4, CellMark::Drawn},
               {1, 5, CellMark::Idle},
               {0, 2, CellMark::Hit},
               {0, 20, CellMark::Picked},
               {0, 4, CellMark::Drawn}},
     .counted = {1, 2, 3, 4},
     .hits = {0, 4}},
    {.name = "Copy Card onto a charged card mid-draw",
     .cards = {{}, {1, 2, 3}, {2, 3, 40}},
     .drawn = {1, 2, 3, 20, 21, 22, 23, 24, 25, 26, 40},
     .edit =
         [] {
           headless::QueueInput("2");
           CopyCard(1);
         },
     .cells = {{2, 2, CellMark::Hit},
               {2, 3, CellMark::Hit},
               {2, 1, CellMark::Picked},
               {2, 40, CellMark::Drawn},
               {1, 1, CellMark::Hit},
               {0, 1, CellMark::Hit},
               {0, 2, CellMark::Hit},
               {0, 40, CellMark::Drawn}},
     .counted = {1, 2, 3, 40},
     .hits = {0, 3, 3}},
    {.name = "a drawn number picked after the draw",
     .cards = {{}, {1}},
     .drawn = {1, 20, 21},
     .edit =
         [] {
           Pick(1, {20});
           Pick(2, {21});
         },
     .afterDraw = true,
     .cells = {{1, 20, CellMark::Picked},
               {1, 1, CellMark::Hit},
               {2, 21, CellMark::Picked},
               {0, 20, CellMark::Picked},
               {0, 21, CellMark::Picked},
               {0, 1, CellMark::Hit}},
     .counted = {1},
     .hits = {0, 1, 0}},
    {.name = "Main with two cards",
     .cards = {{}, {1, 2, 3}, {3, 4, 5}},
     .drawn = {1, 3, 4, 20, 21, 22, 23, 24, 25, 26, 5, 2},
     .edit =
         [] {
           Pick(1, {1});  // off card 1, on no card now
           Pick(2, {3});  // off card 2, still on card 1
           Pick(2, {2});  // not counted on card 2, counted on card 1 when its ball comes
         },
     .cells = {{0, 1, CellMark::Drawn},
               {0, 2, CellMark::Hit},
               {0, 3, CellMark::Hit},
               {0, 4, CellMark::Hit},
               {0, 5, CellMark::Hit},
               {1, 1, CellMark::Drawn},
               {1, 3, CellMark::Hit},
               {2, 2, CellMark::Picked},
               {2, 3, CellMark::Drawn},
               {2, 5, CellMark::Hit}},
     .counted = {1, 2, 3, 4, 5},
     .hits = {0, 3, 3}},
};

void PrintTo(const HitViewCase& k, std::ostream* os) { *os << k.name; }

class HitView : public rules_test::RulesGame, public ::testing::WithParamInterface<HitViewCase> {
 protected:
  // How many clicks have been played since the game started.
  int64_t Clicks() const {
    const std::vector<int64_t> played = headless::PlayedSounds();
    return std::count(played.begin(), played.end(), Game.SoundEffects.at(ToneKey(50, 10)));
  }

  // Plays the draw as PlayDraw does, noting the balls that clicked as they were revealed.
  bool PlayDrawNotingClicks(const HitViewCase& k, std::set<int64_t>& clicked) {
    StartDraw();
    if (Game.Drawing != 1) return false;
    rules_test::RigDraw(k.drawn);
    bool edited = false;
    for (int guard = 0; Game.Drawing == 1 && guard < 100; ++guard) {
      const int64_t revealed = Game.BallsRevealed, before = Clicks();
      headless::AdvanceMs(Game.RevealInterval);
      if (!Frame()) return false;
      if (Game.BallsRevealed == revealed + 1 && Clicks() > before) clicked.insert(Game.DrawOrder[revealed]);
      if (!k.afterDraw && !edited && Game.BallsRevealed == 10) {
        edited = true;
        k.edit();
      }
    }
    if (Game.Drawing != 0) return false;
    if (k.afterDraw) k.edit();
    for (int guard = 0; Game.BallAnimRunning == 1 && guard < 2000; ++guard)
      if (!Run(AnimStepMs, AnimStepMs)) return false;
    return Game.BallAnimRunning == 0;
  }

  // The texts of the stats panel's Hits column, cards 1..4 from the top.
  static std::vector<std::string> HitsColumn() {
    auto steps = std::make_unique<PanelSteps>();
    BuildStatsPanel(*steps);
    std::vector<std::pair<double, std::string>> column;
    for (int i = 0; i < steps->count; ++i) {
      const PanelStep& s = steps->steps[i];
      if (s.kind == PanelStep::Text && s.x == static_cast<double>(Game.StatsPanelX + 164))
        column.emplace_back(s.y, std::string(s.text));
    }
    std::sort(column.begin(), column.end());
    std::vector<std::string> hits;
    for (size_t i = 1; i < column.size() && hits.size() < 4; ++i) hits.push_back(column[i].second);  // past "Hits"
    return hits;
  }
};

TEST_P(HitView, BoardTubeClickAndHitsFollowTheRecordOfTheCharge) {
  const HitViewCase& k = GetParam();
  ASSERT_EQ(Game.SoundOn, 1);
  for (int c = 1; c <= 4; ++c) Pick(c, k.cards[c]);
  std::set<int64_t> clicked;
  ASSERT_TRUE(PlayDrawNotingClicks(k, clicked));

  EXPECT_EQ(clicked, k.counted) << "the balls that clicked";

  for (const CellCase& cell : k.cells) {
    SCOPED_TRACE(::testing::Message() << "tab " << cell.tab << ", number " << cell.n << ", " << NameOf(cell.mark));
    SetActiveTab(cell.tab);
    ASSERT_TRUE(Frame());
    EXPECT_EQ(CellMarkOf(rules_test::LiveView(), cell.tab, cell.n), cell.mark);
    const Rect box = CellRect(Game.BoardRect, cell.n);
    EXPECT_EQ(headless::PixelAt(box.x + box.w / 2, box.y + 10), FillOf(cell.mark));
    if (cell.mark == CellMark::Hit) {
      EXPECT_EQ(headless::PixelAt(box.x + 14, box.y + 14), Yellow) << "the cross";
    } else {
      EXPECT_NE(headless::PixelAt(box.x + 14, box.y + 14), Yellow) << "a cross";
    }
  }

  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  ASSERT_GT(r, 9);
  for (int64_t ball = 1; ball <= 20; ++ball) {
    const int64_t n = Game.DrawOrder[ball - 1];
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, ball);
    EXPECT_EQ(headless::PixelAt(Game.BallsPanelX + s.x + 9, Game.BallsPanelY + s.y + 9),
              k.counted.count(n) != 0 ? Green : Red)
        << "ball " << ball << " (" << n << ")";
  }

  const std::vector<std::string> hits = HitsColumn();
  ASSERT_EQ(hits.size(), 4u);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(hits[c - 1], std::to_string(k.hits[c])) << "card " << c;
}

INSTANTIATE_TEST_SUITE_P(Cases, HitView, ::testing::ValuesIn(HitViewCases),
                         rules_test::CaseName<::testing::TestParamInfo<HitViewCase>>);

}  // namespace
