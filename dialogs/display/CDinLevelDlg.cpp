#include "dialogs/display/CDinLevelDlg.h"

#include <QLabel>
#include <QLineEdit>

#include "dialogs/display/DialogLook.h"
#include "dialogs/display/DialogUnits.h"
#include "dialogs/display/LevelAssessment.h"
#include "dialogs/display/PanelColors.h"

namespace {

const QColor WINDOW_TEXT(90, 90, 0);
const QColor WINDOW_BACKGROUND(195, 195, 195);
constexpr int FONT_POINTS = 10;

// The template, in dialog units.
constexpr int WIDTH = 84;
constexpr int HEIGHT = 54;
constexpr int LABEL_X = 4;
constexpr int LABEL_WIDTH = 22;
constexpr int EDIT_X = 28;
constexpr int EDIT_WIDTH = 34;
constexpr int ROW_HEIGHT = 12;
constexpr int LAMP_X = 66;
constexpr int MAX_ROW_Y = 5;
constexpr int AVERAGE_ROW_Y = 23;
constexpr int STATUS_Y = 40;

}  // namespace

CDinLevelDlg::CDinLevelDlg(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("DIN 15 905-5"));
    QFont font(QStringLiteral("Arial Black"), FONT_POINTS);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Black);
    setFont(font);
    ApplyPanelColors(*this, WINDOW_TEXT, WINDOW_BACKGROUND);

    const CDialogUnits units(font);
    setFixedSize(units.X(WIDTH), units.Y(HEIGHT));
    const auto row = [&](const char* caption, int y) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setGeometry(units.ToPixels(LABEL_X, y, LABEL_WIDTH, ROW_HEIGHT));
        auto* edit = new QLineEdit(this);
        MakeDisplayField(*edit, *label);
        edit->setGeometry(units.ToPixels(EDIT_X, y, EDIT_WIDTH, ROW_HEIGHT));
        return edit;
    };
    m_max = row("MAX", MAX_ROW_Y);
    m_average = row("AVG", AVERAGE_ROW_Y);
    const auto lamp = [&](int rowY) {
        const QPoint at(units.X(LAMP_X), units.Y(rowY) + (units.Y(ROW_HEIGHT) - 30) / 2);
        return std::make_unique<CLampPair>(*this, at, at, WINDOW_BACKGROUND);
    };
    m_maxLamp = lamp(MAX_ROW_Y);
    m_averageLamp = lamp(AVERAGE_ROW_Y);
    m_status = new QLabel(this);
    m_status->setGeometry(units.ToPixels(LABEL_X, STATUS_Y, WIDTH - 2 * LABEL_X, ROW_HEIGHT));
}

CDinLevelDlg::~CDinLevelDlg() = default;

void CDinLevelDlg::Show(const CLevelAssessment& assessment) {
    m_max->setText(QString::fromStdString(AssessedLevelText(assessment.Max)));
    m_average->setText(QString::fromStdString(AssessedLevelText(assessment.Average)));
    m_status->setText(assessment.ShortOfTwoHours ? QStringLiteral("Less than two hours!")
                                                 : QString());
    m_maxLamp->SetLit(assessment.MaxAlarm());
    m_averageLamp->SetLit(assessment.AverageAlarm());
}
