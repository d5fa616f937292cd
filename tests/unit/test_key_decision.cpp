// Which key holds the run, ends a hold, stops it or is typed.
#include <gtest/gtest.h>

#include "console/glut/key_decision.h"

using console::glut::decide_key;
using console::glut::KeyAction;
using console::glut::PressedKey;

namespace {

const PressedKey kLetter{};
const PressedKey kShift{.modifier_or_lock = true};
const PressedKey kPause{.pause = true};
const PressedKey kPauseRepeat{.pause = true, .pause_already_down = true};
const PressedKey kCtrlPause{.pause = true, .control = true};
const PressedKey kCtrlPauseRepeat{.pause = true, .control = true, .pause_already_down = true};
const PressedKey kBreak{.break_key = true};
const PressedKey kCtrlLetter{.control = true};

TEST(KeyDecision, EachPressByHold) {
  const struct {
    const char* what;
    PressedKey key;
    KeyAction free;  // the run not held
    KeyAction held;  // the run held by Pause
  } cases[] = {
      {"letter", kLetter, KeyAction::kType, KeyAction::kEndHold},
      {"Ctrl+letter", kCtrlLetter, KeyAction::kType, KeyAction::kEndHold},
      {"Shift alone", kShift, KeyAction::kNothing, KeyAction::kNothing},
      {"Pause", kPause, KeyAction::kStartHold, KeyAction::kEndHold},
      {"Pause held down", kPauseRepeat, KeyAction::kNothing, KeyAction::kNothing},
      {"Ctrl+Pause", kCtrlPause, KeyAction::kStop, KeyAction::kStop},
      {"Ctrl+Pause held down", kCtrlPauseRepeat, KeyAction::kStop, KeyAction::kStop},
      {"Break", kBreak, KeyAction::kStop, KeyAction::kStop},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decide_key(c.key, false), c.free) << c.what;
    EXPECT_EQ(decide_key(c.key, true), c.held) << c.what;
  }
}

}  // namespace
