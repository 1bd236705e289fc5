#include "dialogs/logger/CSetupDlg.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/display/CNumberEdit.h"
#include "dialogs/display/DialogLook.h"
#include "dialogs/logger/LoggerCaptions.h"
#include "document/CDTDoc.h"
#include "logger/SetupSettings.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"

namespace {

const QString STATUS_NOT_CONNECTED =
    QStringLiteral("Connecting failed. Ensure logger inserted and try again.");

constexpr int RATE_50MS = 0;
constexpr int RATE_1S = 2;
constexpr int ALARM_STEP_MIN = 30;
constexpr int ALARM_STEP_MAX = 130;
constexpr int STATUS_WIDTH = 300;

}  // namespace

CSetupDlg::CSetupDlg(CFrameSettings& settings, CDTDoc& doc, CBridge& bridge, CPrompt& prompt,
                     QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_doc(doc),
      m_prompt(prompt),
      m_link(bridge, prompt),
      m_rate(new QComboBox(this)),
      m_points(new CNumberEdit(this)),
      m_samplingTime(new QLineEdit(this)),
      m_alarmLow(new CNumberEdit(this)),
      m_alarmHigh(new CNumberEdit(this)),
      m_status(new QLabel(this)),
      m_defaultButton(new QPushButton(tr("Default"), this)),
      m_setupButton(new QPushButton(tr("Setup"), this)),
      m_cancelButton(MakePictureButton(DialogPicture::Cancel, this)) {
    ApplyDialogLook(*this);
    for (const char* text : RATE_TEXTS) {
        m_rate->addItem(QString::fromLatin1(text));
    }
    for (CNumberEdit* edit : {m_points, m_alarmLow, m_alarmHigh}) {
        edit->ShowUpDown();
    }
    m_samplingTime->setEnabled(false);
    // The longest duration text fits whole.
    m_samplingTime->setMinimumWidth(m_samplingTime->fontMetrics().horizontalAdvance(
                                        QStringLiteral("00Day 00Hour 00Minute 00Second")) +
                                    2 * m_samplingTime->fontMetrics().averageCharWidth());
    m_status->setWordWrap(true);
    m_status->setMinimumWidth(STATUS_WIDTH);
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing());
    m_defaultButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_setupButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    m_setupButton->setDefault(true);

    auto* groups = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(BuildSamplingGroup());
    left->addWidget(BuildAlarmGroup());
    auto* right = new QVBoxLayout;
    right->addWidget(BuildLedGroup());
    right->addWidget(BuildModeRadios());
    right->addStretch();
    groups->addLayout(left);
    groups->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_defaultButton);
    buttons->addStretch();
    buttons->addWidget(m_setupButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_presenceTimer.setInterval(POLL_MS);
    ConnectHandlers();
}

QWidget* CSetupDlg::BuildSamplingGroup() {
    auto* group = new QGroupBox(tr("Sampling Setup"), this);
    auto* form = new QFormLayout(group);
    form->addRow(tr("Sampling Rate"), m_rate);
    form->addRow(tr("Sampling Points"), m_points);
    form->addRow(tr("Sampling Time"), m_samplingTime);
    SetCaptionFont(*group);
    return group;
}

QWidget* CSetupDlg::BuildAlarmGroup() {
    auto* group = new QGroupBox(tr("Alarm Setup"), this);
    auto* form = new QFormLayout(group);
    form->addRow(tr("Sound Alarm Low"), m_alarmLow);
    form->addRow(tr("Alarm HI"), m_alarmHigh);
    for (CNumberEdit* edit : {m_alarmLow, m_alarmHigh}) {
        edit->SetRange(ALARM_STEP_MIN, ALARM_STEP_MAX);
    }
    SetCaptionFont(*group);
    return group;
}

QRadioButton* CSetupDlg::AddRadio(const QString& text, std::function<void()> chosen) {
    auto* radio = new QRadioButton(text, this);
    connect(radio, &QRadioButton::clicked, this, std::move(chosen));
    m_radios.push_back(radio);
    return radio;
}

QWidget* CSetupDlg::BuildLedGroup() {
    auto* group = new QGroupBox(tr("LED Flash Cycle Setup"), this);
    auto* row = new QHBoxLayout(group);
    auto* exclusive = new QButtonGroup(group);
    for (const auto& [text, cycle] : {std::pair{"10s", 10}, std::pair{"20s", 20},
                                      std::pair{"30s", 30}, std::pair{"No Light", 0}}) {
        QRadioButton* radio = AddRadio(tr(text), [this, cycle = cycle] { m_ledCycle = cycle; });
        exclusive->addButton(radio);
        row->addWidget(radio);
    }
    SetCaptionFont(*group);
    return group;
}

