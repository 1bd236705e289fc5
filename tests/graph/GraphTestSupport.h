#pragma once

#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CGraphHost.h"
#include "tests/CRecordingPrompt.h"
#include "tests/document/ExampleRecord.h"

// The main window as the graph view sees it: the colour indexes of the settings file's
// defaults (black background, red curve, blue grid).
class CTestGraphHost : public CGraphHost {
public:
    CGraphColorIndexes ColorIndexes() const override { return Colors; }
    void SetColorIndexes(const CGraphColorIndexes& indexes) override { Colors = indexes; }
    CPrompt& Prompt() override { return Messages; }
    void ExpandGraph(bool expanded) override { Expanded = expanded; }
    bool InfoPanelWanted() const override { return InfoPanelShown; }

    CGraphColorIndexes Colors;
    CRecordingPrompt Messages;
    bool Expanded = false;
    bool InfoPanelShown = true;
};

inline const QColor BLACK(0, 0, 0);
inline const QColor RED(255, 0, 0);
inline const QColor BLUE(0, 0, 255);
inline const QColor WHITE(255, 255, 255);

// A record of the example's header whose levels are the given ones.
inline CMeasurementRecord RecordOf(const std::vector<float>& levels) {
    CMeasurementRecord record = ExampleRecord(static_cast<int>(levels.size()));
    std::copy(levels.begin(), levels.end(), record.Levels.begin());
    record.RecomputeStatistics();
    return record;
}

// A graph view of fixed size over its own document, as the tests paint it.
class CGraphViewFixture {
public:
    explicit CGraphViewFixture(QSize size = {800, 600}, CViewSettings settings = {}) {
        View = std::make_unique<CDTView>(Doc, Host, settings, &Window);
        Window.resize(size);
        View->resize(size);
        Window.show();
    }

    // A memory download brings the record.
    void Download(CMeasurementRecord record) {
        Doc.StoredData = true;
        Doc.ReplaceRecord(std::move(record), DocumentChange::Downloaded);
    }

    // Composes the picture as a paint of the screen does, and returns it.
    const QImage& Paint() {
        View->Redraw();
        View->grab();
        return View->Picture();
    }

    CDTDoc Doc;
    CTestGraphHost Host;
    QWidget Window;  // the splitter pane the view sits in
    std::unique_ptr<CDTView> View;
};

// Runs the event loop until the condition holds or three seconds are up.
template <typename Condition>
bool WaitUntil(Condition condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 3000) {
        QTest::qWait(5);
    }
    return condition();
}

// Pixels whose red, green and blue all lie below 100: text and dark lines.
inline int CountDarkPixels(const QImage& image, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() < 100 && c.green() < 100 && c.blue() < 100 ? 1 : 0;
        }
    }
    return count;
}

// Pixels of `color` inside the rectangle [left, right) × [top, bottom).
inline int CountPixels(const QImage& image, const QColor& color, int left, int top, int right,
                       int bottom) {
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x) {
            count += image.pixelColor(x, y) == color ? 1 : 0;
        }
    }
    return count;
}

inline int CountPixels(const QImage& image, const QColor& color, const CPixelRect& rect) {
    return CountPixels(image, color, rect.Left, rect.Top, rect.Right, rect.Bottom);
}
