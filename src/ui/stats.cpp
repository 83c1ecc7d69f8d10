// The stats panel on the left of the screen: the card table, this set's results, the balance,
// the lifetime totals and the two notices, laid out as a step list.
#include <algorithm>
#include <cstdio>

#include "state/draw_view.h"
#include "state/game_state.h"
#include "ui/text.h"
#include "ui/ui.h"

// Rows are two pixels taller than the text, unless the panel is too short for 18 of them plus
// the fixed parts; never shorter than the text.
int64_t StatsRowHeight(int64_t panelH, int64_t tm) {
  int64_t rowH = tm + 2;
  rowH = std::min(rowH, (panelH - 218) / 18);
  return std::max(rowH, tm);
}

// The W/L pair ends 16 pixels inside the right edge, but never starts left of x + 172.
int64_t StatsPairX(int64_t x, int64_t w, double pairW) {
  const int64_t rx = RoundHalfEven(static_cast<double>(x + w - 12) - pairW - 4);
  return std::max(rx, x + 172);
}

// A signed amount of money: "+$25", "-$3" or "$0".
int FormatSignedAmount(int64_t a, char* buf, int size) {
  if (size <= 0) return 0;
  const uint64_t magnitude = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  const char* sign = a > 0 ? "+$" : a < 0 ? "-$" : "$";
  const int n =
      std::snprintf(buf, static_cast<size_t>(size), "%s%llu", sign, static_cast<unsigned long long>(magnitude));
  return std::clamp(n, 0, size - 1);
}

namespace {

constexpr Colour PanelGrey = RGB(192, 192, 192);
constexpr Colour BandGrey = RGB(150, 150, 160);
constexpr Colour StripeGrey = RGB(178, 178, 185);
constexpr Colour BandTitle = RGB(255, 255, 220);
constexpr Colour BandNote = RGB(200, 220, 255);
constexpr Colour CardName = RGB(20, 20, 100);
constexpr Colour WinGreen = RGB(0, 100, 0);
constexpr Colour LossRed = RGB(160, 0, 0);
constexpr Colour MoneyGreen = RGB(20, 80, 20);
constexpr Colour Gold = RGB(255, 215, 0);
constexpr Colour HintGrey = RGB(90, 90, 105);

// Writes the panel's steps section by section, from the top down.
struct StatsWriter {
  PanelSteps& out;
  const GameState& g;
  const DrawView& view;  // the card rows
  int64_t x, w, font, rowH;
  int64_t cy = 0;  // top of the next row
  TextBuf t{};
  char amount[32] = {};

  void Text(double tx, double ty, std::string_view s, Colour c) { out.AddText(tx, ty, s, c, font); }
  void Dollars(double tx, double ty, int64_t v, Colour c) {
    t.clear();
    t << "$" << v;
    Text(tx, ty, t.view(), c);
  }
  void Number(double tx, double ty, int64_t v, Colour c) {
    t.clear();
    t << v;
    Text(tx, ty, t.view(), c);
  }
  void Signed(double tx, double ty, int64_t v, Colour c) {
    const int n = FormatSignedAmount(v, amount, sizeof amount);
    Text(tx, ty, std::string_view(amount, n), c);
  }
  // A band across the panel h pixels high.
  void Band(int64_t h) { out.AddFill(x, cy, w, h, BandGrey); }
  // The grey stripe behind every second card's row.
  void Stripe(int64_t c) {
    if (c % 2 == 0) out.AddFill(x, cy - 2, w, rowH + 2, StripeGrey);
  }

