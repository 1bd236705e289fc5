#include "dialogs/logger/LoggerDialogLook.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include "dialogs/display/PanelColors.h"

namespace {

const QColor DIALOG_TEXT(100, 100, 0);
const QColor DIALOG_BACKGROUND(225, 225, 225);
constexpr int FONT_POINTS = 10;

}  // namespace

void ApplyLoggerDialogLook(QWidget& dialog) {
    ApplyPanelColors(dialog, DIALOG_TEXT, DIALOG_BACKGROUND);
    dialog.setFont(QFont(QStringLiteral("Arial"), FONT_POINTS));
}
