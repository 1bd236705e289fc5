#include "graph/CDataList.h"

#include <QTableView>

CDataList::CDataList(CDTDoc& doc, QWidget& view) : m_view(view), m_model(doc) {}

CDataList::~CDataList() {
    Close();
}

void CDataList::Open() {
    if (m_window) {
        return;
    }
    m_window = new CDataListDlg(
        m_model, [this] { m_model.TakeStaleCount(); }, m_view.window());
    connect(m_window, &CDataListDlg::Moved, this, &CDataList::Moved);
    connect(m_window, &QDialog::finished, this, [this] {
        m_window->deleteLater();
        m_window = nullptr;
        emit Closed();
    });
    m_window->show();
}

void CDataList::Close() {
    if (m_window) {
        m_window->done(CDataListDlg::RESULT);
    }
}

void CDataList::Refresh(bool restore) {
    if (!m_window) {
        return;
    }
    if (restore && m_window->isMinimized()) {
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    }
    m_window->Table().viewport()->update();
}
