#pragma once

#include <cstdint>
#include <utility>

#include "dialogs/display/CTemplateDialog.h"

class CDTDoc;
class CNumberEdit;
class CPrompt;

// The level axis and the displayed readings, as Axis Setup edits them.
struct CAxisRange {
    std::int32_t AxisLow = 0;  // whole dB
    std::int32_t AxisHigh = 0;
    std::int32_t RangeFirst = 0;  // 1-based reading numbers
    std::int32_t RangeLast = 0;

    bool operator==(const CAxisRange&) const = default;
};

inline constexpr const char* MSG_Y_AXIS_ORDER =
    "The started Y Axis must be lower than the ended Y Axis";
inline constexpr const char* MSG_X_AXIS_ORDER =
    "The started X Axis must be lower than the ended X Axis";

// "Axis Setup": the level range of the Y axis (0 to 150 dB) and the range of readings along
// the X axis (1 to the record's last). Each number is limited as it is typed; OK refuses a
// range whose start is not below its end, saying so, and keeps the dialog open. During a
// real-time run the range always ends at the newest reading.
class CAxisSetupDlg : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int LEVEL_MIN = 0;
    static constexpr int LEVEL_MAX = 150;

    // `doc` tells the record's size as it is now (a real-time run grows it while the dialog
    // is open) and whether a run is polled; both outlive the dialog.
    CAxisSetupDlg(const CAxisRange& current, const CDTDoc& doc, CPrompt& prompt,
                  QWidget* parent = nullptr);

    // The range confirmed by OK.
    const CAxisRange& Chosen() const { return m_chosen; }

    CNumberEdit& YFromEdit() { return *m_yFrom; }
    CNumberEdit& YToEdit() { return *m_yTo; }
    CNumberEdit& XFromEdit() { return *m_xFrom; }
    CNumberEdit& XToEdit() { return *m_xTo; }

private:
    // The bounds a number typed into the edit is kept within.
    std::pair<int, int> Bounds(const CNumberEdit& edit) const;
    int LimitedValue(const CNumberEdit& edit) const;
    void OnOk() override;

    const CDTDoc& m_doc;
    CPrompt& m_prompt;
    CAxisRange m_chosen;
    CNumberEdit* m_yFrom;
    CNumberEdit* m_yTo;
    CNumberEdit* m_xFrom;
    CNumberEdit* m_xTo;
};
