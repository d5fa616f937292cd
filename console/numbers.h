// Number functions of the platform that raise no numbered error. The ones
// that can raise (power_checked, natural_log, array_index_check) are members
// of Platform.
#pragma once

namespace console {

// The 64-bit float nearest to pi (3.141592653589793), widened exactly.
long double pi_value();

// Sine computed in extended precision and rounded to a 64-bit float; a NaN
// comes back as it is, an infinity gives NaN.
double sin(double x);

}  // namespace console
