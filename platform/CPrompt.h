#pragma once

#include <string>

// How the core shows a message box or asks a Yes/No question without knowing the
// user interface. The GUI shows a message box captioned "Datalogger"; the command-line
// tool prints; tests record.
enum class PromptIcon { None, Information, Question, Warning, Error };

class CPrompt {
public:
    virtual ~CPrompt() = default;
    virtual void Message(const std::string& text, PromptIcon icon) = 0;
    // Yes/No only; true means Yes.
    virtual bool AskYesNo(const std::string& text, PromptIcon icon) = 0;
};
