#include "graph/GraphPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QVector>

#include "graph/GraphScene.h"

// What a scene is drawn on: the view's picture, or a printed page.
class CSceneCanvas {
public:
    virtual ~CSceneCanvas() = default;
    // Rectangles as origin and size; an empty or inverted one fills nothing.
    virtual void Fill(int x, int y, int width, int height, const QColor& color) = 0;
    virtual void Lines(const std::vector<CSceneLine>& lines, const QPen& pen) = 0;
    virtual void DottedLines(const std::vector<CSceneLine>& lines, const QColor& color) = 0;
    virtual void ColumnRuns(const std::vector<CSceneLine>& runs, const QColor& color) = 0;
    virtual void MarkPoints(const std::vector<CPixelPoint>& points, const QColor& color) = 0;
    // Black or coloured texts on an opaque white box, each cell's top-left corner at its point.
    // A page may set its texts larger than the screen's: they then keep the edge or the centre
    // that `anchor` names where it stands on the screen.
    enum class Anchor { Left, Centre, Right };
    virtual void Texts(const std::vector<CSceneText>& texts, const QFont& font, const QColor& color,
                       Anchor anchor) = 0;

    // `outer` without `inner`, which lies inside it: the strips above, below, left and right.
    void FillAround(const CPixelRect& outer, const CPixelRect& inner, const QColor& color) {
        if (inner.Width() <= 0 || inner.Height() <= 0) {
            Fill(outer.Left, outer.Top, outer.Width(), outer.Height(), color);
            return;
        }
        Fill(outer.Left, outer.Top, outer.Width(), inner.Top - outer.Top, color);
        Fill(outer.Left, inner.Bottom, outer.Width(), outer.Bottom - inner.Bottom, color);
        Fill(outer.Left, inner.Top, inner.Left - outer.Left, inner.Height(), color);
        Fill(inner.Right, inner.Top, outer.Right - inner.Right, inner.Height(), color);
    }
};

namespace {

const QColor NO_DATA_GREY(155, 155, 155);
const QColor READOUT_COLOR(125, 125, 0);
// The smallest axis label a printed page shows, in points: small print still read at arm's
// length.
constexpr double MINIMUM_TEXT_POINTS = 7.0;
constexpr double POINTS_PER_INCH = 72.0;

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

// The picture's pixels: the screen's copy and the benchmarks' figures come from here.
class CPictureCanvas final : public CSceneCanvas {
public:
    explicit CPictureCanvas(QImage& picture) : m_picture(picture), m_painter(&picture) {}

    void Fill(int x, int y, int width, int height, const QColor& color) override {
        ::Fill(m_painter, x, y, width, height, color);
    }
    void Lines(const std::vector<CSceneLine>& lines, const QPen& pen) override {
        m_painter.setPen(pen);
        DrawLines(m_painter, lines);
    }
    void DottedLines(const std::vector<CSceneLine>& lines, const QColor& color) override {
        m_painter.setPen(QPen(color, 1, Qt::DotLine));
        DrawDottedLines(m_painter, m_picture, lines, color.rgb());
    }
    void ColumnRuns(const std::vector<CSceneLine>& runs, const QColor& color) override {
        FillColumnRuns(m_picture, runs, color.rgb());
    }
    void MarkPoints(const std::vector<CPixelPoint>& points, const QColor& color) override {
        m_painter.setPen(QPen(color, 1));
        DrawMarkPoints(m_painter, points);
    }
    void Texts(const std::vector<CSceneText>& texts, const QFont& font, const QColor& color,
               Anchor) override {
        m_painter.setFont(font);
        m_painter.setPen(color);
        DrawTexts(m_painter, texts);
    }

private:
    QImage& m_picture;
    QPainter m_painter;
};

// A printer page or a PDF: the picture's layout scaled onto the page, drawn as vector fills,
// lines and texts at the device's resolution. Line widths grow with the smaller of the two
// scales. A window is wider than a portrait page, so its texts, scaled alike, would come out
// a few points tall: they are set at least at a legible size, never taller than their scaled
// cell, beside the point of the screen's text that their anchor names.
class CPageCanvas final : public CSceneCanvas {
public:
    CPageCanvas(QPainter& painter, const CGraphScene& scene, const QRectF& page)
        : m_painter(painter),
          m_origin(page.topLeft()),
          m_scaleX(page.width() / std::max(scene.ClientWidth, 1)),
          m_scaleY(page.height() / std::max(scene.ClientHeight, 1)),
          m_scale(std::min(m_scaleX, m_scaleY)) {
        m_painter.save();
        m_painter.resetTransform();
        m_painter.setRenderHint(QPainter::Antialiasing);
    }
    ~CPageCanvas() override { m_painter.restore(); }
    CPageCanvas(const CPageCanvas&) = delete;
    CPageCanvas& operator=(const CPageCanvas&) = delete;

