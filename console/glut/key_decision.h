// What one key press does to the run: hold it (the Pause key), end a hold,
// stop it (Break), be typed into the keyboard queue, or nothing. Decided on
// plain facts about the press, so that the rules stand apart from X11.
#pragma once

namespace console::glut {

struct PressedKey {
  bool modifier_or_lock = false;  // Shift, Ctrl, Alt, AltGr or a lock key on its own
  bool pause = false;             // the Pause key
  bool break_key = false;         // Break: its own key, or the symbol that the modifiers select
  bool control = false;           // Ctrl is held down
  bool pause_already_down = false;  // the Pause key has not been released since its last press
};

enum class KeyAction {
  kNothing,    // not queued; a hold goes on
  kStop,       // a stop key: the run ends, held or not
  kStartHold,  // the run is held until the next key
  kEndHold,    // the hold ends; the key itself is not queued
  kType,       // the key's text or key code goes into the queue
};

// `held`: whether the run is held by the Pause key before this press.
KeyAction decide_key(const PressedKey& key, bool held);

}  // namespace console::glut
