#pragma once

#include <optional>

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "dialogs/display/CDinLevelDlg.h"
#include "graph/CDataList.h"
#include "graph/CGraphMouse.h"
#include "graph/CGraphState.h"
#include "graph/GraphInteraction.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"
#include "graph/ReadingsInView.h"

class CDTDoc;
class CGraphHost;
class CInfoDlg;
class QScrollBar;
class QToolBar;
enum class DocumentChange;
struct CGraphScene;
struct CScrollBarSetup;

// The graph pane: the level of the current measurement against time, with the info panel
// above it, a small toolbar, two scroll bars and the readout line.
//
// A thin shell: the state lives in CGraphState, the arithmetic in GraphLayout and the picture
// is composed by ComposeGraphScene and CGraphPainter into an off-screen image. The image is
// kept between paints; Redraw composes it again, while a plain update() paints the kept image
// and what follows the mouse over it (the cursor line and the drag rectangle) without
// composing. CGraphMouse handles the mouse; GraphInteraction holds the arithmetic of the mouse
// and the scroll bars.
class CDTView : public QWidget {
    Q_OBJECT
public:
    // Registers with the document, which outlives the view. Clears the document's
    // LoadedFromFile: a file loaded after this is the one Open then leaves unsaved.
    CDTView(CDTDoc& doc, CGraphHost& host, const CViewSettings& settings,
            QWidget* parent = nullptr);

    CGraphState& State() { return m_state; }
    const CGraphState& State() const { return m_state; }
    // The switches and the axis range, to be written to the settings file at close.
    const CViewSettings& Settings() const { return m_state.Settings; }

    // The info panel once the first measurement has been drawn, else nullptr.
    CInfoDlg* InfoPanel() const { return m_infoPanel; }

    // The data list, whose window the view closes at the start of a real-time run and brings
    // back into view when a new record arrives.
    CDataList& DataList() { return m_dataList; }

    // The picture composed by the last paint.
    const QImage& Picture() const { return m_picture; }

    // The state changed: the next paint composes the picture again.
    void Redraw();

    // The unzoomed picture of the whole displayed range.
    void UndoZoom();

    // Height 0 hides the info panel; the graph is laid out below it from the next paint on.
    void SetInfoPanelHeight(int panelHeight);

    // The level window, shown from Window > Level Assessment until the user closes it. While
    // it is shown a right click on the graph assesses two hours of readings from there.
    void ShowLevelWindow(bool shown);
    CDinLevelDlg* LevelWindow() const { return m_levelWindow; }

    // Draws the state's ReadoutText over the kept picture.
    void ShowReadout();

    // The keyboard's and the Graph menu's zoom: around the cursor line, or around the plot's
    // middle while there is none (CDTViewKeys.cpp).
    void ZoomAroundCursor(ZoomStep step);
    // Puts the cursor line and its readout on 0-based reading `index` of the displayed range,
    // scrolling the zoomed curve to bring it into view.
    void PlaceCursor(std::int32_t index);

    // The toolbar's dialogs, which the main window's Graph menu opens too.
    void OnAxisSetup();
    void OnColorSetup();
    void OnViewSetup();

    // The real-time run appended one reading to the record. The displayed range and the panel
    // take it in, and the curve grows by its newest segment, drawn over the kept picture; the
    // picture is composed again when the scale steps or the segment crosses an edge of the
    // plot. The document's ReadingAppended notice calls it.
    void AppendLatestReading();

    // The readings the graph shows now: the displayed range, or the part of it in view while
    // zoomed.
    CReadingSpan ReadingsShown() const;

    // The smallest size at which nothing clips: the info panel's rows whole, and a plot that
    // keeps the level axis' labels apart.
    QSize minimumSizeHint() const override;

    // The graph as a printer page takes it: composed at the view's size, with a white band on
    // top where the report's title and header go.
    CGraphScene PrinterScene();

signals:
    // A paint found the data list closed and withdrew the list report (ListShown).
    void ListReportWithdrawn();
    // The readings shown changed (a zoom, a scroll, a new record) or the document did (a live
    // reading was added, a file loaded). ReadingsShown() says which they are now.
    void ReadingsShownChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The focus frame comes and goes with the keyboard focus.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnDocumentChange(DocumentChange change);
    // The scene of a paint at the view's size; takes a record just loaded into the panel.
    CGraphScene ComposeScene(bool printer);
    // Clears ListShown once the data list window is gone, which disables the list report.
    void WithdrawListReportWithoutList();
    // Says that the readings shown changed, if they did since it last said so or the document
    // changed since: a picture composed anew of the same readings (a colour, a resize) leaves
    // whatever follows them, such as the statistics, as it is.
    void SignalReadingsShown();
    void ShowChildren(const CGraphScene& scene);
    // The toolbar and the vertical bar along the plot as the layout places them.
    void PlaceChildren();
    QToolBar* MakeToolBar();
    // The toolbar's dialogs (CDTViewDialogs.cpp).
    void ApplyScrollBars(const CScrollBarSetup& setup);
    void ZoomAt(int x, ZoomStep step);
    // The bars and the picture follow a scroll that the keyboard or the wheel made.
    void ShowScrolled();
    QScrollBar* MakeScrollBar(Qt::Orientation orientation);
    void OnScroll(QScrollBar& bar, int action);

    CDTDoc& m_doc;
    CGraphHost& m_host;
    CGraphState m_state;
    CGraphPainter m_painter;
    CGraphMouse m_mouse;

    QImage m_picture;
    bool m_pictureStale = true;
    // The readings last said to be shown; none since the document changed.
    std::optional<CReadingSpan> m_spanSignalled;

    CInfoDlg* m_infoPanel = nullptr;
    QScrollBar* m_horizontalBar = nullptr;
    QScrollBar* m_verticalBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QPointer<CDinLevelDlg> m_levelWindow;

    // Resets the zoom once, shortly after the first graph is shown.
    QTimer m_firstGraphTimer;
    // Wheel steps not taken yet: a touchpad turns a step in many small pieces.
    double m_wheelCarry = 0.0;
    int m_wheelKind = 0;  // zoom, levels, pixels: the carry is of one kind of turn

    CDataList m_dataList{m_doc, *this};
};
