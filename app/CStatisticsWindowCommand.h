#pragma once

#include <QPointer>

class CDTDoc;
class CDTView;
class CStatisticsDlg;
class QWidget;

// Window > Statistics: the Statistics window over the main window, following the readings the
// graph view shows as they change.
class CStatisticsWindowCommand {
public:
    CStatisticsWindowCommand(const CDTDoc& doc, CDTView& view, QWidget& owner)
        : m_doc(doc), m_view(view), m_owner(owner) {}

    // Opens the window, or closes it when it is open.
    void Toggle();
    // The window while it is open, else nullptr.
    CStatisticsDlg* Window() const;

private:
    void Refresh();

    const CDTDoc& m_doc;
    CDTView& m_view;
    QWidget& m_owner;
    QPointer<CStatisticsDlg> m_window;
};
