#pragma once

#include <memory>

#include <QTimer>

#include "dialogs/display/CLoadingDlg.h"
#include "logger/CLinkHost.h"

struct CFrameSettings;
class QWidget;

// What the download dialog's link shows in the main window: the "Loading..." window over the
// graph view while the memory is read, and the poll timer of a real-time run. The transfers
// run on the user-interface thread, so the windows get their repaints between two blocks.
class CDownloadHost : public CLinkHost {
public:
    // `graphView` is where the progress window stands; `settings` holds the alarm levels of
    // the next setup. Both outlive the host.
    CDownloadHost(QWidget& graphView, const CFrameSettings& settings);

    void BeginProgress(std::uint32_t maximum) override;
    void StepProgress(std::uint32_t current) override;
    void EndProgress() override;
    CAlarmSettings AlarmSettings() const override;
    void StartPollTimer(std::uint32_t periodMs) override;
    void StopPollTimer() override;
    std::time_t Now() const override;

    // The real-time run's poll timer; its ticks drive the run.
    QTimer& PollTimer() { return m_pollTimer; }
    const QTimer& PollTimer() const { return m_pollTimer; }
    // The progress window while a download reads blocks, else nullptr.
    const CLoadingDlg* LoadingWindow() const { return m_loading.get(); }

private:
    QWidget& m_graphView;
    const CFrameSettings& m_settings;
    std::unique_ptr<CLoadingDlg> m_loading;
    QTimer m_pollTimer;
};
