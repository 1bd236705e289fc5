#include "app/CGraphPanePlaceholder.h"

#include <QPaintEvent>
#include <QPainter>

CGraphPanePlaceholder::CGraphPanePlaceholder(QWidget* parent)
    : QWidget(parent), m_settings(ReadViewSettings(ReadSettingsFile())) {}

void CGraphPanePlaceholder::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(event->rect(), QColor(155, 155, 155));
}
