#pragma once

#include <QString>

class QWidget;

// The captions of a logger dialog while it waits for the logger, as its polls find it.
inline const QString CAPTION_CONNECTING = QStringLiteral("Connecting...");
inline const QString CAPTION_CONNECTED = QStringLiteral("Connected");
inline const QString CAPTION_NOT_CONNECTED = QStringLiteral("Not Connected");

// The look the logger dialogs share: text RGB(100,100,0) on RGB(225,225,225) for the dialog
// and every control in it, in Arial.
void ApplyLoggerDialogLook(QWidget& dialog);
