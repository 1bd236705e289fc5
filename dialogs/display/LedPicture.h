#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>

class QLabel;
class QWidget;

// The grey the info panel and the lamp pictures share.
inline const QColor PANEL_GREY(225, 225, 225);

// The alarm lamp pictures of the panels: a small round lamp on `background`, unlit grey or lit
// red. Both are 26 × 30 pixels.
QPixmap LedPicture(bool lit, const QColor& background = PANEL_GREY);

// One lamp of a panel: the unlit and the lit picture, exactly one of them shown.
class CLampPair {
public:
    CLampPair(QWidget& parent, QPoint unlitAt, QPoint litAt, const QColor& background);

    void SetLit(bool lit);
    bool IsLit() const { return m_isLit; }

private:
    QLabel* m_unlit;
    QLabel* m_lit;
    bool m_isLit = false;
};
