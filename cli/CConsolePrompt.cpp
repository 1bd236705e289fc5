#include "cli/CConsolePrompt.h"

#include <ostream>

void CConsolePrompt::Message(const std::string& text, PromptIcon icon) {
    (icon == PromptIcon::Information ? m_out : m_err) << text << '\n';
}

bool CConsolePrompt::AskYesNo(const std::string& text, PromptIcon) {
    m_err << text << " (answered No)\n";
    return false;
}
