// Hostile and faulty input met through whole runs: names that are folders or
// as long as an entry can be, a file that disappears between the two passes,
// a file without line ends, binary garbage, control bytes in the gain field
// and gains far beyond any real antenna.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "support/far_field_table.h"
#include "support/headless_run.h"
#include "support/program_texts.h"
#include "support/process_usage.h"
#include "support/scratch_folder.h"

namespace {

using namespace texts;
const char* const kTitles = " Alpha (deg.)  T_pattern (K)   T_loss (K)      T_total (K)     G/Ta (dB)";

// The temperatures, then an empty name whose notice clears the screen, so
// that the file prompt stands on rows 1 and 2 and the name is echoed from
// column 39 of row 2.
const char* const kToClearedPrompt = "290\r10\r\r7";

// The last row that the echo of a typed name reaches on the cleared prompt.
int last_row_of_name(std::size_t name_length) {
  return 2 + static_cast<int>((38 + name_length - 1) / 80);
}

// The 1-based line of the calculator's source file that holds the text,
// or 0: the line an error row names for the statement written there.
int source_line_of(const std::string& file, const std::string& text) {
  std::ifstream source(std::string(TORVELIN_SOURCE_DIR) + "/calculator/" + file);
  std::string line;
  for (int number = 1; std::getline(source, line); ++number)
    if (line.find(text) != std::string::npos) return number;
  return 0;
}

// Expects a notice with these message lines whose empty row follows
// `after_row`, on the screen before scripted key `key`.
void expect_notice(const HeadlessRun& r, std::size_t key, int after_row, std::vector<const char*> message) {
  EXPECT_EQ(trimmed(r.row_before_key(key, after_row + 1)), "");
  expect_notice_rows(r, key, after_row + 2, {message.begin(), message.end()});
}

// The run went on after the notice: the prompt on the cleared screen, the
// temperatures kept, the window never closed by the program.
void expect_back_at_the_prompt(const HeadlessRun& r) {
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
  EXPECT_EQ(r.row(2), padded(kFilePromptLine2));
  for (int row = 3; row <= 25; ++row) EXPECT_EQ(trimmed(r.row(row)), "") << "row " << row;
  EXPECT_EQ(r.calc->sky_temperature, 290.0f);
  EXPECT_EQ(r.calc->earth_temperature, 10.0f);
}

// Makes a folder the current one for the life of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// A table whose data lines keep columns 1 to 25 and take `field` as their
// gain field from column 26 on.
void write_table_with_fields(const std::string& path, const std::function<std::string(int, int)>& field) {
  FarFieldTableOptions options;
  options.edit_line = [&field](int theta, int azimuth, const std::string& line) {
    return line.substr(0, 25) + field(theta, azimuth);
  };
  write_far_field_table(path, [](int, int) { return 0.0; }, options);
}

TEST(HostileNames, FoldersAndLongNamesThatOpenNothing) {
  ScratchFolder folder;
  ::mkdir(folder.file("sub").c_str(), 0755);
  const std::string long_missing(255, 'm');
  const std::string names[] = {".", "/", folder.path() + "/", folder.file("sub") + "/.", long_missing};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 40));
    HeadlessRun r;
    r.host.type(kToClearedPrompt + name + "\r");
    const std::size_t notice_key = r.host.keys_left();
    r.host.type("7");
    r.run();
    expect_notice(r, notice_key, last_row_of_name(name.size()), {kNotFound});
    expect_back_at_the_prompt(r);
  }
}

// 255 characters is the longest entry and the longest file name the system
// allows; whatever is typed after the 255th is ignored.
TEST(HostileNames, NameOf255CharactersOpensItsTable) {
  ScratchFolder folder;
  std::string name;
  for (int i = 0; name.size() < 255; ++i) name += static_cast<char>('a' + i % 26);
  write_far_field_table(folder.file(name), [](int, int) { return -3.0; });
  CurrentFolder inside(folder.path());

  HeadlessRun r;
  r.host.type(kToClearedPrompt + name + "these keys do not fit\r");
  const std::size_t results_key = r.host.keys_left();
  r.host.type("x");
  r.run();

  ASSERT_FALSE(r.host.titles.empty());
  EXPECT_EQ(r.host.titles.back(), "Torvelin v1.58         FFTab: " + name);
  EXPECT_EQ(r.row_before_key(results_key, 4), padded(kTitles));
  EXPECT_EQ(r.row_before_key(results_key, 2),
            padded(" Max Gain = - 3.00 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)"));
  expect_back_at_the_prompt(r);
}

