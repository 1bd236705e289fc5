#include "graph/CDTView.h"

#include <algorithm>

#include <QAction>
#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QToolBar>

#include "dialogs/display/CInfoDlg.h"
#include "document/CDTDoc.h"
#include "graph/CGraphHost.h"
#include "graph/CurveExtension.h"
#include "graph/GraphInteraction.h"
#include "graph/GraphLayout.h"
#include "graph/GraphScene.h"
#include "graph/PrintedGraph.h"

namespace {

constexpr int FIRST_GRAPH_DELAY_MS = 100;
constexpr QSize TOOL_BUTTON_SIZE(109, 21);
constexpr int TOOLBAR_HEIGHT = 35;
constexpr int SCROLL_BAR_WIDTH = 20;
// The plot's least size: eleven level labels of the label font apart, ten time divisions.
constexpr int MIN_PLOT_WIDTH = 400;
constexpr int MIN_PLOT_HEIGHT = 200;

// Child geometry straight from the layout; a window too small for it gives empty children.
QRect ChildRect(int x, int y, int width, int height) {
    return QRect(x, y, std::max(width, 0), std::max(height, 0));
}

ScrollRequest RequestOf(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return ScrollRequest::LineBack;
        case QAbstractSlider::SliderSingleStepAdd:
            return ScrollRequest::LineForward;
        case QAbstractSlider::SliderPageStepSub:
            return ScrollRequest::PageBack;
        case QAbstractSlider::SliderPageStepAdd:
            return ScrollRequest::PageForward;
        case QAbstractSlider::SliderMove:
            return ScrollRequest::Track;
        default:
            return ScrollRequest::Other;
    }
}

}  // namespace

