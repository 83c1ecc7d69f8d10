// The stats panel: its row height, amount texts, colours, columns, optional boxes and bands.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

TEST(StatsRowHeight, TwoAboveTheTextUnlessThePanelIsShortButNeverBelowTheText) {
  struct Case {
    int64_t panelH, tm, rowH;
  } cases[] = {
      {770, 16, 18},            // default screen: room for tm + 2
      {770, 14, 16},            //
      {218 + 18 * 17, 16, 17},  // room for 17-pixel rows only
      {218 + 18 * 17 + 17, 16, 17},
      {218 + 18 * 15, 16, 16},  // would be 15: raised back to the text height
      {100, 16, 16},            // (h - 218) / 18 is negative
      {2000, 30, 32},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatsRowHeight(c.panelH, c.tm), c.rowH) << "h " << c.panelH << " tm " << c.tm;
  }
}

TEST(FormatSignedAmount, SignBeforeTheDollarAndZeroWithoutSign) {
  struct Case {
    int64_t a;
    const char* text;
  } cases[] = {
      {25, "+$25"}, {-3, "-$3"}, {0, "$0"}, {1000000, "+$1000000"}, {INT64_MIN, "-$9223372036854775808"},
  };
  for (const Case& c : cases) {
    char buf[32];
    const int n = FormatSignedAmount(c.a, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n), c.text) << c.a;
  }
  char tiny[3];
  EXPECT_EQ(std::string(tiny, FormatSignedAmount(-25, tiny, sizeof tiny)), "-$");
}

TEST(StatsPairX, EndsSixteenInsideTheRightEdgeOrStartsAtX172) {
  struct Case {
    int64_t x, w;
    double pairW;
    int64_t rx;
  } cases[] = {
      {0, 294, 40.0, 238},                          // 294 - 12 - 40 - 4
      {0, 294, 40.4, 238},                          // rounded to the nearest
      {0, 294, 40.6, 237},  {0, 294, 106.0, 172},   // exactly at the limit
      {0, 294, 107.0, 172},                         // would start at 171
      {0, 294, 300.0, 172}, {50, 294, 300.0, 222},  // the limit follows the panel
      {50, 294, 40.0, 288},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatsPairX(c.x, c.w, c.pairW), c.rx) << c.x << " " << c.pairW;
  }
}

// The real game with the panel's state set directly; the panel rectangle is the default one.
class StatsPanelTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    if (Game.StatsPanelW == 0) {
      Game.StatsPanelX = 0;
      Game.StatsPanelY = 120;
      Game.StatsPanelW = 294;
      Game.StatsPanelH = Game.ScreenH - 132;
    }
    steps = std::make_unique<PanelSteps>();
  }
  void Build() {
    BuildStatsPanel(*steps);
    SetFont(Game.FontButton);
    tm = RoundHalfEven(StringHeight("M"));
    R = StatsRowHeight(Game.StatsPanelH, tm);
  }
  const PanelStep& Text(const std::string& text, int nth = 0) {
    const PanelStep* s = steps->FindText(text, nth);
    if (!s) {
      ADD_FAILURE() << "no text \"" << text << "\"";
      static PanelStep none;
      return none;
    }
    return *s;
  }
  // A text's top relative to the panel.
  int64_t Top(const std::string& text, int nth = 0) {
    return static_cast<int64_t>(Text(text, nth).y) - Game.StatsPanelY;
  }
  int64_t Left(const std::string& text, int nth = 0) {
    return static_cast<int64_t>(Text(text, nth).x) - Game.StatsPanelX;
  }
  Colour Pixel(int64_t dx, int64_t dy) { return headless::PixelAt(Game.StatsPanelX + dx, Game.StatsPanelY + dy); }
  void SetStatus(const char* text) {
    Game.StatusMessage = text;
    Game.StatusMessageTime = NowMs();
  }

  std::unique_ptr<PanelSteps> steps;
  int64_t tm = 0, R = 0;
};

