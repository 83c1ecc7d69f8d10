// Golden frames: whole frames of a few states of the game, compared pixel for pixel with the
// reference pictures in tests/golden. They guard the texts, colours and shapes no other test
// reads. With KENO_UPDATE_GOLDEN=1 in the environment the frames are written as the new
// references instead (scripts/update-golden.sh); a mismatch writes the frame and a picture of
// the differences next to the build and names the part of the screen where they start.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "game_fixture.h"
#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"

namespace {

constexpr int64_t FrameW = 1282, FrameH = 902;

// The part of the screen a point lies in, for failure messages: an open overlay first, then the
// panels of the layout.
std::string RegionAt(int64_t x, int64_t y) {
  struct Named {
    const char* name;
    Rect r;
  };
  const Rect stats{Game.StatsPanelX, Game.StatsPanelY, Game.StatsPanelW, Game.StatsPanelH};
  const Rect balls{Game.BallsPanelX, Game.BallsPanelY, Game.BallsPanelW, Game.BallsPanelH};
  const Named regions[] = {
      {History.Open       ? "History overlay"
       : Game.PayTableOpen ? "pay table overlay"
       : Game.AboutOpen    ? "About overlay"
                           : "board",
       Game.BoardRect},
      {"recall banner", Recall.BannerRect},
      {"Draw button", Game.DrawButtonRect},
      {"New Game button", Game.NewGameButtonRect},
      {"Payout Table button", Game.PayTableButtonRect},
      {"Speed control", Game.SpeedButtonRect},
      {"Bet control", Game.BetButtonRect},
      {"Sound button", Game.SoundButtonRect},
      {"Auto-Pick button", Game.AutoPickButtonRect},
      {"About button", Game.AboutButtonRect},
      {"tab strip", Game.TabBarRect},
      {"stats panel", stats},
      {"balls tube", balls},
  };
  for (const Named& n : regions)
    if (PointInRect(n.r, x, y)) return n.name;
  return y < 120 ? "header band" : "background";
}

class GoldenFrame : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    Game.SoundOn = 0;  // no fanfare workers; the Sound button's face is part of the picture
  }

  // Renders a frame and compares it with the reference picture `name`.png.
  void ExpectFrame(const std::string& name) {
    ASSERT_TRUE(Frame());
    ASSERT_EQ(headless::FrameWidth(), FrameW);
    ASSERT_EQ(headless::FrameHeight(), FrameH);
    const std::filesystem::path reference = std::filesystem::path(KENO_GOLDEN_DIR) / (name + ".png");
    if (const char* update = std::getenv("KENO_UPDATE_GOLDEN"); update && std::string(update) == "1") {
      ASSERT_TRUE(headless::SavePng(reference.string())) << reference;
      std::printf("wrote %s\n", reference.c_str());
      return;
    }

    cairo_surface_t* ref = cairo_image_surface_create_from_png(reference.c_str());
    if (cairo_surface_status(ref) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(ref);
      FAIL() << "no reference picture " << reference << "; scripts/update-golden.sh makes it";
    }
    const bool sameSize = cairo_image_surface_get_width(ref) == FrameW && cairo_image_surface_get_height(ref) == FrameH;
    std::vector<uint32_t> want;
    if (sameSize) {
      cairo_surface_flush(ref);
      const auto* data = cairo_image_surface_get_data(ref);
      const int stride = cairo_image_surface_get_stride(ref);
      for (int64_t y = 0; y < FrameH; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        want.insert(want.end(), row, row + FrameW);
      }
    }
    cairo_surface_destroy(ref);
    ASSERT_TRUE(sameSize) << reference << " is not " << FrameW << " x " << FrameH;

    const uint32_t* pixels = canvas::ScreenPixels();
    const int64_t pitch = canvas::ScreenStride() / 4;
    int64_t differing = 0, firstX = -1, firstY = -1;
    int64_t left = FrameW, top = FrameH, right = -1, bottom = -1;
    std::vector<uint32_t> diff(static_cast<size_t>(FrameW * FrameH));
    for (int64_t y = 0; y < FrameH; ++y) {
      for (int64_t x = 0; x < FrameW; ++x) {
        const uint32_t got = pixels[y * pitch + x] & 0xFFFFFF;
        const bool same = got == (want[static_cast<size_t>(y * FrameW + x)] & 0xFFFFFF);
        // The difference picture: the frame dimmed to a third, differing pixels in magenta.
        diff[static_cast<size_t>(y * FrameW + x)] = same ? (got >> 2 & 0x3F3F3F) + (got >> 3 & 0x1F1F1F) : 0xFF00FF;
        if (same) continue;
        if (differing++ == 0) {
          firstX = x;
          firstY = y;
        }
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    const std::filesystem::path out(KENO_GOLDEN_OUT_DIR);
    const std::string actual = (out / (name + "-actual.png")).string();
    const std::string difference = (out / (name + "-diff.png")).string();
    if (differing == 0) {
      // A match clears what an earlier mismatch left behind.
      std::error_code ignored;
      std::filesystem::remove(actual, ignored);
      std::filesystem::remove(difference, ignored);
      return;
    }
    std::filesystem::create_directories(out);
    headless::SavePng(actual);
    cairo_surface_t* picture =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(diff.data()), CAIRO_FORMAT_RGB24,
                                            static_cast<int>(FrameW), static_cast<int>(FrameH), FrameW * 4);
    cairo_surface_write_to_png(picture, difference.c_str());
    cairo_surface_destroy(picture);
    ADD_FAILURE() << name << ": " << differing << " pixels differ from " << reference << ", the first at (" << firstX
                  << ", " << firstY << ") in the " << RegionAt(firstX, firstY) << "; all within x " << left << ".."
                  << right << ", y " << top << ".." << bottom << ".\n  frame: " << actual
                  << "\n  differences: " << difference
                  << "\n  When the change is meant, scripts/update-golden.sh rewrites the references.";
  }

  // Picks the numbers on card c.
  static void PickAll(int64_t c, const std::vector<int64_t>& numbers) { rules_test::Pick(c, numbers); }

  // A press and release of a key, each in a frame of its own.
  void Key(int64_t key) {
    headless::SetKey(key, true);
    ASSERT_TRUE(Frame());
    headless::SetKey(key, false);
    ASSERT_TRUE(Frame());
  }

  // The picks of the scripted draw: seven on Card 1, five on Card 2, two numbers shared.
  static void PickScriptedCards() {
    PickAll(1, {5, 12, 23, 34, 45, 56, 67});
    PickAll(2, {5, 12, 18, 29, 70});
  }
  // The scripted draw at the fastest speed: hits on both cards, 5 and 12 on both.
  void PlayScriptedDraw() {
    Game.Speed = 5;
    Play({12, 44, 5, 70, 33, 61, 2, 78, 19, 40, 23, 9, 51, 66, 27, 80, 38, 14, 73, 58});
  }

  // Plays one draw whose first numbers are rigged, to its end and its balls landed.
  void Play(const std::vector<int64_t>& first) {
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    rules_test::RigDraw(first);
    for (int guard = 0; guard < 4000 && (Game.Drawing == 1 || Game.BallAnimRunning == 1); ++guard)
      ASSERT_TRUE(Run(10, 10));
    ASSERT_EQ(Game.Drawing, 0);
  }
};

