#include "app/ExportCommands.h"

#include "app/CFileChooser.h"
#include "app/CWaitCursor.h"
#include "dialogs/display/CStatisticsDlg.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "graph/CDTView.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"

void RunExportCommand(const CDTDoc& doc, ExportFormat format, CFileChooser& chooser,
                      CPrompt& prompt) {
    // The name the Save command would propose, with the format's own extension.
    const auto file = chooser.ChooseExportName(format, DefaultSaveName(CurrentTime()));
    if (!file) {
        return;
    }
    bool exported = false;
    {
        const CWaitCursor wait;
        exported = ExportToFile(doc.Record(), format, *file);
    }
    if (!exported) {
        prompt.Message(ExportFailedMessage(*file), PromptIcon::Warning);
    }
}

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
