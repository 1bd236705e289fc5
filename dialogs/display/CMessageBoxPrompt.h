#pragma once

#include "platform/CPrompt.h"

class QWidget;

// Message boxes of the program: captioned "Datalogger", OK only or Yes and No only.
class CMessageBoxPrompt : public CPrompt {
public:
    explicit CMessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    void Message(const std::string& text, PromptIcon icon) override;
    bool AskYesNo(const std::string& text, PromptIcon icon) override;

private:
    QWidget* m_parent;
};
