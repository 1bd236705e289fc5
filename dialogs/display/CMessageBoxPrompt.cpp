#include "dialogs/display/CMessageBoxPrompt.h"

#include <QMessageBox>

#include "dialogs/display/LocalText.h"

namespace {

constexpr const char* CAPTION = "Datalogger";

QMessageBox::Icon ToQt(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void CMessageBoxPrompt::Message(const std::string& text, PromptIcon icon) {
    QMessageBox box(ToQt(icon), CAPTION, FromLocalText(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool CMessageBoxPrompt::AskYesNo(const std::string& text, PromptIcon icon) {
    QMessageBox box(ToQt(icon), CAPTION, FromLocalText(text), QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    return box.exec() == QMessageBox::Yes;
}
