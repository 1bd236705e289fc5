#include "dialogs/display/CViewSetupDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QFrame>

namespace {

// The window template, in dialog units.
constexpr QSize DIALOG_SIZE(123, 95);
constexpr int BOX_X = 9;
constexpr int BOX_WIDTH = 70;
constexpr int BOX_HEIGHT = 10;

struct CSwitchBox {
    const char* Text;
    int Y;
    std::uint8_t CViewSettings::*Switch;
};

constexpr CSwitchBox BOXES[] = {
    {"Sound", 8, &CViewSettings::ShowCurve},
    {"Sound Alarm Hi", 21, &CViewSettings::ShowAlarmHigh},
    {"Sound Alarm Low", 34, &CViewSettings::ShowAlarmLow},
    {"X Axis", 47, &CViewSettings::ShowXAxis},
    {"Y Axis", 60, &CViewSettings::ShowYAxis},
    {"Mark Points", 73, &CViewSettings::ShowMarkPoints},
};

}  // namespace

// The caption ends in a blank, as the program has always had it.
CViewSetupDlg::CViewSetupDlg(const CViewSettings& current, QWidget* parent)
    : CTemplateDialog(QStringLiteral("View "), QStringLiteral("Tahoma"), DIALOG_SIZE, parent),
      m_chosen(current) {
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(Place(5, 2, 75, 85));
    frame->lower();
    for (const CSwitchBox& box : BOXES) {
        auto* check = new QCheckBox(tr(box.Text), this);
        check->setGeometry(Place(BOX_X, box.Y, BOX_WIDTH, BOX_HEIGHT));
        check->setChecked(current.*box.Switch != 0);
        m_boxes.emplace_back(check, box.Switch);
    }
    PlaceButtons(Place(82, 29, 34, 14), Place(82, 48, 34, 14));
}

QCheckBox& CViewSetupDlg::Box(const QString& text) const {
    const auto found = std::find_if(m_boxes.begin(), m_boxes.end(),
                                    [&](const auto& box) { return box.first->text() == text; });
    Q_ASSERT(found != m_boxes.end());
    return *found->first;
}

void CViewSetupDlg::OnOk() {
    for (const auto& [check, field] : m_boxes) {
        m_chosen.*field = check->isChecked() ? 1 : 0;
    }
    accept();
}
