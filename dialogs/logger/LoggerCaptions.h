#pragma once

#include <QString>

// The captions of a logger dialog while it waits for the logger, as its polls find it.
inline const QString CAPTION_CONNECTING = QStringLiteral("Connecting...");
inline const QString CAPTION_CONNECTED = QStringLiteral("Connected");
inline const QString CAPTION_NOT_CONNECTED = QStringLiteral("Not Connected");
