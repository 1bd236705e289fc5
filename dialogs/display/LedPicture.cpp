#include "dialogs/display/LedPicture.h"

#include <QLabel>
#include <QPainter>
#include <QRadialGradient>

#include <tuple>

namespace {

constexpr QSize PICTURE_SIZE(26, 30);
const QColor LIT_RED(248, 7, 30);
const QColor UNLIT_GREY(150, 150, 150);

}  // namespace

QPixmap LedPicture(bool lit, const QColor& background) {
    QImage image(PICTURE_SIZE, QImage::Format_RGB888);
    image.fill(background);
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

CLampPair::CLampPair(QWidget& parent, QPoint unlitAt, QPoint litAt, const QColor& background)
    : m_unlit(new QLabel(&parent)), m_lit(new QLabel(&parent)) {
    for (const auto& [label, lit, at] :
         {std::tuple{m_unlit, false, unlitAt}, std::tuple{m_lit, true, litAt}}) {
        const QPixmap picture = LedPicture(lit, background);
        label->setPixmap(picture);
        label->setGeometry(QRect(at, picture.size()));
    }
    SetLit(false);
}

void CLampPair::SetLit(bool lit) {
    m_isLit = lit;
    m_lit->setVisible(lit);
    m_unlit->setVisible(!lit);
}
