#pragma once

#include <memory>

#include <QWidget>

#include "dialogs/display/LedPicture.h"

class QLabel;
class QLineEdit;
struct CLevelAssessment;

// The level window "DIN 15 905-5": the highest and the average level of two hours of readings
// that a right click on the graph chose, each with a lamp that lights at its limit, and a
// status line. A window of its own over the main window; closing it destroys it.
class CDinLevelDlg : public QWidget {
    Q_OBJECT
public:
    explicit CDinLevelDlg(QWidget* owner);
    ~CDinLevelDlg() override;

    void Show(const CLevelAssessment& assessment);

    const QLineEdit& MaxEdit() const { return *m_max; }
    const QLineEdit& AverageEdit() const { return *m_average; }
    const QLabel& Status() const { return *m_status; }
    bool MaxLampLit() const { return m_maxLamp->IsLit(); }
    bool AverageLampLit() const { return m_averageLamp->IsLit(); }

private:
    QLineEdit* m_max;
    QLineEdit* m_average;
    QLabel* m_status;
    std::unique_ptr<CLampPair> m_maxLamp;
    std::unique_ptr<CLampPair> m_averageLamp;
};
