// The accessible items of the screen and the announcements, built from the state into fixed
// buffers (no heap), and handed to the platform only when something they show has changed.
#include "ui/accessible.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/panel_steps.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr const char* SpeedNames[SpeedCount + 1] = {"", "Slowest", "Slow", "Medium", "Fast", "Fastest"};
constexpr std::string_view TabNames[TabCount] = {"Main", "Card 1", "Card 2", "Card 3", "Card 4"};

// The list being built and what was handed over last; the steps of a panel being read.
struct AccessibleBook {
  AccessibleItem items[AccessibleItemCapacity];
  int64_t count = 0;
  uint64_t handedKey = 0;    // the content key of the list handed over
  bool handed = false;       // a list has been handed over
  int64_t focus = -1;        // the focused item as set, a fixed place or one of the stand-ins
  int64_t focusTold = -1;    // the item last told to the platform as focused
  bool focusKnown = false;   // focusTold has been told
  int64_t selectedRow = -1;  // the History list's selected row item, as last built; -1 none
  int64_t banner = -1;       // the recall banner's item, as last built; -1 none
  PanelSteps steps;
  // What the announcements have told.
  bool started = false;
  int64_t ballsTold = 0;      // balls of the current draw announced
  int64_t drawFirstBall = 0;  // the first ball of the draw they belong to
  int64_t wasDrawing = 0;     // Drawing at the last update
  char statusTold[160] = {};  // the status line last announced
  int64_t recallTold = 0;     // the recalled draw last announced, 0 none
};
AccessibleBook book;

// FNV-1a over the bytes of what the items show.
struct ContentKey {
  uint64_t h = 1469598103934665603ull;
  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  template <class T>
  void Add(const T& v) {
    Bytes(&v, sizeof v);
  }
};

// Everything the list is built from: the layout, the controls' values, the picks and the draw,
// the figures of the stats panel, the status line and the open overlay.
uint64_t KeyOfScreen(const DrawView& view) {
  const GameState& g = Game;
  ContentKey k;
  k.Add(g.ScreenW);
  k.Add(g.ScreenH);
  for (const Rect* r :
       {&g.DrawButtonRect, &g.NewGameButtonRect, &g.PayTableButtonRect, &g.SpeedButtonRect, &g.BetButtonRect,
        &g.SoundButtonRect, &g.AutoPickButtonRect, &g.AboutButtonRect, &g.TabBarRect, &g.BoardRect})
    k.Add(*r);
  for (int64_t v : {g.BallsPanelX,
                    g.BallsPanelY,
                    g.BallsPanelW,
                    g.BallsPanelH,
                    g.StatsPanelX,
                    g.StatsPanelY,
                    g.StatsPanelW,
                    g.StatsPanelH,
                    g.Balance,
                    g.BetSelection,
                    g.BetPerCard,
                    g.PayMode,
                    g.Speed,
                    g.AutoRun,
                    g.Drawing,
                    g.DrawButtonDown,
                    g.ActiveTab,
                    g.HeatMapOn,
                    g.PayTableOpen,
                    g.AboutOpen,
                    static_cast<int64_t>(g.SoundOn),
                    g.SetCost,
                    g.SetWon,
                    g.SetDraws,
                    g.LifetimeGenWon,
                    g.LifetimeGenCost,
                    g.LifetimeCasWon,
                    g.LifetimeCasCost,
                    static_cast<int64_t>(g.ProgressivePot)})
    k.Add(v);
  k.Add(view);
  k.Add(g.CardNet);
  k.Add(g.CardWins);
  k.Add(g.CardLosses);
  k.Bytes(g.StatusMessage.data(), g.StatusMessage.size());
  // Recall and the History overlay: what they show and where.
  const RecallState& r = Recall;
  for (int64_t v : {r.Open, r.DrawId, r.Tab}) k.Add(v);
  if (r.Open == 1) {
    k.Add(r.BannerRect);
    k.Add(r.Banner);
  }
  const HistoryState& h = History;
  for (int64_t v : {h.Open, h.Failed, h.Draws, h.Top, h.Selected, h.RowCount, h.ChartStale}) k.Add(v);
  if (h.Open == 1) {
    k.Add(h.Totals);
    for (int64_t i = 0; i < h.RowCount; ++i) k.Add(h.Rows[i].DrawId);
    k.Add(h.ChartRect);
  }
  return k.h;
}