  void Head(int64_t y, int64_t h);
  void CardTable();
  void ThisSet();
  void Balance();
  void Lifetime();
  void Notices();
  void Hint(int64_t y, int64_t h);
};

// The panel's ground, the title band with the bet, and the card table's column heads.
void StatsWriter::Head(int64_t y, int64_t h) {
  out.AddFill(x, y, w, h, PanelGrey);
  cy = y;
  Band(52);
  Text(x + 12, y + 7, "CARD STATS", BandTitle);
  t.clear();
  t << "Bet/Card: $" << g.BetPerCard;
  Text(x + 12, y + 27, t.view(), BandNote);

  cy = y + 58;
  const Colour head = RGB(30, 30, 30);
  Text(x + 12, cy, "Card", head);
  Text(x + 92, cy, "Picks", head);
  Text(x + 164, cy, "Hits", head);
  Text(x + 212, cy, "Win", head);
  cy += rowH;
}

// One row per card of the view: its picks, the hits its draw counts and what the draw paid it.
void StatsWriter::CardTable() {
  for (int64_t c = 1; c <= CardCount; ++c) {
    Stripe(c);
    t.clear();
    t << "Card " << c;
    Text(x + 12, cy, t.view(), CardName);
    t.clear();
    const DrawViewCard& card = view.Cards[c];
    t << card.PickCount << "/" << MaxPicks;
    Text(x + 92, cy, t.view(), RGB(40, 40, 40));
    Number(x + 164, cy, card.HitCount, card.HitCount > 0 ? WinGreen : RGB(60, 60, 60));
    if (card.Win > 0) {
      Dollars(x + 212, cy, card.Win, LossRed);
    } else {
      Text(x + 212, cy, "-", RGB(110, 110, 110));
    }
    cy += rowH;
  }
}

// This set: each card's net and its wins and losses, then the set's wins, costs, profit and runs.
void StatsWriter::ThisSet() {
  cy += 6;
  Band(50);
  Text(x + 12, cy + 6, "THIS SET WIN/LOSS", BandTitle);
  Text(x + 12, cy + 27, "(per card)", BandNote);
  cy += 54;

  for (int64_t c = 1; c <= CardCount; ++c) {
    Stripe(c);
    t.clear();
    t << "Card " << c << ":";
    Text(x + 12, cy, t.view(), CardName);
    const int64_t net = g.CardNet[c];
    Signed(x + 82, cy, net, net > 0 ? RGB(20, 100, 20) : net < 0 ? RGB(150, 0, 0) : RGB(80, 80, 80));

    TextBuf pair;
    pair << g.CardWins[c] << "W ";
    const size_t winsLen = pair.view().size();
    pair << g.CardLosses[c] << "L";
    const std::string_view wins = pair.view().substr(0, winsLen);
    const std::string_view losses = pair.view().substr(winsLen);
    const int64_t rx = StatsPairX(x, w, StringWidth(pair.view()));
    Text(static_cast<double>(rx), cy, wins, WinGreen);
    Text(static_cast<double>(rx) + StringWidth(wins), cy, losses, LossRed);
    cy += rowH;
  }

  cy += 6;
  out.AddLine(x + 12, cy, w - 24, 1, RGB(140, 140, 150));
  cy += 6;

  Text(x + 12, cy, "Wins:", WinGreen);
  Dollars(x + 92, cy, g.SetWon, WinGreen);
  cy += rowH;
  Text(x + 12, cy, "Costs:", LossRed);
  Dollars(x + 92, cy, g.SetCost, LossRed);
  cy += rowH;
  const int64_t profit = g.SetWon - g.SetCost;
  const Colour profitColour = profit > 0 ? WinGreen : profit < 0 ? LossRed : RGB(20, 20, 20);
  Text(x + 12, cy, "Profit:", profitColour);
  Signed(x + 92, cy, profit, profitColour);
  cy += rowH;
  const Colour runs = RGB(20, 20, 80);
  Text(x + 12, cy, "Runs:", runs);
  Number(x + 92, cy, g.SetDraws, runs);
  cy += rowH + 6;
}

// The balance band and the balance.
void StatsWriter::Balance() {
  Band(34);
  Text(x + 12, cy + 9, "BALANCE", BandTitle);
  cy += 38;
  Dollars(x + 12, cy, g.Balance, MoneyGreen);
  cy += rowH + 6;
}

// The lifetime band and the amounts won and bet under each schedule.
void StatsWriter::Lifetime() {
  Band(34);
  Text(x + 12, cy + 9, "LIFETIME", BandTitle);
  cy += 38;
  Text(x + 12, cy, "GEN W:", WinGreen);
  Dollars(x + 102, cy, g.LifetimeGenWon, MoneyGreen);
  cy += rowH;
  Text(x + 12, cy, "GEN L:", LossRed);
  Dollars(x + 102, cy, g.LifetimeGenCost, LossRed);
  cy += rowH + 4;
  Text(x + 12, cy, "CAS W:", WinGreen);
  Dollars(x + 102, cy, g.LifetimeCasWon, MoneyGreen);
  cy += rowH;
  Text(x + 12, cy, "CAS L:", LossRed);
  Dollars(x + 102, cy, g.LifetimeCasCost, LossRed);
  cy += rowH;
}

// The progressive pot while a card qualifies, and the status line (a consolation, an export) while it shows.
void StatsWriter::Notices() {
  if (g.ProgressiveEligible) {
    cy += 6;
    const int64_t bh = 2 * rowH + 10;
    out.AddFill(x, cy, w, bh, RGB(40, 30, 10));
    Text(x + 12, cy + 4, "PROGRESSIVE JACKPOT", Gold);
    Dollars(x + 12, cy + rowH + 6, static_cast<int64_t>(g.ProgressivePot), Gold);
    cy += bh;
  }

  if (!g.StatusMessage.empty()) {
    cy += 8;
    const int64_t bh = 2 * rowH + 8;
    out.AddFill(x, cy, w, bh, RGB(70, 44, 0));
    out.AddFill(x, cy, w, 2, Gold);
    Text(x + 12, cy + 4, g.StatusKind == StatusExport ? "HISTORY EXPORTED" : "CONSOLATION", Gold);
    Text(x + 12, cy + rowH + 6, g.StatusMessage, RGB(255, 235, 160));
    cy += bh;
  }
}

// The way into the history, on the panel's last row; left out when the notices reach that row.
void StatsWriter::Hint(int64_t y, int64_t h) {
  const int64_t hy = y + h - rowH - 6;
  if (cy + 4 > hy) return;
  Text(x + 12, hy, "right-click: history (H)", HintGrey);
}

}  // namespace

// Lays out the whole panel: the card rows from the view, the rest from the game state.
void BuildStatsPanel(PanelSteps& out, const DrawView& view) {
  out.Clear();
  const GameState& g = Game;
  SetFont(g.FontButton);
  const int64_t tm = RoundHalfEven(StringHeight("M"));
  StatsWriter writer{out, g, view, g.StatsPanelX, g.StatsPanelW, g.FontButton, StatsRowHeight(g.StatsPanelH, tm)};
  writer.Head(g.StatsPanelY, g.StatsPanelH);
  writer.CardTable();
  writer.ThisSet();
  writer.Balance();
  writer.Lifetime();
  writer.Notices();
  writer.Hint(g.StatsPanelY, g.StatsPanelH);
}

// The whole panel with the live game's card rows.
void BuildStatsPanel(PanelSteps& out) {
  DrawView view;
  FillLiveDrawView(view);
  BuildStatsPanel(out, view);
}

// The stats panel, redrawn every frame.
void DrawStatsPanel(const DrawView& view) {
  static PanelSteps steps;
  BuildStatsPanel(steps, view);
  DrawPanelSteps(steps);
}
