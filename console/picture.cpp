#include "console/picture.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace console {

namespace {

// The numeric field of a template: [+] #{#|,} [. #...]
struct Field {
  bool plus = false;        // a leading "+": the sign always shows at the left edge
  int integer_positions = 0;  // P: the "#" and "," before the point
  bool grouping = false;    // a "," among the integer positions
  bool point = false;
  int decimals = 0;         // Q: the "#" after the point
  int32_t end = 0;          // template position just after the field
};

Field parse_field(const Text& picture, int32_t start) {
  Field field;
  const int32_t size = static_cast<int32_t>(picture.size());
  int32_t at = start < 0 ? 0 : start;
  if (at < size && picture[at] == '+') {
    field.plus = true;
    ++at;
  }
  bool seen_hash = false;
  while (at < size && (picture[at] == '#' || (seen_hash && picture[at] == ','))) {
    if (picture[at] == '#') seen_hash = true;
    else field.grouping = true;
    ++field.integer_positions;
    ++at;
  }
  if (at < size && picture[at] == '.') {
    field.point = true;
    ++at;
    while (at < size && picture[at] == '#') {
      ++field.decimals;
      ++at;
    }
  }
  field.end = at;
  return field;
}

// Width in characters of n integer digits, with a "," before every group of
// three when grouping.
int grouped_width(int n, bool grouping) { return grouping && n > 0 ? n + (n - 1) / 3 : n; }

// Lays out a rounded magnitude: `integer_digits` without leading zeros (empty
// below 1) and exactly Q `decimal_digits`.
Text lay_out(const Field& field, bool negative, const Text& integer_digits,
             const Text& decimal_digits) {
  const int n = static_cast<int>(integer_digits.size());
  // A minus sign without a "+" in the template takes one integer position.
  const int reserved = negative && !field.plus ? 1 : 0;
  int width = field.integer_positions - reserved;
  const int most_digits = field.grouping ? width - width / 4 : width;
  const bool overflow = n > most_digits;
  if (overflow) width = grouped_width(n, field.grouping);

  Text integer_part;
  if (n == 0) {
    if (width > 0) integer_part = "0";
  } else {
    for (int i = 0; i < n; ++i) {
      if (field.grouping && i > 0 && (n - i) % 3 == 0) integer_part += ',';
      integer_part += integer_digits[static_cast<size_t>(i)];
    }
  }

  Text out;
  if (overflow) out += '%';
  if (field.plus) out += negative ? '-' : '+';
  const int padding = width - static_cast<int>(integer_part.size());
  if (padding > 0) out.append(static_cast<size_t>(padding), ' ');
  if (reserved) out += '-';
  out += integer_part;
  if (field.point) out += '.' + decimal_digits;
  return out;
}

int32_t next_field(const Text& picture, const Field& field) {
  return field.end < static_cast<int32_t>(picture.size()) ? field.end : 0;
}

}  // namespace

Text picture_integer(const Text& picture, int64_t value, int32_t start, int32_t& next) {
  const Field field = parse_field(picture, start);
  next = next_field(picture, field);
  // "% I64i": the sign character, then the magnitude's digits.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "% " PRId64, value);
  Text digits = buffer + 1;
  if (digits == "0") digits.clear();
  return lay_out(field, value < 0, digits, Text(static_cast<size_t>(field.decimals), '0'));
}

Text picture_double(const Text& picture, double value, int32_t start, int32_t& next) {
  const Field field = parse_field(picture, start);
  next = next_field(picture, field);
  // The platform refuses these with error 5 before it gets here; without
  // digits there is nothing to lay out.
  if (!std::isfinite(value)) {
    next = 0;
    return {};
  }

  // "% .255E" gives the sign character, 256 mantissa digits d0.d1...d255 and
  // the exponent e: digit k stands for the place 10^(e - k). glibc writes the
  // digits exactly (correctly rounded at the 256th).
  char buffer[300];
  std::snprintf(buffer, sizeof buffer, "% .255E", value);
  const bool negative = buffer[0] == '-';
  Text digits;
  digits += buffer[1];
  digits.append(buffer + 3, 255);
  const int e = std::atoi(buffer + 3 + 255 + 1);
  const int q = field.decimals;

  // The magnitude cut to Q decimals as a fixed digit string: the integer
  // places 10^(e)...10^0 (at least one), then the Q decimal places.
  const int integer_places = e >= 0 ? e + 1 : 1;
  auto digit_at_place = [&](int place) -> char {
    const int k = e - place;
    return k >= 0 && k < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(k)] : '0';
  };
  Text fixed;
  for (int place = integer_places - 1; place >= -q; --place) fixed += digit_at_place(place);

  // Half away from zero: the first dropped digit decides, with carry.
  if (digit_at_place(-q - 1) >= '5') {
    int i = static_cast<int>(fixed.size()) - 1;
    while (i >= 0 && fixed[static_cast<size_t>(i)] == '9') fixed[static_cast<size_t>(i--)] = '0';
    if (i >= 0) ++fixed[static_cast<size_t>(i)];
    else fixed.insert(fixed.begin(), '1');
  }

  const size_t integer_length = fixed.size() - static_cast<size_t>(q);
  Text integer_digits = fixed.substr(0, integer_length);
  const size_t first_significant = integer_digits.find_first_not_of('0');
  integer_digits = first_significant == Text::npos ? Text{} : integer_digits.substr(first_significant);
  return lay_out(field, negative, integer_digits, fixed.substr(integer_length));
}

}  // namespace console
