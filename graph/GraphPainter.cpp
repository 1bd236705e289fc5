#include "graph/GraphPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QVector>

#include "graph/GraphScene.h"

namespace {

const QColor NO_DATA_GREY(155, 155, 155);
const QColor READOUT_COLOR(125, 125, 0);

QColor ToQColor(CRgb rgb) {
    return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

// Rectangles as the picture's fills are given: origin and size. An empty or inverted one, as
// in a window too small for the graph, fills nothing.
void Fill(QPainter& painter, int x, int y, int width, int height, const QColor& color) {
    for (int top = y; width > 0 && top < y + height; top += BAND_ROWS) {
        painter.fillRect(x, top, width, std::min(BAND_ROWS, y + height - top), color);
    }
}

void Fill(QPainter& painter, const CPixelRect& rect, const QColor& color) {
    Fill(painter, rect.Left, rect.Top, rect.Width(), rect.Height(), color);
}

// `outer` without `inner`, which lies inside it: the strips above, below, left and right.
void FillAround(QPainter& painter, const CPixelRect& outer, const CPixelRect& inner,
                const QColor& color) {
    if (inner.Width() <= 0 || inner.Height() <= 0) {
        Fill(painter, outer, color);
        return;
    }
    Fill(painter, outer.Left, outer.Top, outer.Width(), inner.Top - outer.Top, color);
    Fill(painter, outer.Left, inner.Bottom, outer.Width(), outer.Bottom - inner.Bottom, color);
    Fill(painter, outer.Left, inner.Top, inner.Left - outer.Left, inner.Height(), color);
    Fill(painter, inner.Right, inner.Top, outer.Right - inner.Right, inner.Height(), color);
}

void DrawLines(QPainter& painter, const std::vector<CSceneLine>& lines) {
    QVector<QLine> qtLines;
    qtLines.reserve(static_cast<qsizetype>(lines.size()));
    for (const CSceneLine& line : lines) {
        qtLines.append(QLine(line.X1, line.Y1, line.X2, line.Y2));
    }
    painter.drawLines(qtLines);
}

// Pixels written straight into the picture, where the painter would take each pixel row of a
// vertical line, or each dot of a dotted one, as a span of its own at many times the cost.
class CPixelWriter {
public:
    explicit CPixelWriter(QImage& picture)
        : m_bits(picture.bits()),
          m_stride(picture.bytesPerLine()),
          m_width(picture.width()),
          m_height(picture.height()) {}

    bool Holds(int x, int y) const { return 0 <= x && x < m_width && 0 <= y && y < m_height; }
    void Set(int x, int y, QRgb color) {
        reinterpret_cast<QRgb*>(m_bits + y * m_stride)[x] = color;
    }

private:
    uchar* m_bits;
    qsizetype m_stride;
    int m_width;
    int m_height;
};

// The vertical runs of the curve, from their top row to their bottom row: the pixels a
// one-pixel vertical line sets.
void FillColumnRuns(QImage& picture, const std::vector<CSceneLine>& runs, QRgb color) {
    CPixelWriter pixels(picture);
    const int rows = picture.height();
    for (const CSceneLine& run : runs) {
        if (!pixels.Holds(run.X1, 0)) {
            continue;
        }
        for (int y = std::max(run.Y1, 0); y <= std::min(run.Y2, rows - 1); ++y) {
            pixels.Set(run.X1, y, color);
        }
    }
}

// Three pixels above and three below each mark point.
void DrawMarkPoints(QPainter& painter, const std::vector<CPixelPoint>& markPoints) {
    QVector<QPoint> pixels;
    pixels.reserve(static_cast<qsizetype>(markPoints.size() * 6));
    for (const CPixelPoint& point : markPoints) {
        for (const int dy : {-1, 1}) {
            for (const int dx : {-1, 0, 1}) {
                pixels.append(QPoint(point.X + dx, point.Y + dy));
            }
        }
    }
    painter.drawPoints(pixels.data(), static_cast<int>(pixels.size()));
}

// Texts stand with the top-left corner of their cell at the given point, on an opaque white
// box, as the host's text output left them.
void DrawTexts(QPainter& painter, const std::vector<CSceneText>& texts) {
    const int ascent = QFontMetrics(painter.font()).ascent();
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    for (const CSceneText& text : texts) {
        painter.drawText(QPoint(text.X, text.Y + ascent), QString::fromLatin1(text.Text));
    }
    painter.setBackgroundMode(Qt::TransparentMode);
}

QFont ArialFont(int pixelHeight, QFont::Weight weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setWeight(weight);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

CGraphPainter::CGraphPainter()
    : m_labelFont(ArialFont(12, QFont::Medium)), m_readoutFont(ArialFont(20, QFont::Thin)) {}

void CGraphPainter::Draw(QImage& picture, const CGraphScene& scene) const {
    QPainter painter(&picture);
    const int width = scene.ClientWidth;
    const int height = scene.ClientHeight;
    if (!scene.HasData) {
        Fill(painter, 0, 0, width, height, NO_DATA_GREY);
        return;
    }
    const QColor face = ToQColor(scene.ButtonFace);
    const QColor curve = ToQColor(scene.Curve);
    const QColor grid = ToQColor(scene.Grid);
    const CPixelRect& plot = scene.Plot;
    const CPixelRect& panel = scene.Panel;
    const int panelHeight = scene.PanelHeight;
    const int plotHeight = plot.Height();

    if (scene.Printer) {
        Fill(painter, 0, 0, width, plot.Top, face);
    }
    // The panel, and the plot on it. (The black around the panel is filled with the border,
    // and every pixel is filled once: the fills are most of a paint's cost.)
    FillAround(painter, panel, plot, face);
    Fill(painter, plot, ToQColor(scene.Background));

    painter.setPen(QPen(grid, 1, Qt::DotLine));
    DrawDottedLines(painter, picture, scene.LevelGrid, grid.rgb());
    DrawDottedLines(painter, picture, scene.TimeGrid, grid.rgb());
    FillColumnRuns(picture, scene.ColumnRuns, curve.rgb());
    DrawCurve(painter, scene.Segments, scene.MarkPoints, scene.Curve);
    painter.setPen(QPen(QBrush(curve), 2, Qt::DashDotLine, Qt::SquareCap));
    DrawLines(painter, scene.AlarmLines);

    // Margins around the plot cover whatever the curve drew beyond it.
    if (scene.Printer) {
        Fill(painter, panel.Left, panel.Top, panel.Width(), 18, face);
        Fill(painter, 0, 0, width, panelHeight, face);
    }
    if (plotHeight > 0) {
        Fill(painter, panel.Left, plot.Bottom + 1, panel.Width(), 54, face);
        Fill(painter, panel.Left, plot.Top - 10, panel.Width(), 10, face);
    }
    Fill(painter, panel.Left + 20, plot.Top - 10, plot.Left - panel.Left - 20, plotHeight + 19,
         face);
    Fill(painter, plot.Right, plot.Top - 10, panel.Right - plot.Right, plotHeight + 19, face);

    painter.setFont(m_labelFont);
    painter.setPen(Qt::black);
    DrawTexts(painter, scene.LevelLabels);
    DrawTexts(painter, scene.TimeLabels);
    painter.setPen(QPen(grid, 1));
    DrawLines(painter, scene.Ticks);

    // Border: black around the panel, the info panel's band in the button face.
    Fill(painter, panel.Left, plot.Top - 20, panel.Width(), 15, face);
    Fill(painter, 0, panelHeight, width, panel.Top - panelHeight, Qt::black);
    Fill(painter, 0, 0, width, panelHeight, face);
    Fill(painter, 0, panel.Bottom, width, height - panel.Bottom, Qt::black);
    Fill(painter, 0, panelHeight, 20, height - panelHeight, Qt::black);
    Fill(painter, panel.Right, panelHeight, 20, height - panelHeight, Qt::black);
    if (scene.Printer) {
        Fill(painter, 0, 0, width, plot.Top - 20, Qt::white);
    }

    DrawReadout(painter, scene.Readout, ReadoutStrip(plot, width));
    painter.setPen(QPen(Qt::white, 2));
    const int top = panelHeight + 10;
    const int left = 10;
    const int right = width - 10;
    const int bottom = height - 10;
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top - 1, left, bottom);
    painter.drawLine(right, bottom, right, top);
    painter.drawLine(right, bottom, left, bottom);
}

void DrawDottedLines(QPainter& painter, QImage& picture, const std::vector<CSceneLine>& lines,
                     QRgb color) {
    // The pen sets every third pixel from the start toward the end, the end included.
    constexpr int DOT_STEP = 3;
    CPixelWriter pixels(picture);
    std::vector<CSceneLine> others;
    for (const CSceneLine& line : lines) {
        if ((line.X1 != line.X2 && line.Y1 != line.Y2) || !pixels.Holds(line.X1, line.Y1) ||
            !pixels.Holds(line.X2, line.Y2)) {
            others.push_back(line);
            continue;
        }
        const int dx = (line.X2 > line.X1) - (line.X2 < line.X1);
        const int dy = (line.Y2 > line.Y1) - (line.Y2 < line.Y1);
        const int length = std::max(std::abs(line.X2 - line.X1), std::abs(line.Y2 - line.Y1));
        for (int step = 0; step <= length; step += DOT_STEP) {
            pixels.Set(line.X1 + dx * step, line.Y1 + dy * step, color);
        }
    }
    DrawLines(painter, others);
}

void DrawCurve(QPainter& painter, const std::vector<CSceneLine>& segments,
               const std::vector<CPixelPoint>& markPoints, CRgb curve) {
    painter.setPen(QPen(ToQColor(curve), 1));
    DrawLines(painter, segments);
    DrawMarkPoints(painter, markPoints);
}

void CGraphPainter::DrawReadout(QPainter& painter, const CSceneText& readout,
                                const QRect& strip) const {
    painter.fillRect(strip, Qt::black);
    painter.setFont(m_readoutFont);
    painter.setPen(READOUT_COLOR);
    DrawTexts(painter, {readout});
}

CRgb RgbOf(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

QRect ReadoutStrip(const CPixelRect& plot, int clientWidth) {
    return QRect(plot.Left, plot.Bottom + 75, std::max(clientWidth - 12 - plot.Left, 0), 20);
}
