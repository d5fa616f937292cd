// The one place where the screen's character set meets Linux. The text
// screen shows IBM code page 437, while Linux names files in UTF-8 and
// freeglut reports typed characters as Latin-1; these conversions carry a
// character from one side to the other.
#pragma once

#include <optional>

#include "console/text.h"

namespace console {

// The code-page-437 byte of the Latin-1 character `latin1` (0..255), or
// nothing where code page 437 has no such character.
std::optional<unsigned char> cp437_from_latin1(unsigned char latin1);
// A text of code-page-437 bytes as UTF-8: bytes below 128 pass unchanged,
// bytes 128..255 become the UTF-8 form of their CP437 character.
std::string utf8_from_cp437(const Text& text);

}  // namespace console