CDTView::CDTView(CDTDoc& doc, CGraphHost& host, const CViewSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_host(host), m_mouse(*this, doc, host) {
    // The paint covers the whole client area; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_state.Settings = settings;
    m_doc.LoadedFromFile = false;
    m_doc.ListCountStale = true;
    m_state.PlotRect = PlotRectFor(width(), height(), m_state.PanelHeight);
    FillScaleTable(m_state);

    m_firstGraphTimer.setSingleShot(true);
    m_firstGraphTimer.setInterval(FIRST_GRAPH_DELAY_MS);
    connect(&m_firstGraphTimer, &QTimer::timeout, this, &CDTView::UndoZoom);
    setMouseTracking(true);
    // The keyboard moves the cursor and zooms (CDTViewKeys.cpp): a click or Tab brings it.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Graph"));
    // The list window moving over the plot uncovers part of the kept picture.
    connect(&m_dataList, &CDataList::Moved, this, [this] {
        const CPixelRect& plot = m_state.PlotRect;
        update(plot.Left, plot.Top, plot.Width(), plot.Height());
    });
    // The graph paints what the closed list uncovered, and that paint withdraws the list report.
    connect(&m_dataList, &CDataList::Closed, this, qOverload<>(&QWidget::update));

    m_doc.AddView([this](DocumentChange change) { OnDocumentChange(change); });
}

void CDTView::Redraw() {
    m_pictureStale = true;
    // The children (info panel, toolbar, scroll bars) cover their parts of the picture and
    // paint themselves when they change: a new picture leaves them alone.
    QRegion picture(rect());
    for (const QWidget* child :
         {static_cast<QWidget*>(m_infoPanel), static_cast<QWidget*>(m_toolBar),
          static_cast<QWidget*>(m_horizontalBar), static_cast<QWidget*>(m_verticalBar)}) {
        if (child && child->isVisible()) {
            picture -= child->geometry();
        }
    }
    update(picture);
}

void CDTView::UndoZoom() {
    ResetZoom(m_state);
    Redraw();
}

void CDTView::SetInfoPanelHeight(int panelHeight) {
    m_state.PanelHeight = panelHeight;
    if (m_infoPanel) {
        // A field's focus stays with the graph rather than moving on to the next field.
        if (panelHeight <= 0 && m_infoPanel->isAncestorOf(window()->focusWidget())) {
            setFocus(Qt::OtherFocusReason);
        }
        m_infoPanel->setGeometry(ChildRect(0, 0, width(), panelHeight));
        m_infoPanel->setVisible(panelHeight > 0);
    }
    // The children follow the plot now: moved while the picture is painted, they would not
    // be painted in their new places.
    m_state.PlotRect = PlotRectFor(width(), height(), panelHeight);
    m_state.PanelRect = PanelRectFor(m_state.PlotRect, width());
    PlaceChildren();
    updateGeometry();  // the least height follows the panel's
    Redraw();
}

QSize CDTView::minimumSizeHint() const {
    // The layout keeps fixed margins around the plot: what a client of no size leaves of it.
    const CPixelRect margins = PlotRectFor(0, 0, m_state.PanelHeight);
    return {std::max(MIN_PLOT_WIDTH - margins.Width(), CInfoDlg::ContentSize().width()),
            MIN_PLOT_HEIGHT - margins.Height()};
}

void CDTView::ShowLevelWindow(bool shown) {
    if (!shown) {
        if (m_levelWindow) {
            m_levelWindow->close();
        }
        return;
    }
    if (!m_levelWindow) {
        m_levelWindow = new CDinLevelDlg(this);
        m_levelWindow->move(mapToGlobal(QPoint(width() - m_levelWindow->width() - 40, 40)));
    }
    m_levelWindow->show();
    m_levelWindow->raise();
}

void CDTView::AppendLatestReading() {
    const CMeasurementRecord& record = m_doc.Record();
    m_state.RangeLast = ReadingCount(record);
    if (m_infoPanel) {
        m_infoPanel->Refresh(record);
    }
    const CCurveExtension extension = ExtendCurve(m_state, record, GrowingSeries(m_doc));
    SignalReadingsShown();
    if (extension.ScrollBars) {
        ApplyScrollBars(*extension.ScrollBars);
    }
    // A picture that is composed anew anyway needs nothing drawn over it.
    if (extension.Repaint || m_pictureStale || m_picture.size() != size()) {
        Redraw();
        return;
    }
    if (!extension.Segment || !m_state.Settings.ShowCurve) {
        return;
    }
    const CSceneLine& segment = *extension.Segment;
    {
        QPainter painter(&m_picture);
        std::vector<CPixelPoint> markPoints;
        if (m_state.Settings.ShowMarkPoints) {
            markPoints = {{segment.X1, segment.Y1}, {segment.X2, segment.Y2}};
        }
        DrawCurve(painter, {segment}, markPoints, ColorTable(m_host.ColorIndexes().Curve));
    }
    // The mark points reach a pixel beyond the ends.
    update(QRect(QPoint(segment.X1, segment.Y1), QPoint(segment.X2, segment.Y2))
               .normalized()
               .adjusted(-1, -1, 1, 1));
}

CReadingSpan CDTView::ReadingsShown() const {
    return ReadingsInView(m_state, ReadingCount(m_doc.Record()));
}

CGraphScene CDTView::PrinterScene() {
    return ComposeScene(true);
}

void CDTView::OnDocumentChange(DocumentChange change) {
    const CMeasurementRecord& record = m_doc.Record();
    m_spanSignalled.reset();
    if (m_state.DisplayState == GraphDisplay::Nothing) {
        m_state.DisplayState = GraphDisplay::Graph;
    }
    if (change == DocumentChange::Loaded || change == DocumentChange::Downloaded ||
        change == DocumentChange::RealTimeStarted) {
        // A new record: the readout of the old one would name a reading it does not hold.
        m_state.ReadoutText.clear();
    }
    if (change == DocumentChange::RealTimeStarted) {
        m_dataList.Close();  // a list of a growing series would always lag behind it
        // The scale steps for the plot the run is drawn on; at creation the view did not
        // have its size yet.
        m_state.PlotRect = PlotRectFor(width(), height(), m_state.PanelHeight);
        FillScaleTable(m_state);
    }
    switch (change) {
        case DocumentChange::Loaded:
            // The next paint takes the new record in and then shows the panel texts.
            if (m_infoPanel) {
                m_infoPanel->SetIndicators(AlarmIndicatorState::Normal);
            }
            m_dataList.Refresh(false);
            break;
        case DocumentChange::Downloaded:
            // Positions of the old record mean nothing for the new one: show it whole, unzoomed.
            m_state.RangeFirst = 1;
            m_state.RangeLast = record.SampleCount;
            ResetZoom(m_state);
            if (m_infoPanel) {
                m_infoPanel->SetIndicators(AlarmIndicatorState::Normal);
                m_infoPanel->Refresh(record);
            }
            m_dataList.Refresh(true);
            break;
        case DocumentChange::ReadingAppended:
            if (m_infoPanel) {
                m_infoPanel->SetIndicators(m_doc.RealTimeAlarm);
            }
            AppendLatestReading();
            return;
        case DocumentChange::RealTimeStarted:
        case DocumentChange::RunEnded:
            if (m_infoPanel) {
                m_infoPanel->Refresh(record);
            }
            break;
    }
    Redraw();
}

void CDTView::paintEvent(QPaintEvent* event) {
    // Every paint counts, also one that only shows again what the closed list covered.
    WithdrawListReportWithoutList();
    if (m_pictureStale || m_picture.size() != size()) {
        PaintGraphPicture(m_painter, ComposeScene(false), m_picture);
        m_pictureStale = false;
        SignalReadingsShown();
    }
    QPainter painter(this);
    // Only what changed: a cursor move brings two columns and the readout line. Clipped to
    // the band alone, a copy is a plain copy of rows; under the whole region, which has more
    // than one rectangle, the painter would clip it span by span at several times the cost.
    for (const QRect& rect : event->region()) {
        for (int top = rect.top(); top <= rect.bottom(); top += BAND_ROWS) {
            const QRect band(rect.left(), top, rect.width(),
                             std::min(BAND_ROWS, rect.bottom() + 1 - top));
            painter.setClipRect(band);
            painter.drawImage(band, m_picture, band);
        }
    }
    painter.setClipping(false);
    m_mouse.PaintMarks(painter, m_picture);
    if (hasFocus()) {
        // The keys act on the graph while it has the focus: the frame says so.
        // Drawn on the black border, in the colour the desktop marks a selection with.
        constexpr int FRAME_WIDTH = 2;
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);  // the marks invert
        painter.setClipRegion(event->region());
        painter.setPen(QPen(palette().color(QPalette::Highlight), FRAME_WIDTH));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect().adjusted(0, m_state.PanelHeight, 0, 0))
                             .adjusted(FRAME_WIDTH / 2.0, FRAME_WIDTH / 2.0, -FRAME_WIDTH / 2.0,
                                       -FRAME_WIDTH / 2.0));
    }
}

