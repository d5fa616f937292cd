// The one place where the screen's character set meets Linux. The text
// screen shows IBM code page 437, while Linux names files in UTF-8 and the
// keyboard's input method types UTF-8 text; these conversions carry a
// character from one side to the other.
#pragma once

#include "console/text.h"

namespace console {

// Typed UTF-8 text as code-page-437 bytes, one per character: ASCII as it
// is, every other character that code page 437 has as its byte 128..255.
// A character that it lacks, and a byte that is not valid UTF-8, give
// nothing.
Text cp437_from_utf8(const std::string& utf8);
// A text of code-page-437 bytes as UTF-8: bytes below 128 pass unchanged,
// bytes 128..255 become the UTF-8 form of their CP437 character.
std::string utf8_from_cp437(const Text& text);

}  // namespace console
