#pragma once

#include <string>

#include <QString>

// Texts in files and from the logger are single-byte; the user sees them as Windows-1252
// would show them, which for the program's own texts is plain ASCII.
inline QString FromLocalText(const std::string& text) {
    return QString::fromLatin1(text);
}
