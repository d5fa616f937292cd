// Placeholder until the second pass is written: reads nothing.
#include "calculator/calculator.h"

namespace calculator {

bool Calculator::extract_gains() { return false; }

}  // namespace calculator
