#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every check:
# formatting, the fuzz targets on their seed corpora, and the test suite under
# AddressSanitizer and UndefinedBehaviorSanitizer. It ends with the test summary and
# how long each phase took. Tests run on private session buses (build-asan/dbus/):
# nothing here touches the user's own D-Bus services or desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# phase NAME COMMAND...: runs one phase and records how long it took.
phase_names=()
phase_seconds=()
phase() {
  local name=$1 start=$SECONDS rc=0
  shift
  echo "== $name"
  "$@" || rc=$?
  phase_names+=("$name")
  phase_seconds+=($((SECONDS - start)))
  echo "== $name: $((SECONDS - start)) s"
  return "$rc"
}
report_times() {
  echo "== phase times"
  local i
  for i in "${!phase_names[@]}"; do
    printf '%-24s %5d s\n' "${phase_names[$i]}" "${phase_seconds[$i]}"
  done
  printf '%-24s %5d s\n' "total" "$SECONDS"
}

format_check() {
  git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
}

test_suite() {
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/tests/ubsan.supp"
  (cd build-asan && ctest --output-on-failure --timeout 600 -j "$(nproc)")
}

# The times are printed however the command ends.
trap report_times EXIT

phase "packages" bash scripts/deps.sh
phase "format check" format_check
phase "fuzz build" bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTV_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
phase "fuzz runs" bash scripts/run-fuzzers.sh build-fuzz/fuzz-bin "${TV_FUZZ_SECONDS:-10}"
phase "sanitizer build" bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTV_SANITIZE=ON
phase "test suite" test_suite
