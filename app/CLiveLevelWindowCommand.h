#pragma once

#include <QPointer>

class CDTDoc;
class CLiveLevelDlg;
class QWidget;

// Window > Live Level: the live readout of a real-time run over the main window, fed by each
// reading as the document takes it in. Whether it was open is kept in the settings file (a
// section "Live Level"): a window left open comes back with the next run.
class CLiveLevelWindowCommand {
public:
    CLiveLevelWindowCommand(CDTDoc& doc, QWidget& owner);

    // Opens the window, or closes it when it is open.
    void Toggle();
    // The window while it is open, else nullptr.
    CLiveLevelDlg* Window() const;

private:
    void Open();
    void Remember(bool open) const;
    bool Remembered() const;

    const CDTDoc& m_doc;
    QWidget& m_owner;
    QPointer<CLiveLevelDlg> m_window;
};
