// What a screen reader is told: the accessible items of a few screens with their names, states
// and rectangles, each rectangle the layout region it names; actions that act as clicks; a list
// built only when the screen changes; and the announcements of the balls, the result and the
// status line.
#include "ui/accessible.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "game_fixture.h"
#include "platform/headless.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/ui.h"

namespace {

const std::vector<AccessibleItem>& Items() { return headless::AccessibleItems(); }

const AccessibleItem& Item(int64_t index) {
  static const AccessibleItem none{};
  return index >= 0 && index < static_cast<int64_t>(Items().size()) ? Items()[static_cast<size_t>(index)] : none;
}

const AccessibleItem& Cell(int64_t n) { return Item(AccessibleFirstCell + n - 1); }

bool SameRect(const AccessibleItem& item, const Rect& r) {
  return item.x == r.x && item.y == r.y && item.w == r.w && item.h == r.h;
}

bool Inside(const AccessibleItem& item, const Rect& r) {
  return item.w > 0 && item.h > 0 && item.x >= r.x && item.y >= r.y && item.x + item.w <= r.x + r.w &&
         item.y + item.h <= r.y + r.h;
}

// The children of item `parent`, in order.
std::vector<const AccessibleItem*> ChildrenOf(int64_t parent) {
  std::vector<const AccessibleItem*> out;
  for (const AccessibleItem& item : Items())
    if (item.parent == parent) out.push_back(&item);
  return out;
}

// The index of the first top-level item of a role and name, -1 when there is none.
int64_t FindTop(int64_t role, std::string_view name) {
  for (size_t i = 0; i < Items().size(); ++i)
    if (Items()[i].parent == -1 && Items()[i].role == role && name == Items()[i].name) return static_cast<int64_t>(i);
  return -1;
}

class AccessibleTest : public GameFixture {
 protected:
  // Performs an item's action and lets a frame take the click.
  void Act(int64_t index, int64_t action = ActionClick) {
    ASSERT_TRUE(headless::DoAccessibleAction(index, action)) << Item(index).name;
    Frame();
  }
  // Runs frames until the draw in flight has been settled.
  void FinishDraw() {
    for (int i = 0; i < 20000 && Game.Drawing == 1; ++i) Run(10, 10);
    ASSERT_EQ(Game.Drawing, 0);
  }

  // Plays n draws at the fastest speed on Card 1's picks.
  void PlayDraws(int n) {
    Game.Speed = 5;
    for (int d = 0; d < n; ++d) {
      Act(0);
      FinishDraw();
      Run(2000, 10);
    }
  }
  static void Key(int64_t key) {
    headless::SetKey(key, true);
    headless::SetKey(key, false);
  }

