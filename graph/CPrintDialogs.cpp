#include "graph/CPrintDialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

bool CQtPrintDialogs::ConfirmPrint(QPrinter& printer, int pageCount) {
    QPrintDialog dialog(&printer, m_parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

void CQtPrintDialogs::Preview(QPrinter& printer, const std::function<void(QPrinter&)>& render) {
    QPrintPreviewDialog dialog(&printer, m_parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&render](QPrinter* target) { render(*target); });
    dialog.exec();
}

void CQtPrintDialogs::PageSetup(QPrinter& printer) {
    QPageSetupDialog dialog(&printer, m_parent);
    dialog.exec();
}
