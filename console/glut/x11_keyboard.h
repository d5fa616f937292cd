// The window's keyboard, read on the platform's own X11 connection: every
// key press in the order in which the server sent it, so that the Pause
// key's hold, Break and the queued keys are decided on one stream. Text
// comes through an X input method, so dead keys and Compose sequences type
// their composed character.
#pragma once

#include <vector>

#include "console/text.h"

typedef struct _XDisplay Display;
typedef struct _XIM* XIM;
typedef struct _XIC* XIC;
typedef union _XEvent XEvent;

namespace console::glut {

// What the key presses read in one go come to, taken in the order in which
// they were pressed.
struct KeyBatch {
  std::vector<Text> keys;  // queue entries (1 or 2 bytes), oldest first
  bool hold = false;       // the Pause key's hold: as before the keys, then as after them
  bool stop = false;       // Break, or Ctrl+Pause: a stop key
};

class X11Keyboard {
 public:
  // Makes the character type (LC_CTYPE) UTF-8, as the input method needs:
  // the environment's where that is UTF-8, else C.UTF-8. No other locale
  // category changes, so no number is written differently. Call it before
  // any thread starts.
  static void use_utf8_character_type();

  // Opens the input method and its input context for `window`, and has the
  // server report a held key's repeats as presses alone. Without an input
  // method keys still work, uncomposed. Returns the events that the input
  // method needs selected on the window besides key presses and releases.
  long open(Display* display, unsigned long window);

  // Takes one event of the connection into `batch`; false when the event is
  // not the keyboard's.
  bool handle(XEvent& event, KeyBatch& batch);

 private:
  void key_pressed(XEvent& event, KeyBatch& batch);
  // The queue entries of a key press that the input method let through.
  void type_key(XEvent& event, KeyBatch& batch);

  Display* display_ = nullptr;
  XIM input_method_ = nullptr;
  XIC input_context_ = nullptr;
  unsigned pause_keycode_down_ = 0;  // the Pause key's code while it is held down
};

}  // namespace console::glut