// The file passes the first pass and is gone when the second pass opens it
// after its 2-second wait.
TEST(HostileFiles, FileRemovedBetweenThePasses) {
  ScratchFolder folder;
  const std::string path = folder.file("vanishing.txt");
  write_far_field_table(path, [](int, int) { return 1.0; });
  HeadlessRun r;
  bool removed = false;
  r.host.on_sleep = [&](console::HeadlessHost& host, int64_t) {
    // The second title is the second pass's; its wait follows.
    if (!removed && host.titles.size() == 2) removed = std::filesystem::remove(path);
  };
  r.host.type(kToClearedPrompt + path + "\r");
  const std::size_t notice_key = r.host.keys_left();
  r.host.type("7");
  r.run();

  ASSERT_TRUE(removed);
  EXPECT_EQ(r.host.titles.back(), "Torvelin v1.58         FFTab: " + path);
  expect_notice(r, notice_key, last_row_of_name(path.size()), {kNotFound});
  expect_back_at_the_prompt(r);
  EXPECT_FALSE(r.platform.files().is_open(1));
}

// A file of 256 MiB without a single line end (a sparse file: all NUL
// bytes) is one line; only a bounded part of it is ever held, and the file
// has too few lines to be a table.
TEST(HostileFiles, FileWithoutLineEndsKeepsMemoryBounded) {
  ScratchFolder folder;
  const std::string path = folder.file("no_line_ends");
  constexpr off_t kFileBytes = off_t{256} << 20;
  {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kFileBytes), 0);
    ::close(fd);
  }
  HeadlessRun r;
  r.host.type(kToClearedPrompt + path + "\r");
  const std::size_t notice_key = r.host.keys_left();
  r.host.type("7");

  release_freed_memory();
  reset_peak_resident();
  const int64_t before_kib = peak_resident_kib();
  r.run();
  const int64_t growth_kib = peak_resident_kib() - before_kib;

  EXPECT_LT(growth_kib, 16 * 1024) << "the run held " << growth_kib << " KiB more at its peak";
  expect_notice(r, notice_key, last_row_of_name(path.size()), {kFormat[0], kFormat[1]});
  expect_back_at_the_prompt(r);
}

// Random bytes: as a whole file, and as the body behind a head that passes
// the first pass. Byte 26 would end the file at once, so it is left out.
std::string garbage(std::size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < bytes) {
    char c = static_cast<char>(random() & 0xFF);
    if (c != 26) text.push_back(c);
  }
  return text;
}

