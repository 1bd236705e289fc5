#pragma once

#include <QString>

// The files a start wrote into the user's freedesktop data directory.
struct CRegistrationResult {
    bool MimeTypeWritten = false;
    bool DesktopEntryWritten = false;
    bool IconWritten = false;
};

// Makes sure the desktop knows .sound files as "Datalogger Document"
// (application/x-datalogger-sound) and opens them with the program at `programPath`: the
// MIME type, the desktop entry and the program icon are written into the user's data
// directory when they are missing or differ, and the desktop's MIME and application
// databases are refreshed when their tools exist. Failures change nothing else and are not
// reported: the program works without the registration.
CRegistrationResult RegisterSoundFileType(const QString& programPath);

// The program path as one argument of a desktop entry's Exec key, quoted and escaped where
// it needs to be.
QString DesktopExecArgument(const QString& programPath);
