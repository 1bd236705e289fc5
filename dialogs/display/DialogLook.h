#pragma once

#include <QColor>
#include <QFont>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Text and background of the program's dialogs and of every control in them.
inline const QColor DIALOG_TEXT(100, 100, 0);
inline const QColor DIALOG_BACKGROUND(225, 225, 225);

// The look the program's dialogs share: DIALOG_TEXT on DIALOG_BACKGROUND for the dialog and
// every control in it, and the dialog's font.
void ApplyDialogLook(QWidget& dialog, const QFont& font = QFont(QStringLiteral("Arial"), 10));

// A field that only shows a value: read-only and out of the Tab chain (a click still selects
// its text for copying), named by its label for a screen reader.
void MakeDisplayField(QLineEdit& field, QLabel& label);

// The caption of a group box in bold Arial, 14 pixels high; the controls already inside the
// box keep the dialog's font.
void SetCaptionFont(QGroupBox& group);

// The pictures of the OK and Cancel buttons: a green tick with "OK", a red cross with
// "Cancel".
enum class DialogPicture { Ok, Cancel };

// A push button that shows the picture instead of text. Its accessible name is the text the
// picture carries.
QPushButton* MakePictureButton(DialogPicture picture, QWidget* parent);
