#include "app/CStatisticsWindowCommand.h"

#include "dialogs/display/CStatisticsDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"

CStatisticsDlg* CStatisticsWindowCommand::Window() const {
    return m_window;
}

void CStatisticsWindowCommand::Toggle() {
    if (m_window) {
        m_window->close();
        return;
    }
    m_window = new CStatisticsDlg(&m_owner);
    // The window is the connection's context: closed, it hears no more.
    QObject::connect(&m_view, &CDTView::ReadingsShownChanged, m_window, [this] { Refresh(); });
    Refresh();
    m_window->move(m_owner.mapToGlobal(QPoint(m_owner.width() - m_window->width() - 60, 120)));
    m_window->show();
    m_window->raise();
}

void CStatisticsWindowCommand::Refresh() {
    const CReadingSpan shown = m_view.ReadingsShown();
    m_window->ShowReadings(m_doc.Record(), shown.First - 1, shown.Count());
}
