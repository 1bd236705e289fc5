#pragma once

#include <functional>
#include <optional>

#include <QDialog>
#include <QTimer>

#include "dialogs/logger/CDownloadHost.h"
#include "logger/CLoggerLink.h"
#include "logger/PollGrid.h"

class CBridge;
class CDTDoc;
class CPrompt;
class QLabel;
class QPushButton;

// The download dialog: waits for the logger, polling once a second, and on Download offers
// to save an unsaved real-time series, then downloads the logger's memory. The main window
// keeps one for its whole life; its link carries a real-time run that the download starts,
// so the run goes on after the dialog has closed.
class CDownloadDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int POLL_MS = 1000;

    // `saveCommand` runs the Save command to its end; the save question's Yes calls it.
    // `graphView` is where the progress window stands; `settings` holds the alarm levels of a
    // real-time run. Everything given outlives the dialog.
    CDownloadDlg(CDTDoc& doc, CBridge& bridge, CPrompt& prompt, const CFrameSettings& settings,
                 QWidget& graphView, std::function<void()> saveCommand, QWidget* parent = nullptr);

    // Shows the dialog until the user leaves it; after Download, runs the download. True when
    // the logger's memory or a real-time run replaced the record.
    bool DoModal();

    // One presence poll, as the timer makes it every second.
    void Poll();

    bool Connected() const { return m_connected; }
    QString StatusText() const;
    QPushButton& DownloadButton() { return *m_downloadButton; }
    QPushButton& CancelButton() { return *m_cancelButton; }
    const QTimer& PresenceTimer() const { return m_presenceTimer; }
    CDownloadHost& Host() { return m_host; }
    CLoggerLink& Link() { return m_link; }

    // Whether a real-time run still polls (Stop Running leaves it one more poll).
    bool RunPolling() const;
    // One poll of the real-time run, as its timer makes it. The polls keep to the run's time
    // grid: slots whose polls fell due while the program was held up (stopped, its event loop
    // blocked) are kept as readings without a level, and the next poll falls on the grid again.
    void PollRealTime();
    // The steady clock the run's time grid is read from; tests hold the program up without
    // waiting.
    void SetSteadyClock(std::function<CPollGrid::Clock::time_point()> now) {
        m_steadyNow = std::move(now);
    }
    // Ends a polling run at once, keeping its readings (the program is closing).
    void EndRealTimeRun();

signals:
    // The logger stopped answering during a real-time run; the readings taken were kept.
    void LoggerStoppedAnswering(int readings);
    // The run was held up: `missed` readings whose polls fell due meanwhile have no level.
    void RunHeldUp(int missed);

private:
    void ShowState(const QString& caption, const QString& status);
    void OnDownloadClicked();
    // The save question, then the download; sets DownloadSinceSave when it succeeded.
    bool Download();

    CDTDoc& m_doc;
    CPrompt& m_prompt;
    std::function<void()> m_saveCommand;
    CDownloadHost m_host;
    CLoggerLink m_link;
    QTimer m_presenceTimer;
    std::function<CPollGrid::Clock::time_point()> m_steadyNow = CPollGrid::Clock::now;
    // The run's poll times from its first reading on.
    std::optional<CPollGrid> m_grid;
    // The poll timer was set to bring the next poll back onto the grid, not to the period.
    bool m_timerRephased = false;
    // Whether the latest poll found a logger; kept from one opening to the next.
    bool m_connected = false;

    QLabel* m_status = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