// A new player after the welcome box: empty cards on the Card 1 tab, the defaults on every control.
TEST_F(GoldenFrame, NewPlayer) { ExpectFrame("new_player"); }

// Picks on the card being edited, another card's picks elsewhere, the top bet, the slowest speed
// and the sound off.
TEST_F(GoldenFrame, PicksOnACard) {
  PickAll(1, {3, 14, 25});
  PickAll(2, {1, 2, 9, 10, 33, 40, 41, 57, 64, 71, 79, 80});
  Game.BetPerCard = Game.BetSelection = 10;
  Game.Speed = 1;
  SetActiveTab(2);
  ExpectFrame("picks_on_a_card");
}

// A settled draw on the Main board: shared numbers as asterisks, hits, the landed tube and the
// statistics of the set.
TEST_F(GoldenFrame, AfterADraw) {
  PickScriptedCards();
  PickAll(3, {44});
  PlayScriptedDraw();
  ExpectFrame("after_a_draw");
}

// The high-visibility marks after a settled draw on Card 1's tab: the picked corners, the drawn
// rings, the hits' edged crosses and the ringed hit balls in the tube.
TEST_F(GoldenFrame, HighVisibilityMarks) {
  PickScriptedCards();
  PlayScriptedDraw();
  Game.HighVisibilityMarks = 1;
  SetActiveTab(1);
  ExpectFrame("high_visibility_marks");
}

// The pay table overlay of the CASINO schedule.
TEST_F(GoldenFrame, PayTable) {
  SwapPayMode();
  Click(Cx(Game.PayTableButtonRect), Cy(Game.PayTableButtonRect));
  ASSERT_EQ(Game.PayTableOpen, 1);
  ExpectFrame("pay_table");
}

// The About & Rules overlay.
TEST_F(GoldenFrame, About) {
  Click(Cx(Game.AboutButtonRect), Cy(Game.AboutButtonRect));
  ASSERT_EQ(Game.AboutOpen, 1);
  ExpectFrame("about");
}

