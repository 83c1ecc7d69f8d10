// The two overlays drawn over the number board: the pay table and the About & Rules page.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "state/game_state.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr Colour Gold = RGB(255, 215, 0);
constexpr Colour PayHeaderFill = RGB(40, 40, 65);
constexpr Colour AboutBand = RGB(50, 30, 85);

struct AboutSection {
  const char* heading;
  const char* lines[5];
};

// The rules page, section by section; a null line ends a section early.
constexpr AboutSection AboutSections[] = {
    {"HOW TO PLAY",
     {"- Pick 1-12 numbers on up to 4 cards. Main tab shows all cards combined.",
      "- Set Bet/Card ($1-$10) and Speed. Click Draw Numbers — 20 balls drawn each round.",
      "- Press SPACE to draw. Hold SPACE or Draw button 1 second to auto-run. Press again to stop."}},
    {"CELL COLORS",
     {"- Blue=idle, Purple=your pick, Red=drawn, Green=HIT. Yellow X marks every hit cell.",
      "- Main tab: white asterisk = number on 2+ cards. Black asterisk = that number was also drawn.",
      "- After a draw you may click any cell on any card to add or remove picks."}},
    {"AUTO-PICK & HEAT MAP",
     {"- L-Click Auto-Pick: fills active card with hottest numbers from draw history.",
      "- R-Click Auto-Pick: fills active card with random numbers (same spot count).",
      "- Heat Map: right-click Main tab to toggle. Blue=cold, orange=hot. Dot on tab = active."}},
    {"COPY CARD", {"- Right-click any Card 1-4 tab to copy its picks to another card."}},
    {"WINS, JACKPOTS & PAYOUTS",
     {"- Payout Table: click to view. Right-click button to toggle GENEROUS / CASINO modes.",
      "- Lifetime stats: GEN W/L for Generous mode, CAS W/L for Casino mode.",
      "- Jackpot: all picks on a card drawn — auto-run stops, pop-up shown. 5+ spots = fanfare.",
      "- Progressive: 10-12 spot full match wins the growing pot ($25K seed, +$2/qualifying card).",
      "- Consolation: all cards 7+ picks, 15+ distinct numbers, zero hits = $1,000 free."}},
    {"CONTROLS",
     {"- Speed 1-5: Slowest to Fastest. At Fast & Fastest, no pause between auto-run games.",
      "- Bet/Card $1-$10: click left half = decrease, right half = increase.",
      "- Sound toggles audio. ESC saves and exits. SPACE = draw (hold 1s = auto-run)."}},
    {"NEW GAME", {"- YES = clear picks only. NO = full reset to $1,000, all stats wiped. CANCEL = Cancel."}},
    {"BALANCE & STATS",
     {"- Start with $1,000. If balance drops below draw cost, add $1,000 or save-and-quit.",
      "- Stats panel: per-card picks/hits/win, set net W/L, balance, runs, lifetime totals."}},
    {"PERSISTENCE",
     {"- Saves keno_save.dat at each draw, on exit and on changes: picks, balance, stats, pot.",
      "- Every draw is kept in keno_history.sqlite3. Press H or right-click stats for History."}},
};

}  // namespace

// A cell amount in whole dollars, rounded down to thousands or millions when that large.
int FormatPayCell(int64_t a, char* buf, int size) {
  if (size <= 0) return 0;
  int n;
  if (a <= 0) {
    n = std::snprintf(buf, static_cast<size_t>(size), "-");
  } else if (a >= 1000000) {
    n = std::snprintf(buf, static_cast<size_t>(size), "$%lldM", static_cast<long long>(a / 1000000));
  } else if (a >= 1000) {
    n = std::snprintf(buf, static_cast<size_t>(size), "$%lldK", static_cast<long long>(a / 1000));
  } else {
    n = std::snprintf(buf, static_cast<size_t>(size), "$%lld", static_cast<long long>(a));
  }
  return std::clamp(n, 0, size - 1);
}

