// freeglut's keyboard and special-key callbacks onto the key queue's codes.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>

#include "console/glut/key_mapping.h"

using console::Text;
using console::glut::key_for_character;
using console::glut::key_for_special;

namespace {

Text extended(int scan_code) { return Text{'\0', static_cast<char>(scan_code)}; }

}  // namespace

TEST(KeyMapping, SpecialKeysGiveZeroAndTheirScanCode) {
  const struct {
    int glut_key;
    int scan_code;
  } cases[] = {
      {GLUT_KEY_F1, 59},        {GLUT_KEY_F2, 60},       {GLUT_KEY_F5, 63},     {GLUT_KEY_F9, 67},
      {GLUT_KEY_F10, 68},       {GLUT_KEY_F11, 133},     {GLUT_KEY_F12, 134},   {GLUT_KEY_HOME, 71},
      {GLUT_KEY_UP, 72},        {GLUT_KEY_PAGE_UP, 73},  {GLUT_KEY_LEFT, 75},   {GLUT_KEY_RIGHT, 77},
      {GLUT_KEY_END, 79},       {GLUT_KEY_DOWN, 80},     {GLUT_KEY_PAGE_DOWN, 81},
      {GLUT_KEY_INSERT, 82},    {GLUT_KEY_DELETE, 83},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(key_for_special(c.glut_key), extended(c.scan_code)) << "GLUT key " << c.glut_key;
  }
}

TEST(KeyMapping, ModifierLockAndUnknownKeysAreNotQueued) {
  for (int glut_key : {GLUT_KEY_SHIFT_L, GLUT_KEY_SHIFT_R, GLUT_KEY_CTRL_L, GLUT_KEY_CTRL_R, GLUT_KEY_ALT_L,
                       GLUT_KEY_ALT_R, GLUT_KEY_SUPER_L, GLUT_KEY_SUPER_R, GLUT_KEY_NUM_LOCK, GLUT_KEY_BEGIN,
                       0, 13, 0x63, 0x78, 0xFFFF}) {
    EXPECT_EQ(key_for_special(glut_key), "") << "GLUT key " << glut_key;
  }
}

TEST(KeyMapping, AsciiCharacterKeysGiveTheirCodeAndDeleteBecomesExtended) {
  for (int character = 0; character < 128; ++character) {
    const Text key = key_for_character(static_cast<unsigned char>(character));
    if (character == 127) {
      EXPECT_EQ(key, extended(83));
    } else {
      EXPECT_EQ(key, Text(1, static_cast<char>(character))) << "character " << character;
    }
  }
}

// freeglut reports characters beyond ASCII as Latin-1; the queue holds the
// screen's code page 437.
TEST(KeyMapping, Latin1CharacterKeysGiveTheirCodePage437Byte) {
  const struct {
    int latin1;
    Text key;
  } cases[] = {
      {0xE9, "\x82"},  // é
      {0xFC, "\x81"},  // ü
      {0xE4, "\x84"},  // ä
      {0xF6, "\x94"},  // ö
      {0xDF, "\xE1"},  // ß
      {0xF1, "\xA4"},  // ñ
      {0xE7, "\x87"},  // ç
      {0xA3, "\x9C"},  // £
      {0xB0, "\xF8"},  // °
      {0xA4, ""},      // ¤: not in code page 437
      {0xBE, ""},      // ¾
      {0xA7, ""},      // §: only the control code 21 shows it
      {0x80, ""},      // C1 controls
      {0x9F, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(key_for_character(static_cast<unsigned char>(c.latin1)), c.key) << "Latin-1 " << c.latin1;
  // None of them ever queues an ASCII byte, a control code least of all.
  for (int latin1 = 128; latin1 < 256; ++latin1) {
    const Text key = key_for_character(static_cast<unsigned char>(latin1));
    EXPECT_LE(key.size(), 1u) << "Latin-1 " << latin1;
    if (!key.empty()) {
      EXPECT_GE(static_cast<unsigned char>(key[0]), 128) << "Latin-1 " << latin1;
    }
  }
}
