// Number pictures: lays a number out by a template such as "+#,###,###.###".
#pragma once

#include <cstdint>

#include "console/text.h"

namespace console {

// Lays out `value` (shown exactly) by the numeric field of `picture` that
// starts at template position `start` (0 = first character). Returns the
// field; `next` receives the template position at which a next field would
// start, 0 when the template is used up.
Text picture_integer(const Text& picture, int64_t value, int32_t start, int32_t& next);

// As picture_integer for a finite 64-bit float (the caller refuses
// infinities and NaN). Rounds half away from zero at the template's last
// digit, judged on the decimal digit string of the value.
Text picture_double(const Text& picture, double value, int32_t start, int32_t& next);

}  // namespace console
