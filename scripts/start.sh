#!/usr/bin/env bash
# Sets up and starts Torvelin: installs the Debian packages that running it
# needs and builds the program, its sample tables and the window-closing
# helper of the headless demo (no tests); then, on a desktop, runs the
# program in its window. Where there is no display (a server, a container)
# it runs a typed sample run under Xvfb instead and saves its results screen
# as build/results-screen.png (headless_demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages $TORVELIN_RUN_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVELIN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target torvelin sample_tables close_window
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running a sample run under Xvfb."
  exec bash scripts/headless_demo.sh build/app/torvelin build/results-screen.png
fi
exec build/app/torvelin
