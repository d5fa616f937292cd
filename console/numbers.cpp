#include "console/numbers.h"

#include <cmath>

namespace console {

long double pi_value() { return 3.141592653589793; }
double sin(double x) { return std::sin(x); }

}  // namespace console
