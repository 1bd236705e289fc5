#include "dialogs/display/DialogUnits.h"

#include <QFontMetrics>

namespace {

// The average width is taken over the 52 letters, rounded, as the host's dialog manager does.
constexpr const char* ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int LETTERS = 52;

// units × base / divisor, rounded to the nearest pixel.
int Scale(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_baseWidth =
        (metrics.horizontalAdvance(QString::fromLatin1(ALPHABET)) + LETTERS / 2) / LETTERS;
    m_baseHeight = metrics.height();
}

int CDialogUnits::X(int units) const {
    return Scale(units, m_baseWidth, 4);
}

int CDialogUnits::Y(int units) const {
    return Scale(units, m_baseHeight, 8);
}

QRect CDialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}
