#include "console/code_page.h"

#include <iconv.h>

#include <array>

namespace console {

namespace {

constexpr int kFirstBeyondAscii = 128;

using ConversionTable = std::array<std::optional<std::string>, 256>;

// The byte of character set `from` in character set `to`, or nothing where
// `to` has no such character.
std::optional<std::string> convert_byte(iconv_t converter, unsigned char byte) {
  char in_byte = static_cast<char>(byte);
  char* in = &in_byte;
  std::size_t in_left = 1;
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
// converted by glibc's iconv(3). Bytes below 128 stand for themselves in
// both code page 437 and Latin-1 and are kept as they are. Where iconv
// cannot convert between the two at all (a system without glibc's gconv
// modules) the bytes from 128 on are left without a conversion.
ConversionTable conversion_table(const char* to, const char* from) {
  ConversionTable table{};
  for (int byte = 0; byte < kFirstBeyondAscii; ++byte) table[byte] = std::string(1, static_cast<char>(byte));
  const iconv_t converter = ::iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return table;
  for (int byte = kFirstBeyondAscii; byte < 256; ++byte)
    table[byte] = convert_byte(converter, static_cast<unsigned char>(byte));
  ::iconv_close(converter);
  return table;
}

}  // namespace

std::optional<unsigned char> cp437_from_latin1(unsigned char latin1) {
  static const ConversionTable kCp437OfLatin1 = conversion_table("CP437", "LATIN1");
  const std::optional<std::string>& cp437 = kCp437OfLatin1[latin1];
  if (!cp437 || cp437->size() != 1) return std::nullopt;
  return static_cast<unsigned char>((*cp437)[0]);
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
