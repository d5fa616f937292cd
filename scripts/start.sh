#!/usr/bin/env bash
# Sets up and starts Torvelin: installs the Debian packages, builds, and
# runs the program in its window.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -x build/app/torvelin ]; then
  echo "Built; the windowed program is not part of this build yet." >&2
  exit 0
fi
exec build/app/torvelin
