#include "dialogs/display/CLoadingDlg.h"

#include <algorithm>

#include <QProgressBar>

#include "dialogs/display/DialogUnits.h"

namespace {

constexpr int FONT_POINTS = 10;
constexpr int WIDTH_UNITS = 128;
constexpr int HEIGHT_UNITS = 12;

}  // namespace

CLoadingDlg::CLoadingDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_bar(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Loading..."));
    setFont(QFont(QStringLiteral("System"), FONT_POINTS));
    const CDialogUnits units(font());
    const QRect client = units.ToPixels(0, 0, WIDTH_UNITS, HEIGHT_UNITS);
    setFixedSize(client.size());
    m_bar->setGeometry(client);
    m_bar->setTextVisible(false);
    SetRange(0);
}

void CLoadingDlg::PlaceOver(const QRect& viewOnScreen) {
    move(LoadingWindowPosition(viewOnScreen, OuterSize()));
    show();
    m_bar->show();
    // Shown, the window may have its own frame now.
    move(LoadingWindowPosition(viewOnScreen, OuterSize()));
}

QSize CLoadingDlg::OuterSize() const {
    const QSize outer = frameGeometry().size();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (outer != size() || owner == nullptr) {
        return outer;
    }
    return size() + (owner->frameGeometry().size() - owner->size());
}

void CLoadingDlg::SetRange(int blocks) {
    m_bar->setRange(0, std::clamp(blocks, 0, MAX_BOUND));
    m_bar->setValue(0);
}

void CLoadingDlg::SetPosition(int block) {
    m_bar->setValue(std::clamp(block, m_bar->minimum(), m_bar->maximum()));
}

QPoint LoadingWindowPosition(const QRect& viewOnScreen, const QSize& outer) {
    return {viewOnScreen.left() + viewOnScreen.width() / 2 - outer.width() / 2,
            viewOnScreen.top() + 3 * outer.height()};
}
