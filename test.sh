#!/usr/bin/env bash
# Sets up, builds and runs all tests: once in a normal build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== normal build =="
scripts/build build -DSONGSAVER_WERROR=$werror -DSONGSAVER_TESTS=ON -DSONGSAVER_BENCH=ON
ctest --test-dir build --output-on-failure -j2

echo "== sanitizer build =="
scripts/build build-sanitize -DSONGSAVER_WERROR=$werror -DSONGSAVER_TESTS=ON -DSONGSAVER_SANITIZE=ON -DSONGSAVER_BENCH=OFF
ctest --test-dir build-sanitize --output-on-failure -j2