TEST_F(StatsPanelTest, SectionsSitAtTheirTopsForTheRowHeight) {
  Game.Cards[2].PickCount = 8;
  Game.SetWon = 7;
  Game.SetCost = 3;
  Game.SetDraws = 5;
  Game.Balance = 1234;
  Game.LifetimeGenWon = 11;
  Game.LifetimeGenCost = 12;
  Game.LifetimeCasWon = 13;
  Game.LifetimeCasCost = 14;
  Build();
  ASSERT_GE(R, tm);
  EXPECT_EQ(Top("CARD STATS"), 7);
  EXPECT_EQ(Top("Bet/Card: $1"), 27);
  for (const char* head : {"Card", "Picks", "Hits", "Win"}) EXPECT_EQ(Top(head), 58) << head;
  EXPECT_EQ(Left("Picks"), 92);
  EXPECT_EQ(Left("Hits"), 164);
  EXPECT_EQ(Left("Win"), 212);
  for (int c = 1; c <= 4; ++c) {
    const std::string name = "Card " + std::to_string(c);
    EXPECT_EQ(Top(name), 58 + c * R) << name;
    EXPECT_EQ(Top(name + ":"), 118 + (4 + c) * R) << name;
  }
  EXPECT_EQ(Top("8/12"), 58 + 2 * R);
  EXPECT_EQ(Left("8/12"), 92);
  EXPECT_EQ(Top("THIS SET WIN/LOSS"), 70 + 5 * R);
  EXPECT_EQ(Top("(per card)"), 91 + 5 * R);
  EXPECT_EQ(Top("Wins:"), 130 + 9 * R);
  EXPECT_EQ(Top("Costs:"), 130 + 10 * R);
  EXPECT_EQ(Top("Profit:"), 130 + 11 * R);
  EXPECT_EQ(Top("Runs:"), 130 + 12 * R);
  for (const char* value : {"$7", "$3", "+$4", "5"}) EXPECT_EQ(Left(value), 92) << value;
  EXPECT_EQ(Top("BALANCE"), 145 + 13 * R);
  EXPECT_EQ(Top("$1234"), 174 + 13 * R);
  EXPECT_EQ(Top("LIFETIME"), 189 + 14 * R);
  EXPECT_EQ(Top("GEN W:"), 218 + 14 * R);
  EXPECT_EQ(Top("GEN L:"), 218 + 15 * R);
  EXPECT_EQ(Top("CAS W:"), 222 + 16 * R);
  EXPECT_EQ(Top("CAS L:"), 222 + 17 * R);
  for (const char* value : {"$11", "$12", "$13", "$14"}) EXPECT_EQ(Left(value), 102) << value;
  EXPECT_EQ(Text("$11").colour, RGB(20, 80, 20));
  EXPECT_EQ(Text("$12").colour, RGB(160, 0, 0));
  EXPECT_EQ(steps->FindText("PROGRESSIVE JACKPOT"), nullptr);
  EXPECT_EQ(steps->FindText("CONSOLATION"), nullptr);
  for (int i = 0; i < steps->count; ++i) {
    if (steps->steps[i].kind == PanelStep::Text) {
      EXPECT_EQ(steps->steps[i].font, Game.FontButton);
      EXPECT_EQ(steps->steps[i].mode, ModeTransparentText);
      EXPECT_GE(steps->steps[i].x, Game.StatsPanelX + 12) << steps->steps[i].text;
    }
  }
}

TEST_F(StatsPanelTest, CardTableShowsPicksHitsAndWinsInTheirColours) {
  Game.Cards[1].PickCount = 0;
  Game.Cards[3].PickCount = 8;
  Game.Charge.Charged[3] = 1;  // the draw counted 4 hits on card 3
  Game.Charge.Cards[3].HitCount = 4;
  Game.CardWin[3] = 40;
  Build();
  // Card 1: nothing picked, nothing hit, nothing won.
  const int64_t row1 = Game.StatsPanelY + 58 + R;
  const PanelStep& picks = Text("0/12");
  EXPECT_EQ(picks.y, row1);
  EXPECT_EQ(picks.colour, RGB(40, 40, 40));
  const PanelStep& noHits = Text("0");
  EXPECT_EQ(noHits.y, row1);
  EXPECT_EQ(noHits.x, Game.StatsPanelX + 164);
  EXPECT_EQ(noHits.colour, RGB(60, 60, 60));
  const PanelStep& noWin = Text("-");
  EXPECT_EQ(noWin.y, row1);
  EXPECT_EQ(noWin.x, Game.StatsPanelX + 212);
  EXPECT_EQ(noWin.colour, RGB(110, 110, 110));
  // Card 3: 4 hits in green, $40 in dark red.
  const PanelStep& hits = Text("4");
  EXPECT_EQ(hits.y, row1 + 2 * R);
  EXPECT_EQ(hits.colour, RGB(0, 100, 0));
  const PanelStep& win = Text("$40");
  EXPECT_EQ(win.y, row1 + 2 * R);
  EXPECT_EQ(win.x, Game.StatsPanelX + 212);
  EXPECT_EQ(win.colour, RGB(160, 0, 0));
  EXPECT_EQ(Text("Card 3").colour, RGB(20, 20, 100));
}

