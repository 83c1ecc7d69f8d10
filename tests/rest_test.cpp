// The resting frame loop: the next-deadline computation, the headless wait, and a scripted game
// played once by a loop that rests and once by a loop that runs a frame every millisecond.
#include "app/rest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "state/game_state.h"

namespace {

constexpr int64_t Now = 50000;

// A draw revealing a ball every interval ms, the last one shown ago ms before Now.
std::function<void(GameState&)> Drawing(int64_t interval, int64_t ago) {
  return [=](GameState& g) {
    g.Drawing = 1;
    g.RevealInterval = interval;
    g.LastRevealTime = Now - ago;
  };
}

TEST(RestTimeout, WaitsForTheEarliestTimerAndWithoutEndWhenNoneRuns) {
  struct Row {
    const char* name;
    std::function<void(GameState&)> set;
    int64_t wait;  // expected RestTimeout at Now
  } rows[] = {
      {"idle", [](GameState&) {}, -1},
      {"quit requested: the loop must not wait to end", [](GameState& g) { g.QuitRequested = 1; }, 0},
      {"overlays open and heat map on",
       [](GameState& g) {
         g.PayTableOpen = 1;
         g.AboutOpen = 1;
         g.HeatMapOn = 1;
       },
       -1},
      {"stale timer fields with their flags off",
       [](GameState& g) {
         g.LastRevealTime = g.AnimLastStep = g.AutoPauseStart = g.SaveRequestTime = g.StatusMessageTime = Now;
         g.DrawButtonDownTime = g.SpaceDownTime = Now;
       },
       -1},
      {"drawing at Slowest", Drawing(1250, 200), 1050},
      {"drawing at Slow", Drawing(900, 200), 700},
      {"drawing at Medium", Drawing(550, 200), 350},
      {"drawing at Fast", Drawing(250, 200), 50},
      {"drawing at Fastest, the reveal due now", Drawing(80, 80), 0},
      {"a draw just started: its first reveal is overdue", Drawing(1250, 1251), 0},
      {"balls rolling",
       [](GameState& g) {
         g.BallAnimRunning = 1;
         g.AnimLastStep = Now - 5;
       },
       11},
      {"a Slowest draw with a ball rolling: the ball step comes first",
       [](GameState& g) {
         g.Drawing = 1;
         g.RevealInterval = 1250;
         g.LastRevealTime = Now - 10;
         g.BallAnimRunning = 1;
         g.AnimLastStep = Now - 10;
       },
       6},
      {"auto-run pause",
       [](GameState& g) {
         g.AutoRun = 1;
         g.AutoPausePending = 1;
         g.AutoPauseStart = Now - 1000;
       },
       500},
      {"debounce pending",
       [](GameState& g) {
         g.SavePending = 1;
         g.SaveRequestTime = g.SaveArmTime = Now - 1;
       },
       2999},
      {"debounce pending with requests coming for 9 s: the ceiling comes first",
       [](GameState& g) {
         g.SavePending = 1;
         g.SaveArmTime = Now - 9000;
         g.SaveRequestTime = Now - 100;
       },
       1000},
      {"notice shown",
       [](GameState& g) {
         g.StatusMessage = "$250/card consolation paid";
         g.StatusMessageTime = Now - 4000;
       },
       1000},
      {"Draw button held",
       [](GameState& g) {
         g.DrawButtonDown = 1;
         g.DrawButtonDownTime = Now - 300;
       },
       700},
      {"Draw button held while auto-run runs: its hold does nothing",
       [](GameState& g) {
         g.AutoRun = 1;
         g.DrawButtonDown = 1;
         g.DrawButtonDownTime = Now - 300;
       },
       -1},
      {"Draw button hold already fired",
       [](GameState& g) {
         g.DrawButtonDown = 1;
         g.DrawHoldFired = 1;
         g.DrawButtonDownTime = Now - 3000;
       },
       -1},
      {"Space held",
       [](GameState& g) {
         g.SpaceDown = 1;
         g.SpaceDownTime = Now - 999;
       },
       1},
      {"Space held while auto-run runs: reaching the second still closes the overlays",
       [](GameState& g) {
         g.AutoRun = 1;
         g.SpaceDown = 1;
         g.SpaceDownTime = Now - 400;
       },
       600},
      {"Space hold already fired",
       [](GameState& g) {
         g.SpaceDown = 1;
         g.SpaceHoldFired = 1;
         g.SpaceDownTime = Now - 5000;
       },
       -1},
      {"several timers: the earliest wins",
       [](GameState& g) {
         g.SavePending = 1;
         g.SaveRequestTime = g.SaveArmTime = Now - 2900;
         g.StatusMessage = "notice";
         g.StatusMessageTime = Now - 4950;
         g.SpaceDown = 1;
         g.SpaceDownTime = Now - 920;
       },
       50},
  };
  for (const Row& row : rows) {
    GameState g;
    row.set(g);
    EXPECT_EQ(RestTimeout(g, Now), row.wait) << row.name;
    if (row.wait != 0) {
      EXPECT_EQ(NextChangeAt(g), row.wait < 0 ? NoDeadline : Now + row.wait) << row.name;
    }
  }
}

TEST(HeadlessWait, MovesTheClockAsAWaitWould) {
  headless::Reset();
  const int64_t t0 = NowMs();
  WaitForEvent(0);
  EXPECT_EQ(NowMs(), t0 + 1) << "a frame takes a millisecond of the manual clock";
  WaitForEvent(250);
  EXPECT_EQ(NowMs(), t0 + 251);

  bool ran = false;
  headless::At(t0 + 300, [&ran] {
    ran = true;
    headless::SetKey(KeySpace, true);
  });
  WaitForEvent(1000);
  EXPECT_TRUE(ran);
  EXPECT_EQ(NowMs(), t0 + 300) << "scripted input ends the wait";
  WaitForEvent(1000);
  EXPECT_EQ(NowMs(), t0 + 301) << "input the game has not taken yet does not wait";
  InputEdge press;
  ASSERT_TRUE(NextInputEdge(press));
  EXPECT_FALSE(press.mouse);
  EXPECT_EQ(press.code, KeySpace);
  WaitForEvent(1000);
  EXPECT_EQ(NowMs(), t0 + 302) << "Space held and not sampled yet does not wait";
  SampleKeyboard();
  WaitForEvent(40);
  EXPECT_EQ(NowMs(), t0 + 342);

  EXPECT_EQ(headless::WaitsWithoutEnd(), 0);
  WaitForEvent(-1);
  EXPECT_EQ(NowMs(), t0 + 342);
  EXPECT_EQ(headless::WaitsWithoutEnd(), 1);
  headless::ResizeWindow(1300, 920);
  WaitForEvent(-1);
  EXPECT_EQ(NowMs(), t0 + 343) << "a window event waiting to be polled does not wait";
  EXPECT_EQ(PollWindowEvent(), EventSizeWindow);
  headless::SendQuitSignal();
  WaitForEvent(-1);
  EXPECT_EQ(NowMs(), t0 + 344) << "a quit signal's close request waiting to be polled does not wait";
  EXPECT_EQ(headless::WaitsWithoutEnd(), 1);
  EXPECT_EQ(PollWindowEvent(), EventCloseWindow);
}

// A game scripted on the manual clock, the same for both loops: picks (one a click quicker than a
// frame), a Slowest auto-run started by holding Space and stopped by a tap in its pause, a resize
// and a notice that expires during its draw, the pay table opened and closed, a Fastest auto-run
// started by holding the Draw button and stopped by a click, and the debounced save.
class Equivalence : public ::testing::Test {
 protected:
  static constexpr int64_t End = 35500;  // ms after the start, beyond every timer of the script

