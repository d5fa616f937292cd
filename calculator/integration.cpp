// Placeholder until the noise-sphere integration is written.
#include "calculator/calculator.h"

namespace calculator {

void Calculator::integrate_rectangle() {}
void Calculator::split_sky_earth() {}
void Calculator::compute_average_gain() {}
void Calculator::compute_row_values() {}

}  // namespace calculator
