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
XVFB=(xvfb-run -a -s "-screen 0 1920x1080x24")
cd "$BUILD"
"${XVFB[@]}" ctest --output-on-failure -j "$JOBS"

# ctest runs every case in a process of its own. Each unit-test executable
# also runs once whole with its cases shuffled, so that a case which leans on
# what another case left behind fails here. Left out: the soak run (one long
# case) and the end-to-end runs of the real game. The environment is the one
# ctest gives the cases; GTEST_SEED=N repeats an order.
SEED=${GTEST_SEED:-$((RANDOM + 1))}
echo "Each unit-test executable run whole, shuffled with seed $SEED (GTEST_SEED=$SEED ./test.sh repeats it)"
export DUSKMOOR_GAME_DIR="$PWD/game" DUSKMOOR_SOURCE_DIR="$(dirname "$PWD")" DUSKMOOR_BUILD_DIR="$PWD"
export DUSKMOOR_BINARY="$PWD/game/duskmoor2" SONGRENDER="$PWD/tools/songrender/songrender"
passed=0
failed=()
for exe in $(find tests -maxdepth 2 -type f -perm -u+x -name 'test_*' | sort); do
  name=$(basename "$exe")
  case "$name" in test_soak | test_e2e | test_e2e_kill) continue ;; esac
  leaks=1
  if [ "$name" = test_replays ]; then leaks=0; fi
  # The real backend's tests start SDL, which starts D-Bus, and open OpenGL
  # windows on Mesa's software driver: libdbus and the driver (once SDL
  # unloads it) leave blocks the leak checker reports, none of them ours.
  if [ "$name" = test_platform_real ]; then leaks=0; fi
  if (cd "$(dirname "$exe")" && ASAN_OPTIONS=detect_leaks=$leaks "${XVFB[@]}" \
      "./$name" --gtest_shuffle --gtest_random_seed="$SEED" --gtest_brief=1); then
    passed=$((passed + 1))
  else
    failed+=("$name")
  fi
done
echo "Whole: $passed passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed run whole with seed $SEED: ${failed[*]}"
  exit 1
fi
