#!/usr/bin/env bash
# Builds the song rule-file reader's fuzz target with clang and libFuzzer under
# ASan and UBSan, then runs it for a bounded time on the shipped rule file. Any
# crash, sanitizer report or broken pattern fails the test.
#   run_rule_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
. "$(dirname "$0")/fuzz_run.sh"
fuzz_start 30 "$@"
cp "$src"/data/music/*.ini "$work/corpus/"

sources=(
  "$src/tests/fuzz/rule_file_fuzz.cpp"
  "$src/src/music/generator_state.cpp"
  "$src/src/music/rule_file.cpp"
  "$src/src/music/song.cpp"
  "$src/src/music/pattern.cpp"
  "$src/src/music/line_pickers.cpp"
  "$src/src/music/note_values.cpp"
  "$src/src/startup/globals.cpp"
  "$src/src/platform/core/runtime.cpp"
  "$src/src/platform/core/files.cpp"
  "$src/src/platform/test/test_backend.cpp"
)

fuzz_build_and_run rule_file_fuzz 8192 "-fsanitize=float-divide-by-zero,integer-divide-by-zero" "${sources[@]}"
