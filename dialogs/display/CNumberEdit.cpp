#include "dialogs/display/CNumberEdit.h"

#include <algorithm>

#include <QKeyEvent>
#include <QToolButton>
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

// The up-down buttons are as wide as a scroll bar arrow, but never wider than half the edit.
constexpr int UP_DOWN_WIDTH = 16;

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
    const long long value = Value() + static_cast<long long>(steps);
    setText(QString::number(std::clamp<long long>(value, m_minimum, m_maximum)));
}

int CNumberEdit::Value() const {
    return LeadingInteger(text().toStdString());
}

bool CNumberEdit::Unfinished() const {
    return text().isEmpty() || text() == QLatin1String("-");
}

void CNumberEdit::ShowWithin(int minimum, int maximum) {
    if (Unfinished()) {
        return;
    }
    const QString limited = QString::number(std::clamp(Value(), minimum, maximum));
    if (limited != text()) {
        setText(limited);
    }
}

void CNumberEdit::ShowUpDown() {
    if (m_up) {
        return;
    }
    for (const auto& [button, arrow, steps] :
         {std::tuple{&m_up, Qt::UpArrow, 1}, std::tuple{&m_down, Qt::DownArrow, -1}}) {
        *button = new QToolButton(this);
        (*button)->setArrowType(arrow);
        (*button)->setAutoRepeat(true);
        (*button)->setFocusPolicy(Qt::NoFocus);
        (*button)->setCursor(Qt::ArrowCursor);
        connect(*button, &QToolButton::clicked, this, [this, steps = steps] { Step(steps); });
    }
    PlaceUpDown();
}

void CNumberEdit::PlaceUpDown() {
    if (!m_up) {
        return;
    }
    const int width = std::min(UP_DOWN_WIDTH, this->width() / 2);
    const int upHeight = height() / 2;
    m_up->setGeometry(this->width() - width, 0, width, upHeight);
    m_down->setGeometry(this->width() - width, upHeight, width, height() - upHeight);
    setTextMargins(0, 0, width, 0);
}

void CNumberEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CNumberEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceUpDown();
}
