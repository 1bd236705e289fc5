#!/usr/bin/env bash
# Soak of real-time runs, outside the normal test command: builds the soak program and runs
# ten 10000-reading real-time runs against the simulated logger, most of them unplugged at
# a random point, first as it is (memory per run) and then under valgrind's leak check.
#   scripts/soak.sh [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-rel --target datalogger_soak
build-rel/bench/datalogger_soak "${1:-15}"
if command -v valgrind >/dev/null; then
    valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --error-exitcode=1 build-rel/bench/datalogger_soak "${1:-15}"
fi
