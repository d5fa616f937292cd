#include "support/started_calculator.h"

StartedCalculator::StartedCalculator() { calc->start_of_run(); }

bool StartedCalculator::read_table(const std::string& path) {
  calc->table_file_name = path;
  return calc->extract_gains();
}
