#include "dialogs/logger/CDownloadDlg.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/display/DialogLook.h"
#include "dialogs/logger/LoggerCaptions.h"
#include "document/CDTDoc.h"
#include "platform/CPrompt.h"

namespace {

const QString STATUS_CONNECTED =
    QStringLiteral("Press Download to stop logging and load data from logger, or Cancel to exit.");
const QString STATUS_NOT_CONNECTED =
    QStringLiteral("Connecting failed. Ensure the logger is inserted and try again.");
constexpr const char* SAVE_FIRST = "Do you want to save the existing graph data before continuing?";
constexpr int STATUS_WIDTH = 320;

}  // namespace

CDownloadDlg::CDownloadDlg(CDTDoc& doc, CBridge& bridge, CPrompt& prompt,
                           const CFrameSettings& settings, QWidget& graphView,
                           std::function<void()> saveCommand, QWidget* parent)
    : QDialog(parent),
      m_doc(doc),
      m_prompt(prompt),
      m_saveCommand(std::move(saveCommand)),
      m_host(graphView, settings),
      m_link(bridge, prompt),
      m_status(new QLabel(this)),
      m_downloadButton(new QPushButton(tr("Download"), this)),
      m_cancelButton(MakePictureButton(DialogPicture::Cancel, this)) {
    ApplyDialogLook(*this);
    m_status->setWordWrap(true);
    m_status->setMinimumWidth(STATUS_WIDTH);
    // Room for the longest status from the start, so the window never has to grow.
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing());
    m_downloadButton->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    m_downloadButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_downloadButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_presenceTimer.setInterval(POLL_MS);
    connect(&m_presenceTimer, &QTimer::timeout, this, &CDownloadDlg::Poll);
    connect(&m_host.PollTimer(), &QTimer::timeout, this, &CDownloadDlg::PollRealTime);
    connect(m_downloadButton, &QPushButton::clicked, this, &CDownloadDlg::OnDownloadClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool CDownloadDlg::DoModal() {
    ShowState(CAPTION_CONNECTING, CAPTION_CONNECTING);
    m_presenceTimer.start();
    const int answer = exec();
    m_presenceTimer.stop();
    return answer == QDialog::Accepted && Download();
}

void CDownloadDlg::Poll() {
    m_connected = m_link.FindLogger() >= 0;
    if (m_connected) {
        ShowState(CAPTION_CONNECTED, STATUS_CONNECTED);
    } else {
        ShowState(CAPTION_NOT_CONNECTED, NotConnectedStatus(STATUS_NOT_CONNECTED, m_link));
    }
}

QString CDownloadDlg::StatusText() const {
    return m_status->text();
}

void CDownloadDlg::ShowState(const QString& caption, const QString& status) {
    setWindowTitle(caption);
    m_status->setText(status);
}

void CDownloadDlg::OnDownloadClicked() {
    if (m_connected) {
        accept();
    }
}

bool CDownloadDlg::Download() {
    const bool unsavedRealTimeSeries = m_doc.Record().SampleCount >= 1 && !m_doc.StoredData;
    if (unsavedRealTimeSeries && m_doc.DownloadSinceSave && m_doc.SetupSinceSave) {
        if (m_prompt.AskYesNo(SAVE_FIRST, PromptIcon::None)) {
            m_saveCommand();
        }
        m_doc.DownloadSinceSave = false;
        m_doc.SetupSinceSave = false;
    }
    if (m_link.RunDownload(m_doc, m_host) == DownloadResult::Failed) {
        return false;
    }
    m_doc.DownloadSinceSave = true;
    return true;
}

bool CDownloadDlg::RunPolling() const {
    return m_host.PollTimer().isActive();
}

void CDownloadDlg::PollRealTime() {
    const auto now = m_steadyNow();
    const bool firstReading = m_doc.Record().SampleCount == 0;
    std::int32_t missed = 0;
    if (!firstReading && m_grid) {
        missed = m_link.KeepMissedSlots(m_doc, m_host, *m_grid, now, REAL_TIME_CAPACITY);
        if (missed > 0) {
            emit RunHeldUp(missed);
        }
    }
    const PollResult result = m_link.PollRealTime(m_doc, m_host);
    if (result == PollResult::LoggerStopped) {
        emit LoggerStoppedAnswering(m_doc.Record().SampleCount);
    }
    if (result != PollResult::Polling) {
        return;
    }
    const std::chrono::milliseconds period = RunPollPeriod(m_doc.Record().SampleInterval);
    if (firstReading) {
        m_grid.emplace(now, period);
        m_timerRephased = false;
    } else {
        m_grid->Advance(period);
    }
    QTimer& timer = m_host.PollTimer();
    if (missed > 0) {
        // The timer went on from the moment the program woke: its next tick is brought back
        // onto the grid, and that tick sets the period again.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_grid->Due() - now);
        timer.start(static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        m_timerRephased = true;
    } else if (m_timerRephased) {
        timer.start(static_cast<int>(period.count()));
        m_timerRephased = false;
    }
}

void CDownloadDlg::EndRealTimeRun() {
    // Nothing more can be done while the program closes; the journal, if it stays, is
    // offered at the next start.
    (void)m_link.EndRealTimeRun(m_doc, m_host);
}
