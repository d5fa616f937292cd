#include "console/code_page.h"

#include <iconv.h>

#include <array>
#include <optional>
#include <string>

namespace console {

namespace {

constexpr int kFirstBeyondAscii = 128;

using ConversionTable = std::array<std::optional<std::string>, 256>;

// One character of the converter's source set in its target set, or
// nothing where the target has no such character.
std::optional<std::string> convert(iconv_t converter, std::string character) {
  char* in = character.data();
  std::size_t in_left = character.size();
  std::array<char, 8> out_bytes{};  // one character: at most 4 bytes of UTF-8
  char* out = out_bytes.data();
  std::size_t out_left = out_bytes.size();
  // Anything but 0 is a failure or an inexact conversion.
  const std::size_t result = ::iconv(converter, &in, &in_left, &out, &out_left);
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  if (result != 0 || in_left != 0) return std::nullopt;
  return std::string(out_bytes.data(), out_bytes.size() - out_left);
}

// Each of the 256 bytes of character set `from` in character set `to`,
// converted by glibc's iconv(3). Bytes below 128 are ASCII in both sets and
// are kept as they are. Where iconv cannot convert between the two at all
// (a system without glibc's gconv modules) the bytes from 128 on are left
// without a conversion.
ConversionTable conversion_table(const char* to, const char* from) {
  ConversionTable table{};
  for (int byte = 0; byte < kFirstBeyondAscii; ++byte) table[byte] = std::string(1, static_cast<char>(byte));
  const iconv_t converter = ::iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return table;
  for (int byte = kFirstBeyondAscii; byte < 256; ++byte)
    table[byte] = convert(converter, std::string(1, static_cast<char>(byte)));
  ::iconv_close(converter);
  return table;
}

// The length of the UTF-8 sequence that starts at `at`, 0 when the bytes
// there do not begin one (a stray continuation byte, a cut sequence).
std::size_t utf8_sequence_length(const std::string& utf8, std::size_t at) {
  const auto lead = static_cast<unsigned char>(utf8[at]);
  std::size_t length = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (at + length > utf8.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(utf8[at + i]) & 0xC0) != 0x80) return 0;
  return length;
}

// Characters that glibc's code page 437 leaves out, though the code page
// draws them: its 225, 230 and 234 serve as Greek beta, mu and capital
// omega too, and glibc maps only sharp s, the micro sign and omega there.
// Typed on a Greek or technical layout, they take those bytes.
std::optional<char> cp437_look_alike(const std::string& character) {
  if (character == "\u03B2") return '\xE1';  // Greek small beta, at sharp s
  if (character == "\u03BC") return '\xE6';  // Greek small mu, at the micro sign
  if (character == "\u2126") return '\xEA';  // the ohm sign, at capital omega
  return std::nullopt;
}

}  // namespace

Text cp437_from_utf8(const std::string& utf8) {
  Text cp437;
  const iconv_t converter = ::iconv_open("CP437", "UTF-8");
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = utf8_sequence_length(utf8, at);
    if (length == 0) {  // not UTF-8: the byte is skipped
      ++at;
      continue;
    }
    const std::string character = utf8.substr(at, length);
    if (length == 1) {
      cp437 += utf8[at];
    } else if (const std::optional<char> look_alike = cp437_look_alike(character)) {
      cp437 += *look_alike;
    } else if (converter != reinterpret_cast<iconv_t>(-1)) {
      const std::optional<std::string> converted = convert(converter, character);
      // Code page 437 draws a few characters (§, ¶, ...) at bytes below 32,
      // which the keyboard queue would take for control codes.
      if (converted && converted->size() == 1 && static_cast<unsigned char>((*converted)[0]) >= kFirstBeyondAscii)
        cp437 += *converted;
    }
    at += length;
  }
  if (converter != reinterpret_cast<iconv_t>(-1)) ::iconv_close(converter);
  return cp437;
}

std::string utf8_from_cp437(const Text& text) {
  static const ConversionTable kUtf8OfCp437 = conversion_table("UTF-8", "CP437");
  std::string utf8;
  utf8.reserve(text.size());
  for (const char byte : text) {
    const std::optional<std::string>& converted = kUtf8OfCp437[static_cast<unsigned char>(byte)];
    // A byte without a conversion is passed on as it is.
    if (converted) utf8 += *converted;
    else utf8 += byte;
  }
  return utf8;
}

}  // namespace console
