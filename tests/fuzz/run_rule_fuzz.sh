#!/usr/bin/env bash
# Builds the song rule-file reader's fuzz target with clang and libFuzzer under
# ASan and UBSan, then runs it for a bounded time on the shipped rule file. Any
# crash, sanitizer report or broken pattern fails the test.
#   run_rule_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
src=$1
work=$2
seconds=${3:-30}

mkdir -p "$work/corpus" "$work/artifacts"
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

bin="$work/rule_file_fuzz"
clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fsanitize=float-divide-by-zero,integer-divide-by-zero \
  -fno-sanitize-recover=all -I"$src/src" "${sources[@]}" -o "$bin"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -artifact_prefix="$work/artifacts/" "$work/corpus"
