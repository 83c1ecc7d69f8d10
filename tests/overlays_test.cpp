// The pay table and About & Rules overlays: cell texts and colours, geometry, and what they draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

TEST(FormatPayCell, RoundsDownToThousandsAndMillions) {
  struct Case {
    int64_t a;
    const char* text;
  } cases[] = {
      {1000000 * 10, "$10M"}, {2500000, "$2M"}, {1000000, "$1M"}, {999999, "$999K"}, {1999, "$1K"}, {1500, "$1K"},
      {1000, "$1K"},          {25000, "$25K"},  {999, "$999"},    {42, "$42"},       {1, "$1"},     {0, "-"},
  };
  for (const Case& c : cases) {
    char buf[16];
    const int n = FormatPayCell(c.a, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n), c.text) << c.a;
    EXPECT_STREQ(buf, c.text) << c.a;
  }
  char tiny[4];
  EXPECT_EQ(std::string(tiny, FormatPayCell(250000, tiny, sizeof tiny)), "$25");
}

TEST(PayCellColour, WarmerFromEachThresholdOn) {
  struct Case {
    int64_t a;
    Colour colour;
  } cases[] = {
      {10000000, RGB(255, 80, 80)}, {100000, RGB(255, 80, 80)}, {99999, RGB(255, 140, 50)}, {10000, RGB(255, 140, 50)},
      {9999, RGB(255, 210, 60)},    {1000, RGB(255, 210, 60)},  {999, RGB(100, 220, 100)},  {100, RGB(100, 220, 100)},
      {99, RGB(170, 170, 210)},     {1, RGB(170, 170, 210)},    {0, RGB(55, 55, 75)},
  };
  for (const Case& c : cases) EXPECT_EQ(PayCellColour(c.a), c.colour) << c.a;
}

TEST(PayTableGeometry, RowsBetween16And38AndColumnsAtLeast40) {
  struct Case {
    int64_t w, h;
    PayTableGeometry g;
  } cases[] = {
      {878, 718, {38, 60, 68}},   // the default board
      {878, 2000, {38, 60, 68}},  // rows stop growing
      {876, 544, {37, 55, 68}},   // (544 - 26) / 14 = 37, k = 11
      {876, 250, {16, 50, 68}},   // k raised to 9, picks column to 50
      {876, 200, {16, 50, 68}},   // rows raised to 16
      {500, 718, {38, 60, 40}},   // hits columns raised to 40
  };
  for (const Case& c : cases) {
    const PayTableGeometry g = PayTableGeometryFor(c.w, c.h);
    EXPECT_EQ(g.rowH, c.g.rowH) << c.w << "x" << c.h;
    EXPECT_EQ(g.colP, c.g.colP) << c.w << "x" << c.h;
    EXPECT_EQ(g.colW, c.g.colW) << c.w << "x" << c.h;
  }
}

TEST(AboutLineHeight, SharesTheBoardBetween13And24) {
  EXPECT_EQ(AboutLineHeight(500), 13);  // 11 raised
  EXPECT_EQ(AboutLineHeight(718), 18);
  EXPECT_EQ(AboutLineHeight(1000), 24);  // 26 lowered
  EXPECT_EQ(AboutLineHeight(124 + 33 * 13), 13);
  EXPECT_EQ(AboutLineHeight(124 + 33 * 24 + 32), 24);
}

