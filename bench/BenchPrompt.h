#pragma once

#include <string>

#include "platform/CPrompt.h"

// The user's answers in a benchmark: any message means the work did not run as it should; the
// benchmark reports it.
class CFailingPrompt : public CPrompt {
public:
    void Message(const std::string& text, PromptIcon) override { Shown = text; }
    bool AskYesNo(const std::string& text, PromptIcon) override {
        Shown = text;
        return false;
    }
    std::string Shown;
};
