#pragma once

#include <QWidget>

#include <cstdint>

class CMeasurementRecord;
class QLabel;
class QTableWidget;

// The Statistics window: the acoustic statistics (Leq, SEL, levels exceeded, extremes, time
// beyond the alarm levels) of the readings the graph shows, and their Leq per clock hour. A
// window of its own over the main window that its owner refreshes whenever the readings shown
// change; closing it destroys it.
class CStatisticsDlg : public QWidget {
    Q_OBJECT
public:
    explicit CStatisticsDlg(QWidget* owner);

    // Shows the statistics of `count` readings of the record from `first` (0-based).
    void ShowReadings(const CMeasurementRecord& record, std::int32_t first, std::int32_t count);

    // What the window shows, as the user reads it: the range line, each value by its label,
    // and the hourly table.
    QString RangeText() const;
    QString ValueText(const QString& label) const;
    const QTableWidget& HourlyTable() const { return *m_hourly; }

private:
    QLabel* m_range;
    QWidget* m_fields;
    QTableWidget* m_hourly;
};