// The tab shown: recall's own while a past draw is recalled, the live one otherwise.
int64_t ShownTab() { return Recall.Open == 1 ? Recall.Tab : Game.ActiveTab; }

// Copies a text into a fixed field, cut to fit.
void CopyText(char* field, size_t size, std::string_view text) {
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  if (n > 0) std::memcpy(field, text.data(), n);  // an empty view may hold no pointer at all
  field[n] = 0;
}

// Appends one item; nullptr when the list is full.
AccessibleItem* AddItem(int64_t role, int64_t parent, const Rect& r, std::string_view name,
                        std::string_view description = {}, int64_t actions = 0, int64_t states = 0) {
  if (book.count >= AccessibleItemCapacity) return nullptr;
  AccessibleItem& item = book.items[book.count++];
  item.role = role;
  item.parent = parent;
  item.x = r.x;
  item.y = r.y;
  item.w = r.w;
  item.h = r.h;
  item.states = states;
  item.actions = actions;
  item.row = item.column = -1;
  CopyText(item.name, sizeof item.name, name);
  CopyText(item.description, sizeof item.description, description);
  return &item;
}

// A longer text than TextBuf holds, for descriptions.
class LongText {
 public:
  LongText& operator<<(std::string_view s) {
    for (char ch : s) {
      if (len_ + 1 >= static_cast<int>(sizeof data_)) break;
      data_[len_++] = ch;
    }
    data_[len_] = 0;
    return *this;
  }
  LongText& operator<<(int64_t v) {
    TextBuf t;
    t << v;
    return *this << t.view();
  }
  std::string_view view() const { return {data_, static_cast<size_t>(len_)}; }

 private:
  char data_[AccessibleDescriptionBytes] = {};
  int len_ = 0;
};

// The eight controls, with the text each shows and what its clicks do.
void AddControls() {
  const GameState& g = Game;
  const std::string_view draw = g.AutoRun != 0 ? "STOP AUTO" : g.Drawing != 0 ? "Drawing..." : "Draw Numbers";
  AddItem(RolePushButton, -1, g.DrawButtonRect, draw,
          "Click: draw 20 balls, or stop auto-run. Hold for 1 second: auto-run. Space does the same.", ActionClick);
  AddItem(RolePushButton, -1, g.NewGameButtonRect, "New Game (Clears Cards)",
          "Click: start a new game; the cards are cleared.", ActionClick);
  AddItem(RolePushButton, -1, g.PayTableButtonRect, g.PayMode == 0 ? "Payout Table, GENEROUS" : "Payout Table, CASINO",
          "Click: show the payout table. Right-click: swap the pay schedule.", ActionClick | ActionMenu);
  TextBuf speed;
  speed << "Speed, " << (g.Speed >= 1 && g.Speed <= SpeedCount ? SpeedNames[g.Speed] : "");
  AddItem(RolePushButton, -1, g.SpeedButtonRect, speed.view(),
          "Click the left half: slower. Click the right half: faster.", ActionClick | ActionDecrease | ActionIncrease);
  TextBuf bet;
  bet << "Bet/Card, $" << g.BetSelection << " per Card";
  AddItem(RolePushButton, -1, g.BetButtonRect, bet.view(),
          "Click the left half: lower the bet. Click the right half: raise it.",
          ActionClick | ActionDecrease | ActionIncrease);
  AddItem(RolePushButton, -1, g.SoundButtonRect, g.SoundOn != 0 ? "Sound, ON" : "Sound, MUTED",
          "Click: turn the sound on or off.", ActionClick);
  TextBuf pick;
  const int64_t tab = ShownTab();
  if (tab >= 1 && tab <= CardCount) {
    const int64_t picks = g.Cards[tab].PickCount;
    pick << "Pick: Card " << tab << " (" << (picks == 0 ? 8 : picks) << ")";
  } else {
    pick << "Auto-Pick";
  }
  AddItem(RolePushButton, -1, g.AutoPickButtonRect, pick.view(),
          "Click: pick the hot numbers on the card shown. Right-click: pick random numbers.", ActionClick | ActionMenu);
  AddItem(RolePushButton, -1, g.AboutButtonRect, "About & Rules", "Click: show the rules.", ActionClick);
}

