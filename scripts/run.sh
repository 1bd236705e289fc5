#!/usr/bin/env bash
# Installs what is missing, builds Datalogger and starts it. Without a logger on the USB
# bus the program talks to its simulated logger.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
exec build/cli/datalogger-cli --help
