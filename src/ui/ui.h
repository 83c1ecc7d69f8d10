// Presentation: layout, fonts, the board, the controls, the tabs, the stats panel, the two
// overlays and the balls tube. Drawing procedures only read the game state.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

// Layout, fonts and the asterisk images.
void ComputeLayout();
void LoadFonts();
void UpdateStarImages(int64_t boardW, int64_t boardH);
void EnsureStarImages(int64_t size);
int64_t MakeStarImage(int64_t image, int64_t size, Colour colour);  // the image number, or 0

// The number board.
void DrawBoard(int64_t x, int64_t y, int64_t w, int64_t h, int64_t cardView, int64_t card);
void DrawCellBevel(int64_t x, int64_t y, int64_t w, int64_t h, Colour topLeft, Colour bottomRight);
void DrawHitCross(int64_t x, int64_t y, int64_t w, int64_t h);

// Control buttons.
void DrawBevelButton(int64_t x, int64_t y, int64_t w, int64_t h, Colour face, Colour light, Colour dark);
void DrawNewGameButton();
void DrawPayTableButton();
void DrawSpeedControl();
void DrawBetControl();
void DrawSoundButton();
void DrawAutoPickButton();
void DrawAboutButton();

// Tabs and the Draw button.
void DrawTabs();
void DrawDrawButton();

// Stats panel and overlays.
void DrawStatsPanel();
void DrawPayTableOverlay();
void DrawAboutOverlay();
// The text of a pay-table cell amount a > 0, into buf; returns its length.
int FormatPayCell(int64_t a, char* buf, int size);
Colour PayCellColour(int64_t a);

// The balls tube.
void BuildBallsPanelImage(int64_t w, int64_t h);
void DrawBallsPanel();
void StartBallAnim();
void StepBallAnims();
bool IsOnAnyCard(int64_t n);