void CDTView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CDTView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CDTView::ShowReadout() {
    // A picture about to be composed takes the text itself.
    if (m_pictureStale || m_picture.isNull()) {
        return;
    }
    const CPixelRect& plot = m_state.PlotRect;
    const QRect strip = m_painter.ReadoutStrip(plot, width());
    {
        QPainter painter(&m_picture);
        m_painter.DrawReadout(painter, {plot.Left, strip.top(), m_state.ReadoutText}, strip);
    }
    update(strip);
}

void CDTView::mousePressEvent(QMouseEvent* event) {
    m_mouse.Press(*event);
}

void CDTView::mouseMoveEvent(QMouseEvent* event) {
    m_mouse.Move(*event);
}

void CDTView::mouseReleaseEvent(QMouseEvent* event) {
    m_mouse.Release(*event);
}

void CDTView::mouseDoubleClickEvent(QMouseEvent* event) {
    m_mouse.DoubleClick(*event);
}

void CDTView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int panelHeight = m_state.PanelHeight;
    if (m_infoPanel) {
        m_infoPanel->setGeometry(ChildRect(0, 0, width(), panelHeight));
    }
    if (m_horizontalBar) {
        m_horizontalBar->setGeometry(
            ChildRect(100, height() - 75, width() - 180, SCROLL_BAR_WIDTH));
    }
    // The paint this resize brings composes a picture of the new size, and places the
    // vertical bar and the toolbar beside the new plot.
    update();
}

void CDTView::OnScroll(QScrollBar& bar, int action) {
    const ScrollRequest request = RequestOf(action);
    std::int32_t track = bar.sliderPosition();
    std::int32_t position = 0;
    if (&bar == m_horizontalBar) {
        // Dragging the thumb over a long range follows the pointer along the plot.
        const std::int32_t displayed = m_state.RangeLast - m_state.RangeFirst + 1;
        if (request == ScrollRequest::Track && bar.isSliderDown() &&
            displayed > POINTER_TRACK_THRESHOLD) {
            track = TrackPositionFromPointer(m_state, mapFromGlobal(QCursor::pos()).x());
        }
        position = ScrollHorizontally(m_state, request, track);
    } else {
        position = ScrollVertically(m_state, request, track);
    }
    bar.setSliderPosition(position);
    Redraw();
}

void CDTView::SignalReadingsShown() {
    const CReadingSpan shown = ReadingsShown();
    if (m_spanSignalled != shown) {
        m_spanSignalled = shown;
        emit ReadingsShownChanged();
    }
}

void CDTView::WithdrawListReportWithoutList() {
    if (!m_dataList.IsOpen() && m_state.ListShown) {
        m_state.ListShown = false;  // no list report without the list
        emit ListReportWithdrawn();
    }
}

