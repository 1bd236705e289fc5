#include "dialogs/display/CInfoDlg.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/display/DialogLook.h"
#include "dialogs/display/DialogUnits.h"
#include "dialogs/display/LedPicture.h"
#include "dialogs/display/LocalText.h"
#include "dialogs/display/PanelColors.h"
#include "document/CMeasurementRecord.h"

namespace {

const QColor PANEL_TEXT(100, 100, 0);
const QColor PANEL_BACKGROUND = PANEL_GREY;

// The panel's face would be "@Batang"; where it is missing a plain face of the same size serves.
constexpr int FONT_POINTS = 11;

// One field of the panel template, in dialog units. Labels end just before their edit.
struct CPanelField {
    const char* Label;
    int LabelX;
    int EditX;
    int EditY;
    int EditWidth;
};

constexpr int EDIT_HEIGHT = 12;
constexpr int LABEL_HEIGHT = 8;
constexpr int LABEL_GAP = 2;

// In template order, which is also the tab order.
constexpr std::array<CPanelField, CInfoDlg::FIELD_COUNT> FIELDS{{
    {"Start Time", 4, 52, 4, 75},
    {"Mode", 131, 154, 3, 36},
    {"DataNo.", 193, 223, 4, 45},
    {"Sound Alarm Hi", 272, 332, 4, 29},
    {"Sample Rate", 4, 52, 23, 75},
    {"Unit", 131, 154, 23, 36},
    {"Speed", 193, 223, 23, 45},
    {"Sound Alarm Low", 272, 332, 23, 29},
    {"Sound MAX", 4, 52, 42, 110},
    {"MIN", 166, 186, 42, 110},
    {"AVG", 300, 321, 42, 40},
}};

// The lamp pictures stand beside the alarm levels; the lit one sits a unit to the right.
constexpr int LAMP_OFF_X = 363;
constexpr int LAMP_ON_X = 364;
constexpr int HIGH_LAMP_Y = 1;
constexpr int LOW_LAMP_Y = 19;
constexpr int MARGIN = 4;  // dialog units right of the lamps and below the last row

QFont PanelFont() {
    QFont font(QStringLiteral("Arial"), FONT_POINTS);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

QSize CInfoDlg::ContentSize() {
    const CDialogUnits units(PanelFont());
    const QSize lamp = LedPicture(true).size();
    int right = units.X(LAMP_ON_X) + lamp.width();
    int bottom = units.Y(LOW_LAMP_Y) + lamp.height();
    for (const CPanelField& field : FIELDS) {
        right = std::max(right, units.X(field.EditX + field.EditWidth));
        bottom = std::max(bottom, units.Y(field.EditY + EDIT_HEIGHT));
    }
    return {right + units.X(MARGIN), bottom + units.Y(MARGIN)};
}

CInfoDlg::CInfoDlg(QWidget* parent) : QWidget(parent) {
    const QFont font = PanelFont();
    setFont(font);
    ApplyPanelColors(*this, PANEL_TEXT, PANEL_BACKGROUND);

    const CDialogUnits units(font);
    for (std::size_t i = 0; i < FIELDS.size(); ++i) {
        const CPanelField& field = FIELDS[i];
        auto* label = new QLabel(QString::fromLatin1(field.Label), this);
        const int labelWidth = field.EditX - LABEL_GAP - field.LabelX;
        label->setGeometry(
            units.ToPixels(field.LabelX, field.EditY + LABEL_GAP, labelWidth, LABEL_HEIGHT));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(field.Label));
        MakeDisplayField(*edit, *label);
        edit->setGeometry(units.ToPixels(field.EditX, field.EditY, field.EditWidth, EDIT_HEIGHT));
        m_edits[i] = edit;
    }

    const auto lamp = [&](int y) {
        return std::make_unique<CLampPair>(*this, QPoint(units.X(LAMP_OFF_X), units.Y(y)),
                                           QPoint(units.X(LAMP_ON_X), units.Y(y)),
                                           PANEL_BACKGROUND);
    };
    m_highLamp = lamp(HIGH_LAMP_Y);
    m_lowLamp = lamp(LOW_LAMP_Y);
    SetIndicators(AlarmIndicatorState::Normal);
}

void CInfoDlg::Refresh(const CMeasurementRecord& record) {
    for (const auto& [label, text] : InfoPanelFields(record)) {
        if (QLineEdit* edit = Field(QString::fromLatin1(label))) {
            edit->setText(FromLocalText(text));
        }
    }
}

void CInfoDlg::SetIndicators(AlarmIndicatorState state) {
    m_indicators = state;
    m_highLamp->SetLit(state == AlarmIndicatorState::High);
    m_lowLamp->SetLit(state == AlarmIndicatorState::Low);
}

QLineEdit* CInfoDlg::Field(const QString& label) const {
    for (QLineEdit* edit : m_edits) {
        if (edit->objectName() == label) {
            return edit;
        }
    }
    return nullptr;
}

void CInfoDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
