#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every check:
# formatting, the fuzz targets on their seed corpora, and the test suite under
# AddressSanitizer and UndefinedBehaviorSanitizer (last, so its summary ends the output).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh

echo "== format check"
git ls-files -- '*.cpp' '*.h' \
  | xargs -r clang-format --dry-run --Werror

echo "== fuzz targets"
bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTV_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++
bash scripts/run-fuzzers.sh build-fuzz/fuzz-bin "${TV_FUZZ_SECONDS:-10}"

echo "== test suite (ASan + UBSan)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTV_SANITIZE=ON
bash scripts/install-dbus-services.sh build-asan/bin
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/tests/ubsan.supp"
cd build-asan
ctest --output-on-failure --timeout 600 -j "$(nproc)"