TEST(HostileFiles, BinaryGarbage) {
  ScratchFolder folder;
  std::string head;
  for (int i = 1; i <= 10; ++i) head += "free line\r\n";
  head += "Azimuth\r\n\r\n  0                            0\r\n  1                            0\r\n";
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<const char*> message;
  };
  const Case cases[] = {
      {"garbage", garbage(64 * 1024, 1), {kNoticeA[0], kNoticeA[1], kNoticeA[2]}},
      {"garbage behind a passing head", head + garbage(16 * 1024, 2), {kFormat[0], kFormat[1]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = folder.write("garbage.bin", c.bytes);
    HeadlessRun r;
    r.host.type(kToClearedPrompt + path + "\r");
    const std::size_t notice_key = r.host.keys_left();
    r.host.type("7");
    r.run();

    // The second pass prints its text block and one progress line at most
    // before it meets the early end; find where the notice starts.
    int after_row = last_row_of_name(path.size());
    while (after_row < 24 && r.row_before_key(notice_key, after_row + 2) != padded(c.message[0])) ++after_row;
    expect_notice(r, notice_key, after_row, c.message);
    expect_back_at_the_prompt(r);
  }
}

// Gain fields with TABs, NUL bytes, blanks after the sign and bytes of 128
// and more: TABs and blanks are skipped inside the number, any other byte
// ends it.
TEST(HostileFiles, ControlBytesInTheGainField) {
  struct Field {
    std::string bytes;  // columns 26 to 35
    double gain_db;
  };
  const std::vector<Field> fields = {
      {std::string("   -3\t.25 "), -3.25},
      {std::string("\t\t\t\t-12.5\t"), -12.5},
      {std::string("  -7\0.99  ", 10), -7},
      {std::string("\0-7.5     ", 10), 0},
      {std::string(" 1\t2\t.\t5  "), 12.5},
      {std::string("- 4.5\0\0\0\0\0", 10), -4.5},
      {std::string("\x80\xff\xfe-3.0   "), 0},
      {std::string("  \t\x01\x02\x03\x7f 9 "), 0},
  };
  for (const Field& f : fields) ASSERT_EQ(f.bytes.size(), 10u);
  ScratchFolder folder;
  const std::string path = folder.file("control.txt");
  write_table_with_fields(path, [&](int, int azimuth) { return fields[azimuth % fields.size()].bytes; });

  HeadlessRun r;
  r.host.type(kToClearedPrompt + path + "\r");
  const std::size_t results_key = r.host.keys_left();
  r.host.type("x");
  r.run();

  for (int theta = 0; theta <= 180; ++theta) {
    for (int azimuth = 0; azimuth <= 360; ++azimuth) {
      const int k = 181 * azimuth + theta + 1;
      ASSERT_EQ(r.calc->gain_db[k], fields[azimuth % fields.size()].gain_db)
          << "theta " << theta << ", azimuth " << azimuth;
    }
  }
  // 12.5 first stands at azimuth 4 of the first slice (polar angle 180).
  EXPECT_EQ(r.row_before_key(results_key, 2),
            padded(" Max Gain = +12.50 dBi at azimuth =   4 degree(s) and elevation = -90 degree(s)"));
  EXPECT_EQ(r.row_before_key(results_key, 4), padded(kTitles));
  expect_back_at_the_prompt(r);
}

// Gains of 1e300 dBi overflow the linear gain, gains of -1e300 dBi make
// every element 0. Either way the run ends through the error row with
// error 5 and exit code 1 after one key.
TEST(HostileFiles, GainsBeyondAnyAntennaEndTheRunWithError5) {
  struct Case {
    const char* what;
    std::function<std::string(int theta, int azimuth)> field;
    int error_row;              // where the error row starts
    std::string before_error;   // the text that stands in front of it
    std::string statement;      // the failing print in results.cpp, if one
  };
  const std::string results_row_1 = " Average Gain (AG, caution: rounded display!) = ";
  const Case cases[] = {
      // The zenith keeps 0 dBi: the elements are finite there and infinite
      // elsewhere, so AG is infinite; row 1 of the summary is begun.
      {"1e300 below the zenith",
       [](int theta, int) { return std::string(theta == 0 ? "      0.00" : "     1e300"); }, 1, results_row_1,
       "print_double(picture_average_gain, average_gain)"},
      // Infinity times sin(0) is not a number: so is AG, the summary is
      // left out and the first table row is begun.
      {"1e300 everywhere", [](int, int) { return std::string("     1e300"); }, 2, "       0       ",
       "print_double(picture_pattern_temperature"},
      // The logarithm of an AG of 0 fails once the second pass's text
      // block and its five progress lines stand below the prompt.
      {"-1e300 everywhere", [](int, int) { return std::string("    -1e300"); }, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const std::string path = folder.file("huge.txt");
    write_table_with_fields(path, c.field);
    HeadlessRun r;
    r.host.type(kToClearedPrompt + path + "\r");
    const std::size_t close_key = r.host.keys_left();
    r.host.type("7");
    r.host.type("keys that nobody reads");
    EXPECT_EQ(r.run(), 1);
    EXPECT_EQ(r.host.screens_before_key.size(), close_key + 1) << "the run ends after one key";

    int row = c.error_row;
    if (row == 0) {
      row = last_row_of_name(path.size()) + 12;
      EXPECT_EQ(r.row(row - 1), padded(" theta =  30 degrees ..."));
      EXPECT_EQ(r.calc->average_gain, 0.0);
      EXPECT_EQ(r.calc->max_gain_db, -1000.0f);
    } else if (row == 1) {
      EXPECT_TRUE(std::isinf(r.calc->average_gain));
      EXPECT_EQ(r.colour(1, 2), 13);  // AG above 1: the marked variant
    } else {
      EXPECT_TRUE(std::isnan(r.calc->average_gain));
      EXPECT_EQ(r.row(1), padded(kTitles));
    }
    const std::string text = r.row(row);
    ASSERT_EQ(text.substr(0, c.before_error.size()), c.before_error);
    const std::string error_row = text.substr(c.before_error.size());
    EXPECT_TRUE(std::regex_match(error_row, std::regex("Error 5 at line [1-9][0-9]* +"))) << text;
    if (!c.statement.empty()) {
      const int line = source_line_of("results.cpp", c.statement);
      ASSERT_NE(line, 0) << c.statement;
      EXPECT_EQ(trimmed(error_row), "Error 5 at line " + std::to_string(line));
    }
    EXPECT_EQ(r.colour(row, static_cast<int>(c.before_error.size()) + 1), 12);
    EXPECT_EQ(trimmed(r.row(row + 1)), "");
    EXPECT_EQ(r.row(row + 2), padded(kCloseKey));
    EXPECT_EQ(r.colour(row + 2, 2), 9);
    for (int blank = row + 3; blank <= 25; ++blank) EXPECT_EQ(trimmed(r.row(blank)), "") << "row " << blank;
  }
}

}  // namespace