// Auto-run at the Fast speed with balls still rolling down the tube and the sound on.
TEST_F(GoldenFrame, AutoRunWithBallsRolling) {
  PickAll(1, {7, 8, 9, 17, 18, 19, 27, 28, 29, 37});
  PickAll(4, {41, 52, 63, 74});
  Game.SoundOn = 1;
  Game.Speed = 4;
  Game.AutoRun = 1;
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  rules_test::RigDraw({9, 41, 60, 17, 3, 74, 28, 50, 11, 66, 29, 35, 1, 79, 45, 22, 13, 58, 70, 6});
  while (Game.BallsRevealed < 7) ASSERT_TRUE(Run(10, 10));
  ASSERT_TRUE(Run(120, 10));
  ASSERT_EQ(Game.BallAnimRunning, 1);
  ExpectFrame("auto_run_balls_rolling");
}

// The keyboard focus ring on a picked cell of Card 1's tab, reached by Tab, Tab and the arrows.
TEST_F(GoldenFrame, FocusRingOnACell) {
  PickAll(1, {12, 13});
  SetActiveTab(1);
  for (const int64_t key : {KeyTab, KeyTab, KeyDown, KeyRight}) {
    headless::SetKey(key, true);
    ASSERT_TRUE(Frame());
    headless::SetKey(key, false);
    ASSERT_TRUE(Frame());
  }
  ExpectFrame("focus_ring_cell");
}

// The History overlay over a scripted ledger of 38 draws: $40 draws lost until the balance runs
// out, a refinance, a win, a full wipe by New Game and a new game of draws after it. The chart
// shows the fall, the refinance's step, the win and the break at the wipe.
TEST_F(GoldenFrame, HistoryOverlay) {
  const std::vector<int64_t> miss = {41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
                                     51, 52, 53, 54, 55, 56, 57, 58, 59, 60};
  const std::vector<int64_t> win = {1, 2, 3, 4, 11, 12, 13, 21, 22, 31, 32, 33, 34, 35, 61, 62, 63, 64, 65, 66};
  const auto pickFour = [] {
    PickAll(1, {1, 2, 3, 4});
    PickAll(2, {11, 12, 13});
    PickAll(3, {21, 22, 23, 24, 25});
    PickAll(4, {31, 32, 33, 34, 35, 36});
  };
  pickFour();
  Game.BetPerCard = Game.BetSelection = 10;
  Game.Speed = 5;
  // 25 lost draws of $40 spend the $1000; the 26th is refinanced; then a win among the losses.
  for (int d = 0; d < 30; ++d) {
    if (Game.Balance < 40) headless::QueueAnswer(BoxResult::Yes);  // "Out of Funds!": add $1000
    Play(d == 27 ? win : miss);
  }
  ASSERT_EQ(History.Open, 0);
  headless::QueueAnswer(BoxResult::No);  // New Game: a full wipe
  Click(Cx(Game.NewGameButtonRect), Cy(Game.NewGameButtonRect));
  ASSERT_EQ(Game.SetDraws, 0);
  for (int c = 1; c <= CardCount; ++c)
    for (int n = 1; n <= NumberCount; ++n)
      if (Game.Cards[c].Picked[n] != 0) TogglePick(c, n);
  pickFour();
  Game.BetPerCard = Game.BetSelection = 5;
  Game.Speed = 5;
  for (int d = 0; d < 8; ++d) Play(d % 3 == 1 ? win : miss);
  Key(KeyH);
  ASSERT_EQ(History.Open, 1);
  ASSERT_EQ(History.Draws, 38);
  ExpectFrame("history_overlay");
}

// The History overlay of a player who has not drawn yet: the totals at zero and a line saying so.
TEST_F(GoldenFrame, HistoryOverlayOfAnEmptyLedger) {
  Key(KeyH);
  ASSERT_EQ(History.Open, 1);
  ASSERT_EQ(History.Draws, 0);
  ExpectFrame("history_empty");
}

// Recall of a two-card draw, the older of two, on Main and on recall's own Card 2 tab: the
// banner over the header, the draw's tube, hits and card rows, while the live game has moved on.
TEST_F(GoldenFrame, RecallOnMainAndOnACardTab) {
  PickScriptedCards();
  PlayScriptedDraw();
  PickAll(1, {80});
  Play({1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 13, 15, 16, 17, 20, 21, 22, 24, 25, 26});
  const int64_t liveTab = Game.ActiveTab;
  Key(KeyH);
  Key(KeyEnter);
  ASSERT_EQ(Recall.Open, 1);
  Key(KeyLeft);
  ASSERT_EQ(Recall.Position, 1);
  ExpectFrame("recall_main");
  Key(KeyDigit0 + 2);
  ASSERT_EQ(Recall.Tab, 2);
  ASSERT_EQ(Game.ActiveTab, liveTab) << "the live tab is untouched";
  ExpectFrame("recall_card_tab");
}

}  // namespace
