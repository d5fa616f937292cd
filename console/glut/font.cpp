#include "console/glut/font.h"

namespace console::glut {

const std::array<Glyph, 256> kGlyphs = {{
#include "cp437_glyphs.inc"
}};

}  // namespace console::glut
