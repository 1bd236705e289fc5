#include "dialogs/display/CMessageBoxPrompt.h"

#include <QMessageBox>

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

// Texts in files and from the logger are single-byte; the user sees them as Windows-1252
// would show them, which for the program's own texts is plain ASCII.
QString FromLocal(const std::string& text) { return QString::fromLatin1(text); }

}  // namespace

void CMessageBoxPrompt::Message(const std::string& text, PromptIcon icon) {
    QMessageBox box(ToQt(icon), CAPTION, FromLocal(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool CMessageBoxPrompt::AskYesNo(const std::string& text, PromptIcon icon) {
    QMessageBox box(ToQt(icon), CAPTION, FromLocal(text), QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    return box.exec() == QMessageBox::Yes;
}
