// The quick paths of the number scan and of the line reader against the
// general ones: a plain decimal field must give the very value that the
// exponent-form scan (via strtold) gives, and a line taken in one piece the
// very bytes that the byte-wise rules give, wherever the buffer ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "console/files.h"
#include "console/text.h"
#include "support/scratch_folder.h"

using console::FileTable;
using console::Text;

namespace {

// Same value and same sign of zero, compared through the value bits (the
// 80-bit format leaves padding bytes that memcmp would see).
void expect_same_value(long double got, long double want, const std::string& text) {
  EXPECT_TRUE(got == want && std::signbit(got) == std::signbit(want))
      << "[" << text << "]: " << static_cast<double>(got) << " vs " << static_cast<double>(want);
}

long double strtold_of(const std::string& text) { return std::strtold(text.c_str(), nullptr); }

TEST(FastScan, PlainDecimalsMatchTheGeneralScan) {
  struct Case {
    const char* field;  // as it stands in a table
    const char* clean;  // the same number in a form strtold reads alike
  };
  const Case cases[] = {
      {"    -12.34", "-12.34"},
      {"     0.1", "0.1"},
      {"   -123.45", "-123.45"},
      {"-0", "0"},  // no significant digit: +0
      {"  -0.00", "0"},
      {".5", ".5"},
      {"7.", "7"},
      {"+3", "3"},
      {"1 2.5", "12.5"},
      {"- 4", "-4"},
      {"\t9.75\t", "9.75"},
      {"-12,34", "-12"},
      {"1.2.3", "1.2"},
      {"12.5 dB", "12.5"},
      {"9999999999999999999", "9999999999999999999"},  // 19 digits
      {"18446744073709551615", "18446744073709551615"},  // 20 digits: general scan
      {"0.000000000000000000000000001", "1e-27"},  // 27 decimals
      {"0.0000000000000000000000000001", "1e-28"},  // 28: general scan
      {"0.3333333333333333333", "0.3333333333333333333"},
      {"1.234E2", "123.4"},
      {"", "0"},
      {"-", "0"},
  };
  for (const Case& c : cases) {
    const console::NumberScan scan = console::scan_number(c.field);
    EXPECT_EQ(scan.error, 0) << c.field;
    expect_same_value(scan.value, strtold_of(c.clean), c.field);
  }
}

TEST(FastScan, RandomFieldsMatchStrtoldAndTheExponentForm) {
  // Up to 19 significant digits, leading zeros, a point anywhere: the
  // quick path; the same text with "E0" behind it goes the general way.
  std::mt19937 random(12345);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    if (pick(0, 1)) text += '-';
    text.append(static_cast<size_t>(pick(0, 3)), '0');
    const int digits = pick(1, 19);
    const int point_at = pick(0, digits);
    for (int i = 0; i < digits; ++i) {
      if (i == point_at) text += '.';
      text += static_cast<char>('0' + pick(0, 9));
    }
    const long double want = strtold_of(text);
    expect_same_value(console::scan_number(text).value, std::signbit(want) && want == 0 ? 0.0L : want, text);
    expect_same_value(console::scan_number(text + "E0").value, console::scan_number(text).value, text);
    if (HasFailure()) break;
  }
}

// The line rules byte by byte: CR, LF, CR LF and LF CR end a line, byte 26
// ends the file, a last line without line end still counts, only the first
// kMaxLineBytes bytes of a line are kept.
std::vector<Text> lines_by_the_rules(const std::string& bytes) {
  std::vector<Text> lines;
  const std::string content = bytes.substr(0, bytes.find('\x1a'));
  size_t at = 0;
  while (at < content.size()) {
    size_t end = at;
    while (end < content.size() && content[end] != '\r' && content[end] != '\n') ++end;
    lines.push_back(content.substr(at, std::min(end - at, FileTable::kMaxLineBytes)));
    if (end < content.size()) {
      const char pair = content[end] == '\r' ? '\n' : '\r';
      ++end;
      if (end < content.size() && content[end] == pair) ++end;
    }
    at = end;
  }
  return lines;
}

TEST(FastLines, LineEndsAroundTheBufferBoundary) {
  // The reader takes 64 KiB at a time; a first line of about that length
  // puts every kind of line end, and byte 26, on either side of the edge.
  const std::vector<std::string> ends = {"\r\n", "\n\r", "\r\r", "\n\n", "\r", "\n", "\x1a", "\r\x1a", "\r\n\x1a"};
  ScratchFolder folder;
  for (size_t first_length = 65530; first_length <= 65538; ++first_length) {
    for (const std::string& end : ends) {
      // A long line, then short and empty ones, so that a reused text
      // holding more bytes than the next line shows any leftover.
      const std::string bytes = std::string(first_length, 'a') + end + "bc" + end + "\n" + "defg\r\n" + "h" + end + "tail";
      FileTable files;
      ASSERT_EQ(files.open(folder.write("t.txt", bytes), 1), 0);
      std::vector<Text> got;
      Text line;
      while (files.read_line(1, line) == 0) got.push_back(line);
      const std::vector<Text> want = lines_by_the_rules(bytes);
      ASSERT_EQ(got.size(), want.size()) << "first line " << first_length << ", end " << end.size();
      for (size_t i = 0; i < want.size(); ++i)
        ASSERT_TRUE(got[i] == want[i]) << "line " << i << " of " << got[i].size() << " bytes, want " << want[i].size()
                                       << "; first line " << first_length << ", end " << end.size();
    }
  }
}

}  // namespace
