// Times the work behind one results screen against the cost of just reading
// the table file, on a generated 1-degree table that sits in the page cache:
//   read_file_and_find_line_ends: the file's bytes read and its line ends
//     found;
//   second_pass_and_results: extract_gains, compute_average_gain and the 19
//     rows (split_sky_earth and print_result_row), on a calculator over the
//     headless platform, whose virtual clock skips the 2-second wait.
// At the end it prints the ratio of the two.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "calculator/calculator.h"
#include "console/headless_host.h"
#include "console/platform.h"

namespace {

// A pattern with a main lobe towards the horizon ahead and a floor of
// -30 dBi, written with two decimals like a real table.
double pattern_gain_db(int theta, int azimuth) {
  const double pi = 3.141592653589793;
  const double off_axis = std::acos(std::sin(theta * pi / 180) * std::cos(azimuth * pi / 180));
  const double lobe = 15 * std::cos(off_axis / 2) * std::cos(off_axis / 2) - 3 * off_axis * off_axis;
  return std::max(lobe, -30.0);
}

std::string write_table() {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("torvelin_bench_" + std::to_string(::getpid()) + ".txt")).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int i = 1; i <= 9; ++i) out << "free line " << i << "\r\n";
  char line[64];
  for (int theta = 180; theta >= 0; --theta) {
    out << "Theta [deg.] = " << theta << "\r\n"
        << "Azimuth [deg.]  Theta [deg.]  Abs(Gain)[dBi]\r\n"
        << "------------------------------------------------\r\n";
    for (int azimuth = 0; azimuth <= 360; ++azimuth) {
      std::snprintf(line, sizeof line, "%3d%8d.000%10s%10.2f\r\n", azimuth, theta, "",
                    pattern_gain_db(theta, azimuth));
      out << line;
    }
  }
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

const std::string& table_path() {
  static const std::string path = write_table();
  return path;
}

void read_file_and_find_line_ends(benchmark::State& state) {
  const std::string& path = table_path();
  std::vector<char> bytes(std::filesystem::file_size(path));
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const std::size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    std::size_t lines = 0;
    for (const char* p = bytes.data(); (p = static_cast<const char*>(std::memchr(p, '\n', bytes.data() + size - p)));
         ++p)
      ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

struct HeadlessCalculator {
  console::HeadlessHost host;
  console::Platform platform{host};
  calculator::Calculator calc{platform};
  HeadlessCalculator() {
    calc.start_of_run();
    calc.sky_temperature = 10;
    calc.earth_temperature = 290;
  }
};

void second_pass_and_results(benchmark::State& state) {
  // About 1 MiB of program state: made once, like the run's variables.
  static HeadlessCalculator* headless = new HeadlessCalculator;
  calculator::Calculator& calc = headless->calc;
  for (auto _ : state) {
    calc.table_file_name = table_path();
    if (!calc.extract_gains()) state.SkipWithError("the second pass refused the table");
    calc.compute_average_gain();
    headless->platform.clear_screen();
    calc.show_summary();
    for (calc.alpha = 0; calc.alpha <= 90; calc.alpha = static_cast<int16_t>(calc.alpha + 5)) {
      calc.split_sky_earth();
      calc.print_result_row();
    }
    benchmark::DoNotOptimize(calc.g_over_ta_db[90]);
  }
}

BENCHMARK(read_file_and_find_line_ends)->Unit(benchmark::kMillisecond);
BENCHMARK(second_pass_and_results)->Unit(benchmark::kMillisecond);

// Keeps the mean real time of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) real_ms[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> real_ms;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  table_path();  // write it, and so bring it into the page cache
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::remove(table_path().c_str());

  const double read_ms = reporter.real_ms["read_file_and_find_line_ends"];
  const double pass_ms = reporter.real_ms["second_pass_and_results"];
  if (read_ms > 0 && pass_ms > 0)
    std::printf("second pass + results / reading the file = %.2f / %.3f ms = %.1f\n", pass_ms, read_ms,
                pass_ms / read_ms);
  return 0;
}
