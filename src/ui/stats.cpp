// The stats panel on the left of the screen, and the step lists that it and the two overlays are
// drawn from.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/game_state.h"
#include "ui/text.h"
#include "ui/ui.h"

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

}  // namespace

// A shape step in ModeOpaque: a filled rectangle or a one-pixel line.
static void AddShape(PanelSteps& list, PanelStep::Kind kind, int64_t x, int64_t y, int64_t w, int64_t h,
                     Colour colour) {
  if (list.count >= PanelSteps::MaxSteps) return;
  PanelStep& s = list.steps[list.count++];
  s = PanelStep{};
  s.kind = kind;
  s.mode = ModeOpaque;
  s.colour = colour;
  s.x = static_cast<double>(x);
  s.y = static_cast<double>(y);
  s.w = w;
  s.h = h;
}

void PanelSteps::AddFill(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  AddShape(*this, PanelStep::Fill, x, y, w, h, colour);
}

void PanelSteps::AddLine(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  AddShape(*this, PanelStep::Line, x, y, w, h, colour);
}

void PanelSteps::AddText(double x, double y, std::string_view text, Colour colour, int64_t font) {
  if (count >= MaxSteps) return;
  const size_t room = static_cast<size_t>(TextBytes - textUsed);
  const size_t n = std::min(text.size(), room);
  char* copy = textStore + textUsed;
  if (n > 0) std::memcpy(copy, text.data(), n);
  textUsed += static_cast<int>(n);
  PanelStep& s = steps[count++];
  s = PanelStep{};
  s.kind = PanelStep::Text;
  s.mode = ModeTransparentText;
  s.colour = colour;
  s.font = font;
  s.x = x;
  s.y = y;
  s.text = std::string_view(copy, n);
}

const PanelStep* PanelSteps::FindText(std::string_view text, int nth) const {
  for (int i = 0; i < count; ++i) {
    if (steps[i].kind == PanelStep::Text && steps[i].text == text && nth-- == 0) return &steps[i];
  }
  return nullptr;
}

// Draws a step list, setting mode, pen and font for every step.
void DrawPanelSteps(const PanelSteps& list) {
  for (int i = 0; i < list.count; ++i) {
    const PanelStep& s = list.steps[i];
    SetDrawMode(s.mode);
    SetPenColor(s.colour);
    switch (s.kind) {
      case PanelStep::Fill:
        DrawRect(static_cast<int64_t>(s.x), static_cast<int64_t>(s.y), s.w, s.h);
        break;
      case PanelStep::Line:
        DrawLineWH(static_cast<int64_t>(s.x), static_cast<int64_t>(s.y), s.w, s.h);
        break;
      case PanelStep::Text:
        SetFont(s.font);
        DrawString(s.x, s.y, s.text);
        break;
    }
  }
}

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

