#include "console/text.h"

namespace console {

Text string_concat(const Text& a, const Text& b) { return a + b; }
Text string_left(const Text&, int32_t) { return {}; }
Text string_right(const Text&, int32_t) { return {}; }
Text string_mid(const Text&, int32_t, int32_t) { return {}; }
int32_t string_instr(const Text&, const Text&) { return 0; }
Text string_space(int32_t) { return {}; }
int16_t string_equal(const Text& a, const Text& b) { return a == b ? -1 : 0; }
int16_t string_not_equal(const Text& a, const Text& b) { return a != b ? -1 : 0; }
Text string_from_single(float) { return {}; }
Text string_from_int32(int32_t) { return {}; }
Text string_from_uint32(uint32_t) { return {}; }
NumberScan scan_number(const Text&) { return {}; }

}  // namespace console
