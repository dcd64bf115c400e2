#!/usr/bin/env bash
# Builds the score history reader's fuzz target with clang and libFuzzer under
# ASan and UBSan, then runs it for a bounded time from a few seed files. Any
# crash, sanitizer report or broken round trip fails the test.
#   run_history_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
. "$(dirname "$0")/fuzz_run.sh"
fuzz_start 30 "$@"
best="0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|1"
printf '120|Ann|0|65150126130|0|2|0|1\r\n%s\r\n7|Bo|5|65150125249|0|0|0|0\r\n%s\r\n' "$best" "$best" > "$work/corpus/two.dat"
printf '1|A|0|10|0|0|0|0\r\n2|B|0|20|0|0|0|0\r\n42\r\n' > "$work/corpus/shifted.dat"
printf -- '-9223372036854775808|Min|-2147483648|99999999999999999999|$ff|%%101|x|-1\r\n' > "$work/corpus/odd.dat"

sources=(
  "$src/tests/fuzz/history_reader_fuzz.cpp"
  "$src/src/scores/history.cpp"
  "$src/src/framework/utils.cpp"
  "$src/src/platform/core/runtime.cpp"
  "$src/src/platform/core/files.cpp"
  "$src/src/platform/test/test_backend.cpp"
)

fuzz_build_and_run history_reader_fuzz 4096 "" "${sources[@]}"
