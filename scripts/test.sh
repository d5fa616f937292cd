#!/usr/bin/env bash
# Sets up and runs every test: installs the Debian packages, builds the
# normal and the sanitizer (ASan + UBSan) configurations and runs ctest in
# both. The window tests run under their own Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTORVELIN_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
echo "== tests (normal build)"
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== tests (sanitizer build)"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs" || status=1
exit $status