// The real game with an overlay open over the board.
class OverlayTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    steps = std::make_unique<PanelSteps>();
  }
  // Rows of the two schedules that the cases below read.
  void UseGenerous() {
    Game.PayMode = 0;
    SetRow(1, {0, 3});
    SetRow(3, {0, 0, 2, 42});
    SetRow(10, {0, 0, 0, 0, 0, 5, 40, 200, 2000, 20000, 200000});
    SetRow(12, {0, 0, 0, 0, 0, 0, 10, 50, 500, 5000, 50000, 250000, 1000000});
  }
  void UseCasino() {
    Game.PayMode = 1;
    SetRow(1, {0, 3});
    SetRow(3, {0, 0, 1, 42});
    SetRow(10, {0, 0, 0, 0, 0, 2, 20, 132, 1000, 4500, 100000});
    SetRow(12, {0, 0, 0, 0, 0, 0, 5, 25, 150, 1000, 5000, 25000, 150000});
  }
  void SetRow(int i, std::vector<int64_t> cells) {
    for (int j = 0; j <= 12; ++j) Game.PayActive[i][j] = j < static_cast<int>(cells.size()) ? cells[j] : 0;
  }
  int64_t Th() {
    SetFont(Game.FontOverlay);
    return RoundHalfEven(StringHeight("A"));
  }
  // The text drawn in row i (picks) under column j (hits), or nullptr.
  const PanelStep* Cell(int64_t i, int64_t j) {
    const Rect& b = Game.BoardRect;
    const PayTableGeometry g = PayTableGeometryFor(b.w, b.h);
    const double tr = static_cast<double>(b.y + (i + 1) * g.rowH + (g.rowH - Th()) / 2);
    const double left = static_cast<double>(b.x + g.colP + (j - 1) * g.colW);
    SetFont(Game.FontOverlay);
    for (int k = 0; k < steps->count; ++k) {
      const PanelStep& s = steps->steps[k];
      if (s.kind != PanelStep::Text || s.y != tr) continue;
      const double centre = s.x + StringWidth(s.text) / 2;
      if (centre >= left && centre < left + static_cast<double>(g.colW)) return &s;
    }
    return nullptr;
  }
  std::string CellText(int64_t i, int64_t j) {
    const PanelStep* s = Cell(i, j);
    return s ? std::string(s->text) : std::string("<none>");
  }
  Colour CellColour(int64_t i, int64_t j) {
    const PanelStep* s = Cell(i, j);
    return s ? s->colour : 0xFFFFFFFFu;
  }
  Colour Board(int64_t dx, int64_t dy) { return headless::PixelAt(Game.BoardRect.x + dx, Game.BoardRect.y + dy); }

  std::unique_ptr<PanelSteps> steps;
};

TEST_F(OverlayTest, ClosedOverlaysDrawNothing) {
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(steps->count, 0);
  BuildAboutOverlay(*steps);
  EXPECT_EQ(steps->count, 0);
  ASSERT_TRUE(Frame());
  EXPECT_NE(Board(1, 300), RGB(255, 215, 0));
  EXPECT_NE(Board(1, 300), RGB(180, 140, 230));
}

TEST_F(OverlayTest, GenerousCellsAtOneAndTenDollars) {
  Game.PayTableOpen = 1;
  UseGenerous();
  struct Case {
    int64_t bet, i, j;
    const char* text;
    Colour colour;
  } cases[] = {
      {1, 1, 1, "$3", RGB(170, 170, 210)},    {1, 12, 12, "$1M", RGB(255, 80, 80)},
      {1, 12, 11, "$250K", RGB(255, 80, 80)}, {1, 12, 10, "$50K", RGB(255, 140, 50)},
      {1, 12, 9, "$5K", RGB(255, 210, 60)},   {1, 12, 8, "$500", RGB(100, 220, 100)},
      {1, 12, 1, "-", RGB(55, 55, 75)},       {1, 3, 1, "-", RGB(55, 55, 75)},
      {1, 3, 3, "$42", RGB(170, 170, 210)},   {10, 12, 12, "$10M", RGB(255, 80, 80)},
      {10, 1, 1, "$30", RGB(170, 170, 210)},  {10, 3, 3, "$420", RGB(100, 220, 100)},
      {10, 12, 8, "$5K", RGB(255, 210, 60)},  {10, 10, 5, "$50", RGB(170, 170, 210)},
  };
  for (const Case& c : cases) {
    Game.BetPerCard = c.bet;
    BuildPayTableOverlay(*steps);
    EXPECT_EQ(CellText(c.i, c.j), c.text) << "bet " << c.bet << " row " << c.i << " hit " << c.j;
    EXPECT_EQ(CellColour(c.i, c.j), c.colour) << "bet " << c.bet << " row " << c.i << " hit " << c.j;
  }
  const PanelStep* title = steps->FindText("GENEROUS payouts");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->colour, RGB(120, 255, 120));
  EXPECT_NE(steps->FindText("Bet/Card: $10"), nullptr);
}

