#include "dialogs/display/LedPicture.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr QSize PICTURE_SIZE(26, 30);
const QColor PANEL_GREY(225, 225, 225);
const QColor LIT_RED(248, 7, 30);
const QColor UNLIT_GREY(150, 150, 150);

}  // namespace

QPixmap LedPicture(bool lit) {
    QImage image(PICTURE_SIZE, QImage::Format_RGB888);
    image.fill(PANEL_GREY);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // A dark bezel, the lens in the lamp's colour, and a soft light spot towards the upper left.
    const QRectF bezel(3, 5, 20, 20);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 90, 90));
    painter.drawEllipse(bezel);
    const QRectF lens = bezel.adjusted(2.5, 2.5, -2.5, -2.5);
    painter.setBrush(lit ? LIT_RED : UNLIT_GREY);
    painter.drawEllipse(lens);
    const QPointF spot = lens.topLeft() + QPointF(5, 5);
    QRadialGradient shine(spot, 4.5);
    shine.setColorAt(0.0, QColor(255, 255, 255, 210));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setBrush(shine);
    painter.drawEllipse(spot, 4.5, 4.5);
    painter.end();
    return QPixmap::fromImage(image);
}
