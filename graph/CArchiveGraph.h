#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

#include "graph/ArchiveScene.h"

// The archive's graph: time across its runs, from the whole archive down to single readings.
// The wheel scrolls, Ctrl+wheel zooms around the pointer, the arrows scroll a tenth (Shift: a
// page), + and - zoom around the middle, Home and End go to either end and Ctrl+0 shows
// everything. A drag chooses a range; the pointer's time and level are told as it moves.
// It only reads the archive.
class CArchiveGraph : public QWidget {
    Q_OBJECT
public:
    CArchiveGraph(CArchiveDatabase& db, CArchiveSceneInputs settings, QWidget* parent = nullptr);

    // The archive's runs were read again (a monitor may have added readings). With Follow on, a
    // view at the end of the archive moves on with it.
    void ArchiveGrew(const CArchiveRange& span);
    void SetFollow(bool follow) { m_follow = follow; }
    bool Follow() const { return m_follow; }

    void SetView(CArchiveRange view);
    const CArchiveRange& View() const { return m_settings.View; }
    void ShowEverything() { SetView(m_span); }
    bool AtEnd() const { return m_settings.View.ToMs >= m_span.ToMs; }

    // The picture as it stands, composed now if it is out of date; what its axes are.
    const QImage& Picture();
    const CArchiveScene* Scene() const { return m_scene ? &*m_scene : nullptr; }
    // Why the last picture could not be read, or empty.
    const std::string& Error() const { return m_error; }

    // Marks the range whose figures are shown.
    void SetChosen(const CArchiveRange& range);

    // A readout of the pointer's place: date, time and level.
    QString ReadoutAt(int x, int y) const;

signals:
    void RangeChosen(const CArchiveRange& range);
    void Readout(const QString& text);
    void ViewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Zoom(int x, double factor);
    void Scroll(double fractionOfView);

    CArchiveDatabase& m_db;
    CArchiveSceneInputs m_settings;
    CArchiveRange m_span;
    CMinuteRows m_minutes;  // the whole archive's, when it keeps them
    bool m_follow = true;
    QImage m_picture;
    std::optional<CArchiveScene> m_scene;
    bool m_stale = true;
    std::string m_error;
    std::optional<int> m_pointerX;
    std::optional<int> m_dragFrom;
    std::optional<CArchiveRange> m_chosen;
    double m_wheelCarry = 0.0;
};
