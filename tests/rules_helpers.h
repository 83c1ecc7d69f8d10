// Helpers for the rules tests: picking numbers and playing a draw whose numbers the test chooses.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "game_fixture.h"
#include "ledger_helpers.h"
#include "persist/ledger.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "state/draw_view.h"
#include "ui/ui.h"

namespace rules_test {

// What the screen shows of the live game now.
inline DrawView LiveView() {
  DrawView view;
  FillLiveDrawView(view);
  return view;
}

// C(n, k) exactly; every value the tests need fits in 64 bits.
inline uint64_t Choose(int n, int k) {
  if (k < 0 || k > n) return 0;
  unsigned __int128 r = 1;
  for (int i = 1; i <= k; ++i) r = r * static_cast<unsigned>(n - k + i) / static_cast<unsigned>(i);
  return static_cast<uint64_t>(r);
}

// Chance that h of s spots are among the 20 balls drawn out of 80.
inline double HitProbability(int s, int h) {
  return static_cast<double>(static_cast<long double>(Choose(s, h)) * Choose(80 - s, 20 - h) / Choose(80, 20));
}

// The balance stored in the save file now, -1 when there is no complete file.
inline int64_t SavedBalance() {
  std::ifstream in(Game.SavePath, std::ios::binary);
  uint8_t b[4] = {};
  if (!in.seekg(8).read(reinterpret_cast<char*>(b), 4)) return -1;
  return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

// Picks the numbers on card c through the player's own operation.
inline void Pick(int64_t c, const std::vector<int64_t>& numbers) {
  for (int64_t n : numbers) TogglePick(c, n);
}

// A parameterised test's name from its case's description: the letters and digits of `name`.
template <class TestParamInfo>
std::string CaseName(const TestParamInfo& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
}

inline std::vector<int64_t> Range(int64_t from, int64_t to) {
  std::vector<int64_t> r;
  for (int64_t n = from; n <= to; ++n) r.push_back(n);
  return r;
}

// Replaces the numbers of the draw just started: `first` in reveal order, then the lowest numbers
// that are on no card. The ledger's row of the draw, written when it was charged, gets them too,
// so that the draw is recalled and exported as it was played.
inline void RigDraw(const std::vector<int64_t>& first) {
  bool used[81] = {};
  int64_t i = 0;
  for (int64_t n : first) {
    used[n] = true;
    Game.DrawOrder[i++] = n;
  }
  for (int64_t n = 1; n <= 80 && i < 20; ++n) {
    bool onCard = false;
    for (int c = 1; c <= 4; ++c) onCard = onCard || Game.Cards[c].Picked[n] != 0;
    if (used[n] || onCard) continue;
    used[n] = true;
    Game.DrawOrder[i++] = n;
  }
  ASSERT_EQ(i, 20) << "too many picks to rig a draw";
  if (Game.Charge.DrawId == 0 || LedgerPath().empty()) return;
  std::string numbers;
  for (int64_t k = 0; k < 20; ++k) numbers += (k > 0 ? " " : "") + std::to_string(Game.DrawOrder[k]);
  ASSERT_TRUE(ledger_test::Exec(LedgerPath(), "UPDATE draws SET numbers = '" + numbers +
                                                  "' WHERE id = " + std::to_string(Game.Charge.DrawId)));
}

// The real game with a way to play a draw of chosen numbers through the frame loop.
class RulesGame : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    headless::ClearBoxLog();
  }

  // Starts a draw, rigs its numbers and runs frames one reveal interval apart until it has been
  // settled; `during` runs once after the tenth ball. False when the draw did not start.
  bool PlayDraw(const std::vector<int64_t>& first, const std::function<void()>& during = {}) {
    StartDraw();
    if (Game.Drawing != 1) return false;
    RigDraw(first);
    bool ran = false;
    for (int guard = 0; Game.Drawing == 1 && guard < 100; ++guard) {
      headless::AdvanceMs(Game.RevealInterval);
      if (!Frame()) return false;
      if (during && !ran && Game.BallsRevealed == 10) {
        ran = true;
        during();
      }
    }
    return Game.Drawing == 0;
  }
};

}  // namespace rules_test