// The tab strip and its five tabs, sliced as clicks find them (the remainder to the last).
void AddTabs() {
  const Rect& bar = Game.TabBarRect;
  AddItem(RolePageTabList, -1, bar, "Tabs");
  const int64_t tw = bar.w / TabCount;
  for (int64_t t = 0; t < TabCount; ++t) {
    const Rect r{bar.x + t * tw, bar.y, t == TabCount - 1 ? bar.w - t * tw : tw, bar.h};
    const bool selected = t == ShownTab();
    AddItem(RolePageTab, AccessibleTabList, r, TabNames[t],
            t == 0 ? "Click: show every card's picks." : "Click: show this card. Right-click: copy a card onto it.",
            t == 0 ? ActionClick : ActionClick | ActionMenu, StateSelectable | (selected ? StateSelected : 0));
  }
}

// The board as a table of 10 columns and 8 rows, each cell named by its number.
void AddBoard(const DrawView& view) {
  const GameState& g = Game;
  const int64_t card = ShownTab();
  const bool onCard = card >= 1 && card <= CardCount;
  TextBuf name;
  name << (Recall.Open == 1 ? "Recalled board, " : "Board, ") << TabNames[card >= 0 && card < TabCount ? card : 0];
  AddItem(RoleTable, -1, g.BoardRect, name.view(),
          onCard ? "Click a number: pick it, or take the pick back." : "Right-click: the heat map on or off.");
  for (int64_t n = 1; n <= NumberCount; ++n) {
    TextBuf number;
    number << n;
    LongText d;
    const bool drawn = view.Drawn[n] != 0;
    d << (drawn ? "drawn" : "not drawn");
    if (CellMarkOf(view, onCard ? card : 0, n) == CellMark::Hit) d << ", a hit";
    d << ", on " << static_cast<int64_t>(view.CardsPerNumber[n]) << (view.CardsPerNumber[n] == 1 ? " card" : " cards");
    const int64_t states = onCard ? StateCheckable | (view.Cards[card].Picked[n] != 0 ? StateChecked : 0) : 0;
    AccessibleItem* cell = AddItem(RoleTableCell, AccessibleBoard, CellRect(g.BoardRect, n), number.view(), d.view(),
                                   onCard ? ActionClick : ActionClick | ActionMenu, states);
    if (cell) {
      cell->row = (n - 1) / 10;
      cell->column = (n - 1) % 10;
    }
  }
}

