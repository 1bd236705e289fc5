#include "dialogs/logger/LoggerDialogLook.h"

#include <QPalette>
#include <QWidget>

namespace {

const QColor DIALOG_TEXT(100, 100, 0);
const QColor DIALOG_BACKGROUND(225, 225, 225);
constexpr int FONT_POINTS = 10;

}  // namespace

void ApplyLoggerDialogLook(QWidget& dialog) {
    QPalette palette = dialog.palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base}) {
        palette.setColor(role, DIALOG_BACKGROUND);
    }
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(role, DIALOG_TEXT);
    }
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
    dialog.setFont(QFont(QStringLiteral("Arial"), FONT_POINTS));
}
