// The error handler: which errors lead back to the file prompt with which
// notice, and the closing path for every other error.
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

#include <regex>

#include "support/headless_run.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"

namespace {

using namespace texts;

// The first 14 lines of a table file that passes the layout check.
std::string passing_head() {
  std::string text;
  for (int i = 1; i <= 10; ++i) text += "header " + std::to_string(i) + "\r\n";
  text += "Azimuth   Theta   Gain\r\n\r\n";
  text += "  0                        -3.50\r\n";
  text += "  1                        -3.50\r\n";
  return text;
}

enum class Handled { kNotFound, kFormat, kCloses };

// Runs a procedure that raises error `number` with the trap set, and hands
// it at statement `line` to the error handler; true when the handler
// resumed. `before` runs first, with the trap already set.
bool raise_into_handler(HeadlessRun& r, int32_t number, int32_t line,
                        const std::function<void(calculator::Calculator&)>& before = {}) {
  bool resumed = false;
  r.run([&](calculator::Calculator& calc) {
    r.platform.set_error_trap(&calc.last_label);
    if (before) before(calc);
    r.platform.error_raise(number);
    try {
      r.platform.statement_hook(line);
    } catch (const console::ErrorDelivered&) {
      calc.error_handler();
      resumed = true;
    }
    r.platform.program_halt();
  });
  return resumed;
}

// The error delivered straight to the handler after the statement on
// line 4321, with last_label as given.
TEST(ErrorHandler, CaseSelection) {
  struct Case {
    int32_t number;
    double label;
    Handled handled;
  };
  const Case cases[] = {
      {53, 20, Handled::kNotFound},  {70, 20, Handled::kNotFound},  {76, 20, Handled::kNotFound},
      {62, 100, Handled::kFormat},   {62, 110, Handled::kFormat},   {62, 120, Handled::kFormat},
      {62, 130, Handled::kFormat},   {62, 20, Handled::kFormat},    {53, 130, Handled::kCloses},
      {53, 0, Handled::kCloses},     {62, 0, Handled::kCloses},     {62, 20.5, Handled::kCloses},
      {68, 20, Handled::kCloses},    {75, 20, Handled::kCloses},    {70, 130, Handled::kCloses},
      {5, 130, Handled::kCloses},    {9, 20, Handled::kCloses},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("error " + std::to_string(c.number) + " with label " + std::to_string(c.label));
    HeadlessRun r;
    r.host.type("7");
    const bool resumed =
        raise_into_handler(r, c.number, 4321, [&](calculator::Calculator& calc) { calc.last_label = c.label; });

    if (c.handled == Handled::kCloses) {
      EXPECT_FALSE(resumed);
      EXPECT_EQ(r.exit_code, 1);
      const std::string error_row = "Error " + std::to_string(c.number) + " at line 4321 ";
      EXPECT_EQ(r.row(1), padded(error_row));
      EXPECT_EQ(r.colour(1, 1), 12);
      EXPECT_EQ(r.colour(1, static_cast<int>(error_row.size()) - 1), 12);
      EXPECT_EQ(trimmed(r.row(2)), "");
      EXPECT_EQ(r.row(3), padded(kCloseKey));
      EXPECT_EQ(r.colour(3, 2), 9);
      EXPECT_TRUE(r.host.tones.empty());
      EXPECT_EQ(r.host.keys_left(), 0u);
      continue;
    }
    EXPECT_TRUE(resumed);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.platform.last_error_number(), 0);
    EXPECT_EQ(r.calc->last_label, c.label);  // the resumption keeps it
    EXPECT_EQ(r.host.tones.size(), 1u);
    // The notice, from the empty row 1 on, then a cleared screen.
    std::vector<std::string> message;
    if (c.handled == Handled::kNotFound) message = {kNotFound};
    else message = {kFormat[0], kFormat[1]};
    expect_notice_rows(r, 0, 2, message);
    for (int blank = 1; blank <= 25; ++blank) EXPECT_EQ(trimmed(r.row(blank)), "");
  }
}