TEST_F(OverlayTest, CasinoAtThreeDollarsAndTheSwapShowsInTheNextBuild) {
  Game.PayTableOpen = 1;
  Game.BetPerCard = 1;
  UseGenerous();
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(10, 7), "$200");
  EXPECT_NE(steps->FindText("GENEROUS payouts"), nullptr);

  UseCasino();
  Game.BetPerCard = 3;
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(10, 7), "$396");
  EXPECT_EQ(CellColour(10, 7), RGB(100, 220, 100));
  EXPECT_EQ(CellText(10, 10), "$300K");
  EXPECT_EQ(CellText(12, 12), "$450K");
  EXPECT_EQ(CellText(3, 2), "$3");
  EXPECT_EQ(steps->FindText("GENEROUS payouts"), nullptr);
  const PanelStep* title = steps->FindText("CASINO payouts");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->colour, RGB(255, 120, 120));
  SetFont(Game.FontOverlay);
  const Rect& b = Game.BoardRect;
  EXPECT_DOUBLE_EQ(title->x + StringWidth("CASINO payouts"), static_cast<double>(b.x + b.w - 10));
  const PanelStep* bet = steps->FindText("Bet/Card: $3");
  ASSERT_NE(bet, nullptr);
  EXPECT_EQ(bet->y, title->y);
  EXPECT_EQ(bet->x, b.x + PayTableGeometryFor(b.w, b.h).colP);
}

TEST_F(OverlayTest, GameSchedulesFollowTheSwapAndTheBet) {
  Game.PayTableOpen = 1;
  ASSERT_EQ(Game.PayMode, 0);
  Game.BetPerCard = 1;
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(1, 1), "$3");
  EXPECT_EQ(CellText(12, 12), "$1M");
  EXPECT_EQ(CellText(12, 11), "$250K");
  for (int64_t i = 1; i <= 12; ++i) {
    for (int64_t j = 1; j <= i; ++j) {
      if (Game.PayActive[i][j] == 0) {
        EXPECT_EQ(CellText(i, j), "-") << "row " << i << " hit " << j;
      }
    }
  }
  Game.BetPerCard = 10;
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(12, 12), "$10M");
  EXPECT_EQ(CellColour(12, 12), RGB(255, 80, 80));

  SwapPayMode();
  Game.BetPerCard = 3;
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(10, 7), "$396");
  EXPECT_NE(steps->FindText("CASINO payouts"), nullptr);
  SwapPayMode();
  BuildPayTableOverlay(*steps);
  EXPECT_EQ(CellText(10, 7), "$600");
  EXPECT_NE(steps->FindText("GENEROUS payouts"), nullptr);
}

