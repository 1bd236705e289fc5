#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "dialogs/display/CTemplateDialog.h"
#include "platform/CSettings.h"

class QCheckBox;

// "View ": six check boxes that switch elements of the graph on or off. Nothing changes until
// OK; the switches as the boxes then stood are in Chosen().
class CViewSetupDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CViewSetupDlg(const CViewSettings& current, QWidget* parent = nullptr);

    // The settings given, with the six switches as the boxes stood at OK.
    const CViewSettings& Chosen() const { return m_chosen; }

    // A check box by its text: "Sound", "Sound Alarm Hi", "Sound Alarm Low", "X Axis",
    // "Y Axis" or "Mark Points".
    QCheckBox& Box(const QString& text) const;

private:
    void OnOk() override;

    CViewSettings m_chosen;
    std::vector<std::pair<QCheckBox*, std::uint8_t CViewSettings::*>> m_boxes;
};
