// Presentation: layout, fonts, the board, the controls, the tabs, the stats panel, the two
// overlays and the balls tube. Drawing procedures only read the game state.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"
#include "state/draw_view.h"
#include "state/game_state.h"
#include "ui/panel_steps.h"

// The view of the live game: its picks, what the draw in flight or the last one counts for each
// card (the record of its charge), the drawn numbers and the balls revealed.
void FillLiveDrawView(DrawView& view);

// Layout, fonts and the asterisk images.
void ComputeLayout();
void LoadFonts();
void UpdateStarImages(int64_t boardW, int64_t boardH);
void EnsureStarImages(int64_t size);
int64_t MakeStarImage(int64_t image, int64_t size, Colour colour);  // the image number, or 0
// Point sizes of the six fonts at a screen height, in the order the fonts are loaded.
struct FontSizes {
  int64_t cell, button, tab, ball, overlay, heading;
};
FontSizes FontSizesFor(int64_t screenH);
int64_t StarSizeFor(int64_t boardW, int64_t boardH);  // the asterisk side for a board size

// The number board, drawn from a view: card `card`'s tab (cardView 1) or Main (cardView 0).
void DrawBoard(int64_t x, int64_t y, int64_t w, int64_t h, int64_t cardView, int64_t card, const DrawView& view);
// How number n shows on card c's tab, or on Main for c = 0 (the heat map aside).
enum class CellMark { Idle, Picked, Drawn, Hit };
CellMark CellMarkOf(const DrawView& view, int64_t c, int64_t n);
// The board's one geometry: the box cell n (1..80) is drawn in, one pixel larger than its inner
// size, and the number drawn under a screen point (0 outside the grid).
Rect CellRect(const Rect& board, int64_t n);
int64_t CellUnder(const Rect& board, int64_t px, int64_t py);
void DrawCellBevel(int64_t x, int64_t y, int64_t w, int64_t h, Colour topLeft, Colour bottomRight);
void DrawHitCross(int64_t x, int64_t y, int64_t w, int64_t h);
// The keyboard focus ring just inside r: a black line outside a white one, FocusRingWidth wide.
constexpr int64_t FocusRingWidth = 3;  // logical pixels: 1 black, 2 white
void DrawFocusRing(const Rect& r);

// Control buttons.
void DrawBevelButton(int64_t x, int64_t y, int64_t w, int64_t h, Colour face, Colour light, Colour dark);
void DrawNewGameButton();
void DrawPayTableButton();
void DrawSpeedControl();
void DrawBetControl();
void DrawSoundButton();
void DrawAutoPickButton();
void DrawAboutButton();
// Up to three centred lines at the fixed places of the three-line layout; an empty line is skipped.
void DrawThreeLineText(int64_t x, int64_t y, int64_t w, int64_t h, const std::string_view lines[3],
                       const Colour colours[3]);

// Tabs and the Draw button.
void DrawTabs(int64_t selectedTab, bool heatDot);  // the selected tab gold, the heat-map dot by Main
void DrawRecallBanner();  // the banner over the header while a past draw is recalled
void DrawDrawButton();

// Stats panel and overlays. The stats panel's card rows come from the view.
void DrawStatsPanel(const DrawView& view);
void DrawPayTableOverlay();
void DrawAboutOverlay();
void DrawHistoryOverlay();  // the History overlay while it is open
// The text of a pay-table cell amount a > 0, into buf; returns its length.
int FormatPayCell(int64_t a, char* buf, int size);
Colour PayCellColour(int64_t a);

void BuildStatsPanel(PanelSteps& out, const DrawView& view);
void BuildStatsPanel(PanelSteps& out);       // with the card rows of the live game
void BuildPayTableOverlay(PanelSteps& out);  // empty while the overlay is closed
void BuildAboutOverlay(PanelSteps& out);     // empty while the overlay is closed
void BuildHistoryOverlay(PanelSteps& out);   // records the overlay's rects in History

// Stats panel arithmetic: the row height for a panel height and text height, the left end of the
// W/L pair of width pairW, and "+$25" / "-$3" / "$0" into buf (returns the length).
int64_t StatsRowHeight(int64_t panelH, int64_t tm);
int64_t StatsPairX(int64_t x, int64_t w, double pairW);
int FormatSignedAmount(int64_t a, char* buf, int size);

// Pay table geometry from the board size, and the About line height from the board height.
struct PayTableGeometry {
  int64_t rowH, colP, colW;
};
PayTableGeometry PayTableGeometryFor(int64_t boardW, int64_t boardH);
int64_t AboutLineHeight(int64_t boardH);

// The balls tube: the view's balls, each green when the draw counts it on some card; the drops
// still rolling are the live animation's.
void BuildBallsPanelImage(int64_t w, int64_t h);
void DrawBallsPanel(const DrawView& view);
void StartBallAnim();
void StepBallAnims();
// A ball's body and shine centred on (bx, by), green when counted (also the game's icon).
void DrawBallBody(int64_t bx, int64_t by, int64_t r, bool counted);
// The tube's geometry for a panel of w x h, from its top-left corner: slot pitch, ball radius,
// the centres of the left and right columns and the drop point across.
struct BallTubeGeometry {
  int64_t step, r, leftX, rightX, midX;
};
BallTubeGeometry BallTubeGeometryFor(int64_t w, int64_t h);
// The centre of slot k (1 = bottom left, 20 = top right) from the panel's top-left corner.
struct BallSlot {
  int64_t x, y;
};
BallSlot BallSlotCentre(int64_t w, int64_t h, int64_t k);
