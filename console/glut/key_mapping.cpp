#include "console/glut/key_mapping.h"

#include <GL/freeglut.h>

#include "console/code_page.h"

namespace console::glut {

namespace {

constexpr char kDeleteScanCode = 83;

Text extended(char scan_code) { return Text{'\0', scan_code}; }

}  // namespace

Text key_for_character(unsigned char character) {
  if (character == 127) return extended(kDeleteScanCode);
  const std::optional<unsigned char> cp437 = cp437_from_latin1(character);
  if (!cp437) return Text();
  return Text(1, static_cast<char>(*cp437));
}

Text key_for_special(int glut_key) {
  if (glut_key >= GLUT_KEY_F1 && glut_key <= GLUT_KEY_F10) {
    return extended(static_cast<char>(59 + (glut_key - GLUT_KEY_F1)));
  }
  switch (glut_key) {
    case GLUT_KEY_F11: return extended(static_cast<char>(133));
    case GLUT_KEY_F12: return extended(static_cast<char>(134));
    case GLUT_KEY_HOME: return extended(71);
    case GLUT_KEY_UP: return extended(72);
    case GLUT_KEY_PAGE_UP: return extended(73);
    case GLUT_KEY_LEFT: return extended(75);
    case GLUT_KEY_RIGHT: return extended(77);
    case GLUT_KEY_END: return extended(79);
    case GLUT_KEY_DOWN: return extended(80);
    case GLUT_KEY_PAGE_DOWN: return extended(81);
    case GLUT_KEY_INSERT: return extended(82);
    case GLUT_KEY_DELETE: return extended(kDeleteScanCode);
    default: return Text();  // Shift, Ctrl, Alt, Super, Num Lock, keypad 5 ...
  }
}

}  // namespace console::glut