  // Every item's rectangle is the layout region it names.
  void ExpectRectanglesFollowLayout() {
    const GameState& g = Game;
    const Rect controls[AccessibleControlCount] = {g.DrawButtonRect,     g.NewGameButtonRect, g.PayTableButtonRect,
                                                   g.SpeedButtonRect,    g.BetButtonRect,     g.SoundButtonRect,
                                                   g.AutoPickButtonRect, g.AboutButtonRect};
    for (int64_t i = 0; i < AccessibleControlCount; ++i) {
      EXPECT_EQ(Item(i).role, RolePushButton) << i;
      EXPECT_TRUE(SameRect(Item(i), controls[i])) << Item(i).name;
    }
    EXPECT_TRUE(SameRect(Item(AccessibleTabList), g.TabBarRect));
    int64_t tabX = g.TabBarRect.x;
    for (int64_t t = 0; t < TabCount; ++t) {
      const AccessibleItem& tab = Item(AccessibleFirstTab + t);
      EXPECT_EQ(tab.role, RolePageTab);
      EXPECT_EQ(tab.parent, AccessibleTabList);
      EXPECT_EQ(tab.x, tabX) << tab.name;  // the tabs tile the strip, left to right
      EXPECT_EQ(tab.y, g.TabBarRect.y);
      EXPECT_EQ(tab.h, g.TabBarRect.h);
      tabX += tab.w;
    }
    EXPECT_EQ(tabX, g.TabBarRect.x + g.TabBarRect.w);
    EXPECT_TRUE(SameRect(Item(AccessibleBoard), g.BoardRect));
    for (int64_t n = 1; n <= NumberCount; ++n) {
      EXPECT_TRUE(SameRect(Cell(n), CellRect(g.BoardRect, n))) << n;
      // A click at the cell item's centre lands on that cell.
      EXPECT_EQ(CellUnder(g.BoardRect, Cell(n).x + Cell(n).w / 2, Cell(n).y + Cell(n).h / 2), n);
    }
    const Rect stats{g.StatsPanelX, g.StatsPanelY, g.StatsPanelW, g.StatsPanelH};
    EXPECT_TRUE(SameRect(Item(AccessibleStatsPanel), stats));
    for (const AccessibleItem* row : ChildrenOf(AccessibleStatsPanel)) EXPECT_TRUE(Inside(*row, stats)) << row->name;
    const int64_t tube = FindTop(RoleList, "Balls drawn");
    ASSERT_GE(tube, 0);
    const Rect tubeRect{g.BallsPanelX, g.BallsPanelY, g.BallsPanelW, g.BallsPanelH};
    EXPECT_TRUE(SameRect(Item(tube), tubeRect));
    const std::vector<const AccessibleItem*> balls = ChildrenOf(tube);
    for (size_t k = 0; k < balls.size(); ++k) {
      EXPECT_TRUE(Inside(*balls[k], tubeRect)) << balls[k]->name;
      const BallSlot c = BallSlotCentre(g.BallsPanelW, g.BallsPanelH, static_cast<int64_t>(k) + 1);
      EXPECT_EQ(balls[k]->x + balls[k]->w / 2, g.BallsPanelX + c.x) << balls[k]->name;
      EXPECT_EQ(balls[k]->y + balls[k]->h / 2, g.BallsPanelY + c.y) << balls[k]->name;
    }
  }
};

TEST_F(AccessibleTest, ANewPlayerSeesTheControlsTabsAndAnEmptyCardOne) {
  Frame();
  const char* names[AccessibleControlCount] = {
      "Draw Numbers", "New Game (Clears Cards)", "Payout Table, GENEROUS", "Speed, Medium", "Bet/Card, $1 per Card",
      "Sound, ON",    "Pick: Card 1 (8)",        "About & Rules"};
  for (int64_t i = 0; i < AccessibleControlCount; ++i) {
    EXPECT_STREQ(Item(i).name, names[i]);
    EXPECT_EQ(Item(i).parent, -1);
    EXPECT_NE(Item(i).description[0], 0) << names[i];
    EXPECT_NE(Item(i).actions & ActionClick, 0) << names[i];
  }
  EXPECT_NE(Item(2).actions & ActionMenu, 0);  // the pay table's right click swaps the schedule
  EXPECT_NE(Item(3).actions & ActionIncrease, 0);
  EXPECT_NE(Item(4).actions & ActionDecrease, 0);
  const char* tabs[TabCount] = {"Main", "Card 1", "Card 2", "Card 3", "Card 4"};
  for (int64_t t = 0; t < TabCount; ++t) {
    EXPECT_STREQ(Item(AccessibleFirstTab + t).name, tabs[t]);
    EXPECT_EQ((Item(AccessibleFirstTab + t).states & StateSelected) != 0, t == 1) << tabs[t];
  }
  EXPECT_EQ(Item(AccessibleBoard).role, RoleTable);
  EXPECT_STREQ(Item(AccessibleBoard).name, "Board, Card 1");
  ASSERT_EQ(ChildrenOf(AccessibleBoard).size(), static_cast<size_t>(NumberCount));
  for (int64_t n = 1; n <= NumberCount; ++n) {
    EXPECT_EQ(Cell(n).role, RoleTableCell);
    EXPECT_EQ(std::string(Cell(n).name), std::to_string(n));
    EXPECT_EQ(Cell(n).row, (n - 1) / 10);
    EXPECT_EQ(Cell(n).column, (n - 1) % 10);
    EXPECT_EQ(Cell(n).states, StateCheckable) << n;
    EXPECT_STREQ(Cell(n).description, "not drawn, on 0 cards");
  }
  EXPECT_TRUE(ChildrenOf(FindTop(RoleList, "Balls drawn")).empty());
  EXPECT_EQ(FindTop(RolePanel, "Payout Table"), -1);
  // The stats panel reads the balance as the panel shows it.
  bool balance = false;
  for (const AccessibleItem* row : ChildrenOf(AccessibleStatsPanel)) balance |= std::string_view(row->name) == "$1000";
  EXPECT_TRUE(balance);
  ExpectRectanglesFollowLayout();
}

TEST_F(AccessibleTest, ActionsPickOnCardTwoAsClicksWould) {
  Act(AccessibleFirstTab + 2);
  ASSERT_EQ(Game.ActiveTab, 2);
  Act(AccessibleFirstCell + 16);
  Act(AccessibleFirstCell + 79);
  Act(AccessibleFirstCell + 4);
  Act(AccessibleFirstCell + 4);  // a second click takes the pick back
  EXPECT_EQ(Game.Cards[2].Picked[17], 1);
  EXPECT_EQ(Game.Cards[2].Picked[80], 1);
  EXPECT_EQ(Game.Cards[2].Picked[5], 0);
  EXPECT_EQ(Game.Cards[2].PickCount, 2);

  EXPECT_STREQ(Item(AccessibleBoard).name, "Board, Card 2");
  EXPECT_NE(Item(AccessibleFirstTab + 2).states & StateSelected, 0);
  EXPECT_EQ(Item(AccessibleFirstTab + 1).states & StateSelected, 0);
  EXPECT_STREQ(Item(6).name, "Pick: Card 2 (2)");
  for (int64_t n = 1; n <= NumberCount; ++n) {
    const bool picked = n == 17 || n == 80;
    EXPECT_EQ((Cell(n).states & StateChecked) != 0, picked) << n;
    EXPECT_STREQ(Cell(n).description, picked ? "not drawn, on 1 card" : "not drawn, on 0 cards") << n;
  }
  // On Main the cells are not checkable, and their right click is the heat map.
  Act(AccessibleFirstTab);
  EXPECT_STREQ(Item(AccessibleBoard).name, "Board, Main");
  EXPECT_EQ(Cell(17).states, 0);
  EXPECT_STREQ(Cell(17).description, "not drawn, on 1 card");
  Act(AccessibleFirstCell + 16, ActionMenu);
  EXPECT_EQ(Game.HeatMapOn, 1);
  // The Speed stepper's two halves.
  Act(3, ActionDecrease);
  EXPECT_EQ(Game.Speed, 2);
  EXPECT_STREQ(Item(3).name, "Speed, Slow");
  Act(3, ActionIncrease);
  Act(3, ActionIncrease);
  EXPECT_STREQ(Item(3).name, "Speed, Fast");
  EXPECT_FALSE(headless::DoAccessibleAction(0, ActionMenu));  // the Draw button has no right click
  ExpectRectanglesFollowLayout();
}

TEST_F(AccessibleTest, MidDrawTheTubeListsTheBallsAndEachBallIsAnnounced) {
  for (int64_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) Act(AccessibleFirstCell + n - 1);
  headless::ClearAnnouncements();
  Act(0);  // Draw Numbers
  ASSERT_EQ(Game.Drawing, 1);
  EXPECT_STREQ(Item(0).name, "Drawing...");
  for (int i = 0; i < 100000 && Game.BallsRevealed < 5; ++i) Run(1);
  ASSERT_EQ(Game.BallsRevealed, 5);
  const int64_t tube = FindTop(RoleList, "Balls drawn");
  const std::vector<const AccessibleItem*> balls = ChildrenOf(tube);
  ASSERT_EQ(balls.size(), 5u);
  const std::vector<std::string> said = headless::Announcements();
  ASSERT_EQ(said.size(), 5u);
  for (int64_t k = 1; k <= 5; ++k) {
    const int64_t n = Game.DrawOrder[k - 1];
    const std::string ball = "Ball " + std::to_string(k) + ": " + std::to_string(n);
    EXPECT_EQ(balls[static_cast<size_t>(k - 1)]->name, ball);
    const bool hit = n <= 10;
    EXPECT_STREQ(balls[static_cast<size_t>(k - 1)]->description, hit ? "a hit" : "a miss");
    EXPECT_EQ(said[static_cast<size_t>(k - 1)], hit ? ball + ", a hit on Card 1" : ball);
    EXPECT_STREQ(Cell(n).description, hit ? "drawn, a hit, on 1 card" : "drawn, on 0 cards") << n;
  }
  ExpectRectanglesFollowLayout();
}

TEST_F(AccessibleTest, AfterAWinTheResultAndBalanceAreAnnounced) {
  for (int64_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) Act(AccessibleFirstCell + n - 1);
  Game.Speed = 5;
  for (int draw = 0; draw < 200 && Game.CardWin[1] == 0; ++draw) {
    headless::ClearAnnouncements();
    Act(0);
    FinishDraw();
    Run(2000, 10);  // past the auto-pause and any status line
  }
  ASSERT_GT(Game.CardWin[1], 0);
  const std::vector<std::string> said = headless::Announcements();
  ASSERT_GE(said.size(), 21u);
  for (int64_t k = 1; k <= BallsPerDraw; ++k)
    EXPECT_EQ(said[static_cast<size_t>(k - 1)].rfind("Ball " + std::to_string(k) + ": ", 0), 0u) << said[k - 1];
  EXPECT_EQ(said[BallsPerDraw],
            "Card 1 won $" + std::to_string(Game.CardWin[1]) + ". Balance $" + std::to_string(Game.Balance) + ".");
  EXPECT_STREQ(Item(0).name, "Draw Numbers");
  ASSERT_EQ(ChildrenOf(FindTop(RoleList, "Balls drawn")).size(), static_cast<size_t>(BallsPerDraw));
  ExpectRectanglesFollowLayout();
}

TEST_F(AccessibleTest, ANewStatusLineIsAnnouncedOnce) {
  Frame();
  headless::ClearAnnouncements();
  Game.StatusMessage = "CONSOLATION: a test line";
  Game.StatusMessageTime = NowMs();
  Frame();
  Frame();
  ASSERT_EQ(headless::Announcements().size(), 1u);
  EXPECT_EQ(headless::Announcements()[0], "CONSOLATION: a test line");
}

TEST_F(AccessibleTest, OpenOverlaysReadTheirTextOverTheBoard) {
  struct Case {
    int64_t button;
    const char* title;
    const char* line;  // a line the overlay shows
  };
  for (const Case& c : {Case{2, "Payout Table", nullptr}, Case{7, "About & Rules", nullptr}}) {
    SCOPED_TRACE(c.title);
    Act(c.button);
    const int64_t panel = FindTop(RolePanel, c.title);
    ASSERT_GE(panel, 0);
    EXPECT_TRUE(SameRect(Item(panel), Game.BoardRect));
    const std::vector<const AccessibleItem*> lines = ChildrenOf(panel);
    ASSERT_GE(lines.size(), 3u);
    for (const AccessibleItem* line : lines) {
      EXPECT_NE(line->name[0], 0);
      EXPECT_TRUE(Inside(*line, Game.BoardRect)) << line->name;
    }
    Act(panel);  // a click on the overlay closes it
    EXPECT_EQ(FindTop(RolePanel, c.title), -1);
    EXPECT_EQ(Game.PayTableOpen + Game.AboutOpen, 0);
  }
}

// The History overlay reads as a panel with its Export control, totals, chart and a list of the
// draws, each row where it is drawn; the selected row is selected and holds the focus as Up and
// Down move it, and a row's click recalls its draw.
TEST_F(AccessibleTest, TheHistoryListsItsDrawsAndItsSelectionHasTheFocus) {
  for (int64_t n : {1, 2, 3, 4}) Act(AccessibleFirstCell + n - 1);
  PlayDraws(3);
  Key(KeyH);
  Frame();
  ASSERT_EQ(History.Open, 1);
  const int64_t panel = FindTop(RolePanel, "History");
  ASSERT_GE(panel, 0);
  EXPECT_TRUE(SameRect(Item(panel), Game.BoardRect));
  std::vector<const AccessibleItem*> rows;
  int64_t list = -1;
  for (size_t i = 0; i < Items().size(); ++i) {
    const AccessibleItem& it = Items()[i];
    if (it.parent != panel) continue;
    if (it.role == RolePushButton && std::string_view(it.name) == "Export CSV...") {
      EXPECT_TRUE(SameRect(it, History.ExportRect));
    }
    if (it.role == RoleList) list = static_cast<int64_t>(i);
    if (it.role == RoleLabel) {
      EXPECT_TRUE(Inside(it, Game.BoardRect)) << it.name;
    }
  }
  ASSERT_GE(list, 0);
  rows = ChildrenOf(list);
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(SameRect(*rows[i], History.RowRects[i])) << rows[i]->name;
    const std::string lead = "Draw " + std::to_string(History.Rows[i].DrawId) + ", 2026-";
    EXPECT_EQ(std::string(rows[i]->name).rfind(lead, 0), 0u) << rows[i]->name;
    EXPECT_NE(std::string(rows[i]->name).find(", balance after $"), std::string::npos) << rows[i]->name;
    EXPECT_EQ((rows[i]->states & StateSelected) != 0, i == 0) << "the newest is selected";
  }
  EXPECT_EQ(headless::AccessibleFocus(), list + 1) << "the selected row has the focus";
  Key(KeyDown);
  Frame();
  EXPECT_EQ(headless::AccessibleFocus(), list + 2) << "the focus follows the selection";
  EXPECT_NE(Item(list + 2).states & StateSelected, 0);
  headless::ClearAnnouncements();
  Act(list + 3);  // the oldest row's click
  EXPECT_EQ(History.Open, 0);
  ASSERT_EQ(Recall.Open, 1);
  EXPECT_EQ(Recall.DrawId, History.Rows[2].DrawId);
  Key(KeyH);
  Frame();
}