  struct Record {
    std::map<int64_t, uint64_t> frames;  // clock time to the digest of the frame presented then
    std::string state;
    std::string save;
    GameState final;
    std::vector<int64_t> probes;  // auto-run's flags and draws settled when Probe ran
  };

  static inline std::vector<int64_t> probes;
  static void Probe() {
    for (int64_t v : {Game.AutoRun, Game.AutoPausePending, Game.SetDraws}) probes.push_back(v);
  }

  // A point of a control in sixteenths of its size, read from the layout when the press happens.
  struct Spot {
    Rect GameState::*rect;
    int64_t x16, y16;
  };

  static void Press(int64_t at, Spot spot) {
    headless::At(at, [spot] {
      const Rect& r = Game.*spot.rect;
      headless::SetPointer(r.x + r.w * spot.x16 / 16, r.y + r.h * spot.y16 / 16);
      headless::SetButton(MouseLeft, true);
    });
  }
  static void Release(int64_t at) {
    headless::At(at, [] { headless::SetButton(MouseLeft, false); });
  }
  static void Click(int64_t at, Spot spot) {
    Press(at, spot);
    Release(at + 40);
  }

  static void Script(int64_t t0) {
    // Four picks on Card 1 down the board's diagonal (1, 24, 46, 69), and 80 by a click whose
    // press and release both fall between two frames.
    for (int64_t i = 0; i < 4; ++i) Click(t0 + 100 + 100 * i, {&GameState::BoardRect, 1 + 4 * i, 1 + 4 * i});
    headless::At(t0 + 500, [] {
      const Rect& b = Game.BoardRect;
      headless::SetPointer(b.x + b.w - 5, b.y + b.h - 5);
      headless::SetButton(MouseLeft, true);
      headless::SetButton(MouseLeft, false);
    });
    for (int64_t i = 0; i < 2; ++i) Click(t0 + 700 + 100 * i, {&GameState::SpeedButtonRect, 4, 8});
    // Slowest auto-run from Space held for 1.5 s; its draw settles at 27001, and a tap quicker
    // than a frame stops auto-run in the pause before the next draw. During the draw the window
    // grows and a notice comes and goes.
    headless::At(t0 + 1000, [] { headless::SetKey(KeySpace, true); });
    headless::At(t0 + 2500, [] { headless::SetKey(KeySpace, false); });
    headless::At(t0 + 5000, [] { headless::ResizeWindow(1300, 920); });
    headless::At(t0 + 9000, [] {
      Game.StatusMessage = "$250/card consolation paid";
      Game.StatusMessageTime = NowMs();
    });
    headless::At(t0 + 27700, [] { Probe(); });
    headless::At(t0 + 27800, [] {
      headless::SetKey(KeySpace, true);
      headless::SetKey(KeySpace, false);
    });
    headless::At(t0 + 27900, [] { Probe(); });
    Click(t0 + 28000, {&GameState::PayTableButtonRect, 8, 8});
    Click(t0 + 28400, {&GameState::BoardRect, 1, 1});
    // Fastest auto-run from the Draw button held for 1.2 s, stopped by a click on it; the draw
    // under way settles at 31901 and asks for the save written 3 s later.
    for (int64_t i = 0; i < 4; ++i) Click(t0 + 28800 + 100 * i, {&GameState::SpeedButtonRect, 12, 8});
    Press(t0 + 29300, {&GameState::DrawButtonRect, 8, 8});
    Release(t0 + 30500);
    Click(t0 + 30900, {&GameState::DrawButtonRect, 8, 8});
    headless::At(t0 + End, [] {});
  }

