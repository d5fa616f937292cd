#include "console/glut/key_decision.h"

namespace console::glut {

KeyAction decide_key(const PressedKey& key, bool held) {
  // A modifier alone is part of the next key, not a key of its own.
  if (key.modifier_or_lock) return KeyAction::kNothing;
  // On a PC keyboard Ctrl turns the Pause key into Break.
  if (key.break_key || (key.pause && key.control)) return KeyAction::kStop;
  if (key.pause) {
    // Pause held down repeats; it counts as one press.
    if (key.pause_already_down) return KeyAction::kNothing;
    return held ? KeyAction::kEndHold : KeyAction::kStartHold;
  }
  // Any other key ends a hold, also one that types nothing.
  return held ? KeyAction::kEndHold : KeyAction::kType;
}

}  // namespace console::glut