QWidget* CSetupDlg::BuildModeRadios() {
    auto* box = new QWidget(this);
    auto* grid = new QVBoxLayout(box);
    const struct {
        const char* First;
        const char* Second;
        int* Field;
        int FirstValue;
    } pairs[] = {{"STOR", "RT", &m_mode, 0},
                 {"dBA", "dBC", &m_weighting, 1},
                 {"FAST", "SLOW", &m_speed, 1},
                 {"Manual", "Auto", &m_autoStart, 0}};
    for (const auto& pair : pairs) {
        auto* row = new QHBoxLayout;
        auto* exclusive = new QButtonGroup(box);
        int* field = pair.Field;
        const int first = pair.FirstValue;
        // The mode pair has handlers of its own; the others only set their field.
        const bool mode = field == &m_mode;
        QRadioButton* a = AddRadio(tr(pair.First), [this, field, first, mode] {
            mode ? OnStorChosen() : void(*field = first);
        });
        QRadioButton* b = AddRadio(tr(pair.Second), [this, field, first, mode] {
            mode ? OnRtChosen() : void(*field = 1 - first);
        });
        for (QRadioButton* radio : {a, b}) {
            exclusive->addButton(radio);
            row->addWidget(radio);
        }
        grid->addLayout(row);
    }
    return box;
}

void CSetupDlg::ConnectHandlers() {
    connect(&m_presenceTimer, &QTimer::timeout, this, &CSetupDlg::Poll);
    connect(m_rate, &QComboBox::activated, this, &CSetupDlg::OnRateChosen);
    connect(m_points, &QLineEdit::textChanged, this, &CSetupDlg::OnPointsEdited);
    for (CNumberEdit* edit : {m_alarmLow, m_alarmHigh}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { OnAlarmEdited(*edit); });
    }
    connect(m_defaultButton, &QPushButton::clicked, this, &CSetupDlg::OnDefault);
    connect(m_setupButton, &QPushButton::clicked, this, &CSetupDlg::OnSetup);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QRadioButton& CSetupDlg::Radio(const QString& text) const {
    const auto found =
        std::find_if(m_radios.begin(), m_radios.end(),
                     [&](const QRadioButton* radio) { return radio->text() == text; });
    Q_ASSERT(found != m_radios.end());
    return **found;
}

bool CSetupDlg::DoModal() {
    Open();
    const int answer = exec();
    m_presenceTimer.stop();
    return answer == QDialog::Accepted;
}

void CSetupDlg::Open() {
    const SetupFields limited = SetupFieldsFromSettings(m_settings);
    m_weighting = m_settings.Dba != 0 ? 1 : 0;
    m_speed = m_settings.Fast != 0 ? 1 : 0;
    m_autoStart = limited.ManualStart ? 0 : 1;
    m_ledCycle = limited.LedCycle;
    m_mode = m_settings.RealTimeMode == 1 ? 1 : 0;
    for (QWidget* control :
         {static_cast<QWidget*>(m_rate), static_cast<QWidget*>(&Radio("STOR")),
          static_cast<QWidget*>(&Radio("RT")), static_cast<QWidget*>(&Radio("FAST")),
          static_cast<QWidget*>(&Radio("SLOW"))}) {
        control->setEnabled(true);
    }
    // A rate from a hand-edited settings file outside the list is taken as "1s".
    m_rate->setCurrentIndex(limited.RateCode - 1);
    m_points->SetRange(1, m_mode == 1 ? REAL_TIME_CAPACITY : STORED_CAPACITY);
    // The edits' change handlers limit what the settings file held as they show it.
    m_alarmHigh->setText(QString::fromStdString(m_settings.AlarmHigh));
    m_alarmLow->setText(QString::fromStdString(m_settings.AlarmLow));
    m_points->setText(QString::fromStdString(m_settings.SamplePoints));
    if (m_rate->currentIndex() == RATE_50MS) {
        LockForFastestRate();
    }
    ShowFields();
    ShowSamplingTime();
    setWindowTitle(CAPTION_CONNECTING);
    m_status->clear();
    m_presenceTimer.start();
}

void CSetupDlg::ShowFields() {
    Radio("STOR").setChecked(m_mode == 0);
    Radio("RT").setChecked(m_mode == 1);
    Radio("dBA").setChecked(m_weighting == 1);
    Radio("dBC").setChecked(m_weighting == 0);
    Radio("FAST").setChecked(m_speed == 1);
    Radio("SLOW").setChecked(m_speed == 0);
    Radio("Manual").setChecked(m_autoStart == 0);
    Radio("Auto").setChecked(m_autoStart == 1);
    Radio("10s").setChecked(m_ledCycle == 10);
    Radio("20s").setChecked(m_ledCycle == 20);
    Radio("30s").setChecked(m_ledCycle == 30);
    Radio("No Light").setChecked(m_ledCycle == 0);
}

