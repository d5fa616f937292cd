// What a key press reported by freeglut puts into the keyboard queue: one
// byte for a key with a character code, 0 and the PC keyboard scan code for
// a key with a key code only, nothing for the rest (modifier and lock keys on
// their own, keys without a scan code here).
#pragma once

#include "console/text.h"

namespace console::glut {

// The keyboard callback's character (Delete, reported as 127, becomes 0, 83).
Text key_for_character(unsigned char character);
// The special-key callback's GLUT_KEY_* code; empty when it is not queued.
Text key_for_special(int glut_key);

}  // namespace console::glut
