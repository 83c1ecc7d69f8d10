// The board's one geometry: every cell's drawn box comes from CellRect, and a click picks the
// cell drawn under the pointer, also where the old division put it in the neighbouring cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/input.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "state/game_state.h"
#include "ui/ui.h"

namespace {

// One axis of a board: its length, its cells, and cell i's box along it from CellRect.
struct Axis {
  int64_t length, parts;
  bool across;  // columns when true, rows otherwise
  int64_t Start(int64_t i) const {
    const Rect box = CellRect(Rect{0, 0, across ? length : 100, across ? 100 : length}, across ? i + 1 : i * 10 + 1);
    return across ? box.x : box.y;
  }
  int64_t End(int64_t i) const {  // the box's last pixel
    const Rect box = CellRect(Rect{0, 0, across ? length : 100, across ? 100 : length}, across ? i + 1 : i * 10 + 1);
    return across ? box.x + box.w - 1 : box.y + box.h - 1;
  }
  // The cell the old hit test gave: the offset divided by the cell's length, truncated.
  int64_t OldIndex(int64_t r) const {
    const float cell = static_cast<float>(length) / static_cast<float>(parts);
    return static_cast<int64_t>(static_cast<double>(r) / static_cast<double>(cell));
  }
  // The cell CellAt picks at offset r along this axis.
  int64_t Picked(int64_t r) const {
    const int64_t n = across ? CellAt(r, 0, length, 100) : CellAt(0, r, 100, length);
    return across ? (n - 1) % 10 : (n - 1) / 10;
  }
};

// The offsets of one axis where the old division picked another cell than the one drawn there.
std::vector<int64_t> OldMisses(const Axis& a) {
  std::vector<int64_t> misses;
  for (int64_t r = 0; r < a.length; ++r) {
    std::vector<int64_t> owners;
    for (int64_t i = 0; i < a.parts; ++i)
      if (a.Start(i) <= r && r <= a.End(i)) owners.push_back(i);
    if (owners.size() == 1 && a.OldIndex(r) != owners[0]) misses.push_back(r);
  }
  return misses;
}

// Board sizes: the smallest window's, the default one's, a 2560 x 1440 window's and an odd one.
const int64_t Widths[] = {876, 878, 2156, 1013};
const int64_t Heights[] = {718, 1256, 777, 1000};

TEST(CellGeometry, BoxesTileTheBoardSharingAtMostOnePixel) {
  for (bool across : {true, false}) {
    for (int64_t length : across ? std::vector<int64_t>(std::begin(Widths), std::end(Widths))
                                 : std::vector<int64_t>(std::begin(Heights), std::end(Heights))) {
      const Axis a{length, across ? 10 : 8, across};
      SCOPED_TRACE(::testing::Message() << (across ? "width " : "height ") << length);
      EXPECT_EQ(a.Start(0), 0);
      EXPECT_GE(a.End(a.parts - 1), length - 1) << "the last box reaches the edge";
      for (int64_t i = 1; i < a.parts; ++i) {
        EXPECT_LE(a.Start(i), a.End(i - 1) + 1) << "a gap before cell " << i;
        EXPECT_GE(a.Start(i), a.End(i - 1)) << "cells " << i - 1 << " and " << i << " share more than a pixel";
      }
    }
  }
}

// Every pixel of the board picks the cell drawn on it; a pixel two boxes share (their common
// outline) picks what the division always gave.
TEST(CellGeometry, EveryPixelPicksTheCellDrawnOnIt) {
  for (bool across : {true, false}) {
    for (int64_t length : across ? std::vector<int64_t>(std::begin(Widths), std::end(Widths))
                                 : std::vector<int64_t>(std::begin(Heights), std::end(Heights))) {
      const Axis a{length, across ? 10 : 8, across};
      SCOPED_TRACE(::testing::Message() << (across ? "width " : "height ") << length);
      for (int64_t r = 0; r < length; ++r) {
        std::vector<int64_t> owners;
        for (int64_t i = 0; i < a.parts; ++i)
          if (a.Start(i) <= r && r <= a.End(i)) owners.push_back(i);
        ASSERT_FALSE(owners.empty()) << "no box at " << r;
        const int64_t want = owners.size() == 1 ? owners[0] : a.OldIndex(r);
        EXPECT_EQ(a.Picked(r), want) << "at " << r;
      }
    }
  }
}

// The cell whose box starts at or before offset r along an axis: the one
// drawn on top there.
int64_t TopmostAlong(const Axis& a, int64_t r) {
  int64_t i = 0;
  while (i + 1 < a.parts && a.Start(i + 1) <= r) ++i;
  return i;
}

// The offsets where drawing and the old division disagreed, found by scanning: at the default
// board there are columns and rows of them, x = 351 among the columns (cell 5's left edge).
TEST(CellGeometry, TheDefaultBoardHadColumnsAndRowsTheOldDivisionGotWrong) {
  const Axis across{878, 10, true}, down{718, 8, false};
  const std::vector<int64_t> columns = OldMisses(across);
  const std::vector<int64_t> rows = OldMisses(down);
  ASSERT_FALSE(columns.empty());
  ASSERT_FALSE(rows.empty());
  std::string list;
  for (int64_t x : columns) list += " " + std::to_string(x);
  EXPECT_NE(std::find(columns.begin(), columns.end(), 351), columns.end()) << list;
  for (int64_t x : columns) EXPECT_EQ(CellAt(x, 0, 878, 718), TopmostAlong(across, x) + 1) << "x " << x;
  for (int64_t y : rows) EXPECT_EQ(CellAt(0, y, 878, 718), TopmostAlong(down, y) * 10 + 1) << "y " << y;
}

class CellGeometryGame : public GameFixture {};

// A click on the first pixel column of a cell, where the old division still named the cell to
// its left, picks the cell the player sees; likewise for a row.
TEST_F(CellGeometryGame, AClickOnACellsFirstPixelPicksThatCell) {
  const Rect& b = Game.BoardRect;
  ASSERT_EQ(b.w, 878);
  ASSERT_EQ(b.h, 718);
  const std::vector<int64_t> columns = OldMisses(Axis{b.w, 10, true});
  const std::vector<int64_t> rows = OldMisses(Axis{b.h, 8, false});
  ASSERT_FALSE(columns.empty());
  ASSERT_FALSE(rows.empty());
  SetActiveTab(1);
  for (int64_t x : columns) {
    ClearCard(1);
    const int64_t n = 41 + TopmostAlong(Axis{b.w, 10, true}, x);
    Click(b.x + x, CellRect(b, n).y + 40);
    EXPECT_EQ(Game.Cards[1].Picked[n], 1) << "x " << x << ", cell " << n;
    EXPECT_EQ(Game.Cards[1].Picked[n - 1], 0) << "x " << x << " picked the cell to the left";
  }
  for (int64_t y : rows) {
    ClearCard(1);
    const int64_t n = 3 + 10 * TopmostAlong(Axis{b.h, 8, false}, y);
    Click(CellRect(b, n).x + 40, b.y + y);
    EXPECT_EQ(Game.Cards[1].Picked[n], 1) << "y " << y << ", cell " << n;
    EXPECT_EQ(Game.Cards[1].Picked[n - 10], 0) << "y " << y << " picked the cell above";
  }
}

}  // namespace
