#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test inside a private
# network namespace; then runs them again built with AddressSanitizer and
# UndefinedBehaviorSanitizer. `./test.sh --fast` skips the sanitizer pass.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}
run_tests() {
  scripts/isolated-net ctest --test-dir "$1" --output-on-failure -j "$(nproc)"
}

build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVLO_BUILD_BENCH=ON
run_tests build

if [ "${1:-}" != "--fast" ]; then
  build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSCRIVLO_SANITIZE=ON -DSCRIVLO_BUILD_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_tests build-sanitize
fi
