#pragma once

class QWidget;

// The look the logger dialogs share: text RGB(100,100,0) on RGB(225,225,225) for the dialog
// and every control in it, in Arial.
void ApplyLoggerDialogLook(QWidget& dialog);
