// The file prompt and the first pass over the table file (line 11 and the
// azimuth step), driven through whole runs on the headless host.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

#include "support/headless_run.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"

namespace {

using namespace texts;

// A data line: the azimuth in columns 1 to 3, the gain in columns 26 to 35.
std::string data_line(const std::string& azimuth) {
  return azimuth + std::string(22, ' ') + "     -3.50";
}

// The first `count` lines of a table file (at most 14), each ended by `eol`.
std::string table_head(const std::string& line11, const std::string& azimuth13,
                       const std::string& azimuth14, int count = 14, const std::string& eol = "\r\n") {
  std::string lines[14];
  for (int i = 0; i < 9; ++i) lines[i] = "free text " + std::to_string(i + 1);
  lines[9] = "Theta = 180";
  lines[10] = line11;
  lines[11] = "";
  lines[12] = data_line(azimuth13);
  lines[13] = data_line(azimuth14);
  std::string text;
  for (int i = 0; i < count; ++i) text += lines[i] + eol;
  return text;
}

// After the dialogue "290" / "10" the first file prompt stands on rows 7
// and 8, and a notice begins with the empty row 9.
constexpr int kFirstNoticeRow = 10;

enum class Outcome { kPasses, kNoticeA, kNoticeB, kShortFile };

struct LayoutCase {
  const char* what;
  std::string bytes;
  Outcome outcome;
  float first_angle = 0, second_angle = 0;  // read from lines 13 and 14 when they are
};

TEST(Layout, FirstPassCases) {
  const LayoutCase cases[] = {
      {"Azimuth alone", table_head("Azimuth", "  0", "  1"), Outcome::kPasses, 0, 1},
      {"Azimuth and more", table_head("Azimuth  Gain(dBi)", "  0", "  1"), Outcome::kPasses, 0, 1},
      {"blank before Azimuth", table_head(" Azimuth", "  0", "  1"), Outcome::kNoticeA},
      {"lower case", table_head("azimuth", "  0", "  1"), Outcome::kNoticeA},
      {"upper case", table_head("AZIMUTH", "  0", "  1"), Outcome::kNoticeA},
      {"six bytes", table_head("Azimut", "  0", "  1"), Outcome::kNoticeA},
      {"one decimal", table_head("Azimuth", "0.0", "1.0"), Outcome::kPasses, 0, 1},
      {"left aligned", table_head("Azimuth", "0  ", "1  "), Outcome::kPasses, 0, 1},
      {"1 then 2", table_head("Azimuth", "  1", "  2"), Outcome::kPasses, 1, 2},
      {"0.5 then 1.5", table_head("Azimuth", "0.5", "1.5"), Outcome::kPasses, 0.5f, 1.5f},
      {"decimal comma", table_head("Azimuth", "0,0", "1,0"), Outcome::kPasses, 0, 1},
      {"2-degree table", table_head("Azimuth", "  0", "  2"), Outcome::kNoticeB, 0, 2},
      {"half-degree table", table_head("Azimuth", "0.0", "0.5"), Outcome::kNoticeB, 0, 0.5f},
      {"blank azimuths", table_head("Azimuth", "   ", "   "), Outcome::kNoticeB, 0, 0},
      {"LF line ends", table_head("Azimuth", "  0", "  1", 14, "\n"), Outcome::kPasses, 0, 1},
      {"CR line ends", table_head("Azimuth", "  0", "  1", 14, "\r"), Outcome::kPasses, 0, 1},
      {"LF CR line ends", table_head("Azimuth", "  1", "  2", 14, "\n\r"), Outcome::kPasses, 1, 2},
      {"14th line without line end", table_head("Azimuth", "  0", "  1") + "\x1a" "more",
       Outcome::kPasses, 0, 1},
      {"13 lines", table_head("Azimuth", "  0", "  1", 13), Outcome::kShortFile},
      {"empty file", "", Outcome::kShortFile},
      {"first byte 26", "\x1a" + table_head("Azimuth", "  0", "  1"), Outcome::kShortFile},
      {"11 lines, line 11 wrong", table_head("Theta", "  0", "  1", 11), Outcome::kNoticeA},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const std::string path = folder.write("t", c.bytes);
    HeadlessRun r;
    r.host.type("290\r10\r" + path + "\r");
    const std::size_t next_key = r.host.keys_left();
    r.host.type("7");
    r.run();

    EXPECT_EQ(r.row_before_key(next_key, 8), padded(kFilePromptLine2 + path));
    switch (c.outcome) {
      case Outcome::kPasses:
        // No notice of the first pass on any row (the second pass may
        // follow with notices of its own).
        for (int row = 1; row <= 25; ++row) {
          EXPECT_NE(r.row_before_key(next_key, row), padded(kNoticeA[1])) << "row " << row;
          EXPECT_NE(r.row_before_key(next_key, row), padded(kNoticeB)) << "row " << row;
        }
        break;
      case Outcome::kNoticeA:
        expect_notice_rows(r, next_key, kFirstNoticeRow, {kNoticeA[0], kNoticeA[1], kNoticeA[2]});
        break;
      case Outcome::kNoticeB:
        expect_notice_rows(r, next_key, kFirstNoticeRow, {kNoticeB});
        break;
      case Outcome::kShortFile:
        expect_notice_rows(r, next_key, kFirstNoticeRow, {kFormat[0], kFormat[1]});
        break;
    }
    if (c.outcome == Outcome::kPasses || c.outcome == Outcome::kNoticeB) {
      EXPECT_EQ(r.calc->first_angle, c.first_angle);
      EXPECT_EQ(r.calc->second_angle, c.second_angle);
    }
    if (c.outcome != Outcome::kPasses) {
      // Back at the prompt on a cleared screen, the temperatures kept.
      EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
      EXPECT_EQ(r.row(2), padded(kFilePromptLine2));
      EXPECT_EQ(r.calc->sky_temperature, 290.0f);
      EXPECT_EQ(r.calc->earth_temperature, 10.0f);
      EXPECT_EQ(r.calc->last_label, 20.0);
    }
  }
}

TEST(Layout, FileLeftOpenByAFailedCheckIsOpenedAnew) {
  ScratchFolder folder;
  const std::string path = folder.write("t", table_head("azimuth", "  0", "  1"));
  HeadlessRun r;
  r.host.type("290\r10\r" + path + "\r7" + path + "\r");
  const std::size_t second_notice_key = r.host.keys_left();
  r.host.type("7");
  r.run();

  // The second attempt shows notice A again, after a cleared screen.
  expect_notice_rows(r, second_notice_key, 4, {kNoticeA[0], kNoticeA[1], kNoticeA[2]});
  EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
  EXPECT_EQ(r.exit_code, 0);
}

TEST(TablePrompt, EmptyNameNotice) {
  HeadlessRun r;
  r.host.type("290\r10\r\r7\r");
  const std::size_t second_notice_key = r.host.keys_left();
  r.host.type("7");
  r.run();

  EXPECT_EQ(r.host.tones.size(), 2u);
  // On a cleared screen: the prompt on rows 1 and 2, then the notice.
  EXPECT_EQ(r.row_before_key(second_notice_key, 1), padded(kFilePromptLine1));
  EXPECT_EQ(r.colour_before_key(second_notice_key, 1, 2), 9);
  EXPECT_EQ(r.row_before_key(second_notice_key, 2), padded(kFilePromptLine2));
  EXPECT_EQ(r.colour_before_key(second_notice_key, 2, 2), 7);
  expect_notice_rows(r, second_notice_key, 4, {" You did not set any FFtab file name"});
  EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
  EXPECT_EQ(r.row(2), padded(kFilePromptLine2));
  EXPECT_EQ(trimmed(r.row(3)), "");
  EXPECT_EQ(r.calc->table_file_name, "");
}

TEST(TablePrompt, DummyFlagsClearedAtEveryPrompt) {
  HeadlessRun r;
  r.calc->dummy_flags.fill(1);
  r.host.type("290\r10\r");
  r.run();
  for (int alpha = 0; alpha <= 90; ++alpha) EXPECT_EQ(r.calc->dummy_flags[alpha], 0) << alpha;
  EXPECT_EQ(r.calc->dummy_flags[91], 1);  // never touched
}

TEST(TablePrompt, NameIsOpenedExactlyAsTyped) {
  // Only the files " t" and "t" exist (with different layouts): the typed
  // name keeps its leading blank and gets no extension.
  ScratchFolder folder;
  folder.write(" t", table_head("Azimuth", "  0", "  2"));
  folder.write("t", table_head("azimuth", "  0", "  1"));
  folder.write("t.txt", table_head("azimuth", "  0", "  1"));
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder.path().c_str()), 0);

  HeadlessRun r;
  r.host.type("290\r10\r t\r");
  const std::size_t notice_key = r.host.keys_left();
  r.host.type("7");
  r.run();
  ASSERT_EQ(chdir(previous), 0);

  EXPECT_EQ(r.row_before_key(notice_key, 8), padded(kFilePromptLine2 + std::string(" t")));
  expect_notice_rows(r, notice_key, kFirstNoticeRow, {kNoticeB});
}

TEST(TablePrompt, ExtendedKeyEndsANoticeWhole) {
  HeadlessRun r;
  r.host.type("290\r10\r\r");
  r.host.press(std::string("\0;", 2));  // F1
  r.host.type("ab");
  r.run();
  // Nothing of F1 reaches the next prompt.
  EXPECT_EQ(r.row(2), padded(kFilePromptLine2 + std::string("ab")));
  EXPECT_EQ(r.host.tones.size(), 1u);
}

}  // namespace
