#include "dialogs/logger/CDownloadHost.h"

#include <algorithm>

#include <QCoreApplication>
#include <QWidget>

#include "platform/CSettings.h"
#include "platform/LocalTime.h"

namespace {

// The windows repaint, and nothing the user does is taken: a click now could start another
// command in the middle of the transfers.
void LetWindowsRepaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

CDownloadHost::CDownloadHost(QWidget& graphView, const CFrameSettings& settings)
    : m_graphView(graphView), m_settings(settings) {
    // A coarse timer may tick up to a twentieth of the period early or late: the polls keep
    // to the run's time grid only with a precise one.
    m_pollTimer.setTimerType(Qt::PreciseTimer);
}

void CDownloadHost::BeginProgress(std::uint32_t maximum) {
    m_loading = std::make_unique<CLoadingDlg>(m_graphView.window());
    m_loading->PlaceOver(QRect(m_graphView.mapToGlobal(QPoint(0, 0)), m_graphView.size()));
    m_loading->SetRange(static_cast<int>(std::min<std::uint32_t>(maximum, CLoadingDlg::MAX_BOUND)));
    LetWindowsRepaint();
}

void CDownloadHost::StepProgress(std::uint32_t current) {
    m_loading->SetPosition(
        static_cast<int>(std::min<std::uint32_t>(current, CLoadingDlg::MAX_BOUND)));
    LetWindowsRepaint();
}

void CDownloadHost::EndProgress() {
    m_loading.reset();
}

CAlarmSettings CDownloadHost::AlarmSettings() const {
    return {m_settings.AlarmHigh, m_settings.AlarmLow};
}

void CDownloadHost::StartPollTimer(std::uint32_t periodMs) {
    m_pollTimer.start(static_cast<int>(periodMs));
}

void CDownloadHost::StopPollTimer() {
    m_pollTimer.stop();
}

std::time_t CDownloadHost::Now() const {
    return CurrentTime();
}
