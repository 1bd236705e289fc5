#pragma once

#include <QRect>

class QFont;

// Converts the dialog-unit positions of the program's window templates into pixels with the
// dialog font's average character size: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};
