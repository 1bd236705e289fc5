#pragma once

#include <QTimer>

#include "dialogs/display/CTemplateDialog.h"
#include "logger/CLoggerLink.h"

class CBridge;
class CNumberEdit;
class CPrompt;
struct CFrameSettings;

// "Cal Adjust": an adjustment of the logger's calibration at 1000 Hz, -10 to 10. It waits for
// a logger, polling once a second; OK with a logger attached keeps the value as the
// calibration setting, closes, and sends it, and the logger's new total is shown. The main
// window makes one for each use.
class CCalAdjustDlg : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int POLL_MS = 1000;

    // `settings.Calibration` is shown at opening and takes the value OK sends. Everything
    // given outlives the dialog.
    CCalAdjustDlg(CFrameSettings& settings, CBridge& bridge, CPrompt& prompt,
                  QWidget* parent = nullptr);

    // Shows the dialog until the user leaves it; true when OK sent the value, whatever the
    // logger made of it.
    bool DoModal();
    // The opening without the event loop: the value from the settings, the poll started.
    void Open();

    // One presence poll, as the timer makes it every second.
    void Poll();

    bool Connected() const { return m_connected; }
    CNumberEdit& ValueEdit() { return *m_value; }
    const QTimer& PresenceTimer() const { return m_presenceTimer; }

private:
    // Nothing until a poll has found a logger.
    void OnOk() override;

    CFrameSettings& m_settings;
    CLoggerLink m_link;
    QTimer m_presenceTimer;
    bool m_connected = false;
    CNumberEdit* m_value;
};
