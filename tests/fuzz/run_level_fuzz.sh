#!/usr/bin/env bash
# Builds the level reader's fuzz target with clang and libFuzzer under ASan and
# UBSan, then runs it for a bounded time on the golden levels. Any crash,
# sanitizer report or broken round trip fails the test.
#   run_level_fuzz.sh <source dir> <work dir> [seconds]
set -euo pipefail
src=$1
work=$2
seconds=${3:-60}

mkdir -p "$work/corpus" "$work/artifacts"
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

bin="$work/level_reader_fuzz"
clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src/src" "${sources[@]}" -o "$bin"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -artifact_prefix="$work/artifacts/" "$work/corpus"