TEST_F(OverlayTest, RowIHasICellsCentredInTheirColumns) {
  Game.PayTableOpen = 1;
  UseGenerous();
  BuildPayTableOverlay(*steps);
  const Rect& b = Game.BoardRect;
  const PayTableGeometry g = PayTableGeometryFor(b.w, b.h);
  const int64_t th = Th();
  SetFont(Game.FontOverlay);
  for (int64_t i = 1; i <= 12; ++i) {
    const double tr = static_cast<double>(b.y + (i + 1) * g.rowH + (g.rowH - th) / 2);
    std::vector<const PanelStep*> row;
    const PanelStep* label = nullptr;
    for (int k = 0; k < steps->count; ++k) {
      const PanelStep& s = steps->steps[k];
      if (s.kind != PanelStep::Text || s.y != tr) continue;
      if (s.x < b.x + g.colP) {
        label = &s;
      } else {
        row.push_back(&s);
      }
    }
    ASSERT_NE(label, nullptr) << "row " << i;
    EXPECT_EQ(label->text, std::to_string(i));
    EXPECT_EQ(label->colour, RGB(255, 215, 0));
    EXPECT_NEAR(label->x + StringWidth(label->text) / 2, b.x + g.colP / 2.0, 1e-9);
    ASSERT_EQ(row.size(), static_cast<size_t>(i)) << "row " << i;
    for (int64_t j = 1; j <= i; ++j) {
      const PanelStep& s = *row[j - 1];
      EXPECT_NEAR(s.x + StringWidth(s.text) / 2, b.x + g.colP + (j - 1) * g.colW + g.colW / 2.0, 1e-9)
          << "row " << i << " hit " << j;
    }
  }
  // The heads: "Picks" over the picks column and "1 hit" to "12 hit" over theirs.
  for (int64_t j = 1; j <= 12; ++j) {
    const std::string head = std::to_string(j) + " hit";
    const PanelStep* s = steps->FindText(head);
    ASSERT_NE(s, nullptr) << head;
    EXPECT_EQ(s->y, b.y + (g.rowH - th) / 2);
    EXPECT_NEAR(s->x + StringWidth(head) / 2, b.x + g.colP + (j - 1) * g.colW + g.colW / 2.0, 1e-9);
  }
  const PanelStep* footer = steps->FindText("K=thousands  M=millions.  Click anywhere to close.");
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->x, b.x + 8);
  EXPECT_DOUBLE_EQ(footer->y, b.y + b.h - 26 + (26 - static_cast<double>(th)) / 2);
}

TEST_F(OverlayTest, PayTableFillsFrameRowsAndFooterOnScreen) {
  Game.PayTableOpen = 1;
  UseGenerous();
  ASSERT_TRUE(Frame());
  const Rect& b = Game.BoardRect;
  const PayTableGeometry g = PayTableGeometryFor(b.w, b.h);
  const int64_t r = g.rowH, last = b.w - 5;
  const Colour gold = RGB(255, 215, 0), back = RGB(18, 18, 32), band = RGB(40, 40, 65);
  struct Probe {
    const char* what;
    int64_t dx, dy;
    Colour colour;
  } probes[] = {
      {"header over the top frame", last, 0, band},
      {"header bottom", last, r - 1, RGB(40, 40, 65)},
      {"bet row", 5, r, RGB(30, 30, 52)},
      {"row 1 strip", 0, 2 * r, RGB(70, 70, 100)},
      {"row 1 strip edge", 2, 2 * r, RGB(70, 70, 100)},
      {"row 1", 3, 2 * r, RGB(20, 20, 36)},
      {"row 1 right end over the frame", b.w - 1, 2 * r, RGB(20, 20, 36)},
      {"row 2", last, 3 * r, RGB(26, 26, 44)},
      {"row 12 bottom", last, 14 * r - 1, RGB(26, 26, 44)},
      {"empty stretch", b.w / 2, 14 * r, back},
      {"left frame", 0, 14 * r + 10, gold},
      {"left frame inner", 1, 14 * r + 10, gold},
      {"inside the left frame", 2, 14 * r + 10, back},
      {"right frame", b.w - 1, 14 * r + 10, gold},
      {"right frame inner", b.w - 2, 14 * r + 10, gold},
      {"inside the right frame", b.w - 3, 14 * r + 10, back},
      {"above the footer", last, b.h - 27, back},
      {"footer top", last, b.h - 26, band},
      {"footer over the bottom frame", last, b.h - 1, band},
  };
  for (const Probe& p : probes) EXPECT_EQ(Board(p.dx, p.dy), p.colour) << p.what;
}

