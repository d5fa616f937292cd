#!/usr/bin/env bash
# Sets up and starts Torvelin: installs the Debian packages and builds; then,
# on a desktop, runs the program in its window. Where there is no display (a
# server, a container) it runs a typed sample run under Xvfb instead and
# saves its results screen as build/results-screen.png (headless_demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running a sample run under Xvfb."
  exec bash scripts/headless_demo.sh build/app/torvelin build/results-screen.png
fi
exec build/app/torvelin
