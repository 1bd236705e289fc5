#include "logger/sim/CFaultPlan.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace {

// A transfer number: a whole number from 1.
int TransferNumber(std::string_view text, std::string_view entry) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1) {
        throw std::invalid_argument("fault plan: cannot read \"" + std::string(entry) + "\"");
    }
    return number;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CFaultPlan CFaultPlan::Parse(std::string_view text) {
    CFaultPlan plan;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view entry = Trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (entry.empty()) {
            continue;
        }
        if (entry == "noack") {
            plan.WithholdAcknowledge();
            continue;
        }
        const auto colon = entry.find(':');
        const std::string_view kind = entry.substr(0, colon);
        const std::string_view rest =
            colon == std::string_view::npos ? "" : entry.substr(colon + 1);
        const auto equals = rest.find('=');
        const std::string_view number = rest.substr(0, equals);
        const std::string_view effect =
            equals == std::string_view::npos ? "" : rest.substr(equals + 1);
        if (kind == "unplug" && equals == std::string_view::npos) {
            plan.UnplugBefore(TransferNumber(number, entry));
        } else if (kind == "unplug" && effect.ends_with('s')) {
            plan.UnplugBefore(TransferNumber(number, entry),
                              TransferNumber(effect.substr(0, effect.size() - 1), entry));
        } else if (kind == "write" && effect == "fail") {
            plan.FailWrite(TransferNumber(number, entry));
        } else if (kind == "write" && effect == "short") {
            plan.ShortenWrite(TransferNumber(number, entry));
        } else if (kind == "read" && effect == "fail") {
            plan.FailRead(TransferNumber(number, entry));
        } else {
            throw std::invalid_argument("fault plan: cannot read \"" + std::string(entry) + "\"");
        }
    }
    return plan;
}

FaultAction CFaultPlan::NextWrite() {
    ++m_writes;
    return Count(Unplugs(++m_transfers)              ? FaultAction::Unplug
                 : m_failedWrites.contains(m_writes) ? FaultAction::Fail
                 : m_shortWrites.contains(m_writes)  ? FaultAction::Short
                                                     : FaultAction::None);
}

FaultAction CFaultPlan::NextRead() {
    ++m_reads;
    return Count(Unplugs(++m_transfers)            ? FaultAction::Unplug
                 : m_failedReads.contains(m_reads) ? FaultAction::Fail
                                                   : FaultAction::None);
}

bool CFaultPlan::Unplugs(int transfer) {
    const auto unplug = m_unplugs.find(transfer);
    if (unplug == m_unplugs.end()) {
        return false;
    }
    m_secondsAway = unplug->second;
    return true;
}

FaultAction CFaultPlan::Count(FaultAction action) {
    if (action != FaultAction::None) {
        ++m_played;
    }
    return action;
}