CGraphScene CDTView::ComposeScene(bool printer) {
    if (m_state.DisplayState == GraphDisplay::Graph && !m_state.FirstGraphSeen) {
        m_state.FirstGraphSeen = true;
        m_firstGraphTimer.start();
    }
    WithdrawListReportWithoutList();
    CSceneInputs inputs;
    inputs.ClientWidth = width();
    inputs.ClientHeight = height();
    inputs.Printer = printer;
    inputs.Colors = m_host.ColorIndexes();
    inputs.ButtonFace = RgbOf(palette().color(QPalette::Button));
    CGraphScene scene = ComposeGraphScene(m_state, m_doc, inputs);
    if (scene.HasData && !printer) {
        ShowChildren(scene);
    }
    if (m_doc.FileJustLoaded && m_infoPanel) {
        m_infoPanel->Refresh(m_doc.Record());
    }
    if (m_doc.FileJustLoaded) {
        m_dataList.Refresh(true);
    }
    m_doc.FileJustLoaded = false;
    return scene;
}

void CDTView::ShowChildren(const CGraphScene& scene) {
    const CPixelRect& plot = m_state.PlotRect;
    if (!m_infoPanel) {
        m_infoPanel = new CInfoDlg(this);
        m_infoPanel->setGeometry(ChildRect(0, 0, width(), m_state.PanelHeight));
        m_infoPanel->Refresh(m_doc.Record());
        m_infoPanel->raise();
        m_infoPanel->show();
    }
    if (!m_horizontalBar) {
        m_horizontalBar = MakeScrollBar(Qt::Horizontal);
        m_horizontalBar->setGeometry(
            ChildRect(plot.Left, plot.Bottom + 35, plot.Width(), SCROLL_BAR_WIDTH));
    }
    if (!m_verticalBar) {
        m_verticalBar = MakeScrollBar(Qt::Vertical);
    }
    // The bars work while the view is zoomed.
    const bool zoomed = !m_state.NeedBaseLayout && m_state.RangeFirst < m_state.RangeLast;
    m_horizontalBar->setEnabled(zoomed);
    m_verticalBar->setEnabled(zoomed);
    // With the whole record in view the thumb fills the groove: there is nowhere to scroll.
    if (!zoomed) {
        m_horizontalBar->setRange(0, 0);
    }
    m_verticalBar->show();
    if (!m_toolBar) {
        // On top of the other children from the start; raising it again would repaint it.
        m_toolBar = MakeToolBar();
        m_toolBar->raise();
    }
    PlaceChildren();
    m_toolBar->show();

    if (scene.HorizontalScrollMax) {
        m_horizontalBar->setRange(0, *scene.HorizontalScrollMax);
        m_horizontalBar->setPageStep(1);
    }
    if (scene.ScrollBars) {
        ApplyScrollBars(*scene.ScrollBars);
    }
}

void CDTView::PlaceChildren() {
    const CPixelRect& plot = m_state.PlotRect;
    const CPixelRect& panel = m_state.PanelRect;
    if (m_verticalBar) {
        m_verticalBar->setGeometry(
            ChildRect(panel.Left, plot.Top, SCROLL_BAR_WIDTH, plot.Height()));
    }
    if (m_toolBar) {
        m_toolBar->setGeometry(
            ChildRect(panel.Left, plot.Top - 45, width() - 20 - panel.Left, TOOLBAR_HEIGHT));
    }
}

void CDTView::ApplyScrollBars(const CScrollBarSetup& setup) {
    if (m_horizontalBar) {
        m_horizontalBar->setValue(setup.HorizontalPosition);
    }
    if (m_verticalBar) {
        m_verticalBar->setRange(0, setup.VerticalMax);
        m_verticalBar->setValue(setup.VerticalPosition);
    }
}

QScrollBar* CDTView::MakeScrollBar(Qt::Orientation orientation) {
    auto* bar = new QScrollBar(orientation, this);
    bar->setEnabled(false);
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar](int action) { OnScroll(*bar, action); });
    bar->show();
    return bar;
}

QToolBar* CDTView::MakeToolBar() {
    auto* toolBar = new QToolBar(this);
    // It stands over the black border: it paints its own face, as a toolbar control does.
    toolBar->setAutoFillBackground(true);
    toolBar->setMovable(false);
    toolBar->addAction(QStringLiteral("Undozoom"), this, &CDTView::UndoZoom);
    toolBar->addAction(QStringLiteral("Axis Setup"), this, &CDTView::OnAxisSetup);
    toolBar->addAction(QStringLiteral("Color Setup"), this, &CDTView::OnColorSetup);
    toolBar->addAction(QStringLiteral("View"), this, &CDTView::OnViewSetup);
    for (QAction* action : toolBar->actions()) {
        toolBar->widgetForAction(action)->setFixedSize(TOOL_BUTTON_SIZE);
    }
    return toolBar;
}