    void Fill(int x, int y, int width, int height, const QColor& color) override {
        if (width > 0 && height > 0) {
            m_painter.fillRect(QRectF(Map(x, y), Map(x + width, y + height)), color);
        }
    }
    void Lines(const std::vector<CSceneLine>& lines, const QPen& pen) override {
        QPen scaled(pen);
        scaled.setWidthF(pen.widthF() * m_scale);
        m_painter.setPen(scaled);
        for (const CSceneLine& line : lines) {
            m_painter.drawLine(
                QLineF(PixelCentre(line.X1, line.Y1), PixelCentre(line.X2, line.Y2)));
        }
    }
    void DottedLines(const std::vector<CSceneLine>& lines, const QColor& color) override {
        // One pixel set, two left out, as on the screen.
        Lines(lines, QPen(QBrush(color), 1, Qt::DotLine, Qt::FlatCap));
    }
    void ColumnRuns(const std::vector<CSceneLine>& runs, const QColor& color) override {
        for (const CSceneLine& run : runs) {
            Fill(run.X1, run.Y1, 1, run.Y2 - run.Y1 + 1, color);
        }
    }
    void MarkPoints(const std::vector<CPixelPoint>& points, const QColor& color) override {
        for (const CPixelPoint& point : points) {
            Fill(point.X - 1, point.Y - 1, 3, 1, color);
            Fill(point.X - 1, point.Y + 1, 3, 1, color);
        }
    }
    void Texts(const std::vector<CSceneText>& texts, const QFont& font, const QColor& color,
               Anchor anchor) override {
        const QFontMetricsF screen(font);
        const double legible =
            MINIMUM_TEXT_POINTS / POINTS_PER_INCH * m_painter.device()->logicalDpiY();
        const double size = std::max(legible, font.pixelSize() * m_scale);
        QFont pageFont(font);
        pageFont.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
        const QFontMetricsF metrics(pageFont, m_painter.device());
        const double lift = (screen.height() * m_scaleY - metrics.height()) / 2;
        const double share = anchor == Anchor::Left ? 0.0 : anchor == Anchor::Centre ? 0.5 : 1.0;
        m_painter.setFont(pageFont);
        m_painter.setPen(color);
        m_painter.setBackgroundMode(Qt::OpaqueMode);
        m_painter.setBackground(Qt::white);
        for (const CSceneText& text : texts) {
            const QString shown = QString::fromLatin1(text.Text);
            const QPointF cell = Map(text.X + share * screen.horizontalAdvance(shown), text.Y);
            m_painter.drawText(QPointF(cell.x() - share * metrics.horizontalAdvance(shown),
                                       cell.y() + lift + metrics.ascent()),
                               shown);
        }
        m_painter.setBackgroundMode(Qt::TransparentMode);
    }

private:
    QPointF Map(double x, double y) const {
        return {m_origin.x() + x * m_scaleX, m_origin.y() + y * m_scaleY};
    }
    QPointF PixelCentre(int x, int y) const { return Map(x + 0.5, y + 0.5); }

    QPainter& m_painter;
    QPointF m_origin;
    double m_scaleX;
    double m_scaleY;
    double m_scale;
};

}  // namespace

CGraphPainter::CGraphPainter()
    : m_labelFont(ArialFont(12, QFont::Medium)), m_readoutFont(ArialFont(20, QFont::Thin)) {}

