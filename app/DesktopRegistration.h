#pragma once

#include <QString>

// What a start did in the user's freedesktop data directory.
struct CRegistrationResult {
    bool MimeTypeWritten = false;
    bool DesktopEntryWritten = false;
    bool IconWritten = false;
    // The program runs from an installed prefix whose desktop entry and MIME type the
    // desktop reads: the user's directory is left to them.
    bool DeferredToInstalled = false;
    // Deferring removed the user's copies that an earlier start from elsewhere wrote.
    bool EarlierRegistrationRemoved = false;
};

// Makes sure the desktop knows .sound files as "Datalogger Document"
// (application/x-datalogger-sound) and opens them with the program at `programPath`.
// A program installed in <prefix>/bin, with the desktop entry and MIME type installed in
// <prefix>/share among the system's data directories, relies on those: it writes nothing and
// removes the user's copies an earlier start wrote, which would hide them. Any other program
// (a build tree, a prefix the desktop does not read) writes the MIME type, the desktop entry
// and the program icon into the user's data directory when they are missing or differ.
// The desktop's MIME and application databases are refreshed after a change when their
// tools exist. Failures change nothing else and are not reported: the program works without
// the registration.
CRegistrationResult RegisterSoundFileType(const QString& programPath);

// The program path as one argument of a desktop entry's Exec key, quoted and escaped where
// it needs to be.
QString DesktopExecArgument(const QString& programPath);
