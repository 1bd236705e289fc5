#pragma once

#include <QString>

#include "logger/CLoggerLink.h"

// The captions of a logger dialog while it waits for the logger, as its polls find it.
inline const QString CAPTION_CONNECTING = QStringLiteral("Connecting...");
inline const QString CAPTION_CONNECTED = QStringLiteral("Connected");
inline const QString CAPTION_NOT_CONNECTED = QStringLiteral("Not Connected");

// A dialog's "Connecting failed" text, with what to do when the last poll found a logger
// that this user may not open.
inline QString NotConnectedStatus(const QString& text, const CLoggerLink& link) {
    return link.LoggerNotPermitted() ? text + ' ' + QString::fromUtf8(MSG_NOT_PERMITTED) : text;
}
