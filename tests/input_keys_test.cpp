// The keys that step and the mouse wheel as the back ends queue them: presses, auto-repeats and
// releases in order with Space and Escape as they always were, wheel steps one edge each at the
// pointer, and a box or a loss of focus dropping them like any other edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/headless.h"
#include "platform/input_latch.h"
#include "platform/platform.h"

namespace {

// An edge as a test reads it.
struct Seen {
  bool mouse;
  int64_t code;
  bool down;
  bool repeat;
  int64_t x, y;
  bool operator==(const Seen&) const = default;
};

// Every edge queued now, oldest first.
std::vector<Seen> Drain(InputDevices& input) {
  std::vector<Seen> seen;
  InputEdge e{};
  while (input.Take(e)) seen.push_back({e.mouse, e.code, e.down, e.repeat, e.x, e.y});
  return seen;
}

// A key event as a back end delivers it: the key, and whether it is a press (a press of a held
// key is the system's auto-repeat).
struct KeyEvent {
  int64_t key;
  bool press;
};

TEST(InputKeys, AutoRepeatGivesPressesOnlyForTheKeysThatStep) {
  struct Row {
    const char* name;
    std::vector<KeyEvent> events;
    std::vector<Seen> edges;
  } rows[] = {
      {"Left held through two repeats",
       {{KeyLeft, true}, {KeyLeft, true}, {KeyLeft, true}, {KeyLeft, false}},
       {{false, KeyLeft, true, false, -1, -1},
        {false, KeyLeft, true, true, -1, -1},
        {false, KeyLeft, true, true, -1, -1},
        {false, KeyLeft, false, false, -1, -1}}},
      {"Space held through repeats: one press, one release",
       {{KeySpace, true}, {KeySpace, true}, {KeySpace, true}, {KeySpace, false}},
       {{false, KeySpace, true, false, -1, -1}, {false, KeySpace, false, false, -1, -1}}},
      {"Escape likewise",
       {{KeyEscape, true}, {KeyEscape, true}, {KeyEscape, false}},
       {{false, KeyEscape, true, false, -1, -1}, {false, KeyEscape, false, false, -1, -1}}},
      {"H and Enter interleaved keep their order",
       {{KeyH, true}, {KeyEnter, true}, {KeyH, true}, {KeyEnter, false}, {KeyH, false}},
       {{false, KeyH, true, false, -1, -1},
        {false, KeyEnter, true, false, -1, -1},
        {false, KeyH, true, true, -1, -1},
        {false, KeyEnter, false, false, -1, -1},
        {false, KeyH, false, false, -1, -1}}},
      {"a release of a key not held is no edge", {{KeyPageDown, false}}, {}},
  };
  for (const Row& row : rows) {
    InputDevices input;
    for (const KeyEvent& e : row.events) input.Key(e.key, e.press);
    EXPECT_EQ(Drain(input), row.edges) << row.name;
  }
}

// The keys that move or step repeat; the keys that switch or choose something (Space, Escape, V,
// M, A, F1, F10, Menu, the digits) give one press per press, so holding one never flips it back.
TEST(InputKeys, TheKeysThatStepRepeatAndTheKeysThatSwitchDoNot) {
  const std::vector<int64_t> once = {KeySpace,  KeyEscape, KeyMarks,  KeySound,  KeyChart,  KeyHelp, KeyF10,
                                     KeyMenu,   KeyDigit0, KeyDigit1, KeyDigit2, KeyDigit3, KeyDigit4};
  for (int64_t key = 0; key < KeyCount; ++key) {
    InputDevices input;
    input.Key(key, true);
    input.Key(key, true);
    const std::vector<Seen> edges = Drain(input);
    const bool steps = std::find(once.begin(), once.end(), key) == once.end();
    EXPECT_EQ(edges.size(), steps ? 2u : 1u) << "key " << key;
    EXPECT_EQ(KeyRepeats(key), steps) << "key " << key;
  }
}

// Shift travels with each key edge as it was when the key went down or repeated, so Shift+Tab
// goes backwards and Shift+F10 is a right click even when Shift is let go first.
TEST(InputKeys, ShiftIsKeptOnEachEdge) {
  InputDevices input;
  input.Key(KeyTab, true, true);
  input.Key(KeyTab, true, false);
  input.Key(KeyTab, false, false);
  input.Key(KeyF10, true, true);
  InputEdge e{};
  const bool expected[] = {true, false, false, true};
  for (bool shift : expected) {
    ASSERT_TRUE(input.Take(e));
    EXPECT_EQ(e.shift, shift) << "key " << e.code << (e.down ? " press" : " release");
  }
  EXPECT_FALSE(input.Take(e));
}

TEST(InputKeys, WheelStepsAreOnePressEachAtThePointer) {
  InputDevices input;
  input.pointerX = 300;
  input.pointerY = 200;
  input.Wheel(2);
  input.pointerX = 310;
  input.Wheel(-3);
  input.Wheel(0);
  const std::vector<Seen> edges = Drain(input);
  const std::vector<Seen> expected = {
      {true, MouseWheelUp, true, false, 300, 200},   {true, MouseWheelUp, true, false, 300, 200},
      {true, MouseWheelDown, true, false, 310, 200}, {true, MouseWheelDown, true, false, 310, 200},
      {true, MouseWheelDown, true, false, 310, 200},
  };
  EXPECT_EQ(edges, expected);
  input.SampleMouse();
  EXPECT_FALSE(input.ButtonHeld(MouseWheelUp)) << "a wheel step holds nothing";
  EXPECT_FALSE(input.Unsampled()) << "once taken, wheel steps leave nothing waiting";
}

// Through the headless back end, as the game takes them: a wheel step or a repeat ends a wait, and
// a box shown drops the ones queued.
TEST(InputKeys, HeadlessQueuesThemForTheGameAndABoxDropsThem) {
  headless::Reset();
  headless::SetPointer(100, 120);
  headless::SetKey(KeyDown, true);
  headless::SetKey(KeyDown, true);
  headless::QueueWheel(-1);
  InputEdge e{};
  ASSERT_TRUE(NextInputEdge(e));
  EXPECT_TRUE(!e.mouse && e.code == KeyDown && e.down && !e.repeat);
  ASSERT_TRUE(NextInputEdge(e));
  EXPECT_TRUE(!e.mouse && e.code == KeyDown && e.down && e.repeat);
  ASSERT_TRUE(NextInputEdge(e));
  EXPECT_TRUE(e.mouse && e.code == MouseWheelDown && e.down && e.x == 100 && e.y == 120);
  EXPECT_FALSE(NextInputEdge(e));
  headless::SetKey(KeyDown, false);
  ASSERT_TRUE(NextInputEdge(e));
  SampleKeyboard();
  SampleMouse();

  const int64_t t0 = NowMs();
  headless::At(t0 + 50, [] { headless::QueueWheel(1); });
  WaitForEvent(1000);
  EXPECT_EQ(NowMs(), t0 + 50) << "a wheel step ends the wait";
  WaitForEvent(1000);
  EXPECT_EQ(NowMs(), t0 + 51) << "a step not yet taken does not wait";

  headless::SetKey(KeyHome, true);
  ShowMessageBox("t", "x", BoxOk);
  EXPECT_FALSE(NextInputEdge(e)) << "a box drops the queued steps and keys";
  SampleKeyboard();
  EXPECT_EQ(KeyHeld(KeyHome), 0);
}

}  // namespace
