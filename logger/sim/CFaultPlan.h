#pragma once

#include <map>
#include <set>
#include <string_view>

// What the simulated logger does to one transfer.
enum class FaultAction {
    None,
    Fail,    // the transfer fails
    Short,   // a write reports fewer bytes written than it was given
    Unplug,  // the device vanishes before the transfer, for good or for a while
};

// Faults the simulated logger plays at chosen transfers, so that every failure path of the
// program can be reached on purpose. Writes, reads and transfers (both together) are each
// counted from 1 over the life of the plan.
class CFaultPlan {
public:
    // A comma-separated plan: "write:N=fail", "read:N=fail", "write:N=short", "unplug:N",
    // "unplug:N=Ss" (plugged in again S seconds of the logger's clock later), "noack".
    // Throws std::invalid_argument naming the first entry it cannot read.
    static CFaultPlan Parse(std::string_view text);

    void FailWrite(int number) { m_failedWrites.insert(number); }
    void FailRead(int number) { m_failedReads.insert(number); }
    void ShortenWrite(int number) { m_shortWrites.insert(number); }
    void UnplugBefore(int transfer) { m_unplugs[transfer] = 0; }
    void UnplugBefore(int transfer, int secondsAway) { m_unplugs[transfer] = secondsAway; }
    void WithholdAcknowledge() { m_withholdAcknowledge = true; }

    // Counts the transfer and tells what happens to it.
    FaultAction NextWrite();
    FaultAction NextRead();
    // After an Unplug: the seconds until the logger is back, 0 when it stays away.
    int SecondsAway() const { return m_secondsAway; }
    bool WithholdsAcknowledge() const { return m_withholdAcknowledge; }
    // Faults handed out so far: a test proves with it that its fault was reached.
    int Played() const { return m_played; }
    // Transfers counted so far: the next one is Transfers() + 1.
    int Transfers() const { return m_transfers; }

private:
    FaultAction Count(FaultAction action);
    bool Unplugs(int transfer);

    std::set<int> m_failedWrites;
    std::set<int> m_failedReads;
    std::set<int> m_shortWrites;
    std::map<int, int> m_unplugs;  // transfer: seconds away, 0 for good
    int m_secondsAway = 0;
    bool m_withholdAcknowledge = false;
    int m_writes = 0;
    int m_reads = 0;
    int m_transfers = 0;
    int m_played = 0;
};
