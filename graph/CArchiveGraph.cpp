#include "graph/CArchiveGraph.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "platform/LocalTime.h"

namespace {

constexpr double WHEEL_NOTCH = 120.0;  // eighths of a degree
constexpr double ZOOM_STEP = 2.0;
constexpr double SCROLL_STEP = 0.1;  // of the view
// The narrowest view: a few readings across the whole plot.
constexpr std::int64_t NARROWEST_MS = 10000;
// A drag narrower than this is a click.
constexpr int DRAG_PIXELS = 3;

}  // namespace

CArchiveGraph::CArchiveGraph(CArchiveDatabase& db, CArchiveSceneInputs settings, QWidget* parent)
    : QWidget(parent), m_db(db), m_settings(settings), m_span(settings.View) {
    std::string error;
    if (db.Version() >= 2) {
        if (auto minutes = ArchiveMinutes(db, {}, error)) {
            m_minutes = std::move(*minutes);
            m_settings.Minutes = &m_minutes;
        }
    }
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(200, 150);
}

void CArchiveGraph::ArchiveGrew(const CArchiveRange& span) {
    const bool atEnd = AtEnd();
    const CArchiveRange before = m_span;
    m_span = span;
    if (m_settings.Minutes) {
        // The newest minute grows as it is written: it is read again with those after it.
        const std::int64_t from = m_minutes.empty() ? span.FromMs : m_minutes.back().first;
        std::string error;
        if (auto added = ArchiveMinutes(m_db, {from, INT64_MAX}, error)) {
            std::erase_if(m_minutes, [&](const auto& minute) { return minute.first >= from; });
            m_minutes.insert(m_minutes.end(), added->begin(), added->end());
        }
    }
    m_stale = true;
    if (m_follow && atEnd && span.ToMs != before.ToMs) {
        const std::int64_t width = m_settings.View.ToMs - m_settings.View.FromMs;
        SetView({span.ToMs - width, span.ToMs});
    }
}

void CArchiveGraph::SetView(CArchiveRange view) {
    if (view.ToMs - view.FromMs < NARROWEST_MS) {
        const std::int64_t middle = view.FromMs / 2 + view.ToMs / 2;
        view = {middle - NARROWEST_MS / 2, middle + NARROWEST_MS / 2};
    }
    m_settings.View = view;
    m_stale = true;
    update();
    emit ViewChanged();
}

const QImage& CArchiveGraph::Picture() {
    if (!m_stale && m_picture.size() == size()) {
        return m_picture;
    }
    m_stale = false;
    m_settings.Size = size();
    m_picture = QImage(size(), QImage::Format_RGB32);
    m_picture.fill(ArchiveColors::BACKGROUND);
    m_error.clear();
    m_scene = ComposeArchiveScene(m_db, m_settings, m_error);
    if (m_scene) {
        QPainter painter(&m_picture);
        PaintArchiveScene(painter, *m_scene);
    }
    return m_picture;
}

QString CArchiveGraph::ReadoutAt(int x, int y) const {
    if (!m_scene || !m_scene->Axes.Plot.contains(x, y)) {
        return {};
    }
    const CArchiveAxes& axes = m_scene->Axes;
    const std::int64_t ms = axes.TimeAt(x);
    QString text = QString::fromStdString(FormatLocalTimeMs(ms, "%d/%m/%y %H:%M:%S", false));
    const auto column = static_cast<std::size_t>(x - axes.Plot.left());
    if (!m_scene->Readings && column < m_scene->Columns.size()) {
        const CLevelSpan& span = m_scene->Columns[column];
        if (span.Levels > 0) {
            return text + QStringLiteral("  Leq %1 dB  max %2 dB  min %3 dB  (%4 readings)")
                              .arg(*span.Leq(), 0, 'f', 1)
                              .arg(span.Max, 0, 'f', 1)
                              .arg(span.Min, 0, 'f', 1)
                              .arg(span.Readings);
        }
        return text + QStringLiteral("  no readings");
    }
    // The reading drawn nearest the pointer, with its own time.
    const auto& shown = m_scene->Shown;
    const auto nearest = std::min_element(shown.begin(), shown.end(), [&](const auto& a, const auto& b) {
        return std::abs(a.TimeMs - ms) < std::abs(b.TimeMs - ms);
    });
    if (nearest == shown.end()) {
        return text + QStringLiteral("  no readings");
    }
    return QString::fromStdString(FormatLocalTimeMs(nearest->TimeMs, "%d/%m/%y %H:%M:%S", false)) +
           QStringLiteral("  %1 dB").arg(nearest->LevelDb, 0, 'f', 1);
}

void CArchiveGraph::SetChosen(const CArchiveRange& range) {
    m_chosen = range;
    update();
}

void CArchiveGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Picture());
    if (!m_scene) {
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("The archive cannot be read: %1")
                             .arg(QString::fromStdString(m_error)));
        return;
    }
    const QRect& plot = m_scene->Axes.Plot;
    if (m_dragFrom && m_pointerX) {
        const int left = std::min(*m_dragFrom, *m_pointerX);
        painter.fillRect(QRect(left, plot.top(), std::abs(*m_pointerX - *m_dragFrom) + 1,
                               plot.height()),
                         QColor(80, 120, 200, 60));
    }
    if (m_chosen) {
        // The range whose figures are shown, where it lies in view.
        const int left = std::max(m_scene->Axes.X(m_chosen->FromMs), plot.left());
        const int right = std::min(m_scene->Axes.X(m_chosen->ToMs), plot.right() + 1);
        if (right > left) {
            painter.fillRect(QRect(left, plot.top(), right - left, plot.height()),
                             QColor(80, 120, 200, 40));
        }
    }
    if (m_pointerX && plot.contains(*m_pointerX, plot.center().y())) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        painter.drawLine(*m_pointerX, plot.top(), *m_pointerX, plot.bottom());
    }
    if (hasFocus()) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CArchiveGraph::resizeEvent(QResizeEvent*) {
    m_stale = true;
}

void CArchiveGraph::Zoom(int x, double factor) {
    const CArchiveRange& view = m_settings.View;
    const std::int64_t at = m_scene ? m_scene->Axes.TimeAt(x) : view.FromMs / 2 + view.ToMs / 2;
    const auto scaled = [&](std::int64_t ms) {
        return at + static_cast<std::int64_t>(static_cast<double>(ms - at) * factor);
    };
    CArchiveRange next{scaled(view.FromMs), scaled(view.ToMs)};
    // Never wider than everything.
    if (next.ToMs - next.FromMs >= m_span.ToMs - m_span.FromMs) {
        next = m_span;
    }
    SetView(next);
}

void CArchiveGraph::Scroll(double fractionOfView) {
    const CArchiveRange& view = m_settings.View;
    const std::int64_t width = view.ToMs - view.FromMs;
    auto shift = static_cast<std::int64_t>(static_cast<double>(width) * fractionOfView);
    // Up to either end of the archive, no further.
    shift = std::clamp(shift, std::min<std::int64_t>(m_span.FromMs - view.FromMs, 0),
                       std::max<std::int64_t>(m_span.ToMs - view.ToMs, 0));
    SetView({view.FromMs + shift, view.ToMs + shift});
}

void CArchiveGraph::wheelEvent(QWheelEvent* event) {
    const bool zoom = event->modifiers().testFlag(Qt::ControlModifier);
    const QPoint delta = event->angleDelta();
    m_wheelCarry += (delta.y() != 0 ? delta.y() : delta.x()) / WHEEL_NOTCH;
    const auto steps = static_cast<int>(std::trunc(m_wheelCarry));
    m_wheelCarry -= steps;
    if (steps != 0 && zoom) {
        Zoom(static_cast<int>(event->position().x()), std::pow(ZOOM_STEP, -steps));
    } else if (steps != 0) {
        // Turning the wheel towards the user brings later readings.
        Scroll(-steps * SCROLL_STEP);
    }
    event->accept();
}

void CArchiveGraph::keyPressEvent(QKeyEvent* event) {
    const bool page = event->modifiers().testFlag(Qt::ShiftModifier);
    const int middle = m_scene ? m_scene->Axes.Plot.center().x() : width() / 2;
    const std::int64_t width = m_settings.View.ToMs - m_settings.View.FromMs;
    switch (event->key()) {
        case Qt::Key_Left:
            Scroll(page ? -1.0 : -SCROLL_STEP);
            break;
        case Qt::Key_Right:
            Scroll(page ? 1.0 : SCROLL_STEP);
            break;
        case Qt::Key_Home:
            SetView({m_span.FromMs, m_span.FromMs + width});
            break;
        case Qt::Key_End:
            SetView({m_span.ToMs - width, m_span.ToMs});
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // the plus key's own place on many keyboards
            Zoom(middle, 1.0 / ZOOM_STEP);
            break;
        case Qt::Key_Minus:
            Zoom(middle, ZOOM_STEP);
            break;
        case Qt::Key_0:
            if (event->modifiers().testFlag(Qt::ControlModifier)) {
                ShowEverything();
                break;
            }
            [[fallthrough]];
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CArchiveGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_scene &&
        m_scene->Axes.Plot.contains(event->position().toPoint())) {
        m_dragFrom = static_cast<int>(event->position().x());
    }
}

void CArchiveGraph::mouseMoveEvent(QMouseEvent* event) {
    m_pointerX = static_cast<int>(event->position().x());
    emit Readout(ReadoutAt(*m_pointerX, static_cast<int>(event->position().y())));
    update();
}

void CArchiveGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragFrom || event->button() != Qt::LeftButton || !m_scene) {
        return;
    }
    const QRect& plot = m_scene->Axes.Plot;
    const int from = std::clamp(std::min(*m_dragFrom, static_cast<int>(event->position().x())),
                                plot.left(), plot.right());
    const int to = std::clamp(std::max(*m_dragFrom, static_cast<int>(event->position().x())),
                              plot.left(), plot.right());
    m_dragFrom.reset();
    update();
    if (to - from >= DRAG_PIXELS) {
        // Whole columns: the range holds what the dragged columns show.
        emit RangeChosen({m_scene->Axes.TimeAt(from), m_scene->Axes.TimeAt(to + 1)});
    }
}
