// What a key press reported by freeglut puts into the keyboard queue: one
// byte for a key with a character code (in code page 437, the screen's
// character set), 0 and the PC keyboard scan code for a key with a key code
// only, nothing for the rest (modifier and lock keys on their own, keys
// without a scan code here, characters that code page 437 lacks).
#pragma once

#include "console/text.h"

namespace console::glut {

// The keyboard callback's character. freeglut reports characters beyond
// ASCII as Latin-1; they are queued as their code-page-437 byte, or not at
// all where code page 437 has no such character. Delete, reported as 127,
// becomes 0, 83.
Text key_for_character(unsigned char character);
// The special-key callback's GLUT_KEY_* code; empty when it is not queued.
Text key_for_special(int glut_key);

}  // namespace console::glut
