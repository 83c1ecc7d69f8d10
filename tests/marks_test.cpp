// The high-visibility marks: with them on, every two cell states and the tube's hit and miss balls
// still differ for a player who sees no red-green or no blue-yellow difference, or no colour at
// all, either by a mark of their own or by fills far apart in brightness. The V key switches the
// marks, the ledger remembers them, and a ledger that cannot be read starts with them off.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game_fixture.h"
#include "persist/ledger.h"
#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/game_state.h"
#include "ui/ui.h"

namespace {

// A way of seeing colour: the full-severity simulation matrices of Machado, Oliveira and Fernandes
// (2009), applied to linear RGB, or greyscale (only the luminance is left).
struct Vision {
  const char* name;
  double m[3][3];
  bool grey;
};
constexpr Vision Visions[] = {
    {"protanopia",
     {{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}},
     false},
    {"deuteranopia",
     {{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}},
     false},
    {"tritanopia",
     {{1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}},
     false},
    {"greyscale", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, true},
};

double Linear(uint32_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The relative luminance of an sRGB pixel as a vision sees it (greyscale keeps exactly this).
double Luminance(uint32_t pixel, const Vision& v) {
  const double rgb[3] = {Linear(pixel >> 16 & 0xFF), Linear(pixel >> 8 & 0xFF), Linear(pixel & 0xFF)};
  double seen[3];
  for (int i = 0; i < 3; ++i) {
    const double s = v.m[i][0] * rgb[0] + v.m[i][1] * rgb[1] + v.m[i][2] * rgb[2];
    seen[i] = s < 0 ? 0 : s > 1 ? 1 : s;
  }
  return 0.2126 * seen[0] + 0.7152 * seen[1] + 0.0722 * seen[2];
}

// The WCAG contrast ratio of two luminances, 1..21.
double Contrast(double a, double b) { return a > b ? (a + 0.05) / (b + 0.05) : (b + 0.05) / (a + 0.05); }

constexpr double MinContrast = 3.0;
// The share of a shape's pixels two marks must differ in to count as different marks.
constexpr double MinMarkShare = 0.02;

uint32_t Pixel(int64_t x, int64_t y) { return canvas::ScreenPixels()[y * (canvas::ScreenStride() / 4) + x] & 0xFFFFFF; }

// What one shape (a cell or a ball) shows a vision, in device pixels relative to its corner: its
// fill, and which of its pixels contrast with the fill by MinContrast (the marks). Pixels its label
// covers are left out, as are those `ignored` says belong to every shape alike; `inside` says which
// relative pixels belong to the shape.
struct Shape {
  uint32_t fill = 0;
  int64_t w = 0, h = 0;
  std::vector<int8_t> mark;  // 1 mark, 0 fill side, -1 not looked at
};

struct Area {
  int64_t x, y, w, h;  // device pixels
};

Shape Look(const Area& a, const Area& label, uint32_t fill, const Vision& v,
           bool (*inside)(const Area&, int64_t, int64_t), const std::vector<uint32_t>& ignored) {
  Shape s;
  s.fill = fill;
  s.w = a.w;
  s.h = a.h;
  s.mark.assign(static_cast<size_t>(a.w * a.h), -1);
  const double fillLum = Luminance(fill, v);
  for (int64_t y = 0; y < a.h; ++y)
    for (int64_t x = 0; x < a.w; ++x) {
      const int64_t px = a.x + x, py = a.y + y;
      if (!inside(a, x, y)) continue;
      if (px >= label.x && px < label.x + label.w && py >= label.y && py < label.y + label.h) continue;
      const uint32_t p = Pixel(px, py);
      bool skip = false;
      for (uint32_t i : ignored) skip = skip || p == i;
      if (skip) continue;
      s.mark[static_cast<size_t>(y * a.w + x)] = Contrast(Luminance(p, v), fillLum) >= MinContrast ? 1 : 0;
    }
  return s;
}

// Whether two shapes differ by a mark: in enough of the pixels looked at in both, one has a mark
// where the other has none.
bool DifferByMark(const Shape& a, const Shape& b) {
  int64_t looked = 0, differ = 0;
  for (int64_t y = 0; y < std::min(a.h, b.h); ++y)
    for (int64_t x = 0; x < std::min(a.w, b.w); ++x) {
      const int8_t ma = a.mark[static_cast<size_t>(y * a.w + x)], mb = b.mark[static_cast<size_t>(y * b.w + x)];
      if (ma < 0 || mb < 0) continue;
      ++looked;
      differ += ma != mb ? 1 : 0;
    }
  return looked > 0 && static_cast<double>(differ) >= MinMarkShare * static_cast<double>(looked);
}

// Whether a pair is told apart by a vision: a mark, or fills MinContrast apart.
bool TellApart(const Shape& a, const Shape& b, const Vision& v) {
  return DifferByMark(a, b) || Contrast(Luminance(a.fill, v), Luminance(b.fill, v)) >= MinContrast;
}

// A cell's interior: inside its 3-pixel bevel.
bool CellInside(const Area& a, int64_t x, int64_t y) {
  const int64_t inset = 3 * headless::FrameWidth() / 1282;
  return x >= inset && y >= inset && x < a.w - inset && y < a.h - inset;
}
// A ball's face: inside its rim.
bool BallInside(const Area& a, int64_t x, int64_t y) {
  const double r = a.w / 2.0, dx = x + 0.5 - r, dy = y + 0.5 - r;
  const double scale = static_cast<double>(headless::FrameWidth()) / 1282.0;
  return std::sqrt(dx * dx + dy * dy) <= r - 1.5 * scale;
}

// The label box of a text centred on (cx, cy) in logical pixels, with its shadow and a pixel to
// spare, in device pixels.
Area LabelBox(int64_t font, int64_t n, double cx, double cy, int64_t scale) {
  SetFont(font);
  const std::string text = std::to_string(n);
  const double w = StringWidth(text), h = StringHeight(text);
  return {static_cast<int64_t>((cx - w / 2 - 2) * scale), static_cast<int64_t>((cy - h / 2 - 2) * scale),
          static_cast<int64_t>((w + 5) * scale), static_cast<int64_t>((h + 5) * scale)};
}

// Card 1 picks 5 and 12, the draw brings 12 and 40: 12 is a hit, 5 picked, 40 drawn, 60 idle.
constexpr int64_t HitN = 12, PickedN = 5, DrawnN = 40, IdleN = 60;

class Marks : public GameFixture, public ::testing::WithParamInterface<int64_t> {
 protected:
  int64_t Scale() const override { return GetParam(); }
  void SetUp() override {
    GameFixture::SetUp();
    Game.SoundOn = 0;
    rules_test::Pick(1, {PickedN, HitN});
    Game.Speed = 5;
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    rules_test::RigDraw({HitN, DrawnN, 2, 3, 4, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21});
    for (int guard = 0; guard < 2000 && (Game.Drawing == 1 || Game.BallAnimRunning == 1); ++guard)
      ASSERT_TRUE(Run(10, 10));
    ASSERT_EQ(Game.Drawing, 0);
  }

  // The four cells as a vision sees them on the tab shown now, in the order hit, drawn, picked, idle.
  std::vector<Shape> Cells(const Vision& v) {
    const int64_t s = GetParam();
    std::vector<Shape> out;
    for (int64_t n : {HitN, DrawnN, PickedN, IdleN}) {
      const Rect box = CellRect(Game.BoardRect, n);
      const Area a{box.x * s, box.y * s, box.w * s, box.h * s};
      // The fill is sampled at the middle of the right edge, inside the bevel, where no mark lies.
      const uint32_t fill = Pixel((box.x + box.w - 5) * s, (box.y + box.h / 2) * s);
      const Area label = LabelBox(Game.FontCellNumber, n, box.x + box.w / 2.0, box.y + box.h / 2.0, s);
      out.push_back(Look(a, label, fill, v, CellInside, {}));
    }
    return out;
  }

  // The tube's hit ball (ball 1) and miss ball (ball 3) as a vision sees them. The chain's links
  // and rims are left out: they cross every ball alike.
  std::vector<Shape> Balls(const Vision& v) {
    const int64_t s = GetParam();
    const BallTubeGeometry g = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH);
    std::vector<Shape> out;
    for (int64_t k : {1, 3}) {
      const BallSlot c = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
      const int64_t bx = Game.BallsPanelX + c.x, by = Game.BallsPanelY + c.y;
      const Area a{(bx - g.r) * s, (by - g.r) * s, (2 * g.r + 1) * s, (2 * g.r + 1) * s};
      // The body's colour below the centre, clear of the shine, the label and the ring.
      const uint32_t fill = Pixel(bx * s, (by + g.r * 3 / 5) * s);
      const Area label = LabelBox(Game.FontButton, Game.DrawOrder[k], bx, by, s);
      out.push_back(Look(a, label, fill, v, BallInside, {RGB(45, 45, 58), RGB(65, 65, 65)}));
    }
    return out;
  }
};

const char* const CellNames[] = {"hit", "drawn", "picked", "idle"};

// Every pair of the four cells, on Card 1's tab and on Main, and the hit and miss balls, are told
// apart by every vision once the marks are on.
TEST_P(Marks, EveryPairDiffersByShapeOrBrightness) {
  Game.HighVisibilityMarks = 1;
  for (int64_t tab : {1, 0}) {
    SetActiveTab(tab);
    ASSERT_TRUE(Frame());
    for (const Vision& v : Visions) {
      const std::vector<Shape> cells = Cells(v);
      for (size_t i = 0; i < cells.size(); ++i)
        for (size_t j = i + 1; j < cells.size(); ++j)
          EXPECT_TRUE(TellApart(cells[i], cells[j], v))
              << "tab " << tab << ", " << v.name << ": " << CellNames[i] << " and " << CellNames[j];
      const std::vector<Shape> balls = Balls(v);
      EXPECT_TRUE(TellApart(balls[0], balls[1], v)) << "tab " << tab << ", " << v.name << ": hit and miss balls";
    }
  }
}

// Without the marks the criterion is not met: colour alone does not tell a drawn cell from an idle
// one, nor a hit ball from a missed one, for a deuteranope. (So the test above measures the marks.)
TEST_P(Marks, WithoutTheMarksColourAloneFails) {
  ASSERT_EQ(Game.HighVisibilityMarks, 0);
  SetActiveTab(1);
  ASSERT_TRUE(Frame());
  const Vision& deuteranopia = Visions[1];
  const std::vector<Shape> cells = Cells(deuteranopia);
  EXPECT_FALSE(TellApart(cells[1], cells[3], deuteranopia));
  const std::vector<Shape> balls = Balls(deuteranopia);
  EXPECT_FALSE(TellApart(balls[0], balls[1], deuteranopia));
}

INSTANTIATE_TEST_SUITE_P(Scales, Marks, ::testing::Values(1, 2));

// The V key switches the marks, and the ledger brings them back at the next start.
TEST(MarksSetting, TheVKeySwitchesThemAndTheLedgerRemembers) {
  headless::Reset(2);
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(Game.HighVisibilityMarks, 0);
  auto tapV = [] {
    headless::SetKey(KeyMarks, true);
    RunFrame();
    headless::SetKey(KeyMarks, false);
    RunFrame();
  };
  tapV();
  EXPECT_EQ(Game.HighVisibilityMarks, 1);
  Shutdown();
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(Game.HighVisibilityMarks, 1);
  tapV();
  EXPECT_EQ(Game.HighVisibilityMarks, 0);
  Shutdown();
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(Game.HighVisibilityMarks, 0);
  Shutdown();
}

// A ledger that cannot be read starts the game with the marks off, whatever it held.
TEST(MarksSetting, AnUnreadableLedgerStartsWithThemOff) {
  namespace fs = std::filesystem;
  const struct {
    const char* name;
    void (*spoil)(const std::string& path);
  } cases[] = {
      {"garbage bytes",
       [](const std::string& path) {
         fs::remove(path + "-wal");
         std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(8192, 'x');
       }},
      {"a folder in its place",
       [](const std::string& path) {
         fs::remove(path);
         fs::remove(path + "-wal");
         fs::create_directory(path);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Reset(3);
    ASSERT_TRUE(StartUp());
    const std::string path = LedgerPath();
    ASSERT_TRUE(LedgerSetSetting(MarksSettingKey, 1));
    Shutdown();
    c.spoil(path);
    ASSERT_TRUE(StartUp());
    EXPECT_EQ(Game.HighVisibilityMarks, 0);
    Shutdown();
  }
}

}  // namespace
