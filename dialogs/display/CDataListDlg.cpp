#include "dialogs/display/CDataListDlg.h"

#include <algorithm>

#include <QEvent>
#include <QHeaderView>
#include <QTableView>

#include "dialogs/display/DialogUnits.h"

namespace {

constexpr int FONT_POINTS = 10;
constexpr int WIDTH_UNITS = 386;
constexpr int HEIGHT_UNITS = 207;
constexpr int COLUMN_WIDTHS[] = {50, 150, 130, 130};
constexpr int ROW_PADDING = 4;

}  // namespace

CDataListDlg::CDataListDlg(QAbstractItemModel& rows, std::function<void()> beforePaint,
                           QWidget* parent)
    // A dialog window, so that the window manager keeps it above its owner.
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_beforePaint(std::move(beforePaint)),
      m_table(new QTableView(this)) {
    setWindowTitle(QStringLiteral("Sound Data List"));
    setFont(QFont(QStringLiteral("Arial"), FONT_POINTS));
    setSizeGripEnabled(false);
    resize(CDialogUnits(font()).ToPixels(0, 0, WIDTH_UNITS, HEIGHT_UNITS).size());

    m_table->setAccessibleName(windowTitle());
    m_table->setModel(&rows);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(true);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    // One fixed height for every row: the view then never measures rows to place them.
    QHeaderView* rowHeader = m_table->verticalHeader();
    rowHeader->hide();
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowHeader->setDefaultSectionSize(m_table->fontMetrics().height() + ROW_PADDING);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    for (int column = 0; column < static_cast<int>(std::size(COLUMN_WIDTHS)); ++column) {
        m_table->setColumnWidth(column, COLUMN_WIDTHS[column]);
    }
    // The numbers of a full logger memory have six digits; a font that makes them wider than
    // the column would leave only their first digits readable.
    const int widestNumber =
        m_table->fontMetrics().horizontalAdvance(QStringLiteral("1299200")) + ROW_PADDING;
    m_table->setColumnWidth(0, std::max(COLUMN_WIDTHS[0], widestNumber));
    m_table->setGeometry(rect());
}

void CDataListDlg::reject() {
    done(RESULT);
}

bool CDataListDlg::event(QEvent* event) {
    // Every paint of the window and its table starts with this request.
    if (event->type() == QEvent::UpdateRequest && m_beforePaint) {
        m_beforePaint();
    }
    return QDialog::event(event);
}

void CDataListDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_table->setGeometry(rect());
}

void CDataListDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    emit Moved();
}