  // Every field the script can move, the times included.
  static std::string Fingerprint() {
    std::ostringstream out;
    const GameState& g = Game;
    out << g.Balance << ' ' << g.BetPerCard << ' ' << g.PayMode << ' ' << g.Speed << ' ' << g.RevealInterval << ' '
        << g.Drawing << ' ' << g.BallsRevealed << ' ' << g.AutoRun << ' ' << g.AutoPausePending << ' ' << g.SetCost
        << ' ' << g.SetWon << ' ' << g.SetDraws << ' ' << g.LifetimeGenWon << ' ' << g.LifetimeGenCost << ' '
        << g.ProgressivePot << ' ' << g.ActiveTab << ' ' << g.PayTableOpen << ' ' << g.StatusMessage << '|'
        << g.SavePending << ' ' << g.ScreenW << 'x' << g.ScreenH << " t " << g.LastRevealTime << ' ' << g.AnimLastStep
        << ' ' << g.AutoPauseStart << ' ' << g.SaveRequestTime << ' ' << g.StatusMessageTime << ' '
        << g.DrawButtonDownTime << ' ' << g.SpaceDownTime << " balls " << g.BallAnimCount << ' ' << g.BallAnimRunning;
    for (int k = 1; k <= 20; ++k)
      out << ' ' << g.DrawOrder[k - 1] << ':' << g.BallAnims[k].Pos << ':' << g.BallAnims[k].Frame;
    for (int c = 1; c <= 4; ++c) {
      out << " card" << c << ' ' << g.CardWin[c] << ' ' << g.CardNet[c] << ' ' << g.CardWins[c] << ' '
          << g.CardLosses[c];
      for (int n = 1; n <= 80; ++n) out << int{g.Cards[c].Picked[n]} << int{g.Charge.Cards[c].Hit[n]};
    }
    for (int n = 1; n <= 80; ++n) out << ' ' << g.HeatCount[n];
    return out.str();
  }

