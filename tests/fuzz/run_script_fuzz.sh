#!/usr/bin/env bash
# Builds the replay tool's script reader fuzz target with clang and libFuzzer
# under ASan and UBSan, then runs it for a bounded time on the replay scripts.
# Any crash, sanitizer report, exception other than the reader's refusal or
# broken promise fails the test.
#   run_script_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
. "$(dirname "$0")/fuzz_run.sh"
fuzz_start 30 "$@"
cp "$src"/tests/replays/*.script "$work/corpus/"
# The kinds of white space a line can hold besides words.
printf '\v\n\f\n\r\r\n1\vleft\f\r\n2 type \v#x\r\r\n' > "$work/corpus/blanks.script"

sources=(
  "$src/tests/fuzz/script_reader_fuzz.cpp"
  "$src/tools/replay/script_reader.cpp"
)

fuzz_build_and_run script_reader_fuzz 8192 "-I$src/tools/replay" "${sources[@]}"
