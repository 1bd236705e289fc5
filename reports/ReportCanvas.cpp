#include "reports/ReportCanvas.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>

namespace {

constexpr double MM_PER_INCH = 25.4;

}  // namespace

CReportCanvas::CReportCanvas(QPagedPaintDevice& device)
    : m_device(device),
      m_painter(&device),
      m_pixelsPerMm(device.logicalDpiX() / MM_PER_INCH),
      m_widthMm(device.width() / m_pixelsPerMm),
      m_heightMm(device.height() / m_pixelsPerMm) {
    m_painter.setRenderHint(QPainter::Antialiasing);
}

bool CReportCanvas::NewPage() {
    return m_device.newPage();
}

QFont CReportCanvas::FontOf(Face face) const {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    switch (face) {
        case Face::Title:
            font.setPointSizeF(16);
            font.setBold(true);
            break;
        case Face::Heading:
            font.setPointSizeF(11.5);
            font.setBold(true);
            break;
        case Face::Body:
            font.setPointSizeF(9.5);
            break;
        case Face::Small:
            font.setPointSizeF(8);
            break;
    }
    return font;
}

void CReportCanvas::Text(double xMm, double yMm, const QString& text, Face face, Align align) {
    const QFont font = FontOf(face);
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const double width = QFontMetricsF(font, &m_device).horizontalAdvance(text);
    const double shift = align == Align::Left ? 0.0 : align == Align::Right ? width : width / 2;
    m_painter.drawText(QPointF(Px(xMm) - shift, Px(yMm)), text);
}

double CReportCanvas::Paragraph(double xMm, double yMm, double widthMm, const QString& text,
                                Face face) {
    const QFont font = FontOf(face);
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const QRectF room(Px(xMm), Px(yMm), Px(widthMm), Px(m_heightMm - yMm));
    QRectF used;
    m_painter.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text, &used);
    return yMm + used.height() / m_pixelsPerMm;
}

void CReportCanvas::Line(double x1Mm, double y1Mm, double x2Mm, double y2Mm, const QColor& color,
                         double widthMm) {
    m_painter.setPen(QPen(color, Px(widthMm)));
    m_painter.drawLine(At(x1Mm, y1Mm), At(x2Mm, y2Mm));
}
