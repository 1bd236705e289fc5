#pragma once

#include <QLineEdit>

// An edit for a number as the user types it: only digits, "-" and "." get in, whether typed,
// pasted or dropped; a paste or drop holding anything else is refused whole. What the text
// means, and whether it is in range, is the dialog's to decide as the text changes.
//
// Step() moves a whole number by one within the range the up-down buttons beside the edit
// keep (the arrow keys step as well).
class CNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumberEdit(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // The text's leading whole number plus `steps`, kept within the range.
    void Step(int steps);

    // Whether every character of the text may stand in a number edit.
    static bool AcceptsText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_minimum = 0;
    int m_maximum = 0;
};
