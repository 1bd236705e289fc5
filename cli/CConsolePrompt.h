#pragma once

#include <iosfwd>

#include "platform/CPrompt.h"

// Messages of the headless tool: information goes to standard output, everything else to
// standard error. The tool never waits for an answer: a question is printed and taken as No.
class CConsolePrompt : public CPrompt {
public:
    CConsolePrompt(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    void Message(const std::string& text, PromptIcon icon) override;
    bool AskYesNo(const std::string& text, PromptIcon icon) override;

private:
    std::ostream& m_out;
    std::ostream& m_err;
};
