// Text functions of the platform. A text is a length-counted byte string;
// every byte value, NUL included, may stand in it.
#pragma once

#include <cstdint>
#include <string>

namespace console {

using Text = std::string;

// a followed by b.
Text string_concat(const Text& a, const Text& b);
// The first n bytes (n below 0 counts as 0, above the length as the length).
Text string_left(const Text& text, int32_t n);
// The last n bytes; empty for n at or below 0.
Text string_right(const Text& text, int32_t n);
// From the 1-based position `start` on, at most `length` bytes. A start below
// 1 counts from 1 and shortens the length by the difference.
Text string_mid(const Text& text, int32_t start, int32_t length);
// 1-based position of the first occurrence of pattern, 0 when none or when
// the text is empty.
int32_t string_instr(const Text& text, const Text& pattern);
// n blanks; empty for n below 0.
Text string_space(int32_t n);
// -1 when equal (same length and bytes), else 0.
int16_t string_equal(const Text& a, const Text& b);
// -1 when different, else 0.
int16_t string_not_equal(const Text& a, const Text& b);

// Plain number-to-text form of a 32-bit float: seven significant digits with
// trailing zeros dropped, a blank before values above zero ([ 290], [ .5],
// [-.25], [ 1.2E-07]).
Text string_from_single(float x);
// Decimal digits, a blank before values of 0 and above, "-" before others.
Text string_from_int32(int32_t x);
// One blank, then the decimal digits.
Text string_from_uint32(uint32_t x);

// Result of scanning a text for a number: the value, and the error number
// that the scan raises (0, or 6 for an overflowing &H, &O or &B form, whose
// value is then 0).
struct NumberScan {
  long double value = 0;
  int32_t error = 0;
};

// The whole scan of the text-to-number conversion: blanks and TABs skipped
// anywhere, optional sign, digits with at most one point, optional exponent
// (E, e, D, d), the first byte that does not fit ends the number; and the
// prefixed &H/&O/&B forms. Extended precision, nearest value.
NumberScan scan_number(const Text& text);

}  // namespace console
