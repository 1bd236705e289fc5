#pragma once

#include "platform/CPrompt.h"

class QWidget;

// Message boxes of the program: captioned "Datalogger", OK only or Yes and No only, and
// always wide enough for their caption.
class CMessageBoxPrompt : public CPrompt {
public:
    explicit CMessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    void Message(const std::string& text, PromptIcon icon) override;
    bool AskYesNo(const std::string& text, PromptIcon icon) override;

private:
    QWidget* m_parent;
};

// The width a message box needs so that its title bar shows the whole caption: the caption in
// a bold title font and room for the window's icon and buttons.
int CaptionRoom(const QWidget& box);