// Warmer colours for larger dollar amounts; the dim grey of an empty cell for 0.
Colour PayCellColour(int64_t a) {
  if (a >= 100000) return RGB(255, 80, 80);
  if (a >= 10000) return RGB(255, 140, 50);
  if (a >= 1000) return RGB(255, 210, 60);
  if (a >= 100) return RGB(100, 220, 100);
  if (a >= 1) return RGB(170, 170, 210);
  return RGB(55, 55, 75);
}

// Row height, picks column and hits column widths of the pay table for a board size.
PayTableGeometry PayTableGeometryFor(int64_t boardW, int64_t boardH) {
  PayTableGeometry g{};
  g.rowH = std::clamp<int64_t>((boardH - 26) / 14, 16, 38);
  const int64_t k = std::max<int64_t>(g.rowH * 32 / 100, 9);
  g.colP = std::max<int64_t>(5 * k, 50);
  g.colW = std::max<int64_t>((boardW - g.colP) / 12, 40);
  return g;
}

// Line spacing of the rules page: the 33 lines share what the bands and gaps leave, within 13..24.
int64_t AboutLineHeight(int64_t boardH) { return std::clamp<int64_t>((boardH - 124) / 33, 13, 24); }

// Lays out the pay table of the active schedule at the current bet over the board.
void BuildPayTableOverlay(PanelSteps& out) {
  out.Clear();
  const GameState& g = Game;
  if (!g.PayTableOpen) return;
  const int64_t x = g.BoardRect.x, y = g.BoardRect.y, w = g.BoardRect.w, h = g.BoardRect.h;
  const PayTableGeometry geo = PayTableGeometryFor(w, h);
  const int64_t rowH = geo.rowH, colP = geo.colP, colW = geo.colW;
  auto cx = [&](int64_t j) { return static_cast<double>(x + colP + (j - 1) * colW); };

  out.AddFill(x, y, w, h, RGB(18, 18, 32));
  out.AddFill(x, y, w, 2, Gold);
  out.AddFill(x, y + h - 2, w, 2, Gold);
  out.AddFill(x, y, 2, h, Gold);
  out.AddFill(x + w - 2, y, 2, h, Gold);
  out.AddFill(x, y, w, rowH, PayHeaderFill);

  const int64_t font = g.FontOverlay;
  SetFont(font);
  const int64_t th = RoundHalfEven(StringHeight("A"));
  const int64_t ty = (rowH - th) / 2;
  auto centred = [&](double left, double width, double top, std::string_view s, Colour c) {
    out.AddText(left + (width - StringWidth(s)) / 2, top, s, c, font);
  };

  centred(static_cast<double>(x), static_cast<double>(colP), static_cast<double>(y + ty), "Picks", Gold);
  TextBuf t;
  for (int64_t j = 1; j <= MaxPicks; ++j) {
    t.clear();
    t << j << " hit";
    centred(cx(j), static_cast<double>(colW), static_cast<double>(y + ty), t.view(), RGB(160, 195, 255));
  }

  out.AddFill(x, y + rowH, w, rowH, RGB(30, 30, 52));
  const double by = static_cast<double>(y + rowH + (rowH - th) / 2);
  t.clear();
  t << "Bet/Card: $" << g.BetPerCard;
  out.AddText(static_cast<double>(x + colP), by, t.view(), Gold, font);
  const std::string_view title = g.PayMode == 0 ? "GENEROUS payouts" : "CASINO payouts";
  const Colour titleColour = g.PayMode == 0 ? RGB(120, 255, 120) : RGB(255, 120, 120);
  out.AddText(static_cast<double>(x + w) - StringWidth(title) - 10, by, title, titleColour, font);

  char cell[32];
  for (int64_t i = 1; i <= MaxPicks; ++i) {
    const int64_t ry = y + 2 * rowH + (i - 1) * rowH;
    out.AddFill(x, ry, w, rowH, i % 2 == 1 ? RGB(20, 20, 36) : RGB(26, 26, 44));
    out.AddFill(x, ry, 3, rowH, RGB(70, 70, 100));
    const double tr = static_cast<double>(ry + (rowH - th) / 2);
    t.clear();
    t << i;
    centred(static_cast<double>(x), static_cast<double>(colP), tr, t.view(), Gold);
    for (int64_t j = 1; j <= i; ++j) {
      const int64_t a = g.PayActive[i][j] * g.BetPerCard;
      const int n = FormatPayCell(a, cell, sizeof cell);
      centred(cx(j), static_cast<double>(colW), tr, std::string_view(cell, n), PayCellColour(a));
    }
  }

  out.AddFill(x, y + h - 26, w, 26, PayHeaderFill);
  out.AddText(static_cast<double>(x + 8), static_cast<double>(y + h - 26) + (26 - static_cast<double>(th)) / 2,
              "K=thousands  M=millions.  Click anywhere to close.", RGB(140, 155, 175), font);
}

