#include "dialogs/display/CAxisSetupDlg.h"

#include <algorithm>
#include <climits>

#include <QLabel>

#include "dialogs/display/CNumberEdit.h"
#include "document/CDTDoc.h"
#include "platform/CPrompt.h"

namespace {

// The window template, in dialog units: two groups of a "From" and a "To" edit.
constexpr QSize DIALOG_SIZE(154, 102);
constexpr int GROUP_X = 7;
constexpr QSize GROUP_SIZE(140, 30);
constexpr int EDIT_BELOW_GROUP = 13;
constexpr QSize EDIT_SIZE(37, 12);
constexpr int LABEL_HEIGHT = 8;

// An edit with its label, which ends just before it.
struct CEditPlace {
    const char* Label;
    int LabelX;
    int EditX;
};
constexpr CEditPlace FROM_PLACE{"From", 14, 38};
constexpr CEditPlace TO_PLACE{"To", 78, 92};

}  // namespace

CAxisSetupDlg::CAxisSetupDlg(const CAxisRange& current, const CDTDoc& doc, CPrompt& prompt,
                             QWidget* parent)
    : CTemplateDialog(tr("Axis Setup"), QStringLiteral("Arial"), DIALOG_SIZE, parent),
      m_doc(doc),
      m_prompt(prompt),
      m_chosen(current),
      m_yFrom(new CNumberEdit(this)),
      m_yTo(new CNumberEdit(this)),
      m_xFrom(new CNumberEdit(this)),
      m_xTo(new CNumberEdit(this)) {
    const struct {
        const char* Caption;
        int GroupY;
        CNumberEdit* From;
        CNumberEdit* To;
        int StepMax;  // the up-down buttons step from 0 to this
    } groups[] = {{"Y Axis Setup", 3, m_yFrom, m_yTo, LEVEL_MAX},
                  {"X Axis Setup", 40, m_xFrom, m_xTo, m_doc.Record().SampleCount}};
    for (const auto& group : groups) {
        AddGroup(tr(group.Caption),
                 Place(GROUP_X, group.GroupY, GROUP_SIZE.width(), GROUP_SIZE.height()));
        const int editY = group.GroupY + EDIT_BELOW_GROUP;
        for (const auto& [edit, place] :
             {std::pair{group.From, FROM_PLACE}, std::pair{group.To, TO_PLACE}}) {
            AddLabel(tr(place.Label),
                     Place(place.LabelX, editY + 2, place.EditX - 2 - place.LabelX, LABEL_HEIGHT))
                ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // "From" alone would not say which axis.
            edit->setAccessibleName(tr(group.Caption) + ' ' + tr(place.Label));
            edit->setGeometry(Place(place.EditX, editY, EDIT_SIZE.width(), EDIT_SIZE.height()));
            edit->SetRange(0, group.StepMax);
            edit->ShowUpDown();
            connect(edit, &QLineEdit::textChanged, this, [this, edit = edit] {
                const auto [minimum, maximum] = Bounds(*edit);
                edit->ShowWithin(minimum, maximum);
            });
        }
    }
    m_yFrom->setText(QString::number(current.AxisLow));
    m_yTo->setText(QString::number(current.AxisHigh));
    m_xFrom->setText(QString::number(current.RangeFirst));
    m_xTo->setText(QString::number(current.RangeLast));
    PlaceButtons(Place(35, 79, 35, 14), Place(88, 79, 35, 14));
}

std::pair<int, int> CAxisSetupDlg::Bounds(const CNumberEdit& edit) const {
    if (&edit == m_yFrom) {
        return {LEVEL_MIN, INT_MAX};
    }
    if (&edit == m_yTo) {
        return {INT_MIN, LEVEL_MAX};
    }
    if (&edit == m_xFrom) {
        return {1, INT_MAX};
    }
    return {INT_MIN, m_doc.Record().SampleCount};
}

int CAxisSetupDlg::LimitedValue(const CNumberEdit& edit) const {
    const auto [minimum, maximum] = Bounds(edit);
    return std::clamp(edit.Value(), minimum, maximum);
}

void CAxisSetupDlg::OnOk() {
    // A number still being typed (an empty box, a lone "-") counts as 0, kept within its
    // bounds like any other: a range never starts before the first reading.
    const int readings = m_doc.Record().SampleCount;
    const CAxisRange typed{LimitedValue(*m_yFrom), LimitedValue(*m_yTo), LimitedValue(*m_xFrom),
                           m_doc.RealTimeActive ? readings : LimitedValue(*m_xTo)};
    const bool levelsRise = typed.AxisLow < typed.AxisHigh;
    // A record of one reading has the one range 1 to 1.
    const bool readingsRise = typed.RangeFirst < typed.RangeLast ||
                              (readings == 1 && typed.RangeFirst == 1 && typed.RangeLast == 1);
    if (!levelsRise) {
        m_prompt.Message(MSG_Y_AXIS_ORDER, PromptIcon::None);
    }
    if (!readingsRise) {
        m_prompt.Message(MSG_X_AXIS_ORDER, PromptIcon::None);
    }
    if (levelsRise && readingsRise) {
        m_chosen = typed;
        accept();
    }
}