// The error row starts where the failing statement left the cursor; each of
// its four items that does not fit the rest of the row starts the next one.
TEST(ErrorHandler, ErrorRowItemsMoveToTheNextRowWhenTheyDoNotFit) {
  struct Case {
    const char* what;
    std::function<void(console::Platform&)> place_cursor;
    std::string row_1, row_2;
  } cases[] = {
      {"column 70", [](console::Platform& p) { p.locate_cursor(1, 70); },
       std::string(69, ' ') + "Error 62", "at line 4321"},
      {"column 76", [](console::Platform& p) { p.locate_cursor(1, 76); }, std::string(75, ' ') + "Error",
       " 62 at line 4321"},
      {"a pending line end after 80 columns", [](console::Platform& p) { p.print_string(std::string(80, '='), false); },
       std::string(80, '='), "Error 62 at line 4321"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeadlessRun r;
    r.host.type("7");
    raise_into_handler(r, 62, 4321, [&](calculator::Calculator&) { c.place_cursor(r.platform); });
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(trimmed(r.row(1)), c.row_1);
    EXPECT_EQ(trimmed(r.row(2)), trimmed(c.row_2));
    EXPECT_EQ(r.row(2).substr(0, c.row_2.size()), c.row_2);
    EXPECT_EQ(trimmed(r.row(3)), "");
    EXPECT_EQ(r.row(4), padded(kCloseKey));
  }
}

TEST(ErrorHandler, ClosingWaitEndedByTheWindowGivesExitCodeZero) {
  HeadlessRun r;
  raise_into_handler(r, 68, 12);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.row(3), padded(kCloseKey));
}