// The texts of a panel's steps as labels, one a line: texts at the same height join, in order.
// A line spans the panel from its first text to the same margin on the right, one line of its
// font high; measuring only "A" keeps the text cache as the drawing leaves it.
void AddTextRows(int64_t parent, const Rect& panel) {
  const PanelSteps& s = book.steps;
  bool used[PanelSteps::MaxSteps] = {};
  for (int i = 0; i < s.count; ++i) {
    if (used[i] || s.steps[i].kind != PanelStep::Text) continue;
    const double rowY = s.steps[i].y;
    LongText line;
    double left = s.steps[i].x, lineH = 0;
    bool first = true;
    for (int j = i; j < s.count; ++j) {
      const PanelStep& st = s.steps[j];
      if (used[j] || st.kind != PanelStep::Text || std::fabs(st.y - rowY) > 0.5) continue;
      used[j] = true;
      SetFont(st.font);
      const double h = StringHeight("A");
      lineH = h > lineH ? h : lineH;
      left = st.x < left ? st.x : left;
      if (!first) line << " ";
      line << st.text;
      first = false;
    }
    const auto x = static_cast<int64_t>(std::floor(left));
    const auto y = static_cast<int64_t>(std::floor(rowY));
    const int64_t margin = x - panel.x;
    const int64_t w = panel.w - 2 * margin;
    const int64_t bottom = static_cast<int64_t>(std::ceil(rowY + lineH));
    const int64_t h = (bottom < panel.y + panel.h ? bottom : panel.y + panel.h) - y;
    AddItem(RoleLabel, parent, Rect{x, y, w > 1 ? w : 1, h > 1 ? h : 1}, line.view());
  }
}

// The stats panel: its lines of text as labels.
void AddStatsPanel(const DrawView& view) {
  const GameState& g = Game;
  const Rect panel{g.StatsPanelX, g.StatsPanelY, g.StatsPanelW, g.StatsPanelH};
  AddItem(RolePanel, -1, panel, "Statistics");
  book.steps.Clear();
  BuildStatsPanel(book.steps, view);
  AddTextRows(AccessibleStatsPanel, panel);
}

// The balls tube: the balls revealed, in order, each where it lies.
void AddBallsTube(const DrawView& view) {
  const GameState& g = Game;
  const int64_t list = book.count;
  AddItem(RoleList, -1, Rect{g.BallsPanelX, g.BallsPanelY, g.BallsPanelW, g.BallsPanelH}, "Balls drawn");
  const BallTubeGeometry geo = BallTubeGeometryFor(g.BallsPanelW, g.BallsPanelH);
  for (int64_t k = 1; k <= view.BallCount && k <= BallsPerDraw; ++k) {
    const BallSlot c = BallSlotCentre(g.BallsPanelW, g.BallsPanelH, k);
    TextBuf name;
    name << "Ball " << k << ": " << view.Balls[k];
    AddItem(RoleListItem, list,
            Rect{g.BallsPanelX + c.x - geo.r, g.BallsPanelY + c.y - geo.r, 2 * geo.r + 1, 2 * geo.r + 1}, name.view(),
            CountedOnAnyCard(view, view.Balls[k]) ? "a hit" : "a miss");
  }
}

