// X11 keysyms of the keys with a key code only onto the key queue's codes.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "console/glut/key_mapping.h"

using console::Text;
using console::glut::is_modifier_or_lock;
using console::glut::key_for_keysym;

namespace {

Text extended(int scan_code) { return Text{'\0', static_cast<char>(scan_code)}; }

TEST(KeyMapping, KeyCodeOnlyKeysGiveZeroAndTheirScanCode) {
  const struct {
    unsigned long keysym;
    int scan_code;
  } cases[] = {
      {XK_F1, 59},      {XK_F2, 60},          {XK_F5, 63},          {XK_F9, 67},        {XK_F10, 68},
      {XK_F11, 133},    {XK_F12, 134},        {XK_Home, 71},        {XK_Up, 72},        {XK_Prior, 73},
      {XK_Left, 75},    {XK_Right, 77},       {XK_End, 79},         {XK_Down, 80},      {XK_Next, 81},
      {XK_Insert, 82},  {XK_Delete, 83},      {XK_KP_Home, 71},     {XK_KP_Up, 72},     {XK_KP_Prior, 73},
      {XK_KP_Left, 75}, {XK_KP_Right, 77},    {XK_KP_End, 79},      {XK_KP_Down, 80},   {XK_KP_Next, 81},
      {XK_KP_Insert, 82}, {XK_KP_Delete, 83},
  };
  for (const auto& c : cases) EXPECT_EQ(key_for_keysym(c.keysym), extended(c.scan_code)) << "keysym " << c.keysym;
}

// These keys type their text (or nothing): they have no key code entry.
TEST(KeyMapping, OtherKeysHaveNoKeyCodeEntry) {
  const unsigned long keysyms[] = {XK_a,      XK_Z,         XK_Return, XK_KP_Enter, XK_Escape,   XK_BackSpace,
                                   XK_Tab,    XK_KP_7,      XK_KP_Begin, XK_F13,    XK_F24,      XK_Menu,
                                   XK_Print,  XK_Pause,     XK_Break,  XK_EuroSign, XK_dead_acute, XK_Multi_key,
                                   XK_Shift_L, XK_Num_Lock, 0};
  for (unsigned long keysym : keysyms) {
    EXPECT_EQ(key_for_keysym(keysym), "") << "keysym " << keysym;
  }
}

TEST(KeyMapping, ModifierAndLockKeys) {
  const unsigned long modifiers_and_locks[] = {XK_Shift_L,   XK_Shift_R,    XK_Control_L, XK_Control_R,
                                               XK_Alt_L,     XK_Alt_R,      XK_Meta_L,    XK_Super_L,
                                               XK_Super_R,   XK_Hyper_L,    XK_ISO_Level3_Shift, XK_Mode_switch,
                                               XK_Caps_Lock, XK_Shift_Lock, XK_Num_Lock,  XK_Scroll_Lock};
  for (unsigned long keysym : modifiers_and_locks) {
    EXPECT_TRUE(is_modifier_or_lock(keysym)) << "keysym " << keysym;
  }
  // Every other key pressed alone ends a hold, a key that types nothing too.
  const unsigned long other_keys[] = {XK_a,        XK_F1,        XK_Pause,     XK_Menu,   XK_Print,
                                      XK_EuroSign, XK_dead_acute, XK_Multi_key, XK_Escape, 0};
  for (unsigned long keysym : other_keys) {
    EXPECT_FALSE(is_modifier_or_lock(keysym)) << "keysym " << keysym;
  }
}

}  // namespace
