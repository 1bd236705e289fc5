#pragma once

#include <array>
#include <memory>

#include <QWidget>

#include "dialogs/display/LedPicture.h"
#include "document/AlarmIndicator.h"

class CMeasurementRecord;
class QLineEdit;

// The info panel across the top of the graph view: the eleven read-only header texts of the
// measurement and the two alarm lamps. Its texts live in the record; Refresh shows them.
class CInfoDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int FIELD_COUNT = 11;

    explicit CInfoDlg(QWidget* parent);

    // The room the fields and the lamps take: the panel shows them whole at this size.
    static QSize ContentSize();

    // Copies the record's panel texts into the edits; nothing is ever read back.
    void Refresh(const CMeasurementRecord& record);

    void SetIndicators(AlarmIndicatorState state);
    AlarmIndicatorState Indicators() const { return m_indicators; }

    // The edit showing the field with this label ("Start Time", "Sound Alarm Low", ...), or
    // nullptr.
    QLineEdit* Field(const QString& label) const;

protected:
    // Enter and Escape end nothing here: the panel is part of the view, not a dialog to close.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::array<QLineEdit*, FIELD_COUNT> m_edits{};
    std::unique_ptr<CLampPair> m_highLamp;
    std::unique_ptr<CLampPair> m_lowLamp;
    AlarmIndicatorState m_indicators = AlarmIndicatorState::Normal;
};
