#!/usr/bin/env bash
# Installs from Debian's archive every package Datalogger needs to build, run and test.
# Quiet and quick when everything is already there. With --tests it also installs what only
# the tests use at run time: LibreOffice Calc without its desktop parts, which opens the
# exported workbooks (92 packages beyond the rest on a fresh Debian 12: about 100 MB to fetch,
# 300 MB installed, well under a minute).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6opengl6-dev libgl-dev
    libusb-1.0-0-dev libcli11-dev libsqlite3-dev libmosquitto-dev libcpp-httplib-dev
    libxlsxwriter-dev libminizip-dev nlohmann-json3-dev libcsv-dev
    zlib1g-dev  # minizip's header includes zlib.h, which its package does not bring
    fp-utils libchm-dev
    libgtest-dev libgmock-dev libbenchmark-dev poppler-utils
    libumockdev-dev umockdev  # the USB tests: an emulated logger at the kernel's interface
    fonts-liberation tzdata shared-mime-info desktop-file-utils
    appstream libxml2-utils mandoc man-db file dpkg-dev
    python3  # bench/run
)
if [ "${1:-}" = "--tests" ]; then
    # mosquitto: the broker the MQTT tests start; openssl makes their TLS certificate;
    # faketime sets the system's clock of a monitor under test; systemd: systemd-analyze
    # verifies and rates the service units of a staged install.
    packages+=(libreoffice-calc-nogui sqlite3 mosquitto openssl faketime systemd)
    # locales: a German locale, whose decimal comma the window's tests run under.
    packages+=(locales)
    # prometheus (with promtool) scrapes a monitor's metrics, chromium loads its page headless.
    packages+=(prometheus chromium)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ "${1:-}" = "--tests" ] && ! locale -a | grep -qix 'de_DE\.utf-\?8'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
