#!/usr/bin/env bash
# Sets up and runs every test: installs the Debian packages, builds the
# normal and the sanitizer (ASan + UBSan) configurations, runs the fuzz
# targets for a bounded time and then ctest in both builds. The window tests
# start their own Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages $TORVELIN_RUN_PACKAGES $TORVELIN_TEST_PACKAGES

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVELIN_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTORVELIN_SANITIZE=ON -DTORVELIN_TESTS=ON >/dev/null
cmake --build build-sanitize -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0

# Fuzzing: each libFuzzer target runs for a bounded time, all at once; a
# crash, a sanitizer report, a hang (-timeout) or an input that needs too
# much memory fails it. New inputs collect in build-fuzz/corpus/<target>.
echo "== fuzz (libFuzzer, ${TORVELIN_FUZZ_SECONDS:=30} s per target)"
CC=clang-16 CXX=clang++-16 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTORVELIN_FUZZ=ON -DTORVELIN_REAL_HOST=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_all
fuzz_pids=()
fuzz_targets="string_to_number:64 picture:128 line_reader:4096 table_read:2048"
for entry in $fuzz_targets; do
  target=${entry%%:*}
  max_len=${entry##*:}
  mkdir -p "build-fuzz/corpus/$target"
  seeds=()
  [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
  build-fuzz/fuzz/fuzz_"$target" -max_total_time="$TORVELIN_FUZZ_SECONDS" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "build-fuzz/corpus/$target" "${seeds[@]}" >"build-fuzz/fuzz_$target.log" 2>&1 &
  fuzz_pids+=("$!:$target")
done
fuzz_passed=0
fuzz_failed=0
for entry in "${fuzz_pids[@]}"; do
  target=${entry#*:}
  if wait "${entry%%:*}"; then
    fuzz_passed=$((fuzz_passed + 1))
    echo "fuzz_$target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "build-fuzz/fuzz_$target.log")"
  else
    fuzz_failed=$((fuzz_failed + 1))
    echo "fuzz_$target FAILED; the end of build-fuzz/fuzz_$target.log:"
    tail -n 40 "build-fuzz/fuzz_$target.log"
  fi
done
echo "fuzz: $fuzz_passed passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ] || status=1

# The test suites run last, so that their summaries close the output.
echo "== tests (normal build)"
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== tests (sanitizer build)"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs" || status=1
exit $status