QString CSetupDlg::SamplingTimeText() const {
    return m_samplingTime->text();
}

QString CSetupDlg::StatusText() const {
    return m_status->text();
}

void CSetupDlg::ShowSamplingTime() {
    const int index = std::clamp(m_rate->currentIndex(), 0, RATE_CODE_COUNT - 1);
    const auto total =
        static_cast<long long>(m_points->Value() * RATE_INTERVALS[static_cast<std::size_t>(index)]);
    m_samplingTime->setText(QStringLiteral("%1Day %2Hour %3Minute %4Second")
                                .arg(total / 86400)
                                .arg(total % 86400 / 3600)
                                .arg(total % 3600 / 60)
                                .arg(total % 60));
    m_samplingTime->setCursorPosition(0);
}

void CSetupDlg::LockForFastestRate() {
    for (QWidget* control : {&Radio("FAST"), &Radio("SLOW"), &Radio("STOR"), &Radio("RT")}) {
        control->setEnabled(false);
    }
    // As a choice of RT: the points box shows the points a real-time run can take, which are
    // the points sent, and the sampling time follows them.
    OnRtChosen();
}

void CSetupDlg::OnRateChosen(int index) {
    ShowSamplingTime();
    if (index == RATE_50MS) {
        LockForFastestRate();
        return;
    }
    for (QWidget* control : {&Radio("FAST"), &Radio("SLOW"), &Radio("STOR"), &Radio("RT")}) {
        control->setEnabled(true);
    }
}

void CSetupDlg::OnPointsEdited() {
    m_points->ShowWithin(1, m_mode == 1 ? REAL_TIME_CAPACITY : STORED_CAPACITY);
    ShowSamplingTime();
}

void CSetupDlg::OnAlarmEdited(CNumberEdit& edit) {
    edit.ShowWithin(ALARM_LEVEL_MIN, ALARM_LEVEL_MAX);
}

void CSetupDlg::OnStorChosen() {
    m_mode = 0;
    m_points->SetRange(1, STORED_CAPACITY);
    if (!m_savedPoints.isEmpty()) {
        m_points->setText(m_savedPoints);
        m_savedPoints.clear();
    }
}

void CSetupDlg::OnRtChosen() {
    m_mode = 1;
    m_points->SetRange(1, REAL_TIME_CAPACITY);
    if (m_points->Value() > REAL_TIME_CAPACITY) {
        m_savedPoints = m_points->text();
        m_points->setText(QString::number(REAL_TIME_CAPACITY));
    }
    ShowSamplingTime();
    ShowFields();
}

void CSetupDlg::OnDefault() {
    m_mode = 0;
    m_weighting = 1;
    m_speed = 1;
    m_autoStart = 0;
    m_ledCycle = 10;
    m_rate->setCurrentIndex(RATE_1S);
    ShowFields();
    ShowSamplingTime();
}

void CSetupDlg::Poll() {
    m_connected = m_link.FindLogger() >= 0;
    setWindowTitle(m_connected ? CAPTION_CONNECTED : CAPTION_NOT_CONNECTED);
    m_status->setText(m_connected ? QString() : NotConnectedStatus(STATUS_NOT_CONNECTED, m_link));
}

void CSetupDlg::StoreFields() {
    m_settings.RealTimeMode = static_cast<std::uint8_t>(m_mode);
    m_settings.Dba = static_cast<std::uint8_t>(m_weighting);
    m_settings.Fast = static_cast<std::uint8_t>(m_speed);
    m_settings.AutoStart = static_cast<std::uint8_t>(m_autoStart);
    m_settings.LedCycle = static_cast<std::uint8_t>(m_ledCycle);
    m_settings.SampleRateIndex = m_rate->currentIndex();
    m_settings.SamplePoints = m_points->text().toStdString();
    m_settings.AlarmHigh = m_alarmHigh->text().toStdString();
    m_settings.AlarmLow = m_alarmLow->text().toStdString();
}

void CSetupDlg::OnSetup() {
    if (!m_connected) {
        return;
    }
    StoreFields();
    // What is sent is limited once more: an empty points box sends 1, never 0.
    const SetupFields fields = SetupFieldsFromSettings(m_settings);
    if (!m_link.SendSetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())))) {
        return;  // the link has said so; the dialog stays for another try
    }
    accept();
    m_presenceTimer.stop();
    m_prompt.Message(fields.ManualStart ? MSG_SETUP_PRESS_BUTTON : MSG_SETUP_RUNNING,
                     PromptIcon::Information);
    m_doc.SetupSinceSave = true;
}