TEST_F(StatsPanelTest, SetAmountsAndProfitAreSignedAndColouredBySign) {
  Game.CardNet[1] = 25;
  Game.CardNet[2] = -3;
  Game.CardNet[3] = 0;
  Game.CardNet[4] = 0;
  Build();
  const int64_t y = Game.StatsPanelY, x = Game.StatsPanelX;
  struct Expect {
    const char* text;
    int nth;
    int64_t top;
    Colour colour;
  } rows[] = {
      {"+$25", 0, 118 + 5 * R, RGB(20, 100, 20)},
      {"-$3", 0, 118 + 6 * R, RGB(150, 0, 0)},
      {"$0", 0, 118 + 7 * R, RGB(80, 80, 80)},
      {"$0", 1, 118 + 8 * R, RGB(80, 80, 80)},
  };
  for (const Expect& e : rows) {
    const PanelStep& s = Text(e.text, e.nth);
    EXPECT_EQ(s.x, x + 82) << e.text;
    EXPECT_EQ(s.y, y + e.top) << e.text;
    EXPECT_EQ(s.colour, e.colour) << e.text;
  }

  struct Profit {
    int64_t won, cost;
    const char* text;
    Colour colour;
  } profits[] = {
      {40, 15, "+$25", RGB(0, 100, 0)},
      {12, 15, "-$3", RGB(160, 0, 0)},
      {15, 15, "$0", RGB(20, 20, 20)},
  };
  for (const Profit& p : profits) {
    Game.SetWon = p.won;
    Game.SetCost = p.cost;
    Game.CardNet[1] = Game.CardNet[2] = 0;
    Build();
    const PanelStep& label = Text("Profit:");
    EXPECT_EQ(label.colour, p.colour) << p.text;
    bool found = false;
    for (int i = 0; i < steps->count; ++i) {
      const PanelStep& s = steps->steps[i];
      if (s.kind != PanelStep::Text || s.y != label.y || s.x != x + 92) continue;
      found = true;
      EXPECT_EQ(s.text, p.text);
      EXPECT_EQ(s.colour, p.colour) << p.text;
    }
    EXPECT_TRUE(found) << p.text;
  }
}

TEST_F(StatsPanelTest, WinLossPairIsRightAlignedUntilItReachesX172) {
  Game.CardWins[1] = 3;
  Game.CardLosses[1] = 12;
  Game.CardWins[2] = 123456789012345;
  Game.CardLosses[2] = 987654321098765;
  Build();
  SetFont(Game.FontButton);
  const int64_t x = Game.StatsPanelX, w = Game.StatsPanelW;

  const PanelStep& a = Text("3W ");
  const PanelStep& b = Text("12L");
  EXPECT_EQ(a.colour, RGB(0, 100, 0));
  EXPECT_EQ(b.colour, RGB(160, 0, 0));
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.x, RoundHalfEven(x + w - 12 - StringWidth("3W 12L") - 4));
  EXPECT_DOUBLE_EQ(b.x, a.x + StringWidth("3W "));
  EXPECT_NEAR(b.x + StringWidth("12L"), x + w - 16, 0.5);

  const PanelStep& wide = Text("123456789012345W ");
  EXPECT_EQ(wide.x, x + 172);
  EXPECT_DOUBLE_EQ(Text("987654321098765L").x, x + 172 + StringWidth("123456789012345W "));
  // Zero counts still show.
  EXPECT_EQ(Text("0W ").y, Game.StatsPanelY + 118 + 7 * R);
  EXPECT_EQ(Text("0L").y, Game.StatsPanelY + 118 + 7 * R);
}

