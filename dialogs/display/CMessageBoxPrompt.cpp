#include "dialogs/display/CMessageBoxPrompt.h"

#include <QGridLayout>
#include <QMessageBox>

#include "dialogs/display/LocalText.h"

namespace {

constexpr const char* CAPTION = "Datalogger";
// The window's icon and its buttons beside the caption in a title bar, with some margin.
constexpr int TITLE_BAR_BUTTONS_ROOM = 140;

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

int Show(PromptIcon icon, const std::string& text, QMessageBox::StandardButtons buttons,
         QWidget* parent) {
    QMessageBox box(ToQt(icon), CAPTION, FromLocalText(text), buttons, parent);
    // A box only as wide as a short text ("Invalid Format!") would cut its caption short.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(CaptionRoom(box), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box.exec();
}

}  // namespace

int CaptionRoom(const QWidget& box) {
    QFont titleFont = box.font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TITLE_BAR_BUTTONS_ROOM;
}

void CMessageBoxPrompt::Message(const std::string& text, PromptIcon icon) {
    Show(icon, text, QMessageBox::Ok, m_parent);
}

bool CMessageBoxPrompt::AskYesNo(const std::string& text, PromptIcon icon) {
    return Show(icon, text, QMessageBox::Yes | QMessageBox::No, m_parent) == QMessageBox::Yes;
}
