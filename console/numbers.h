// Number functions of the platform that raise no numbered error. The ones
// that can raise (power_checked, natural_log, array_index_check) are members
// of Platform.
#pragma once

#include <limits>

namespace console {

// Every extended-precision intermediate of the program is a long double
// with a 64-bit significand (the x87 format of x86-64 Linux); another width
// would change the results in their last bits, so such a build stops here.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must have a 64-bit significand");

// The 64-bit float nearest to pi (3.141592653589793), widened exactly.
long double pi_value();

// Sine computed in extended precision and rounded to a 64-bit float; a NaN
// comes back as it is, an infinity gives NaN.
double sin(double x);

}  // namespace console
