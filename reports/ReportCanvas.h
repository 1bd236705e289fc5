#pragma once

#include <QFont>
#include <QPainter>
#include <QString>

class QPagedPaintDevice;

// Drawing on an A4 page in millimetres from the top left of its printable area, with the
// report's faces in points: the assessment report's texts, tables and charts.
class CReportCanvas {
public:
    explicit CReportCanvas(QPagedPaintDevice& device);

    bool Begun() const { return m_painter.isActive(); }
    bool NewPage();
    bool End() { return m_painter.end(); }

    double Width() const { return m_widthMm; }
    double Height() const { return m_heightMm; }
    QPainter& Painter() { return m_painter; }
    double Px(double mm) const { return mm * m_pixelsPerMm; }
    QPointF At(double xMm, double yMm) const { return {Px(xMm), Px(yMm)}; }
    QRectF Rect(double xMm, double yMm, double widthMm, double heightMm) const {
        return {Px(xMm), Px(yMm), Px(widthMm), Px(heightMm)};
    }

    enum class Face { Title, Heading, Body, Small };
    // A text with its baseline at yMm: from xMm, or ending there (right), or centred on it.
    enum class Align { Left, Right, Centre };
    void Text(double xMm, double yMm, const QString& text, Face face = Face::Body,
              Align align = Align::Left);
    // A paragraph wrapped within `widthMm` from (xMm, yMm) down; returns the y below it.
    double Paragraph(double xMm, double yMm, double widthMm, const QString& text,
                     Face face = Face::Small);
    void Line(double x1Mm, double y1Mm, double x2Mm, double y2Mm, const QColor& color,
              double widthMm = 0.2);

private:
    QFont FontOf(Face face) const;

    QPagedPaintDevice& m_device;
    QPainter m_painter;
    double m_pixelsPerMm;
    double m_widthMm;
    double m_heightMm;
};
