#include "support/program_texts.h"

#include <gtest/gtest.h>

void expect_notice_rows(const HeadlessRun& r, std::size_t key, int first_row,
                        const std::vector<std::string>& message) {
  int row = first_row;
  for (const std::string& line : message) {
    EXPECT_EQ(r.row_before_key(key, row), padded(line)) << "row " << row;
    EXPECT_EQ(r.colour_before_key(key, row, 2), 12) << "row " << row;
    ++row;
  }
  EXPECT_EQ(trimmed(r.row_before_key(key, row)), "") << "row " << row;
  EXPECT_EQ(r.row_before_key(key, row + 1), padded(texts::kPressAnyKey)) << "row " << row + 1;
  EXPECT_EQ(r.colour_before_key(key, row + 1, 2), 9) << "row " << row + 1;
}
