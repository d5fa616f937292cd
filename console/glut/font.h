// The glyphs of the text window: code page 437 in an 8 x 16 VGA console
// font, generated at build time from the installed Debian console font.
#pragma once

#include <array>
#include <cstdint>

namespace console::glut {

constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 16;

// 16 rows per character code, top row first; bit 7 is the leftmost pixel.
using Glyph = std::array<uint8_t, kGlyphHeight>;
extern const std::array<Glyph, 256> kGlyphs;

}  // namespace console::glut
