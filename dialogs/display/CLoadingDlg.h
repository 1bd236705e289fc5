#pragma once

#include <QDialog>

class QProgressBar;

// The "Loading..." window: a captioned progress bar that the memory download creates, places
// over the graph view and advances block by block. It stays above the main window, so that a
// click there or a message box cannot hide it.
class CLoadingDlg : public QDialog {
    Q_OBJECT
public:
    // The bar's bounds travel as 16-bit quantities.
    static constexpr int MAX_BOUND = 65535;

    // `owner`: the main window it stays above; nullptr for a window of its own.
    explicit CLoadingDlg(QWidget* owner = nullptr);

    // Moves the window, by its outer size with the frame, over the graph view whose client
    // area lies at `viewOnScreen`, then shows it.
    void PlaceOver(const QRect& viewOnScreen);

    // The window's size with its frame. Until the window manager has framed it, the owner's
    // frame, which is the same kind, stands in.
    QSize OuterSize() const;

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
