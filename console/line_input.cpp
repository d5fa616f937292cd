#include "console/line_input.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace console {

namespace {

// Limits of a decimal entry, so that every accepted entry names a value
// that a 32-bit float can hold: the value is 0.d1d2d3... times 10^P.
constexpr std::size_t kMaxFractionDigits = 8;   // when digits follow the point
constexpr std::size_t kMaxOpeningZeros = 43;    // zeros that open the fraction
constexpr int kHighestPower = 39;
constexpr int kLowestPower = -44;
constexpr long kHighestLeadDigits = 3402823;    // FLT_MAX = .3402823...E39
constexpr long kLowestLeadDigits = 1401298;     // smallest denormal = .1401298...E-44
constexpr std::size_t kMaxHexDigits = 16;
constexpr std::size_t kMaxOctalDigits = 21;     // 22 when the first is 0 or 1

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_octal_digit(char c) { return c >= '0' && c <= '7'; }
bool is_hex_digit(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Takes the quotes off a quoted entry. False when something stands behind a
// closing quote or a comma stands outside quotes (there is one target only).
bool unquote(const Text& entry, Text& content) {
  if (!entry.empty() && entry[0] == '"') {
    std::size_t close = entry.find('"', 1);
    if (close != Text::npos && close + 1 != entry.size()) return false;
    content = entry.substr(1, close == Text::npos ? Text::npos : close - 1);
    return true;
  }
  if (entry.find(',') != Text::npos) return false;
  content = entry;
  return true;
}

// "&H..." and "&O..." entries: the digits form an unsigned 64-bit number.
bool prefixed_entry(const Text& content, float& value) {
  value = 0;
  if (content.size() == 1) return true;  // a lone "&"
  const char letter = content[1];
  const bool hex = letter == 'H' || letter == 'h';
  const bool octal = letter == 'O' || letter == 'o';
  if (!hex && !octal) return false;
  const Text digits = content.substr(2);
  if (hex) {
    if (digits.size() > kMaxHexDigits) return false;
  } else {
    std::size_t limit = kMaxOctalDigits;
    if (!digits.empty() && (digits[0] == '0' || digits[0] == '1')) ++limit;
    if (digits.size() > limit) return false;
  }
  uint64_t number = 0;
  for (char c : digits) {
    if (hex ? !is_hex_digit(c) : !is_octal_digit(c)) return false;
    int digit = is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    number = hex ? (number << 4) | static_cast<uint64_t>(digit) : (number << 3) | static_cast<uint64_t>(digit);
  }
  value = static_cast<float>(number);
  return true;
}

// The parts of a decimal entry: [-] integer digits [. fraction] [E [sign] exponent].
struct Decimal {
  bool negative = false;
  Text integer;
  bool point = false;
  Text fraction;
  bool exponent_letter = false;
  bool exponent_negative = false;
  Text exponent;
};

bool parse_decimal(const Text& content, Decimal& d) {
  std::size_t i = 0;
  const std::size_t n = content.size();
  if (i < n && content[i] == '-') {
    d.negative = true;
    ++i;
  }
  while (i < n && is_digit(content[i])) d.integer.push_back(content[i++]);
  // A leading 0 stands alone, and only at the end or right before the point.
  if (!d.integer.empty() && d.integer[0] == '0') {
    if (d.integer.size() > 1) return false;
    if (i < n && content[i] != '.') return false;
  }
  if (i < n && content[i] == '.') {
    d.point = true;
    ++i;
    while (i < n && is_digit(content[i])) d.fraction.push_back(content[i++]);
  }
  if (i < n && (content[i] == 'E' || content[i] == 'e')) {
    // The letter follows a digit (so never the point itself), and behind a
    // point some digit before it is not 0.
    if (i == 0 || !is_digit(content[i - 1])) return false;
    if (d.point && (d.integer + d.fraction).find_first_not_of('0') == Text::npos) return false;
    d.exponent_letter = true;
    ++i;
    if (i < n && (content[i] == '-' || content[i] == '+')) d.exponent_negative = content[i++] == '-';
    while (i < n && is_digit(content[i])) d.exponent.push_back(content[i++]);
    if (d.exponent.size() > 1 && d.exponent[0] == '0') return false;
  }
  return i == n;
}

bool within_limits(const Decimal& d) {
  const Text significant_integer = d.integer == "0" ? Text() : d.integer;
  const std::size_t opening_zeros =
      significant_integer.empty() ? std::min(d.fraction.find_first_not_of('0'), d.fraction.size()) : 0;
  if (opening_zeros > kMaxOpeningZeros) return false;
  if (!d.fraction.empty() && d.fraction != "0") {
    std::size_t digits = significant_integer.empty() ? d.fraction.size() - opening_zeros
                                                     : significant_integer.size() + d.fraction.size();
    if (digits > kMaxFractionDigits) return false;
  }

  const Text digits = significant_integer + d.fraction.substr(opening_zeros);
  if (digits.find_first_not_of('0') == Text::npos) return true;  // the value is zero

  long power = significant_integer.empty() ? -static_cast<long>(opening_zeros)
                                           : static_cast<long>(significant_integer.size());
  long exponent = 0;
  for (char c : d.exponent) {
    exponent = exponent * 10 + (c - '0');
    if (exponent > 100000) break;  // far beyond every limit already
  }
  power += d.exponent_negative ? -exponent : exponent;
  if (power < kLowestPower || power > kHighestPower) return false;

  long lead = 0;
  for (std::size_t k = 0; k < 7; ++k) lead = lead * 10 + (k < digits.size() ? digits[k] - '0' : 0);
  if (power == kHighestPower && lead > kHighestLeadDigits) return false;
  if (power == kLowestPower && lead < kLowestLeadDigits) return false;
  return true;
}

// The nearest 32-bit float to the entry's text. The highest entries allowed
// lie beyond FLT_MAX by less than a unit of their seventh digit; they give
// FLT_MAX, never an infinity.
float decimal_value(const Text& content) {
  if (content == "-0") return 0.0f;  // like "0" and "-": positive zero
  errno = 0;
  float value = std::strtof(content.c_str(), nullptr);  // stops before a dangling exponent
  if (std::isinf(value)) value = std::copysign(FLT_MAX, value);
  return value;
}

}  // namespace

bool text_entry_acceptable(const Text& entry, Text& value) {
  Text content;
  if (!unquote(entry, content)) return false;
  value = content;
  return true;
}

bool float_entry_acceptable(const Text& entry, float& value) {
  Text content;
  if (!unquote(entry, content)) return false;
  if (!content.empty() && content[0] == '&') return prefixed_entry(content, value);
  Decimal decimal;
  if (!parse_decimal(content, decimal) || !within_limits(decimal)) return false;
  value = decimal_value(content);
  return true;
}

}  // namespace console
