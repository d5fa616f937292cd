// Placeholder until the results screen is written.
#include "calculator/calculator.h"

namespace calculator {

void Calculator::show_summary() {}
void Calculator::show_results() {}
void Calculator::print_result_row() {}

}  // namespace calculator
