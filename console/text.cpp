#include "console/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace console {

Text string_concat(const Text& a, const Text& b) { return a + b; }

Text string_left(const Text& text, int32_t n) {
  if (n <= 0) return {};
  return text.substr(0, std::min<size_t>(static_cast<size_t>(n), text.size()));
}

Text string_right(const Text& text, int32_t n) {
  if (n <= 0) return {};
  const size_t count = std::min<size_t>(static_cast<size_t>(n), text.size());
  return text.substr(text.size() - count);
}

Text string_mid(const Text& text, int32_t start, int32_t length) {
  // 64-bit arithmetic: start and length may sit at the ends of their range.
  int64_t first = start;
  int64_t count = length;
  if (first < 1) {
    count -= 1 - first;
    first = 1;
  }
  if (count < 1 || first > static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(count));
}

int32_t string_instr(const Text& text, const Text& pattern) {
  if (text.empty()) return 0;
  const size_t found = text.find(pattern);
  return found == Text::npos ? 0 : static_cast<int32_t>(found + 1);
}

Text string_space(int32_t n) { return n <= 0 ? Text{} : Text(static_cast<size_t>(n), ' '); }

int16_t string_equal(const Text& a, const Text& b) { return a == b ? -1 : 0; }

int16_t string_not_equal(const Text& a, const Text& b) { return a != b ? -1 : 0; }

Text string_from_single(float x) {
  if (x == 0) return " 0";
  // Seven significant digits in exponent form: "sD.DDDDDDE±XX".
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "% .6E", static_cast<double>(x));
  const Text formatted = buffer;
  if (formatted.size() < 12 || formatted[2] != '.') return formatted;  // INF, NAN
  const char sign = formatted[0] == '-' ? '-' : ' ';
  Text digits = formatted.substr(1, 1) + formatted.substr(3, 6);
  const size_t e_at = formatted.find('E');
  const Text exponent_text = formatted.substr(e_at + 1);  // "+02", "-07", "+100"
  const int e = std::atoi(exponent_text.c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int s = static_cast<int>(digits.size());

  Text out(1, sign);
  if (e >= 7 || e - s < -8) {
    out += digits[0];
    if (s > 1) out.append(".").append(digits, 1);
    out.append("E").append(exponent_text);
    return out;
  }
  // Fixed notation with max(0, s - e - 1) decimals, built from the same seven
  // rounded digits; a lone 0 before the point is left out.
  if (e >= 0) {
    Text integer_part = digits.substr(0, std::min(s, e + 1));
    integer_part.append(static_cast<size_t>(std::max(0, e + 1 - s)), '0');
    out += integer_part;
    if (s > e + 1) out.append(".").append(digits, static_cast<size_t>(e + 1));
  } else {
    out += ".";
    out.append(static_cast<size_t>(-e - 1), '0');
    out += digits;
  }
  return out;
}

Text string_from_int32(int32_t x) {
  Text out = x >= 0 ? " " : "";
  return out.append(std::to_string(x));
}

Text string_from_uint32(uint32_t x) {
  Text out = " ";
  return out.append(std::to_string(x));
}

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

// Value of c as a digit of `base` (2, 8 or 16), or -1.
int digit_value(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  return value < base ? value : -1;
}

// The &H, &O and &B forms; `at` is the position just after the "&".
NumberScan scan_prefixed(const Text& text, size_t at) {
  if (text.size() - at < 2) return {};
  while (at < text.size() && is_blank(text[at])) ++at;
  if (at >= text.size()) return {};
  int base = 0;
  switch (text[at]) {
    case 'H': case 'h': base = 16; break;
    case 'O': case 'o': base = 8; break;
    case 'B': case 'b': base = 2; break;
    default: return {};
  }
  const int bits_per_digit = base == 16 ? 4 : base == 8 ? 3 : 1;
  uint64_t pattern = 0;
  bool overflow = false;
  for (++at; at < text.size(); ++at) {
    if (is_blank(text[at])) continue;
    const int digit = digit_value(text[at], base);
    if (digit < 0) break;
    // A digit that would shift set bits out of the 64-bit pattern overflows.
    if (pattern >> (64 - bits_per_digit) != 0) overflow = true;
    pattern = (pattern << bits_per_digit) | static_cast<uint64_t>(digit);
  }
  if (overflow) return {0, 6};
  return {static_cast<long double>(static_cast<int64_t>(pattern)), 0};
}

