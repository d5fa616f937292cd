// Code page 437 against Latin-1 (typed characters) and UTF-8 (file names).
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "console/code_page.h"

using console::cp437_from_latin1;
using console::Text;
using console::utf8_from_cp437;

namespace {

// The UTF-8 form of a Latin-1 character, whose code point is its byte.
std::string utf8_of_latin1(unsigned char latin1) {
  if (latin1 < 0x80) return std::string(1, static_cast<char>(latin1));
  return {static_cast<char>(0xC0 | (latin1 >> 6)), static_cast<char>(0x80 | (latin1 & 0x3F))};
}

TEST(CodePage, Cp437FromLatin1) {
  const struct {
    int latin1;
    std::optional<int> cp437;
  } cases[] = {
      {0xE9, 130},  // é
      {0xFC, 129},  // ü
      {0xE4, 132},  // ä
      {0xF6, 148},  // ö
      {0xDF, 225},  // ß
      {0xF1, 164},  // ñ
      {0xE7, 135},  // ç
      {0xC4, 142},  // Ä
      {0xD6, 153},  // Ö
      {0xDC, 154},  // Ü
      {0xC7, 128},  // Ç
      {0xA3, 156},  // £
      {0xB0, 248},  // °
      {0xB5, 230},  // µ
      {0xBD, 171},  // ½
      {0xF7, 246},  // ÷
      {0xA0, 255},  // no-break space
      {0xA4, std::nullopt},  // ¤
      {0xBE, std::nullopt},  // ¾
      {0xA9, std::nullopt},  // ©
      {0xC0, std::nullopt},  // À
      {0xFE, std::nullopt},  // þ
      // Code page 437 draws § and ¶ at 21 and 20, which as keys would be
      // control codes.
      {0xA7, std::nullopt},
      {0xB6, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<unsigned char> want =
        c.cp437 ? std::optional<unsigned char>(static_cast<unsigned char>(*c.cp437)) : std::nullopt;
    EXPECT_EQ(cp437_from_latin1(static_cast<unsigned char>(c.latin1)), want) << "Latin-1 " << c.latin1;
  }
}

TEST(CodePage, AsciiAndNoC1ControlFromLatin1) {
  for (int byte = 0; byte < 128; ++byte)
    EXPECT_EQ(cp437_from_latin1(static_cast<unsigned char>(byte)), byte) << "Latin-1 " << byte;
  for (int byte = 128; byte < 160; ++byte)
    EXPECT_EQ(cp437_from_latin1(static_cast<unsigned char>(byte)), std::nullopt) << "Latin-1 " << byte;
}

// A typed character shows as the same character that a file name made of it
// has in UTF-8.
TEST(CodePage, MappedLatin1CharactersKeepTheirCharacterInUtf8) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::optional<unsigned char> cp437 = cp437_from_latin1(static_cast<unsigned char>(byte));
    if (!cp437) continue;
    EXPECT_EQ(utf8_from_cp437(Text(1, static_cast<char>(*cp437))), utf8_of_latin1(static_cast<unsigned char>(byte)))
        << "Latin-1 " << byte;
  }
}

TEST(CodePage, Utf8FromCp437) {
  Text control_bytes;
  for (int byte = 1; byte < 32; ++byte) control_bytes += static_cast<char>(byte);
  Text ascii;
  for (int byte = 0; byte < 128; ++byte) ascii += static_cast<char>(byte);
  const struct {
    Text cp437;
    std::string utf8;
  } cases[] = {
      {"", ""},
      {ascii, ascii},
      {control_bytes, control_bytes},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"caf\x82.txt", "café.txt"},
      {"\xB0", "░"},
      {"\xE1", "ß"},
      {"\x80\x81\x9B\xA8", "Çü¢¿"},
      {"\xC9\xCD\xBB|\xC8\xCD\xBC", "╔═╗|╚═╝"},
      {"\xE0\xE6\xEA\xF8\xFB", "αµΩ°√"},
      {"\xFF", "\u00A0"},  // no-break space
      {"C:\\gain\x94\x01.dat", "C:\\gainö\x01.dat"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8_from_cp437(c.cp437), c.utf8) << "bytes: " << c.cp437;
}

// Each byte beyond ASCII is one UTF-8 character of its own, so no two names
// typed differently open the same file.
TEST(CodePage, EachUpperByteIsItsOwnUtf8Character) {
  std::set<std::string> seen;
  for (int byte = 128; byte < 256; ++byte) {
    const std::string utf8 = utf8_from_cp437(Text(1, static_cast<char>(byte)));
    ASSERT_GE(utf8.size(), 2u) << "byte " << byte;
    const unsigned char lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead >= 0xE0 ? 3 : 2;
    EXPECT_TRUE(lead >= 0xC2 && lead <= 0xEF) << "byte " << byte;
    EXPECT_EQ(utf8.size(), length) << "byte " << byte;
    for (std::size_t at = 1; at < utf8.size(); ++at)
      EXPECT_EQ(static_cast<unsigned char>(utf8[at]) & 0xC0, 0x80) << "byte " << byte;
    EXPECT_TRUE(seen.insert(utf8).second) << "byte " << byte;
  }
}

}  // namespace
