// Code page 437 against UTF-8: typed text and file names.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "console/code_page.h"

using console::cp437_from_utf8;
using console::Text;
using console::utf8_from_cp437;

namespace {

TEST(CodePage, Cp437FromUtf8) {
  Text ascii;
  for (int byte = 0; byte < 128; ++byte) ascii += static_cast<char>(byte);
  const struct {
    std::string utf8;
    Text cp437;
  } cases[] = {
      {"", ""},
      {ascii, ascii},  // control codes and Delete included
      {"é", "\x82"},
      {"á", "\xA0"},
      {"ü", "\x81"},
      {"ß", "\xE1"},
      {"Ç£°½÷", "\x80\x9C\xF8\xAB\xF6"},
      {"\u00A0", "\xFF"},  // no-break space
      // Greek letters and signs beyond Latin-1.
      {"Ω", "\xEA"},
      {"α", "\xE0"},
      {"π", "\xE3"},
      {"Σ", "\xE4"},
      {"µ", "\xE6"},  // the micro sign
      {"∞", "\xEC"},
      {"─╬░", "\xC4\xCE\xB0"},
      // Characters that code page 437 lacks give nothing.
      {"€", ""},
      {"ω", ""},
      // Greek beta and mu and the ohm sign share the glyphs of sharp s,
      // the micro sign and capital omega.
      {"β", "\xE1"},
      {"μ", "\xE6"},
      {"\u2126", "\xEA"},
      {"aβμ\u2126b", "a\xE1\xE6\xEA" "b"},
      {"À", ""},
      {"Ж", ""},
      {"😀", ""},
      // Code page 437 draws these only at 21 and 20, which as keys would be
      // control codes.
      {"§", ""},
      {"¶", ""},
      {"a€b", "ab"},
      {"café.txt", "caf\x82.txt"},
      // Bytes that are not UTF-8 give nothing either.
      {"a\x80" "b", "ab"},
      {"\xC3", ""},
      {"\xC3(", "("},
      {"\xC0\xA9", ""},
      {"\xFF\xFE", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(cp437_from_utf8(c.utf8), c.cp437) << "UTF-8: " << c.utf8;
}

// A typed character shows as the same character that a file name made of it
// has in UTF-8, for each of the 128 characters beyond ASCII.
TEST(CodePage, EveryUpperCharacterComesBackFromItsUtf8) {
  for (int byte = 128; byte < 256; ++byte) {
    const Text cp437(1, static_cast<char>(byte));
    EXPECT_EQ(cp437_from_utf8(utf8_from_cp437(cp437)), cp437) << "byte " << byte;
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
