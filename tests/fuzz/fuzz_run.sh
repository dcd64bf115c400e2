# Shared by the run_*_fuzz.sh scripts, which take
#   <source dir> <work dir> [seconds]
# and first call
#   fuzz_start <default seconds> "$@"
# (setting `src`, `work` and `seconds` and making the corpus and artifact
# folders), fill "$work/corpus" and then call:
#   fuzz_build_and_run <name> <longest input> "<extra clang flags>" <sources...>
# It builds the target with clang and libFuzzer under ASan and UBSan and runs
# it for `seconds` from the corpus; any crash or sanitizer report fails.
fuzz_start() {
  local default_seconds=$1
  src=$2
  work=$3
  seconds=${4:-$default_seconds}
  mkdir -p "$work/corpus" "$work/artifacts"
}

fuzz_build_and_run() {
  local name=$1 max_len=$2 extra=$3
  shift 3
  local bin="$work/$name"
  # shellcheck disable=SC2086  # the extra flags are meant to split
  clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined $extra -fno-sanitize-recover=all \
    -I"$src/src" "$@" -o "$bin"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -artifact_prefix="$work/artifacts/" "$work/corpus"
}
