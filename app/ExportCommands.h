#pragma once

#include <QPointer>

#include "export/ExportFiles.h"

class CDTDoc;
class CDTView;
class CFileChooser;
class CPrompt;
class CStatisticsDlg;
class QWidget;

// File > Export > CSV... and Excel Workbook...: the file dialog, then the export written whole
// or not at all; a failure says which file.
void RunExportCommand(const CDTDoc& doc, ExportFormat format, CFileChooser& chooser,
                      CPrompt& prompt);

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