void CGraphPainter::DrawScene(CSceneCanvas& canvas, const CGraphScene& scene) const {
    const int width = scene.ClientWidth;
    const int height = scene.ClientHeight;
    if (!scene.HasData) {
        canvas.Fill(0, 0, width, height, NO_DATA_GREY);
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
        canvas.Fill(0, 0, width, plot.Top, face);
    }
    // The panel, and the plot on it. (The black around the panel is filled with the border,
    // and every pixel is filled once: the fills are most of a paint's cost.)
    canvas.FillAround(panel, plot, face);
    canvas.Fill(plot.Left, plot.Top, plot.Width(), plotHeight, ToQColor(scene.Background));

    canvas.DottedLines(scene.LevelGrid, grid);
    canvas.DottedLines(scene.TimeGrid, grid);
    canvas.ColumnRuns(scene.ColumnRuns, curve);
    canvas.Lines(scene.Segments, QPen(curve, 1));
    canvas.MarkPoints(scene.MarkPoints, curve);
    canvas.Lines(scene.AlarmLines, QPen(QBrush(curve), 2, Qt::DashDotLine, Qt::SquareCap));

    // Margins around the plot cover whatever the curve drew beyond it.
    if (scene.Printer) {
        canvas.Fill(panel.Left, panel.Top, panel.Width(), 18, face);
        canvas.Fill(0, 0, width, panelHeight, face);
    }
    if (plotHeight > 0) {
        canvas.Fill(panel.Left, plot.Bottom + 1, panel.Width(), 54, face);
        canvas.Fill(panel.Left, plot.Top - 10, panel.Width(), 10, face);
    }
    canvas.Fill(panel.Left + 20, plot.Top - 10, plot.Left - panel.Left - 20, plotHeight + 19, face);
    canvas.Fill(plot.Right, plot.Top - 10, panel.Right - plot.Right, plotHeight + 19, face);

    canvas.Texts(scene.LevelLabels, m_labelFont, Qt::black, CSceneCanvas::Anchor::Right);
    canvas.Texts(scene.TimeLabels, m_labelFont, Qt::black, CSceneCanvas::Anchor::Centre);
    canvas.Lines(scene.Ticks, QPen(grid, 1));

    // Border: black around the panel, the info panel's band in the button face.
    canvas.Fill(panel.Left, plot.Top - 20, panel.Width(), 15, face);
    canvas.Fill(0, panelHeight, width, panel.Top - panelHeight, Qt::black);
    canvas.Fill(0, 0, width, panelHeight, face);
    canvas.Fill(0, panel.Bottom, width, height - panel.Bottom, Qt::black);
    canvas.Fill(0, panelHeight, 20, height - panelHeight, Qt::black);
    canvas.Fill(panel.Right, panelHeight, 20, height - panelHeight, Qt::black);
    if (scene.Printer) {
        canvas.Fill(0, 0, width, plot.Top - 20, Qt::white);
    }

    const QRect strip = ReadoutStrip(plot, width);
    canvas.Fill(strip.x(), strip.y(), strip.width(), strip.height(), Qt::black);
    canvas.Texts({scene.Readout}, m_readoutFont, READOUT_COLOR, CSceneCanvas::Anchor::Left);
    const int top = panelHeight + 10;
    const int left = 10;
    const int right = width - 10;
    const int bottom = height - 10;
    canvas.Lines({{left, top, right, top},
                  {left, top - 1, left, bottom},
                  {right, bottom, right, top},
                  {right, bottom, left, bottom}},
                 QPen(Qt::white, 2));
}

void CGraphPainter::Draw(QImage& picture, const CGraphScene& scene) const {
    CPictureCanvas canvas(picture);
    DrawScene(canvas, scene);
}

void CGraphPainter::DrawOnPage(QPainter& painter, const CGraphScene& scene,
                               const QRectF& page) const {
    CPageCanvas canvas(painter, scene, page);
    DrawScene(canvas, scene);
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

QRect CGraphPainter::ReadoutStrip(const CPixelRect& plot, int clientWidth) const {
    constexpr int LEAST_HEIGHT = 20;
    return QRect(plot.Left, plot.Bottom + 75, std::max(clientWidth - 12 - plot.Left, 0),
                 std::max(LEAST_HEIGHT, QFontMetrics(m_readoutFont).height()));
}