  static std::string SaveBytes() {
    std::ifstream in(Game.SavePath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Plays the script with the given loop body after the first frame; records every frame.
  static Record Play(const std::function<void(Record&)>& loop) {
    headless::Reset(5);
    probes.clear();
    Record r;
    if (!StartUp()) return r;
    Script(NowMs());
    loop(r);
    r.state = Fingerprint();
    r.final = Game;
    r.probes = probes;
    r.save = SaveBytes();
    Shutdown();
    return r;
  }
};

TEST_F(Equivalence, EveryFrameOfTheRestingLoopEqualsTheBusyLoopsFrameAtTheSameTime) {
  const Record resting = Play([](Record& r) {
    const int64_t end = NowMs() + End;
    while (RunFrame()) {
      r.frames[NowMs()] = headless::FrameDigest();
      if (NowMs() >= end) break;
      WaitForEvent(RestTimeout(Game, NowMs()));
    }
  });
  // Each busy frame is also held against the latest resting frame at or before its time, which
  // the screen still shows then: a deadline the resting loop forgot leaves that frame stale.
  int64_t compared = 0, differing = 0, busyFrames = 0, stale = 0;
  const Record busy = Play([&](Record& r) {
    const int64_t end = NowMs() + End;
    for (bool first = true; NowMs() < end; first = false) {
      if (!first) headless::AdvanceMs(1);
      if (!RunFrame()) break;
      ++busyFrames;
      const uint64_t digest = headless::FrameDigest();
      auto shown = resting.frames.upper_bound(NowMs());
      if (shown == resting.frames.begin()) {
        if (++stale <= 5) ADD_FAILURE() << "no resting frame at or before " << NowMs();
        continue;
      }
      --shown;
      if (digest != shown->second && ++stale <= 5)
        ADD_FAILURE() << "the busy frame at " << NowMs() << " differs from the resting frame shown since "
                      << shown->first;
      if (shown->first != NowMs()) continue;
      ++compared;
      r.frames[NowMs()] = digest;
      if (digest != shown->second) ++differing;
    }
  });

  EXPECT_EQ(compared, static_cast<int64_t>(resting.frames.size())) << "the busy loop missed a resting frame's time";
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(stale, 0) << "busy frames that differ from the resting frame shown at their time";
  EXPECT_EQ(busyFrames, End + 1);
  EXPECT_LT(resting.frames.size() * 5, static_cast<size_t>(busyFrames)) << "the resting loop hardly rested";
  EXPECT_EQ(resting.state, busy.state);
  EXPECT_FALSE(busy.save.empty());
  EXPECT_EQ(resting.save, busy.save);
  // The script did what it says: picks, a draw at each end of the speed range, both auto-runs
  // stopped, the overlay closed, the resize followed, the notice gone and the save written.
  EXPECT_EQ(resting.probes, busy.probes);
  EXPECT_EQ(busy.probes, (std::vector<int64_t>{1, 1, 1, 0, 0, 1})) << "Space's tap ends auto-run in its pause";
  const GameState& g = busy.final;
  EXPECT_EQ(g.Cards[1].PickCount, 5);
  for (int n : {1, 24, 46, 69, 80}) EXPECT_EQ(g.Cards[1].Picked[n], 1) << n;
  EXPECT_EQ(g.SetDraws, 2);
  EXPECT_EQ(g.Speed, 5);
  EXPECT_EQ(g.Drawing, 0);
  EXPECT_EQ(g.AutoRun, 0);
  EXPECT_EQ(g.AutoPausePending, 0);
  EXPECT_EQ(g.PayTableOpen, 0);
  EXPECT_EQ(g.ScreenW, 1300);
  EXPECT_TRUE(g.StatusMessage.empty());
  EXPECT_EQ(g.SavePending, 0);
  std::printf("resting loop: %zu frames; busy loop: %lld frames\n", resting.frames.size(),
              static_cast<long long>(busyFrames));
}

}  // namespace
