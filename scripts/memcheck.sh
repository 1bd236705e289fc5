#!/usr/bin/env bash
# Runs every datalogger-cli command under valgrind's memcheck against the simulated logger,
# outside the normal test command; any memory error or leak fails the script.
#   scripts/memcheck.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }

build=${BUILD_DIR:-build-rel}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target datalogger-cli
tool="$PWD/$build/cli/datalogger-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export DATALOGGER_HOME="$work/home"
cd "$work"

checked=0
# Runs one command line under memcheck, its output into $output (a file in the work folder
# unless set); the command's own exit status is not judged here.
check() {
    local status=0
    valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect \
        --errors-for-leak-kinds=definite,indirect --error-exitcode=99 "$tool" "$@" \
        >"${output:-$work/out}" 2>"$work/err" || status=$?
    if [ "$status" -eq 99 ]; then
        cat "$work/err" >&2
        echo "memcheck failed: datalogger-cli $*" >&2
        exit 1
    fi
    checked=$((checked + 1))
    echo "clean (exit $status): datalogger-cli $*"
}

check --help
check --version
check nonsense
check --simulate detect
check --simulate setup --rate 1s --points 300 --mode STOR --start auto
check --simulate calibrate 3
check --simulate download street
check info street.sound
check report street.sound
check list street.sound
check save street.sound copy.xls
check stats street.sound
check stats --json street.sound
check csv street.sound street.csv
check csv street.sound -
check xlsx street.sound street.xlsx
check xlsx street.sound missing-folder/street.xlsx
check print street.sound graph.pdf
check print street.sound list.pdf --report list --pages 2-3
check print street.sound table.pdf --report table
check assess street.sound assessment.pdf
check assess street.sound assessment.pdf --day 07-25
printf 'not a measurement' >bad.sound
check info bad.sound
check info missing.sound
output=/dev/full check info street.sound
DATALOGGER_SIM_FAULTS=read:3=fail check --simulate download
check --simulate setup --rate 50ms --mode RT
check --simulate monitor --count 5 --csv live.csv
echo "$checked command lines clean under memcheck"
