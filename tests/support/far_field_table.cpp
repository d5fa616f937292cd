#include "support/far_field_table.h"

#include <unistd.h>

#include <filesystem>

std::string temporary_table_path(const std::string& stem) {
  static int counter = 0;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  return (folder / ("torvelin_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + "_" + stem +
                    ".txt"))
      .string();
}