TEST_F(OverlayTest, AboutLinesAreTheRulesInOrderWithTheirColours) {
  Game.AboutOpen = 1;
  BuildAboutOverlay(*steps);
  struct Line {
    const char* text;
    bool heading;
  } lines[] = {
      {"HOW TO PLAY", true},
      {"- Pick 1-12 numbers on up to 4 cards. Main tab shows all cards combined.", false},
      {"- Set Bet/Card ($1-$10) and Speed. Click Draw Numbers — 20 balls drawn each round.", false},
      {"- Press SPACE to draw. Hold SPACE or Draw button 1 second to auto-run. Press again to stop.", false},
      {"CELL COLORS", true},
      {"- Blue=idle, Purple=your pick, Red=drawn, Green=HIT. Yellow X marks every hit cell.", false},
      {"- Main tab: white asterisk = number on 2+ cards. Black asterisk = that number was also drawn.", false},
      {"- After a draw you may click any cell on any card to add or remove picks.", false},
      {"AUTO-PICK & HEAT MAP", true},
      {"- L-Click Auto-Pick: fills active card with hottest numbers from draw history.", false},
      {"- R-Click Auto-Pick: fills active card with random numbers (same spot count).", false},
      {"- Heat Map: right-click Main tab to toggle. Blue=cold, orange=hot. Dot on tab = active.", false},
      {"COPY CARD", true},
      {"- Right-click any Card 1-4 tab to copy its picks to another card.", false},
      {"WINS, JACKPOTS & PAYOUTS", true},
      {"- Payout Table: click to view. Right-click button to toggle GENEROUS / CASINO modes.", false},
      {"- Lifetime stats: GEN W/L for Generous mode, CAS W/L for Casino mode.", false},
      {"- Jackpot: all picks on a card drawn — auto-run stops, pop-up shown. 5+ spots = fanfare.", false},
      {"- Progressive: 10-12 spot full match wins the growing pot ($25K seed, +$2/qualifying card).", false},
      {"- Consolation: all cards 7+ picks, 15+ distinct numbers, zero hits = $1,000 free.", false},
      {"CONTROLS", true},
      {"- Speed 1-5: Slowest to Fastest. At Fast & Fastest, no pause between auto-run games.", false},
      {"- Bet/Card $1-$10: click left half = decrease, right half = increase.", false},
      {"- Sound toggles audio. ESC saves and exits. SPACE = draw (hold 1s = auto-run).", false},
      {"NEW GAME", true},
      {"- YES = clear picks only. NO = full reset to $1,000, all stats wiped. CANCEL = Cancel.", false},
      {"BALANCE & STATS", true},
      {"- Start with $1,000. If balance drops below draw cost, add $1,000 or save-and-quit.", false},
      {"- Stats panel: per-card picks/hits/win, set net W/L, balance, runs, lifetime totals.", false},
      {"PERSISTENCE", true},
      {"- Saves keno_save.dat at each draw, on exit and on changes: picks, balance, stats, pot.", false},
      {"- Every draw is kept in keno_history.sqlite3. Press H or right-click stats for History.", false},
  };
  const Rect& b = Game.BoardRect;
  const int64_t lineH = AboutLineHeight(b.h);
  std::vector<const PanelStep*> texts;
  for (int k = 0; k < steps->count; ++k) {
    if (steps->steps[k].kind == PanelStep::Text) texts.push_back(&steps->steps[k]);
  }
  const size_t sections = std::size(lines);
  ASSERT_EQ(texts.size(), 2 + 1 + sections + 1);
  EXPECT_EQ(texts[0]->text, "Brindlemark by Vorbel 6.40");
  EXPECT_EQ(texts[1]->text, "About & Rules");
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(texts[k]->font, Game.FontHeading);
    EXPECT_EQ(texts[k]->colour, RGB(255, 220, 140));
    EXPECT_EQ(texts[k]->x, b.x + 18);
  }
  EXPECT_EQ(texts[0]->y, b.y + 7);
  EXPECT_EQ(texts[1]->y, b.y + 30);
  EXPECT_EQ(texts[2]->text, "Brindlemark by Vorbel \u2014 fully standalone, no external dependencies.");
  EXPECT_EQ(texts[2]->colour, RGB(255, 255, 200));
  EXPECT_EQ(texts[2]->y, b.y + 58);

  double y = static_cast<double>(b.y + 58 + lineH + 6);
  for (size_t k = 0; k < sections; ++k) {
    const PanelStep& s = *texts[3 + k];
    if (lines[k].heading && k > 0) y += 4;
    EXPECT_EQ(s.text, lines[k].text);
    EXPECT_EQ(s.y, y) << lines[k].text;
    EXPECT_EQ(s.x, b.x + 18);
    EXPECT_EQ(s.font, Game.FontOverlay);
    EXPECT_EQ(s.colour, lines[k].heading ? RGB(160, 220, 255) : RGB(220, 220, 230)) << lines[k].text;
    y += static_cast<double>(lineH);
  }
  // At the default board the lines fill the panel exactly down to the footer band.
  EXPECT_EQ(b.h, 718);
  EXPECT_EQ(y, b.y + b.h - 28);

  const PanelStep& footer = *texts.back();
  EXPECT_EQ(footer.text, "Click anywhere to close.");
  EXPECT_EQ(footer.colour, RGB(200, 180, 240));
  SetFont(Game.FontOverlay);
  EXPECT_DOUBLE_EQ(footer.y, b.y + b.h - 28 + (28 - StringHeight("A")) / 2);
}

