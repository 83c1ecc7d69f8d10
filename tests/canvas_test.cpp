// The shared drawing canvas: the text cache draws exactly what direct drawing draws, and it stays
// bounded; lines and rectangles land on the pixels they name.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
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

  // Texts at whole, half and odd fractional positions, in both fonts and several modes; one text
  // at three sub-pixel offsets, each of which needs its own cached coverage.
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
        {300.75, 40.5, 2, RGB(0, 0, 0), "80"},  // the same text at another sub-pixel x
        {330, 70.25, 2, RGB(0, 0, 0), "80"},    // and at another sub-pixel y
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
  // A long session drawing ever new texts (a balance counting up) keeps a bounded cache, while a
  // text drawn in every frame stays cached throughout.
  const int64_t rendersBefore = canvas::TextCacheRenders();
  for (int frame = 0; frame < 6000; ++frame) {
    ASSERT_TRUE(BeginDrawing(ScreenTarget));
    SetFont(1);
    // A char, not "$": GCC 12 at -O3 flags `"x" + std::string&&` with a false -Wrestrict.
    DrawString(5, 5, '$' + std::to_string(frame));
    DrawString(5, 25, "BALANCE");
    if (frame % 500 == 0) DrawString(5, 45, "57");  // a ball number that comes back now and then
    EndDrawing();
  }
  EXPECT_LE(canvas::TextCacheSize(), 1024);
  EXPECT_EQ(canvas::TextCacheRenders() - rendersBefore, 6000 + 2);
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
      {50, 10, RGB(0, 0, 255)}, {53, 10, RGB(0, 0, 255)}, {54, 10, 0}, {60, 10, RGB(0, 0, 255)},
      {61, 11, RGB(0, 0, 255)}, {63, 13, RGB(0, 0, 255)}, {61, 10, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(headless::PixelAt(c.x, c.y), c.colour) << c.x << "," << c.y;
}

// Draws on a cairo surface of the screen's size, the way cairo itself would draw the shapes.
class CairoReference {
 public:
  explicit CairoReference(Colour background)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 400, 200)), cr_(cairo_create(surface_)) {
    Source(background, 255);
    cairo_paint(cr_);
  }
  ~CairoReference() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  void Source(Colour c, int alpha) {
    cairo_set_source_rgba(cr_, (c & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c >> 16 & 0xFF) / 255.0, alpha / 255.0);
  }
  void Rect(int x, int y, int w, int h, Colour c, int alpha) {
    Source(c, alpha);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_fill(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  }
  void Circle(int x, int y, int r, Colour c, int alpha, bool outline) {
    Source(c, alpha);
    cairo_new_path(cr_);
    if (outline) {
      cairo_set_line_width(cr_, 1.0);
      cairo_arc(cr_, x + 0.5, y + 0.5, r, 0, 2 * M_PI);
      cairo_stroke(cr_);
    } else {
      cairo_arc(cr_, x + 0.5, y + 0.5, r + 0.5, 0, 2 * M_PI);
      cairo_fill(cr_);
    }
  }
  void Stamp(cairo_surface_t* image, int x, int y) {
    cairo_set_source_surface(cr_, image, x, y);
    cairo_paint(cr_);
  }
  // The largest difference of any colour channel between this and the screen.
  int MaxDifference() {
    cairo_surface_flush(surface_);
    const auto* ref = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface_));
    const uint32_t* got = canvas::ScreenPixels();
    int worst = 0;
    for (int i = 0; i < 400 * 200; ++i)
      for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int(ref[i] >> shift & 0xFF) - int(got[i] >> shift & 0xFF)));
    return worst;
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

TEST_F(CanvasTest, BlendedRectanglesAndImageStampsMatchCairoExactly) {
  const Colour background = RGB(0, 90, 200);
  CairoReference ref(background);
  ClearBackBuffer(background);
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  SetDrawMode(ModeAlphaBlend);
  for (int alpha : {32, 123, 215}) {
    DrawRect(10 + alpha, 10, 40, 30, RGBA(255, 130, 0, alpha));
    ref.Rect(10 + alpha, 10, 40, 30, RGB(255, 130, 0), alpha);
  }
  EndDrawing();

  // An anti-aliased image with alpha, drawn once and stamped.
  ASSERT_EQ(CreateImageBuffer(5, 60, 60, 32, RGBA(255, 255, 255, 0)), 5);
  ASSERT_TRUE(BeginVectorDrawing(5));
  SetPathPaint(RGBA(255, 255, 255, 255));
  PathMoveTo(2, 30);
  PathLineTo(58, 30);
  StrokeCurrentPath(6.67, StrokeRound);
  PathCircle(30, 30, 4.67);
  FillCurrentPath();
  EndVectorDrawing();
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 60, 60);
  {
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_set_line_width(cr, 6.67);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 2, 30);
    cairo_line_to(cr, 58, 30);
    cairo_stroke(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 30, 30, 4.67, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_destroy(cr);
  }
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  StampImage(5, 300, 100);
  StampImage(5, 370, 170);  // clipped at the right and bottom edges
  EndDrawing();
  ref.Stamp(copy, 300, 100);
  ref.Stamp(copy, 370, 170);
  cairo_surface_destroy(copy);
  EXPECT_EQ(ref.MaxDifference(), 0);
}

TEST_F(CanvasTest, CirclesMatchCairoWithinOneLevel) {
  const Colour background = RGB(150, 150, 160);
  CairoReference ref(background);
  ClearBackBuffer(background);
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  for (int r : {2, 6, 15, 40}) {
    const int x = 20 + r * 4, y = 100;
    SetDrawMode(ModeOpaque);
    DrawCircle(x, y, r, RGB(40, 180, 60));
    ref.Circle(x, y, r, RGB(40, 180, 60), 255, false);
    SetDrawMode(ModeAlphaBlend);
    DrawCircle(x - r / 3, y - r / 3, r / 3, RGBA(255, 255, 255, 90));
    ref.Circle(x - r / 3, y - r / 3, r / 3, RGB(255, 255, 255), 90, false);
    SetDrawMode(ModeOutline);
    DrawCircle(x, y, r, RGB(255, 255, 60));
    ref.Circle(x, y, r, RGB(255, 255, 60), 255, true);
  }
  DrawCircle(0, 0, 10, RGB(255, 0, 0));  // clipped at the top-left corner
  ref.Circle(0, 0, 10, RGB(255, 0, 0), 255, true);
  EndDrawing();
  EXPECT_LE(ref.MaxDifference(), 1);
}

}  // namespace