// Lays out the whole panel from the game state.
void BuildStatsPanel(PanelSteps& out) {
  out.Clear();
  const GameState& g = Game;
  const int64_t x = g.StatsPanelX, y = g.StatsPanelY, w = g.StatsPanelW, h = g.StatsPanelH;
  const int64_t font = g.FontButton;
  SetFont(font);
  const int64_t tm = RoundHalfEven(StringHeight("M"));
  const int64_t rowH = StatsRowHeight(h, tm);
  TextBuf t;
  char amount[32];
  auto text = [&](double tx, double ty, std::string_view s, Colour c) { out.AddText(tx, ty, s, c, font); };
  auto dollars = [&](int64_t v) -> std::string_view {
    t.clear();
    t << "$" << v;
    return t.view();
  };
  auto number = [&](int64_t v) -> std::string_view {
    t.clear();
    t << v;
    return t.view();
  };

  out.AddFill(x, y, w, h, PanelGrey);
  out.AddFill(x, y, w, 52, BandGrey);
  text(x + 12, y + 7, "CARD STATS", BandTitle);
  t.clear();
  t << "Bet/Card: $" << g.BetPerCard;
  text(x + 12, y + 27, t.view(), BandNote);

  int64_t cy = y + 58;
  const Colour head = RGB(30, 30, 30);
  text(x + 12, cy, "Card", head);
  text(x + 92, cy, "Picks", head);
  text(x + 164, cy, "Hits", head);
  text(x + 212, cy, "Win", head);
  cy += rowH;

  for (int64_t c = 1; c <= CardCount; ++c) {
    if (c % 2 == 0) out.AddFill(x, cy - 2, w, rowH + 2, StripeGrey);
    t.clear();
    t << "Card " << c;
    text(x + 12, cy, t.view(), CardName);
    t.clear();
    t << g.Cards[c].PickCount << "/" << MaxPicks;
    text(x + 92, cy, t.view(), RGB(40, 40, 40));
    const int64_t hits = g.Cards[c].HitCount;
    text(x + 164, cy, number(hits), hits > 0 ? WinGreen : RGB(60, 60, 60));
    if (g.CardWin[c] > 0) {
      text(x + 212, cy, dollars(g.CardWin[c]), LossRed);
    } else {
      text(x + 212, cy, "-", RGB(110, 110, 110));
    }
    cy += rowH;
  }

  cy += 6;
  out.AddFill(x, cy, w, 50, BandGrey);
  text(x + 12, cy + 6, "THIS SET WIN/LOSS", BandTitle);
  text(x + 12, cy + 27, "(per card)", BandNote);
  cy += 54;

  for (int64_t c = 1; c <= CardCount; ++c) {
    if (c % 2 == 0) out.AddFill(x, cy - 2, w, rowH + 2, StripeGrey);
    t.clear();
    t << "Card " << c << ":";
    text(x + 12, cy, t.view(), CardName);
    const int64_t net = g.CardNet[c];
    const int n = FormatSignedAmount(net, amount, sizeof amount);
    text(x + 82, cy, std::string_view(amount, n),
         net > 0   ? RGB(20, 100, 20)
         : net < 0 ? RGB(150, 0, 0)
                   : RGB(80, 80, 80));

    TextBuf pair;
    pair << g.CardWins[c] << "W ";
    const size_t winsLen = pair.view().size();
    pair << g.CardLosses[c] << "L";
    const std::string_view wins = pair.view().substr(0, winsLen);
    const std::string_view losses = pair.view().substr(winsLen);
    const int64_t rx = StatsPairX(x, w, StringWidth(pair.view()));
    text(static_cast<double>(rx), cy, wins, WinGreen);
    text(static_cast<double>(rx) + StringWidth(wins), cy, losses, LossRed);
    cy += rowH;
  }

  cy += 6;
  out.AddLine(x + 12, cy, w - 24, 1, RGB(140, 140, 150));
  cy += 6;

  text(x + 12, cy, "Wins:", WinGreen);
  text(x + 92, cy, dollars(g.SetWon), WinGreen);
  cy += rowH;
  text(x + 12, cy, "Costs:", LossRed);
  text(x + 92, cy, dollars(g.SetCost), LossRed);
  cy += rowH;
  const int64_t profit = g.SetWon - g.SetCost;
  const Colour profitColour = profit > 0 ? WinGreen : profit < 0 ? LossRed : RGB(20, 20, 20);
  text(x + 12, cy, "Profit:", profitColour);
  const int n = FormatSignedAmount(profit, amount, sizeof amount);
  text(x + 92, cy, std::string_view(amount, n), profitColour);
  cy += rowH;
  const Colour runs = RGB(20, 20, 80);
  text(x + 12, cy, "Runs:", runs);
  text(x + 92, cy, number(g.SetDraws), runs);
  cy += rowH + 6;

  out.AddFill(x, cy, w, 34, BandGrey);
  text(x + 12, cy + 9, "BALANCE", BandTitle);
  cy += 38;
  text(x + 12, cy, dollars(g.Balance), MoneyGreen);
  cy += rowH + 6;

  out.AddFill(x, cy, w, 34, BandGrey);
  text(x + 12, cy + 9, "LIFETIME", BandTitle);
  cy += 38;
  text(x + 12, cy, "GEN W:", WinGreen);
  text(x + 102, cy, dollars(g.LifetimeGenWon), MoneyGreen);
  cy += rowH;
  text(x + 12, cy, "GEN L:", LossRed);
  text(x + 102, cy, dollars(g.LifetimeGenCost), LossRed);
  cy += rowH + 4;
  text(x + 12, cy, "CAS W:", WinGreen);
  text(x + 102, cy, dollars(g.LifetimeCasWon), MoneyGreen);
  cy += rowH;
  text(x + 12, cy, "CAS L:", LossRed);
  text(x + 102, cy, dollars(g.LifetimeCasCost), LossRed);
  cy += rowH;

  if (g.ProgressiveEligible) {
    cy += 6;
    const int64_t bh = 2 * rowH + 10;
    out.AddFill(x, cy, w, bh, RGB(40, 30, 10));
    text(x + 12, cy + 4, "PROGRESSIVE JACKPOT", Gold);
    text(x + 12, cy + rowH + 6, dollars(static_cast<int64_t>(g.ProgressivePot)), Gold);
    cy += bh;
  }

  if (!g.StatusMessage.empty()) {
    cy += 8;
    const int64_t bh = 2 * rowH + 8;
    out.AddFill(x, cy, w, bh, RGB(70, 44, 0));
    out.AddFill(x, cy, w, 2, Gold);
    text(x + 12, cy + 4, "CONSOLATION", Gold);
    text(x + 12, cy + rowH + 6, g.StatusMessage, RGB(255, 235, 160));
  }
}

// The stats panel, redrawn every frame from the state.
void DrawStatsPanel() {
  static PanelSteps steps;
  BuildStatsPanel(steps);
  DrawPanelSteps(steps);
}
