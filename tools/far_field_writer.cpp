#include "tools/far_field_writer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

std::string far_field_data_line(int theta, int azimuth, double gain_db, const FarFieldTableOptions& options) {
  char head[32];
  // Columns 1-3 the azimuth, 4-25 the polar angle and blanks.
  std::snprintf(head, sizeof head, "%3d%8d.000%10s", azimuth, theta, "");
  char field[64];
  std::snprintf(field, sizeof field, "%*.*f", options.field_width, options.decimals, gain_db);
  std::string line = std::string(head) + field;
  if (options.decimal_comma) {
    std::size_t point = line.find('.', 25);
    if (point != std::string::npos) line[point] = ',';
  }
  return line;
}

void write_far_field_table(const std::string& path, const GainFunction& gain_db,
                           const FarFieldTableOptions& options) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  int lines = 0;
  auto put = [&](const std::string& line) {
    if (options.max_lines > 0 && lines >= options.max_lines) return;
    out << line << "\r\n";
    ++lines;
  };
  for (int i = 1; i <= 9; ++i) {
    const std::size_t index = static_cast<std::size_t>(i - 1);
    put(index < options.free_lines.size() ? options.free_lines[index] : "free line " + std::to_string(i));
  }
  for (int theta = 180; theta >= 0; --theta) {
    put("Theta [deg.] = " + std::to_string(theta));
    put("Azimuth [deg.]  Theta [deg.]  Abs(Gain)[dBi]");
    put("------------------------------------------------");
    for (int azimuth = 0; azimuth <= 360; ++azimuth) {
      std::string line = far_field_data_line(theta, azimuth, gain_db(theta, azimuth), options);
      if (options.edit_line) line = options.edit_line(theta, azimuth, line);
      put(line);
    }
  }
  for (int i = 0; i < options.extra_lines; ++i) put("after the table");
  if (!out) throw std::runtime_error("cannot write " + path);
}
