#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/setup.sh

BUILD=build-tests
JOBS=$(nproc)
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUSKMOOR_SANITIZE=ON -DDUSKMOOR_TESTS=ON
cmake --build "$BUILD" -j "$JOBS"

export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=dummy
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$BUILD"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j "$JOBS"
