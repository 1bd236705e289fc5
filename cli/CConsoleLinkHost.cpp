#include "cli/CConsoleLinkHost.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "platform/LocalTime.h"

CConsoleLinkHost::CConsoleLinkHost(std::ostream& out, std::ostream& err, bool drawBar,
                                   CAlarmSettings alarms)
    : m_err(err), m_prompt(out, err), m_drawBar(drawBar), m_alarms(std::move(alarms)) {}

std::time_t CConsoleLinkHost::Now() const {
    return m_clock ? static_cast<std::time_t>((m_clock->NowMs() + m_clock->WallAheadMs()) / 1000)
                   : CurrentTime();
}

void CConsoleLinkHost::BeginProgress(std::uint32_t maximum) {
    m_maximum = maximum;
    Draw(0);
}

void CConsoleLinkHost::StepProgress(std::uint32_t current) {
    Draw(current);
}

void CConsoleLinkHost::EndProgress() {
    BreakLine();
}

void CConsoleLinkHost::Draw(std::uint32_t current) {
    if (!m_drawBar || m_maximum == 0) {
        return;
    }
    const auto filled =
        static_cast<int>(std::uint64_t{std::min(current, m_maximum)} * BAR_WIDTH / m_maximum);
    m_err << "\rLoading... [" << std::string(filled, '#') << std::string(BAR_WIDTH - filled, '.')
          << "] " << current << '/' << m_maximum << std::flush;
    m_lineOpen = true;
}

void CConsoleLinkHost::BreakLine() {
    if (m_lineOpen) {
        m_err << '\n';
        m_lineOpen = false;
    }
}

void CConsoleLinkHost::Message(const std::string& text, PromptIcon icon) {
    BreakLine();
    m_prompt.Message(text, icon);
}

bool CConsoleLinkHost::AskYesNo(const std::string& text, PromptIcon icon) {
    BreakLine();
    return m_prompt.AskYesNo(text, icon);
}