// Lays out the About & Rules page over the board.
void BuildAboutOverlay(PanelSteps& out) {
  out.Clear();
  const GameState& g = Game;
  if (!g.AboutOpen) return;
  const int64_t X = g.BoardRect.x, Y = g.BoardRect.y, W = g.BoardRect.w, H = g.BoardRect.h;
  const double left = static_cast<double>(X + 18);
  const int64_t lineH = AboutLineHeight(H);

  out.AddFill(X, Y, W, H, RGB(22, 22, 45));
  const Colour frame = RGB(180, 140, 230);
  out.AddFill(X, Y, W, 2, frame);
  out.AddFill(X, Y + H - 2, W, 2, frame);
  out.AddFill(X, Y, 2, H, frame);
  out.AddFill(X + W - 2, Y, 2, H, frame);
  out.AddFill(X, Y, W, 52, AboutBand);

  const Colour headingColour = RGB(255, 220, 140);
  out.AddText(left, static_cast<double>(Y + 7), "Brindlemark by Vorbel 6.40", headingColour, g.FontHeading);
  out.AddText(left, static_cast<double>(Y + 30), "About & Rules", headingColour, g.FontHeading);

  const int64_t font = g.FontOverlay;
  int64_t ty = Y + 52 + 6;
  out.AddText(left, static_cast<double>(ty), "Brindlemark by Vorbel — fully standalone, no external dependencies.",
              RGB(255, 255, 200), font);
  ty += lineH + 6;
  const int sections = static_cast<int>(std::size(AboutSections));
  for (int s = 0; s < sections; ++s) {
    out.AddText(left, static_cast<double>(ty), AboutSections[s].heading, RGB(160, 220, 255), font);
    ty += lineH;
    for (const char* line : AboutSections[s].lines) {
      if (!line) break;
      out.AddText(left, static_cast<double>(ty), line, RGB(220, 220, 230), font);
      ty += lineH;
    }
    if (s + 1 < sections) ty += 4;
  }

  out.AddFill(X, Y + H - 28, W, 28, AboutBand);
  SetFont(font);
  out.AddText(left, static_cast<double>(Y + H - 28) + (28 - StringHeight("A")) / 2, "Click anywhere to close.",
              RGB(200, 180, 240), font);
}

// The pay table overlay, every frame while it is open.
void DrawPayTableOverlay() {
  if (!Game.PayTableOpen) return;
  static PanelSteps steps;
  BuildPayTableOverlay(steps);
  DrawPanelSteps(steps);
}

// The About & Rules overlay, every frame while it is open.
void DrawAboutOverlay() {
  if (!Game.AboutOpen) return;
  static PanelSteps steps;
  BuildAboutOverlay(steps);
  DrawPanelSteps(steps);
}
