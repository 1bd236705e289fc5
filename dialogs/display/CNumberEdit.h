#pragma once

#include <QLineEdit>

class QToolButton;

// An edit for a number as the user types it: only digits, "-" and "." get in, whether typed,
// pasted or dropped; a paste or drop holding anything else is refused whole. What the text
// means, and whether it is in range, is the dialog's to decide as the text changes.
//
// Step() moves a whole number by one within the range that the up-down buttons keep (the
// arrow keys step as well). The buttons, when shown, sit inside the edit at its right edge.
class CNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumberEdit(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // The text's leading whole number plus `steps`, kept within the range.
    void Step(int steps);
    // Shows the up and down buttons at the edit's right edge.
    void ShowUpDown();
    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

    // The text's leading whole number; 0 when it has none.
    int Value() const;
    // Whether the user has only begun a number: the text is empty or a lone "-".
    bool Unfinished() const;
    // Unless the number is unfinished, rewrites the text as its leading whole number kept
    // within [minimum, maximum]. Called as the text changes, it comes back once with the
    // rewritten text.
    void ShowWithin(int minimum, int maximum);

    // Whether every character of the text may stand in a number edit.
    static bool AcceptsText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceUpDown();

    int m_minimum = 0;
    int m_maximum = 0;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};
