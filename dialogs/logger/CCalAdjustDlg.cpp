#include "dialogs/logger/CCalAdjustDlg.h"

#include "dialogs/display/CNumberEdit.h"
#include "dialogs/logger/LoggerCaptions.h"
#include "logger/SetupSettings.h"
#include "platform/CSettings.h"

namespace {

// The window, in dialog units.
constexpr QSize DIALOG_SIZE(150, 68);
constexpr int LABEL_HEIGHT = 8;

}  // namespace

CCalAdjustDlg::CCalAdjustDlg(CFrameSettings& settings, CBridge& bridge, CPrompt& prompt,
                             QWidget* parent)
    : CTemplateDialog(CAPTION_CONNECTING, QStringLiteral("Arial"), DIALOG_SIZE, parent),
      m_settings(settings),
      m_link(bridge, prompt),
      m_value(new CNumberEdit(this)) {
    AddGroup(tr("Cal Adjustment"), Place(7, 4, 136, 40));
    AddLabel(tr("Adjustment Value"), Place(14, 19, 60, LABEL_HEIGHT));
    m_value->setAccessibleName(tr("Adjustment Value"));
    m_value->setGeometry(Place(78, 17, 36, 12));
    m_value->SetRange(CALIBRATION_MIN, CALIBRATION_MAX);
    m_value->ShowUpDown();
    AddLabel(tr("(-10 to 10)"), Place(78, 31, 60, LABEL_HEIGHT));
    PlaceButtons(Place(30, 49, 35, 14), Place(85, 49, 35, 14));

    m_presenceTimer.setInterval(POLL_MS);
    connect(&m_presenceTimer, &QTimer::timeout, this, &CCalAdjustDlg::Poll);
    connect(m_value, &QLineEdit::textChanged, this,
            [this] { m_value->ShowWithin(CALIBRATION_MIN, CALIBRATION_MAX); });
}

bool CCalAdjustDlg::DoModal() {
    Open();
    const int answer = exec();
    m_presenceTimer.stop();
    return answer == QDialog::Accepted;
}

void CCalAdjustDlg::Open() {
    // The change handler limits what a hand-edited settings file held as it shows it.
    m_value->setText(QString::fromStdString(m_settings.Calibration));
    setWindowTitle(CAPTION_CONNECTING);
    m_presenceTimer.start();
}

void CCalAdjustDlg::Poll() {
    m_connected = m_link.FindLogger() >= 0;
    setWindowTitle(m_connected ? CAPTION_CONNECTED : CAPTION_NOT_CONNECTED);
}

void CCalAdjustDlg::OnOk() {
    if (!m_connected) {
        return;
    }
    // A number still being typed (an empty box, a lone "-") sends 0.
    const auto value = static_cast<std::int8_t>(LimitCalibration(m_value->Value()));
    m_settings.Calibration = m_value->text().toStdString();
    accept();
    m_presenceTimer.stop();
    // The link shows the logger's total, or why it could not be had.
    static_cast<void>(m_link.SendCalibration(value));
}