// An open overlay: a panel over the board with its text, one label a line.
// The History overlay: its panel, the Export control, the totals (or why the ledger cannot be
// read), the chart, the list of draws with the selected one, and the keys' hint.
void AddHistory() {
  const HistoryState& h = History;
  const int64_t panel = book.count;
  AddItem(RolePanel, -1, h.PanelRect, "History",
          "Up and Down: select a draw. Enter: recall it. A: the chart's range. H or a click outside: close.",
          ActionClick);
  AddItem(RolePushButton, panel, h.ExportRect, "Export CSV...", "Click: save the whole history as a CSV file.",
          ActionClick);
  book.steps.Clear();
  BuildHistoryOverlay(book.steps);
  if (h.Failed == 1) {
    const PanelStep* error = book.steps.FindText(h.Error);
    const Rect r = error ? Rect{static_cast<int64_t>(error->x), static_cast<int64_t>(error->y), h.PanelRect.w / 2, 20}
                         : h.PanelRect;
    AddItem(RoleLabel, panel, r, h.Error);
    return;
  }
  // Each totals line reaches down to the next one, the last to the chart.
  const PanelStep* lines[HistoryTotalsLines];
  for (int64_t i = 0; i < HistoryTotalsLines; ++i) lines[i] = book.steps.FindText(h.Totals[i]);
  for (int64_t i = 0; i < HistoryTotalsLines; ++i) {
    if (lines[i] == nullptr) continue;
    const auto y = static_cast<int64_t>(lines[i]->y);
    const PanelStep* next = i + 1 < HistoryTotalsLines ? lines[i + 1] : nullptr;
    const int64_t bottom = next != nullptr ? static_cast<int64_t>(next->y) : h.ChartRect.y;
    AddItem(RoleLabel, panel,
            Rect{static_cast<int64_t>(lines[i]->x), y, h.ChartRect.w, std::max<int64_t>(bottom - y, 1)}, h.Totals[i]);
  }
  AddItem(RolePushButton, panel, h.ChartRect, "Balance chart",
          "The balance after each draw and adjustment. Click: the last 1000 events or all of them.", ActionClick);
  const int64_t list = book.count;
  AddItem(RoleList, panel, h.ListRect, "Latest draws");
  if (h.Draws == 0) AddItem(RoleLabel, list, h.ListRect, "No draw has been played yet.");
  book.selectedRow = -1;
  for (int64_t i = 0; i < h.RowCount; ++i) {
    // "Draw 12, 2026-12-10 10:52:03, GENEROUS, cost $2, won $0, balance after $998".
    static constexpr std::string_view Lead[] = {"Draw ", ", ", ", ", ", cost ", ", won ", ", balance after "};
    LongText name;
    std::string_view rest = h.Rows[i].Text;
    for (const std::string_view lead : Lead) {
      const size_t tab = rest.find('\t');
      name << lead << rest.substr(0, tab);
      rest = tab == std::string_view::npos ? std::string_view{} : rest.substr(tab + 1);
    }
    const bool selected = h.Top + i == h.Selected;
    if (selected) book.selectedRow = book.count;
    AddItem(RoleListItem, list, h.RowRects[i], name.view(), "Click or Enter: recall this draw.", ActionClick,
            StateSelectable | (selected ? StateSelected : 0));
  }
}

// The recall banner: its two lines and its older, newer and close marks.
void AddRecallBanner() {
  const RecallState& r = Recall;
  book.banner = book.count;
  AddItem(RolePanel, -1, r.BannerRect, "Recall of a past draw",
          "Left and Right: the older and the newer draw. Home and End: the first and the last. H: leave.");
  const int64_t half = r.BannerRect.h / 2;
  const int64_t textW = r.OlderMark.x - r.BannerRect.x;
  for (int64_t i = 0; i < RecallBannerLines; ++i)
    AddItem(RoleLabel, book.banner, Rect{r.BannerRect.x, r.BannerRect.y + i * half, textW > 1 ? textW : 1, half},
            r.Banner[i]);
  AddItem(RolePushButton, book.banner, r.OlderMark, "Older draw", "Click: show the draw before this one.", ActionClick);
  AddItem(RolePushButton, book.banner, r.NewerMark, "Newer draw", "Click: show the draw after this one.", ActionClick);
  AddItem(RolePushButton, book.banner, r.CloseMark, "Leave recall", "Click: back to the live game.", ActionClick);
}

// The open overlay, recall's banner or the History overlay: a panel with its text and controls.
void AddOverlays() {
  const GameState& g = Game;
  book.selectedRow = book.banner = -1;
  if (Recall.Open == 1) AddRecallBanner();
  if (History.Open == 1) {
    AddHistory();
    return;
  }
  book.steps.Clear();
  std::string_view title;
  if (g.PayTableOpen == 1) {
    BuildPayTableOverlay(book.steps);
    title = "Payout Table";
  } else if (g.AboutOpen == 1) {
    BuildAboutOverlay(book.steps);
    title = "About & Rules";
  }
  if (title.empty()) return;
  const int64_t panel = book.count;
  AddItem(RolePanel, -1, g.BoardRect, title, "Click: close.", ActionClick);
  AddTextRows(panel, g.BoardRect);
}

// Builds the whole list into the book.
void BuildItems(const DrawView& view) {
  book.count = 0;
  AddControls();
  AddTabs();
  AddBoard(view);
  AddStatsPanel(view);
  AddBallsTube(view);
  AddOverlays();
}

