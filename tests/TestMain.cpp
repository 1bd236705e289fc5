// Shared main of every test executable: a fixed time zone with daylight saving (so the
// local-time rules are tested across a change), and a program data directory and
// freedesktop data directory of the test's own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "tests/TempDir.h"

int main(int argc, char** argv) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    CTempDir home;
    setenv("DATALOGGER_HOME", (home / "datalogger").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "xdg-data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "xdg-config").c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
