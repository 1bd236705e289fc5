#pragma once

#include <string>
#include <vector>

#include "platform/CPrompt.h"

// A prompt that remembers what the program showed and answers questions from a script
// (No when the script has run out).
class CRecordingPrompt : public CPrompt {
public:
    struct Shown {
        std::string Text;
        PromptIcon Icon;
        bool Question;
    };

    void Message(const std::string& text, PromptIcon icon) override {
        Log.push_back({text, icon, false});
    }
    bool AskYesNo(const std::string& text, PromptIcon icon) override {
        Log.push_back({text, icon, true});
        if (Answers.empty()) {
            return false;
        }
        const bool answer = Answers.front();
        Answers.erase(Answers.begin());
        return answer;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Shown& shown : Log) {
            texts.push_back(shown.Text);
        }
        return texts;
    }

    std::vector<Shown> Log;
    std::vector<bool> Answers;
};
