#pragma once

#include <QDialog>

class QProgressBar;

// The "Loading..." window: a captioned progress bar that the memory download creates with no
// parent, places over the graph view and advances block by block.
class CLoadingDlg : public QDialog {
    Q_OBJECT
public:
    // The bar's bounds travel as 16-bit quantities.
    static constexpr int MAX_BOUND = 65535;

    CLoadingDlg();

    // Moves the window, at its own size, over the graph view whose client area lies at
    // `viewOnScreen`, then shows it.
    void PlaceOver(const QRect& viewOnScreen);

    // Range 0..blocks, position 0.
    void SetRange(int blocks);
    void SetPosition(int block);

    const QProgressBar& ProgressBar() const { return *m_bar; }

private:
    QProgressBar* m_bar;
};

// Where the window of outer size `outer` goes: centred across the view and three of its own
// heights below the view's top (halves truncate).
QPoint LoadingWindowPosition(const QRect& viewOnScreen, const QSize& outer);