// Files that cannot be read as a table, each typed at the file prompt on a
// cleared screen (after an empty name's notice).
TEST(ErrorHandler, TableFileFailuresLeadBackToThePrompt) {
  ScratchFolder folder;
  folder.write("short", passing_head().substr(0, passing_head().rfind("  1")));
  folder.write("empty", "");
  ::mkdir(folder.file("folder").c_str(), 0755);
  struct Case {
    const char* what;
    std::string name;
    std::vector<const char*> message;
  };
  const Case cases[] = {
      {"missing file", folder.file("missing"), {kNotFound}},
      {"missing folder", folder.file("none/missing"), {kNotFound}},
      {"a folder", folder.file("folder"), {kNotFound}},
      {"13 lines", folder.file("short"), {kFormat[0], kFormat[1]}},
      {"empty file", folder.file("empty"), {kFormat[0], kFormat[1]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeadlessRun r;
    r.host.type("290\r10\r\r7" + c.name + "\r");
    const std::size_t notice_key = r.host.keys_left();
    r.host.type("7");
    r.run();

    EXPECT_EQ(r.row_before_key(notice_key, 1), padded(kFilePromptLine1));
    EXPECT_EQ(r.row_before_key(notice_key, 2), padded(kFilePromptLine2 + c.name));
    EXPECT_EQ(trimmed(r.row_before_key(notice_key, 3)), "");
    expect_notice_rows(r, notice_key, 4, {c.message.begin(), c.message.end()});

    // Back at the prompt; the temperatures are kept and not asked again.
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
    EXPECT_EQ(r.row(2), padded(kFilePromptLine2));
    for (int blank = 3; blank <= 25; ++blank) EXPECT_EQ(trimmed(r.row(blank)), "");
    EXPECT_EQ(r.calc->sky_temperature, 290.0f);
    EXPECT_EQ(r.calc->earth_temperature, 10.0f);
    EXPECT_EQ(r.host.tones.size(), 2u);
  }
}

TEST(ErrorHandler, UnreadableFileTakesTheClosingPath) {
  // Reading the first byte of this file fails with an I/O error (75).
  HeadlessRun r;
  r.host.type("290\r10\r/proc/self/mem\r");
  const std::size_t close_key = r.host.keys_left();
  r.host.type("7");
  r.host.type("more keys that nobody reads");
  EXPECT_EQ(r.run(), 1);

  // The error row stands below the typed name, then an empty row and the
  // key prompt; the run ended after one key.
  EXPECT_EQ(r.row(8), padded(kFilePromptLine2 + std::string("/proc/self/mem")));
  EXPECT_TRUE(std::regex_match(r.row(9), std::regex("Error 75 at line [1-9][0-9]* +")))
      << r.row(9);
  EXPECT_EQ(r.colour(9, 1), 12);
  EXPECT_EQ(trimmed(r.row(10)), "");
  EXPECT_EQ(r.row(11), padded(kCloseKey));
  EXPECT_EQ(r.colour(11, 2), 9);
  EXPECT_EQ(r.host.screens_before_key.size(), close_key + 1);
}

TEST(ErrorHandler, TenMissingFilesInARow) {
  ScratchFolder folder;
  // After the ten, a file whose azimuth step is 2 degrees: handled as usual.
  const std::string step_2 = folder.write(
      "two", passing_head().substr(0, passing_head().rfind("  1")) + "  2                        -3.50\r\n");
  HeadlessRun r;
  r.host.type("290\r10\r");
  std::vector<std::size_t> notice_keys;
  for (int i = 0; i < 10; ++i) {
    r.host.type(folder.file("missing" + std::to_string(i)) + "\r");
    notice_keys.push_back(r.host.keys_left());
    r.host.type("7");
  }
  r.host.type(step_2 + "\r");
  const std::size_t last_key = r.host.keys_left();
  r.host.type("7");
  r.run();

  for (std::size_t i = 0; i < notice_keys.size(); ++i) {
    SCOPED_TRACE("missing file " + std::to_string(i));
    const int row = i == 0 ? 10 : 4;  // the first follows the dialogue
    EXPECT_EQ(r.row_before_key(notice_keys[i], row), padded(kNotFound));
  }
  EXPECT_EQ(r.row_before_key(last_key, 4), padded(" The FF Table must be of 1 deg. resolution but is not!"));
  EXPECT_EQ(r.host.tones.size(), 11u);
  EXPECT_EQ(r.exit_code, 0);
}

TEST(ErrorHandler, KeyPressedDuringTheBeepEndsTheNoticeAtOnce) {
  ScratchFolder folder;
  HeadlessRun r;
  bool pressed = false;
  r.host.on_sleep = [&r, &pressed](console::HeadlessHost& host, int64_t) {
    if (pressed || host.tones.size() != 1) return;
    r.platform.keys().push("k");
    pressed = true;
  };
  r.host.type("290\r10\r" + folder.file("missing") + "\r");
  const std::size_t next_key = r.host.keys_left();
  r.host.type("ab");
  r.run();

  // The notice took the key queued during its beep; the next scripted key
  // was asked for by the file prompt on the cleared screen.
  EXPECT_EQ(r.row_before_key(next_key, 1), padded(kFilePromptLine1));
  EXPECT_EQ(r.row_before_key(next_key, 2), padded(kFilePromptLine2));
  EXPECT_EQ(r.row(2), padded(kFilePromptLine2 + std::string("ab")));
  EXPECT_EQ(r.host.tones.size(), 1u);
}

// A file that ends inside its first slice: the second pass meets the early
// end with the label of a data line.
TEST(ErrorHandler, FileEndingInsideASliceLeadsBackToThePrompt) {
  ScratchFolder folder;
  const std::string path = folder.write("t", passing_head());
  HeadlessRun r;
  r.host.type("290\r10\r" + path + "\r");
  const std::size_t notice_key = r.host.keys_left();
  r.host.type("7" + path + "\r");
  const std::size_t second_notice_key = r.host.keys_left();
  r.host.type("7");
  r.run();

  for (std::size_t key : {notice_key, second_notice_key}) {
    bool found = false;
    for (int row = 1; row < 25 && !found; ++row) {
      if (r.row_before_key(key, row) != padded(kFormat[0])) continue;
      found = true;
      EXPECT_EQ(r.row_before_key(key, row + 1), padded(kFormat[1]));
      EXPECT_EQ(r.row_before_key(key, row + 3), padded(kPressAnyKey));
    }
    EXPECT_TRUE(found) << "no notice before key " << key;
  }
  EXPECT_EQ(r.calc->last_label, 130.0);
  EXPECT_EQ(r.row(1), padded(kFilePromptLine1));
  EXPECT_EQ(r.exit_code, 0);
}

}  // namespace
