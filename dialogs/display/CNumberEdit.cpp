#include "dialogs/display/CNumberEdit.h"

#include <algorithm>

#include <QKeyEvent>
#include <QValidator>

#include "platform/CProfile.h"

namespace {

// Refuses any text with a character other than a digit, "-" or ".". Typed keys, pastes and
// drops all pass through it, so a refused key is dropped and a refused paste changes nothing.
class CNumberCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& text, int&) const override {
        return CNumberEdit::AcceptsText(text) ? Acceptable : Invalid;
    }
};

}  // namespace

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new CNumberCharacters(this));
}

bool CNumberEdit::AcceptsText(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
               c == QLatin1Char('.');
    });
}

void CNumberEdit::SetRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

void CNumberEdit::Step(int steps) {
    const long long value = LeadingInteger(text().toStdString()) + static_cast<long long>(steps);
    setText(QString::number(std::clamp<long long>(value, m_minimum, m_maximum)));
}

void CNumberEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}
