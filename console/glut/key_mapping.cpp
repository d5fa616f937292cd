#include "console/glut/key_mapping.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace console::glut {

namespace {

Text extended(int scan_code) { return Text{'\0', static_cast<char>(scan_code)}; }

}  // namespace

Text key_for_keysym(unsigned long keysym) {
  if (keysym >= XK_F1 && keysym <= XK_F10) return extended(59 + static_cast<int>(keysym - XK_F1));
  switch (keysym) {
    case XK_F11: return extended(133);
    case XK_F12: return extended(134);
    case XK_Home: case XK_KP_Home: return extended(71);
    case XK_Up: case XK_KP_Up: return extended(72);
    case XK_Prior: case XK_KP_Prior: return extended(73);
    case XK_Left: case XK_KP_Left: return extended(75);
    case XK_Right: case XK_KP_Right: return extended(77);
    case XK_End: case XK_KP_End: return extended(79);
    case XK_Down: case XK_KP_Down: return extended(80);
    case XK_Next: case XK_KP_Next: return extended(81);
    case XK_Insert: case XK_KP_Insert: return extended(82);
    // Delete types the character 127; it is queued as its key code.
    case XK_Delete: case XK_KP_Delete: return extended(83);
    default: return Text();
  }
}

bool is_modifier_or_lock(unsigned long keysym) {
  // IsModifierKey covers Shift, Ctrl, Caps and Shift Lock, Meta, Alt, Super,
  // Hyper, the ISO level and group keys, Mode_switch and Num Lock.
  return IsModifierKey(keysym) || keysym == XK_Scroll_Lock;
}

}  // namespace console::glut
