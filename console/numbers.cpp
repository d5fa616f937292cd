#include "console/numbers.h"

#include <cmath>
#include <limits>

namespace console {

long double pi_value() {
  // The 64-bit float nearest to pi, widened without further digits.
  constexpr double kPi = 3.141592653589793;
  return static_cast<long double>(kPi);
}

double sin(double x) {
  if (std::isnan(x)) return x;
  if (std::isinf(x)) return std::numeric_limits<double>::quiet_NaN();
  // Sine of the extended-precision argument, rounded once to 64 bits.
  const long double result = sinl(static_cast<long double>(x));
  return static_cast<double>(result);
}

}  // namespace console
