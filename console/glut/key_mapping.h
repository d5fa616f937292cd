// What a key press of the window puts into the keyboard queue, by the key's
// X11 keysym: 0 and the PC keyboard scan code for a key with a key code only
// (function keys, cursor keys, Home, End, Page Up/Down, Insert, Delete);
// the other keys give the text that they type, as code page 437.
#pragma once

#include "console/text.h"

namespace console::glut {

// The queue entry of a key with a key code only, keypad forms included;
// empty for every other keysym.
Text key_for_keysym(unsigned long keysym);
// Shift, Ctrl, Alt, Super, AltGr and the lock keys: pressed on their own
// they are never queued and do not end a hold.
bool is_modifier_or_lock(unsigned long keysym);

}  // namespace console::glut
