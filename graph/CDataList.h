#pragma once

#include <QObject>
#include <QPointer>

#include "dialogs/display/CDataListDlg.h"
#include "graph/CDataListModel.h"

class CDTDoc;
class QWidget;

// The graph view's data list: the table model, which lives as long as the view, and the
// "Sound Data List" window, which exists only while the list is open and stands above the
// main window.
class CDataList : public QObject {
    Q_OBJECT
public:
    // `view` is the graph view, whose main window the list stands above.
    CDataList(CDTDoc& doc, QWidget& view);
    ~CDataList() override;

    CDataListModel& Model() { return m_model; }
    // The open window, else nullptr.
    CDataListDlg* Window() const { return m_window; }
    bool IsOpen() const { return m_window != nullptr; }

    // Creates the window, centred over the main window, and shows it. Nothing when it is open.
    void Open();
    // Ends the window with result 238 and lets it go. Nothing when it is closed.
    void Close();
    // A new record: the open list repaints and so takes the new count; `restore` also brings
    // a minimised list back.
    void Refresh(bool restore);

signals:
    // The open window moved over the graph.
    void Moved();
    // The window was closed, uncovering the graph.
    void Closed();

private:
    QWidget& m_view;
    CDataListModel m_model;
    QPointer<CDataListDlg> m_window;
};