TEST_F(StatsPanelTest, JackpotAndConsolationBoxesFollowTheirConditions) {
  Game.ProgressivePot = 25042;
  struct Case {
    int64_t eligible;
    const char* status;
    int64_t jackpotTop;      // -1: no box
    int64_t consolationTop;  // -1: no box
  };
  Build();
  const Case cases[] = {
      {0, "", -1, -1},
      {1, "", 228 + 18 * R, -1},
      {0, "$500/card consolation paid", -1, 230 + 18 * R},
      {1, "$500/card consolation paid", 228 + 18 * R, 246 + 20 * R},
  };
  for (const Case& c : cases) {
    Game.ProgressiveEligible = c.eligible;
    SetStatus(c.status);
    Build();
    ASSERT_TRUE(Frame());
    SCOPED_TRACE(testing::Message() << "eligible " << c.eligible << " status \"" << c.status << "\"");
    const PanelStep* title = steps->FindText("PROGRESSIVE JACKPOT");
    const PanelStep* pot = steps->FindText("$25042");
    if (c.jackpotTop < 0) {
      EXPECT_EQ(title, nullptr);
      EXPECT_EQ(pot, nullptr);
    } else {
      ASSERT_NE(title, nullptr);
      ASSERT_NE(pot, nullptr);
      EXPECT_EQ(title->y, Game.StatsPanelY + c.jackpotTop + 4);
      EXPECT_EQ(pot->y, Game.StatsPanelY + c.jackpotTop + R + 6);
      EXPECT_EQ(title->colour, RGB(255, 215, 0));
      EXPECT_EQ(Pixel(290, c.jackpotTop), RGB(40, 30, 10));
      EXPECT_EQ(Pixel(290, c.jackpotTop + 2 * R + 9), RGB(40, 30, 10));
      EXPECT_EQ(Pixel(290, c.jackpotTop + 2 * R + 10), RGB(192, 192, 192));
    }
    const PanelStep* head = steps->FindText("CONSOLATION");
    if (c.consolationTop < 0) {
      EXPECT_EQ(head, nullptr);
      EXPECT_EQ(Pixel(290, 230 + 18 * R), c.jackpotTop < 0 ? RGB(192, 192, 192) : RGB(40, 30, 10));
    } else {
      ASSERT_NE(head, nullptr);
      EXPECT_EQ(head->y, Game.StatsPanelY + c.consolationTop + 4);
      const PanelStep& note = Text(c.status);
      EXPECT_EQ(note.y, Game.StatsPanelY + c.consolationTop + R + 6);
      EXPECT_EQ(note.colour, RGB(255, 235, 160));
      EXPECT_EQ(Pixel(290, c.consolationTop - 1), RGB(192, 192, 192));
      EXPECT_EQ(Pixel(290, c.consolationTop), RGB(255, 215, 0));
      EXPECT_EQ(Pixel(290, c.consolationTop + 1), RGB(255, 215, 0));
      EXPECT_EQ(Pixel(290, c.consolationTop + 2), RGB(70, 44, 0));
      EXPECT_EQ(Pixel(290, c.consolationTop + 2 * R + 7), RGB(70, 44, 0));
      EXPECT_EQ(Pixel(290, c.consolationTop + 2 * R + 8), RGB(192, 192, 192));
    }
  }
}

TEST_F(StatsPanelTest, ConsolationBoxLeavesWhenTheNoticeExpires) {
  SetStatus("$500/card consolation paid");
  Build();
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Pixel(290, 232 + 18 * R), RGB(70, 44, 0));
  ASSERT_TRUE(Run(5000, 100));
  EXPECT_TRUE(Game.StatusMessage.empty());
  EXPECT_EQ(Pixel(290, 232 + 18 * R), RGB(192, 192, 192));
}

TEST_F(StatsPanelTest, BandsAndStripesStartAtTheirTops) {
  Build();
  ASSERT_TRUE(Frame());
  const Colour band = RGB(150, 150, 160), grey = RGB(192, 192, 192), stripe = RGB(178, 178, 185);
  struct Probe {
    const char* what;
    int64_t dy;
    Colour colour;
  } probes[] = {
      {"title band top", 0, band},
      {"title band bottom", 51, band},
      {"below the title band", 52, grey},
      {"card 1 row", 58 + R, grey},
      {"card 2 stripe top", 58 + 2 * R - 2, stripe},
      {"card 2 stripe bottom", 58 + 3 * R - 1, stripe},
      {"card 3 row", 58 + 3 * R, grey},
      {"card 4 stripe top", 58 + 4 * R - 2, stripe},
      {"above the set band", 63 + 5 * R, grey},
      {"set band top", 64 + 5 * R, band},
      {"set band bottom", 113 + 5 * R, band},
      {"set row 1", 118 + 5 * R, grey},
      {"set card 2 stripe top", 118 + 6 * R - 2, stripe},
      {"set card 4 stripe bottom", 118 + 9 * R - 1, stripe},
      {"above the BALANCE band", 135 + 13 * R, grey},
      {"BALANCE band top", 136 + 13 * R, band},
      {"BALANCE band bottom", 169 + 13 * R, band},
      {"below the BALANCE band", 170 + 13 * R, grey},
      {"LIFETIME band top", 180 + 14 * R, band},
      {"LIFETIME band bottom", 213 + 14 * R, band},
      {"below the last row", 222 + 18 * R, grey},
      {"panel bottom", Game.StatsPanelH - 13, grey},
  };
  for (const Probe& p : probes) EXPECT_EQ(Pixel(290, p.dy), p.colour) << p.what << " at " << p.dy;
  // Card 1 and 3 rows carry no stripe; the separator is one pixel inset by 12 on both sides.
  const int64_t line = 124 + 9 * R;
  EXPECT_EQ(Pixel(12, line), RGB(140, 140, 150));
  EXPECT_EQ(Pixel(281, line), RGB(140, 140, 150));
  EXPECT_EQ(Pixel(11, line), grey);
  EXPECT_EQ(Pixel(282, line), grey);
  EXPECT_EQ(Pixel(150, line - 1), grey);
  EXPECT_EQ(Pixel(150, line + 1), grey);
}

}  // namespace
