// The view toolbar's dialogs: each shows the view's state, and its OK changes the view.

#include <algorithm>

#include "dialogs/display/CAxisSetupDlg.h"
#include "dialogs/display/CColorSetupDlg.h"
#include "dialogs/display/CViewSetupDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CGraphHost.h"

namespace {

// The real-time scale step that holds the readings from the range's first to the record's
// last: the first entry of the scale table that is large enough, or the step in use when none
// is.
std::int32_t ScaleLevelFor(const CGraphState& state, std::int32_t readings) {
    const std::int32_t shown = readings - state.RangeFirst + 1;
    const auto& table = state.ScaleTable;
    const auto found = std::find_if(table.begin(), table.end(),
                                    [shown](std::int32_t entry) { return entry >= shown; });
    return found != table.end() ? static_cast<std::int32_t>(found - table.begin())
                                : state.ScaleLevel;
}

}  // namespace

void CDTView::OnAxisSetup() {
    // The level window's assessment chooses the range while it is open.
    if (m_levelWindow) {
        return;
    }
    const CViewSettings& settings = m_state.Settings;
    CAxisSetupDlg dialog(
        {settings.AxisLow, settings.AxisHigh, m_state.RangeFirst, m_state.RangeLast}, m_doc,
        m_host.Prompt(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const CAxisRange& chosen = dialog.Chosen();
    m_state.Settings.AxisLow = chosen.AxisLow;
    m_state.Settings.AxisHigh = chosen.AxisHigh;
    m_state.RangeFirst = chosen.RangeFirst;
    m_state.RangeLast = chosen.RangeLast;
    m_state.ScaleLevel = ScaleLevelFor(m_state, m_doc.Record().SampleCount);
    m_host.StoreSettings();
    UndoZoom();
}

void CDTView::OnColorSetup() {
    CColorSetupDlg dialog(m_host.ColorIndexes(), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_host.SetColorIndexes(dialog.Chosen());
        m_host.StoreSettings();
        Redraw();
    }
}

void CDTView::OnViewSetup() {
    CViewSetupDlg dialog(m_state.Settings, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_state.Settings = dialog.Chosen();
        m_host.StoreSettings();
        Redraw();
    }
}