TEST_F(OverlayTest, AboutLineSpacingFollowsTheBoardHeight) {
  Game.AboutOpen = 1;
  for (int64_t h : {500, 718, 1000}) {
    Game.BoardRect.h = h;
    BuildAboutOverlay(*steps);
    const PanelStep* heading = steps->FindText("HOW TO PLAY");
    const PanelStep* first =
        steps->FindText("- Pick 1-12 numbers on up to 4 cards. Main tab shows all cards combined.");
    const PanelStep* about =
        steps->FindText("Brindlemark by Vorbel \u2014 fully standalone, no external dependencies.");
    ASSERT_TRUE(heading && first && about) << h;
    EXPECT_EQ(first->y - heading->y, AboutLineHeight(h)) << h;
    EXPECT_EQ(heading->y - about->y, AboutLineHeight(h) + 6) << h;
  }
}

TEST_F(OverlayTest, AboutBandsCoverTheFrameAndTheSidesShowIt) {
  Game.AboutOpen = 1;
  ASSERT_TRUE(Frame());
  const Rect& b = Game.BoardRect;
  const Colour band = RGB(50, 30, 85), frame = RGB(180, 140, 230), back = RGB(22, 22, 45);
  struct Probe {
    const char* what;
    int64_t dx, dy;
    Colour colour;
  } probes[] = {
      {"header band over the top frame", b.w - 5, 0, band},
      {"header band left end", 0, 0, band},
      {"header band bottom", b.w - 5, 51, band},
      {"below the header band", b.w - 5, 52, back},
      {"left frame", 0, 300, frame},
      {"left frame inner", 1, 300, frame},
      {"inside the left frame", 2, 300, back},
      {"right frame", b.w - 1, 300, frame},
      {"inside the right frame", b.w - 3, 300, back},
      {"above the footer band", b.w - 5, b.h - 29, back},
      {"footer band top", b.w - 5, b.h - 28, band},
      {"footer band over the bottom frame", 0, b.h - 1, band},
  };
  for (const Probe& p : probes) EXPECT_EQ(Board(p.dx, p.dy), p.colour) << p.what;
}

TEST_F(OverlayTest, AboutLiesOverThePayTable) {
  Game.PayTableOpen = 1;
  Game.AboutOpen = 1;
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Board(Game.BoardRect.w - 5, 0), RGB(50, 30, 85));
  EXPECT_EQ(Board(0, 300), RGB(180, 140, 230));
}

}  // namespace
