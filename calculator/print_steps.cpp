// The calculator's print steps, shared by every section that prints.
#include "calculator/calculator.h"

namespace calculator {

Calculator::Calculator(console::Platform& platform) : platform_(platform) {}

void Calculator::print(const Text& text) {
  platform_.print_fit_to_line(text);
  platform_.print_string(text, false);
}

void Calculator::print_line(const Text& text) {
  print(text);
  end_line();
}

void Calculator::end_line() { platform_.print_string(Text(), true); }

void Calculator::print_integer(const Text& picture, int64_t value) {
  Text field;
  platform_.print_using_integer(picture, value, 0, field);
  platform_.print_string(field, false);
}

void Calculator::print_single(const Text& picture, float value, std::source_location where) {
  Text field;
  platform_.print_using_single(picture, value, 0, field);
  platform_.print_string(field, false);
  hook(where);
}

void Calculator::print_double(const Text& picture, double value, std::source_location where) {
  Text field;
  platform_.print_using_double(picture, value, 0, field);
  platform_.print_string(field, false);
  hook(where);
}

}  // namespace calculator