// In recall the banner reads as a panel with its two lines and its marks, and is read out as each
// draw is shown; the board and tabs are those of the recalled draw, with recall's own tab; the
// live draw is still announced underneath.
TEST_F(AccessibleTest, ARecalledDrawReadsAsItEndedAndTheBannerIsSpoken) {
  for (int64_t n : {1, 2, 3, 4}) Act(AccessibleFirstCell + n - 1);
  PlayDraws(2);
  const std::vector<int64_t> lastDraw(Game.DrawOrder, Game.DrawOrder + BallsPerDraw);
  headless::ClearAnnouncements();
  Key(KeyH);
  Frame();
  Key(KeyEnter);
  Frame();
  ASSERT_EQ(Recall.Open, 1);
  const int64_t banner = FindTop(RolePanel, "Recall of a past draw");
  ASSERT_GE(banner, 0);
  EXPECT_TRUE(SameRect(Item(banner), Recall.BannerRect));
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstControl) << "the focus stays on Draw, in view";
  const std::vector<const AccessibleItem*> parts = ChildrenOf(banner);
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_STREQ(parts[0]->name, Recall.Banner[0]);
  EXPECT_STREQ(parts[1]->name, Recall.Banner[1]);
  EXPECT_TRUE(SameRect(*parts[2], Recall.OlderMark));
  EXPECT_TRUE(SameRect(*parts[4], Recall.CloseMark));
  ASSERT_FALSE(headless::Announcements().empty());
  EXPECT_EQ(headless::Announcements().back(), std::string(Recall.Banner[0]) + ". " + Recall.Banner[1] + ".");
  const std::vector<const AccessibleItem*> balls = ChildrenOf(FindTop(RoleList, "Balls drawn"));
  ASSERT_EQ(balls.size(), static_cast<size_t>(BallsPerDraw));
  for (size_t k = 0; k < balls.size(); ++k)
    EXPECT_EQ(balls[k]->name, "Ball " + std::to_string(k + 1) + ": " + std::to_string(lastDraw[k]));

  Key(KeyDigit0 + 1);  // recall's own Card 1 tab
  Frame();
  EXPECT_EQ(Game.ActiveTab, 0) << "the live tab is untouched";
  EXPECT_STREQ(Item(AccessibleBoard).name, "Recalled board, Card 1");
  EXPECT_NE(Item(AccessibleFirstTab + 1).states & StateSelected, 0);
  for (int64_t n = 1; n <= NumberCount; ++n) EXPECT_EQ((Cell(n).states & StateChecked) != 0, n <= 4) << n;

  headless::ClearAnnouncements();
  Act(banner + 3);  // the older mark
  EXPECT_EQ(Recall.Position, 1);
  ASSERT_EQ(headless::Announcements().size(), 1u);
  EXPECT_EQ(headless::Announcements()[0].rfind("RECALL  Draw 1 of 2", 0), 0u) << headless::Announcements()[0];

  // A live draw started under the recall is announced ball by ball.
  headless::ClearAnnouncements();
  Key(KeySpace);
  Frame();
  ASSERT_EQ(Recall.Open, 0) << "Space leaves recall and draws";
  for (int i = 0; i < 100000 && Game.BallsRevealed < 2; ++i) Run(1);
  ASSERT_GE(headless::Announcements().size(), 2u);
  EXPECT_EQ(headless::Announcements()[0].rfind("Ball 1: ", 0), 0u);
}

TEST_F(AccessibleTest, ASteadyFrameBuildsNothingAndAChangeBuildsOnce) {
  Frame();
  const int64_t before = headless::AccessibleUpdates();
  Run(200);
  EXPECT_EQ(headless::AccessibleUpdates(), before);
  Act(AccessibleFirstCell + 16);
  EXPECT_EQ(headless::AccessibleUpdates(), before + 1);
  Run(200);
  EXPECT_EQ(headless::AccessibleUpdates(), before + 1);
}

TEST_F(AccessibleTest, TheFocusSetterReachesThePlatformOnTheNextFrame) {
  Frame();
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstControl) << "the keyboard focus starts on the Draw button";
  SetFocusedAccessibleItem(AccessibleFirstCell + 16);
  Frame();
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstCell + 16);
  SetFocusedAccessibleItem(-1);
  Frame();
  EXPECT_EQ(headless::AccessibleFocus(), -1);
}

}  // namespace
