// The shared drawing canvas: the text cache draws exactly what direct drawing draws, and it stays
// bounded; lines and rectangles land on the pixels they name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset(1);
    ASSERT_TRUE(canvas::OpenScreen(400, 200));
    ASSERT_EQ(LoadFontFace(1, "Segoe UI", 13), 1);
    ASSERT_EQ(LoadFontFace(2, "Segoe UI", 27, FontBold), 2);
  }
  void TearDown() override {
    canvas::SetTextCacheEnabled(true);
    canvas::ReleaseAll();
  }

  std::vector<uint32_t> Snapshot() {
    const uint32_t* p = canvas::ScreenPixels();
    const int64_t words = canvas::ScreenStride() / 4 * canvas::ScreenHeight();
    std::vector<uint32_t> out(p, p + words);
    for (auto& px : out) px &= 0xFFFFFF;  // the alpha byte of the screen is undefined
    return out;
  }

  // Texts at whole, half and odd fractional positions, in both fonts and several modes.
  void DrawTexts() {
    ClearBackBuffer(RGB(20, 30, 70));
    ASSERT_TRUE(BeginDrawing(ScreenTarget));
    SetDrawMode(ModeTransparentText);
    const struct {
      double x, y;
      int64_t font;
      Colour pen;
      const char* text;
    } items[] = {
        {10, 10, 1, RGB(255, 255, 255), "Draw Numbers"},
        {10.5, 40, 1, RGB(255, 215, 0), "$1M"},
        {200.25, 40.5, 2, RGB(0, 0, 0), "80"},
        {-3.5, 120, 2, RGB(255, 120, 120), "CASINO payouts"},
        {390, 190, 1, RGB(180, 210, 255), "edge"},
        {60, 150, 1, RGB(220, 220, 230), "Click Draw Numbers \xE2\x80\x94 20 balls"},
    };
    for (const auto& item : items) {
      SetFont(item.font);
      SetPenColor(item.pen);
      DrawString(item.x, item.y, item.text);
    }
    SetDrawMode(ModeAlphaBlend);
    SetPenColor(RGBA(255, 255, 255, 90));
    DrawString(100, 100, "blend");
    EndDrawing();
  }
};

TEST_F(CanvasTest, CachedTextIsPixelIdenticalToDirectText) {
  canvas::SetTextCacheEnabled(false);
  DrawTexts();
  const auto direct = Snapshot();
  canvas::SetTextCacheEnabled(true);
  DrawTexts();  // fills the cache
  EXPECT_EQ(Snapshot(), direct);
  DrawTexts();  // draws from the cache
  EXPECT_EQ(Snapshot(), direct);
  EXPECT_GT(canvas::TextCacheSize(), 0);
}

TEST_F(CanvasTest, CachedMeasurementsMatchAndFollowFontReloads) {
  SetFont(1);
  canvas::SetTextCacheEnabled(false);
  const double w13 = StringWidth("Payout Table"), h13 = StringHeight("M");
  canvas::SetTextCacheEnabled(true);
  EXPECT_EQ(StringWidth("Payout Table"), w13);
  EXPECT_EQ(StringHeight("M"), h13);
  ASSERT_EQ(LoadFontFace(1, "Segoe UI", 26), 1);  // same number, twice the size
  EXPECT_GT(StringWidth("Payout Table"), w13 * 1.5);
}

TEST_F(CanvasTest, CacheForgetsTextsThatAreNoLongerDrawn) {
  // A long session drawing ever new texts (a balance counting up) keeps a bounded cache.
  for (int frame = 0; frame < 6000; ++frame) {
    ASSERT_TRUE(BeginDrawing(ScreenTarget));
    SetFont(1);
    DrawString(5, 5, "$" + std::to_string(frame));
    EndDrawing();
  }
  EXPECT_LE(canvas::TextCacheSize(), 4096);
}

TEST_F(CanvasTest, LinesAndRectanglesCoverExactlyTheirPixels) {
  ClearBackBuffer(RGB(0, 0, 0));
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  SetDrawMode(ModeOpaque);
  DrawRect(10, 10, 5, 3, RGB(255, 0, 0));
  SetDrawMode(ModeOutline);
  DrawRect(30, 10, 6, 4, RGB(0, 255, 0));
  SetDrawMode(ModeOpaque);
  SetPenColor(RGB(0, 0, 255));
  DrawLineWH(50, 10, 4, 1);  // (50,10) to (53,10)
  DrawLine(60, 10, 63, 13);  // a diagonal, both ends included
  EndDrawing();
  struct Case {
    int64_t x, y;
    Colour colour;
  } cases[] = {
      {10, 10, RGB(255, 0, 0)}, {14, 12, RGB(255, 0, 0)}, {15, 12, 0}, {14, 13, 0},
      {30, 10, RGB(0, 255, 0)}, {35, 13, RGB(0, 255, 0)}, {32, 11, 0}, {36, 13, 0},
      {50, 10, RGB(0, 0, 255)}, {53, 10, RGB(0, 0, 255)}, {54, 10, 0},
      {60, 10, RGB(0, 0, 255)}, {61, 11, RGB(0, 0, 255)}, {63, 13, RGB(0, 0, 255)}, {61, 10, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(headless::PixelAt(c.x, c.y), c.colour) << c.x << "," << c.y;
}

}  // namespace
