#!/usr/bin/env bash
# Builds the level reader's fuzz target with clang and libFuzzer under ASan and
# UBSan, then runs it for a bounded time on the golden levels. Any crash,
# sanitizer report or broken round trip fails the test.
#   run_level_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
. "$(dirname "$0")/fuzz_run.sh"
fuzz_start 60 "$@"
cp "$src"/tests/level/golden/*.xml "$work/corpus/"

sources=(
  "$src/tests/fuzz/level_reader_fuzz.cpp"
  "$src/src/level/level_file.cpp"
  "$src/src/level/records.cpp"
  "$src/src/level/rooms.cpp"
  "$src/src/level/play_globals.cpp"
  "$src/src/startup/object_kinds.cpp"
  "$src/src/platform/core/runtime.cpp"
  "$src/src/platform/core/files.cpp"
  "$src/src/platform/test/test_backend.cpp"
)

fuzz_build_and_run level_reader_fuzz 16384 "" "${sources[@]}"
