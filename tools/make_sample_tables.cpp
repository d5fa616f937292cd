// Writes the sample far-field tables that ship with the program into the
// folder given as the one argument (made when missing):
//   isotropic.txt           0 dBi in every direction
//   short_dipole.txt        a short vertical dipole, 1.5 sin^2(theta)
//   short_dipole_comma.txt  the same dipole written with decimal commas
//   horizon_beam.txt        a cos^20 beam pointing at the horizon, azimuth 0
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <numbers>
#include <string>

#include "tools/far_field_writer.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// The lowest gain written: the dipole's nulls and the beam's back.
constexpr double kFloorDb = -40;

double db(double linear_gain) { return std::max(kFloorDb, 10 * std::log10(linear_gain)); }

double isotropic(int, int) { return 0; }

// Directivity 1.5 sin^2(theta): 1.76 dBi all round the horizon, nulls at
// the zenith and the nadir.
double short_dipole(int theta, int) {
  const double s = std::sin(theta * kDegree);
  return db(1.5 * s * s);
}

// cos^n of the angle from the beam axis (the horizon at azimuth 0) over the
// front half-space, whose directivity is 2 (n + 1): 16.2 dBi for n = 20.
double horizon_beam(int theta, int azimuth) {
  constexpr int kExponent = 20;
  const double cos_off_axis = std::sin(theta * kDegree) * std::cos(azimuth * kDegree);
  if (cos_off_axis <= 0) return kFloorDb;
  return db(2 * (kExponent + 1) * std::pow(cos_off_axis, kExponent));
}

void write(const std::filesystem::path& folder, const std::string& name, const std::string& what,
           GainFunction gain, bool decimal_comma = false) {
  FarFieldTableOptions options;
  options.decimal_comma = decimal_comma;
  options.free_lines = {"Torvelin sample far-field table: " + what,
                        "Total gain in dBi on a 1-degree grid, one slice per polar angle (180 down to 0).",
                        "", "", "", "", "", "", ""};
  write_far_field_table((folder / name).string(), gain, options);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    write(folder, "isotropic.txt", "isotropic radiator, 0 dBi everywhere", isotropic);
    write(folder, "short_dipole.txt", "short vertical dipole", short_dipole);
    write(folder, "short_dipole_comma.txt", "short vertical dipole, decimal commas", short_dipole, true);
    write(folder, "horizon_beam.txt", "cos^20 beam pointing at the horizon, azimuth 0", horizon_beam);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "make_sample_tables: %s\n", failure.what());
    return 1;
  }
  return 0;
}
