#pragma once

#include <string>

#include <QString>

#include "platform/AnsiCodePage.h"

// A single-byte text from a file or from the logger as the program shows it.
inline QString FromLocalText(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        result.append(QChar(CodePointOfAnsiByte(static_cast<std::uint8_t>(c))));
    }
    return result;
}
