// Build-time tool: turns an 8 x 16 PSF1 console font (gzip-compressed, with a
// Unicode map) into the 256 glyphs of code page 437, in code-page order.
//
//   font_table_generator <font.psf.gz> <out.inc> <out.bin>
//
// out.inc holds the 4096 bytes as a C++ initializer list (16 rows per glyph,
// top row first, bit 7 the leftmost pixel); out.bin holds the same bytes raw
// for the window tests, which read cells back from screenshots.
//
// A font without a glyph for one of the codes 1 to 255 fails the build.
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// The Unicode character that each code-page-437 byte shows.
constexpr std::array<uint16_t, 256> kCp437ToUnicode = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 00
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 10
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302,
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr int kGlyphHeight = 16;

bool fail(const std::string& message) {
  std::fprintf(stderr, "font_table_generator: %s\n", message.c_str());
  return false;
}

bool read_gzip(const char* path, std::vector<uint8_t>& bytes) {
  gzFile file = gzopen(path, "rb");
  if (file == nullptr) return fail(std::string("cannot open ") + path);
  std::array<uint8_t, 4096> chunk{};
  int got = 0;
  while ((got = gzread(file, chunk.data(), chunk.size())) > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  gzclose(file);
  if (got < 0) return fail(std::string("cannot decompress ") + path);
  return true;
}

// Reads a PSF1 font into its glyphs and the map from Unicode to glyph index.
bool parse_psf1(const std::vector<uint8_t>& font, std::vector<std::array<uint8_t, kGlyphHeight>>& glyphs,
                std::map<uint16_t, int>& glyph_of) {
  if (font.size() < 4 || font[0] != 0x36 || font[1] != 0x04) return fail("not a PSF1 font");
  const uint8_t mode = font[2];
  const int height = font[3];
  if (height != kGlyphHeight) return fail("the font's glyphs are not 8 x 16");
  if ((mode & 0x06) == 0) return fail("the font has no Unicode map");
  const int count = (mode & 0x01) ? 512 : 256;
  std::size_t pos = 4;
  if (font.size() < pos + static_cast<std::size_t>(count) * height) return fail("the font is truncated");
  glyphs.resize(count);
  for (int g = 0; g < count; ++g) {
    for (int row = 0; row < height; ++row) glyphs[g][row] = font[pos++];
  }
  // The map: per glyph, 16-bit little-endian code points up to 0xFFFF;
  // 0xFFFE starts sequences of combining characters, which we skip.
  for (int g = 0; g < count; ++g) {
    bool in_sequence = false;
    for (;;) {
      if (pos + 2 > font.size()) return fail("the font's Unicode map is truncated");
      const uint16_t code = static_cast<uint16_t>(font[pos] | (font[pos + 1] << 8));
      pos += 2;
      if (code == 0xFFFF) break;
      if (code == 0xFFFE) in_sequence = true;
      if (!in_sequence) glyph_of.emplace(code, g);  // the first glyph listed wins
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: font_table_generator <font.psf.gz> <out.inc> <out.bin>\n");
    return 2;
  }
  std::vector<uint8_t> font;
  std::vector<std::array<uint8_t, kGlyphHeight>> glyphs;
  std::map<uint16_t, int> glyph_of;
  if (!read_gzip(argv[1], font) || !parse_psf1(font, glyphs, glyph_of)) return 1;

  // Code 0 stays blank. The font must have every other glyph: one drawn
  // blank would look like a space on the screen.
  std::vector<uint8_t> table(256 * kGlyphHeight, 0);
  std::string missing_codes;
  for (int code = 1; code < 256; ++code) {
    auto found = glyph_of.find(kCp437ToUnicode[code]);
    if (found == glyph_of.end()) {
      missing_codes += " " + std::to_string(code);
      continue;
    }
    for (int row = 0; row < kGlyphHeight; ++row) table[code * kGlyphHeight + row] = glyphs[found->second][row];
  }
  if (!missing_codes.empty()) {
    std::fprintf(stderr, "font_table_generator: %s has no glyph for the code-page-437 codes%s\n", argv[1],
                 missing_codes.c_str());
    return 1;
  }

  std::ofstream inc(argv[2]);
  for (int code = 0; code < 256; ++code) {
    inc << "{";
    for (int row = 0; row < kGlyphHeight; ++row) {
      inc << static_cast<int>(table[code * kGlyphHeight + row]) << (row + 1 < kGlyphHeight ? "," : "");
    }
    inc << "},\n";
  }
  std::ofstream bin(argv[3], std::ios::binary);
  bin.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
  if (!inc || !bin) {
    std::fprintf(stderr, "font_table_generator: cannot write the glyph table\n");
    return 1;
  }
  return 0;
}
