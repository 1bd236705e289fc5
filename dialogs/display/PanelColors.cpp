#include "dialogs/display/PanelColors.h"

#include <QPalette>
#include <QWidget>

void ApplyPanelColors(QWidget& panel, const QColor& text, const QColor& background) {
    QPalette colors = panel.palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        colors.setColor(role, background);
    }
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        colors.setColor(role, text);
    }
    panel.setPalette(colors);
    panel.setAutoFillBackground(true);
}
