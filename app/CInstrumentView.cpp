#include "app/CInstrumentView.h"

#include <QContextMenuEvent>
#include <QMenu>

#include "app/ProgramResources.h"

CInstrumentView::CInstrumentView(QMenu& popup, QWidget* parent)
    : QTreeWidget(parent), m_popup(popup) {
    setAccessibleName(QStringLiteral("Instrument"));
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIconSize(QSize(32, 32));
    setFrameShape(QFrame::StyledPanel);
    OnInitialUpdate();
}

void CInstrumentView::OnInitialUpdate() {
    clear();
    auto* root = new QTreeWidgetItem(this, QStringList(QStringLiteral("-INSTRUMENT")));
    root->setIcon(0, ProgramIcon());
}

void CInstrumentView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(event->pos());
    if (item == nullptr) {
        return;
    }
    setCurrentItem(item);
    m_popup.popup(event->globalPos());
}