// "Ball 7: 42, a hit on Card 1" (the cards it counts on, if any).
void AnnounceBall(const DrawView& view, int64_t k) {
  const int64_t n = view.Balls[k];
  TextBuf t;
  t << "Ball " << k << ": " << n;
  bool any = false;
  for (int64_t c = 1; c <= CardCount; ++c) {
    if (view.Cards[c].Counted[n] == 0) continue;
    t << (any ? " and Card " : ", a hit on Card ") << c;
    any = true;
  }
  Announce(t.view());
}

// "Card 1 won $12. Balance $1011." for each card the draw paid, or "No win." when none.
void AnnounceResult() {
  LongText t;
  bool any = false;
  for (int64_t c = 1; c <= CardCount; ++c) {
    if (Game.Charge.Charged[c] == 0 || Game.CardWin[c] <= 0) continue;
    t << (any ? " " : "") << "Card " << c << " won $" << Game.CardWin[c] << ".";
    any = true;
  }
  if (!any) t << "No win.";
  t << " Balance $" << Game.Balance << ".";
  Announce(t.view());
}

// The announcements of this frame, judged against what was told before.
void MakeAnnouncements(const DrawView& view) {
  const GameState& g = Game;
  if (!book.started) {
    book.started = true;
    book.ballsTold = view.BallCount;
    book.drawFirstBall = view.Balls[1];
    book.wasDrawing = g.Drawing;
    CopyText(book.statusTold, sizeof book.statusTold, g.StatusMessage);
    return;
  }
  // A new draw starts counting its balls afresh.
  if (view.BallCount < book.ballsTold || (view.BallCount > 0 && view.Balls[1] != book.drawFirstBall))
    book.ballsTold = 0;
  for (int64_t k = book.ballsTold + 1; k <= view.BallCount; ++k) AnnounceBall(view, k);
  book.ballsTold = view.BallCount;
  book.drawFirstBall = view.Balls[1];
  if (book.wasDrawing == 1 && g.Drawing == 0 && view.BallCount == BallsPerDraw) AnnounceResult();
  book.wasDrawing = g.Drawing;
  const std::string_view status = std::string_view(g.StatusMessage).substr(0, sizeof book.statusTold - 1);
  if (status != std::string_view(book.statusTold)) {
    CopyText(book.statusTold, sizeof book.statusTold, status);
    if (!status.empty()) Announce(status);
  }
}

}  // namespace

void UpdateAccessibleItems(const DrawView& shown, const DrawView& live) {
  const uint64_t key = KeyOfScreen(shown);
  if (!book.handed || key != book.handedKey) {
    BuildItems(shown);
    SetAccessibleItems(book.items, book.count);
    book.handed = true;
    book.handedKey = key;
  }
  // The stand-ins name the item the last build made for them.
  const int64_t focus = book.focus == AccessibleHistorySelection ? book.selectedRow
                        : book.focus == AccessibleRecallBanner   ? book.banner
                                                                 : book.focus;
  if (!book.focusKnown || focus != book.focusTold) {
    SetAccessibleFocus(focus);
    book.focusTold = focus;
    book.focusKnown = true;
  }
  MakeAnnouncements(live);
  // A recalled draw is read out when it is shown, as a sighted player reads its banner.
  if (Recall.Open == 1 && Recall.DrawId != book.recallTold) {
    LongText t;
    t << Recall.Banner[0] << ". " << Recall.Banner[1] << ".";
    Announce(t.view());
  }
  book.recallTold = Recall.Open == 1 ? Recall.DrawId : 0;
}

void SetFocusedAccessibleItem(int64_t index) { book.focus = index; }

void ResetAccessibleItems() {
  book.handed = false;
  book.started = false;
  book.focus = -1;
  book.focusKnown = false;
  book.recallTold = 0;
}
