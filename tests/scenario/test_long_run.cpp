// A long run: 1,000 table files in one run, good, faulty and missing ones
// mixed, with every outcome checked and the process's open descriptors and
// resident memory the same at the end as after the first files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calculator/calculator.h"
#include "console/platform.h"
#include "support/far_field_table.h"
#include "support/process_usage.h"
#include "support/scratch_folder.h"

#ifdef TORVELIN_ADDRESS_SANITIZER
// The address sanitizer holds freed blocks back (256 MiB by default) to
// catch late uses, and that alone would grow the resident memory with every
// file; a small hold-back still catches the late uses of this run.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }
#endif

namespace {

// A host whose key presses come from a function, one whenever the program
// waits for a key with an empty queue, and that keeps nothing per key (the
// headless host's screen per key would itself grow with the run).
class KeySourceHost : public console::Host {
 public:
  // Returns the next key press; the empty text ends the run (the user
  // closes the window).
  std::function<console::Text(console::Platform&)> next_key;
  int64_t clock_ms = 0;
  std::size_t tones = 0;

  void set_title(const console::Text&) override {}
  void play_samples(const std::vector<int16_t>&, int) override { ++tones; }
  void sleep_ms(int64_t ms) override { clock_ms += ms > 0 ? ms : 0; }
  int64_t now_ms() override { return clock_ms; }
  void await_key(console::Platform& platform, int64_t) override {
    if (!platform.keys().empty() || platform.stop_requested()) return;
    const console::Text key = next_key(platform);
    if (key.empty()) platform.request_stop(0);
    else platform.keys().push(key);
  }
  void show_fatal(const console::Text&, const console::Text&) override { ++fatal_errors; }
  int fatal_errors = 0;
};

enum class Outcome { kResults, kNotFound, kNoticeA, kNoticeB, kFormat };

// What the screen shows when the program waits for the key that ends a file.
Outcome outcome_on(const console::TextScreen& screen) {
  for (int row = 1; row <= 25; ++row) {
    const std::string text = screen.row_text(row);
    if (text.rfind(" Alpha (deg.)  T_pattern (K)", 0) == 0) return Outcome::kResults;
    if (text.rfind(" The FF Table file has not been found!", 0) == 0) return Outcome::kNotFound;
    if (text.rfind(" and/or not organized as Azimuth slices).", 0) == 0) return Outcome::kNoticeA;
    if (text.rfind(" The FF Table must be of 1 deg. resolution but is not!", 0) == 0) return Outcome::kNoticeB;
    if (text.rfind(" (number of lines and/or content of lines).", 0) == 0) return Outcome::kFormat;
  }
  return static_cast<Outcome>(-1);
}

struct TableFile {
  std::string name;
  Outcome outcome;
};

// The first 14 lines of a table with this line 11 and these two azimuths.
std::string table_head(const std::string& line_11, const std::string& azimuth_13, const std::string& azimuth_14) {
  std::string text;
  for (int i = 1; i <= 10; ++i) text += "free line " + std::to_string(i) + "\r\n";
  text += line_11 + "\r\n\r\n";
  text += azimuth_13 + std::string(22, ' ') + "     -3.50\r\n";
  text += azimuth_14 + std::string(22, ' ') + "     -3.50\r\n";
  return text;
}

TEST(LongRun, ThousandFilesLeaveDescriptorsAndMemoryAsTheyWere) {
  ScratchFolder folder;
  write_far_field_table(folder.file("good.txt"), [](int theta, int) { return theta < 90 ? 3.0 : -10.0; });
  FarFieldTableOptions wrong_end;
  wrong_end.edit_line = [](int theta, int azimuth, const std::string& line) {
    return theta == 0 && azimuth == 360 ? " " + line : line;
  };
  write_far_field_table(folder.file("last_line.txt"), [](int, int) { return 0.0; }, wrong_end);
  folder.write("layout.txt", table_head("Elevation", "  0", "  1"));
  folder.write("step.txt", table_head("Azimuth", "  0", "  2"));
  folder.write("slice_end.txt", table_head("Azimuth", "  0", "  1") + std::string(100, '\n'));
  folder.write("empty.txt", "");
  ::mkdir(folder.file("folder").c_str(), 0755);

  const TableFile good{folder.file("good.txt"), Outcome::kResults};
  const TableFile last_line{folder.file("last_line.txt"), Outcome::kFormat};
  const TableFile cheap[] = {
      {folder.file("missing.txt"), Outcome::kNotFound},
      {folder.file("layout.txt"), Outcome::kNoticeA},
      {folder.file("slice_end.txt"), Outcome::kFormat},
      {folder.file("step.txt"), Outcome::kNoticeB},
      {folder.file("empty.txt"), Outcome::kFormat},
      {folder.file("folder"), Outcome::kNotFound},
      {folder.file("no_folder/missing.txt"), Outcome::kNotFound},
  };
  // Cycles of 25 files: a whole table first (every tenth time one whose last
  // line is wrong), then the faulty and missing ones in turn.
  constexpr int kFiles = 1000;
  constexpr int kCycle = 25;
  std::vector<TableFile> files;
  for (int i = 0; i < kFiles; ++i) {
    if (i % kCycle == 0) files.push_back(i % (4 * kCycle) == 2 * kCycle ? last_line : good);
    else files.push_back(cheap[(i % kCycle - 1) % std::size(cheap)]);
  }

  KeySourceHost host;
  console::Platform platform(host);
  auto calc = std::make_unique<calculator::Calculator>(platform);

  // The keys: the two temperatures, then per file its name, Enter and the
  // key that ends its results screen or notice. Samples are taken at the
  // file prompt after the first cycle and after the last file, both times
  // right after a file of the same kind.
  std::string pending = "290\r10\r";
  std::size_t next_file = 0;
  std::vector<Outcome> seen;
  int descriptors_early = -1, descriptors_late = -1;
  int64_t resident_early_kib = -1, resident_late_kib = -1;
  auto sample = [](int& descriptors, int64_t& resident) {
    release_freed_memory();
    descriptors = open_descriptor_count();
    resident = resident_kib();
  };
  host.next_key = [&](console::Platform& p) -> console::Text {
    if (pending.empty()) {
      if (next_file == kCycle) sample(descriptors_early, resident_early_kib);
      if (next_file == files.size()) {
        sample(descriptors_late, resident_late_kib);
        return {};
      }
      pending = files[next_file++].name + "\r";
      seen.push_back(static_cast<Outcome>(-1));
      // After Enter the next key wait is the end of this file.
      pending.push_back('\0');
    }
    char key = pending.front();
    pending.erase(0, 1);
    if (key == '\0') {
      seen.back() = outcome_on(p.screen());
      key = '7';
    }
    return console::Text(1, key);
  };

  const int exit_code = console::run_program(platform, [&](console::Platform&) { calc->run(); });

  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(host.fatal_errors, 0);
  ASSERT_EQ(seen.size(), files.size());
  int wrong = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (seen[i] == files[i].outcome) continue;
    if (wrong++ == 0) ADD_FAILURE() << "file " << i << " (" << files[i].name << ") gave outcome " << static_cast<int>(seen[i]);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(calc->sky_temperature, 290.0f);
  EXPECT_EQ(calc->earth_temperature, 10.0f);

  EXPECT_EQ(descriptors_late, descriptors_early);
  // A little slack for the allocator's own bookkeeping.
  EXPECT_LT(resident_late_kib - resident_early_kib, 1024)
      << "resident " << resident_early_kib << " KiB after " << kCycle << " files, " << resident_late_kib
      << " KiB after " << kFiles;
}

}  // namespace