// 10^0 .. 10^27: 5^27 < 2^64, so each is exact in the 64-bit significand.
constexpr int kExactPowersOfTen = 28;
constexpr std::array<long double, kExactPowersOfTen> kPowersOfTen = [] {
  std::array<long double, kExactPowersOfTen> powers{};
  long double power = 1;
  for (long double& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

// The common case of a table's gain field, a plain decimal such as
// [    -12.34]: blanks, a sign, digits with at most one point, no exponent.
// With at most 19 significant digits the digits are exact as a 64-bit
// integer (below 10^19 < 2^64) and exact in long double, and so is 10^k for
// k <= 27; a single division by 10^k then rounds the exact quotient once to
// the nearest value, which is what the general scan gets from strtold.
// `at` is the first byte after the leading blanks and the sign. Returns
// false, having changed nothing, for any other text (an exponent, more
// digits or decimals); the general scan takes those.
bool scan_plain_decimal(const Text& text, size_t at, bool negative, long double& value) {
  constexpr int kMostDigits = 19;
  uint64_t digits = 0;
  int significant = 0;
  int fraction_digits = 0;
  bool seen_point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (is_blank(c)) continue;
    if (is_decimal_digit(c)) {
      if (seen_point) ++fraction_digits;
      if (digits == 0 && c == '0') continue;  // leading zeros do not count
      if (++significant > kMostDigits) return false;
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      continue;
    }
    if (c == '.' && !seen_point) {
      seen_point = true;
      continue;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') return false;
    break;  // any other byte ends the number, as in the general scan
  }
  if (fraction_digits >= kExactPowersOfTen) return false;
  if (digits == 0) {
    value = 0;  // no significant digit: 0, never -0
    return true;
  }
  const long double magnitude =
      static_cast<long double>(digits) / kPowersOfTen[static_cast<size_t>(fraction_digits)];
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

NumberScan scan_number(const Text& text) {
  size_t at = 0;
  while (at < text.size() && is_blank(text[at])) ++at;
  if (at < text.size() && text[at] == '&') return scan_prefixed(text, at + 1);

  {
    size_t after_sign = at;
    bool negative = false;
    if (after_sign < text.size() && (text[after_sign] == '+' || text[after_sign] == '-')) {
      negative = text[after_sign] == '-';
      ++after_sign;
    }
    long double value = 0;
    if (scan_plain_decimal(text, after_sign, negative, value)) return {value, 0};
  }

  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }

  // Significant mantissa digits (leading zeros dropped), how many of the
  // mantissa digits stood after the point, and the written exponent.
  Text mantissa;
  int64_t fraction_digits = 0;
  bool seen_point = false;
  bool in_exponent = false;
  bool exponent_sign_allowed = false;
  bool exponent_negative = false;
  int64_t exponent = 0;
  int exponent_significant = 0;

  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (is_blank(c)) continue;
    if (in_exponent) {
      if (exponent_sign_allowed && (c == '+' || c == '-')) {
        exponent_negative = c == '-';
        exponent_sign_allowed = false;
        continue;
      }
      exponent_sign_allowed = false;
      if (!is_decimal_digit(c)) break;
      if (exponent == 0 && c == '0') continue;
      if (++exponent_significant == 19) break;
      exponent = exponent * 10 + (c - '0');
      continue;
    }
    if (is_decimal_digit(c)) {
      if (seen_point) ++fraction_digits;
      if (!mantissa.empty() || c != '0') mantissa += c;
      // Zeros after the point and before the first significant digit still
      // shift the value; they are counted in fraction_digits.
      continue;
    }
    if (c == '.' && !seen_point) {
      seen_point = true;
      continue;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      in_exponent = true;
      exponent_sign_allowed = true;
      continue;
    }
    break;
  }

  if (mantissa.empty()) return {};
  // value = mantissa x 10^(written exponent - fraction digits). Beyond these
  // bounds the result is 0 or infinity whatever the exact power, so clamping
  // keeps the text for strtold short without changing the value.
  const int64_t significant = static_cast<int64_t>(mantissa.size());
  int64_t power = (exponent_negative ? -exponent : exponent) - fraction_digits;
  power = std::clamp<int64_t>(power, -(significant + 20000), 20000);
  Text normalised = (negative ? "-" : "") + mantissa + "e" + std::to_string(power);
  // glibc's strtold rounds correctly to the 64-bit significand.
  const int saved_errno = errno;
  const long double value = std::strtold(normalised.c_str(), nullptr);
  errno = saved_errno;
  return {value, 0};
}

}  // namespace console
