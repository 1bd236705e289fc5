#pragma once

#include <QWidget>

#include <cstdint>

#include "document/AlarmIndicator.h"

class QLabel;
struct CMeasurementRecord;

// The live readout of a real-time run, as a sound level meter shows it: the newest level in
// large digits with its unit, the running Leq, Lmax and Lmin since the run began, the time
// run and the readings taken, and the alarm state in colour. It sums each reading once as it
// comes, so that a reading costs the same at the first and at the ten-thousandth.
class CLiveLevelDlg : public QWidget {
    Q_OBJECT
public:
    explicit CLiveLevelDlg(QWidget* owner);

    // A new run: the figures start again.
    void Restart();
    // Takes in the readings the record gained since the last call.
    void ShowNewReadings(const CMeasurementRecord& record, AlarmIndicatorState alarm);
    // The run has ended: the figures of the whole run stay, the level and the alarm give way
    // to "Stopped" and the time the run ended, so that an old level is not read as a live one.
    void ShowRunEnded(const CMeasurementRecord& record);

    // What the window shows, as the user reads it: "Level", "Leq", "Lmax", "Lmin", "Elapsed",
    // "Readings" and "Alarm"; "Unit" says when a run ended.
    QString FigureText(const QString& name) const;

private:
    QLabel* Figure(const QString& name) const;
    // Sets the figure's text; false when it showed that text already.
    bool SetFigure(const char* name, const QString& text);

    std::int32_t m_taken = 0;  // readings of the record summed so far
    std::int32_t m_withLevel = 0;
    double m_energySum = 0.0;
    float m_max = 0.0f;
    float m_min = 0.0f;
};
