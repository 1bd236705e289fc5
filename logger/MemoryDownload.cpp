// The download of CLoggerLink: the logger's memory read block by block into a new record,
// or the start of a real-time run.

#include <algorithm>
#include <optional>

#include "document/CDTDoc.h"
#include "logger/CLinkHost.h"
#include "logger/CLoggerLink.h"
#include "logger/MemoryDecoding.h"
#include "logger/RealTimeRecord.h"
#include "platform/ProgramDirectory.h"

namespace {

// The progress window of one download: up from the first block to read until the download
// ends, so that a failure message is still shown over it.
class CProgressWindow {
public:
    CProgressWindow(CLinkHost& host, std::uint32_t blocks) : m_host(host) {
        m_host.BeginProgress(blocks);
    }
    ~CProgressWindow() { Close(); }
    CProgressWindow(const CProgressWindow&) = delete;
    CProgressWindow& operator=(const CProgressWindow&) = delete;

    void Step(std::uint32_t block) { m_host.StepProgress(block); }
    void Close() {
        if (m_open) {
            m_open = false;
            m_host.EndProgress();
        }
    }

private:
    CLinkHost& m_host;
    bool m_open = true;
};

// The logger's memory holds at most 129920 readings; a larger size is a damaged reply, and
// whatever would be read after it is not a recording.
std::string MemoryTooLargeText(std::uint32_t readings) {
    return "The datalogger reports " + std::to_string(readings) +
           " readings, more than its memory can hold (" + std::to_string(STORED_CAPACITY) +
           "). Nothing was downloaded.";
}

// Two runs in one data folder would write one journal.
std::string RunElsewhereText() {
    return "Another real-time run keeps its readings in \"" + ProgramDirectory().string() +
           "\" (datalogger or datalogger-cli monitor). Only one run at a time can: end that "
           "one first.";
}

}  // namespace

DownloadResult CLoggerLink::RunDownload(CDTDoc& doc, CLinkHost& host, DownloadScope scope) {
    DownloadResult result = DownloadResult::Failed;
    RunConnected([&] {
        result = DownloadExchange(doc, host, scope);
        return result != DownloadResult::Failed;
    });
    return result;
}

DownloadResult CLoggerLink::DownloadExchange(CDTDoc& doc, CLinkHost& host, DownloadScope scope) {
    std::uint8_t statusByte = 0;
    if (!ReadStatus(statusByte)) {
        return FailDownload(MSG_READ_FAILED);
    }
    if (statusByte != STATUS_STORED) {
        return StartRealTime(doc, host, statusByte);
    }
    if (scope == DownloadScope::RealTimeOnly) {
        CloseLogger();
        return DownloadResult::NotRealTime;
    }
    return ReadStoredRecording(doc, host);
}

DownloadResult CLoggerLink::ReadStoredRecording(CDTDoc& doc, CLinkHost& host) {
    std::uint32_t memorySize = 0;
    if (!ReadMemorySize(memorySize)) {
        return FailDownload(MSG_READ_FAILED);
    }
    const std::uint32_t readings = memorySize / 2;
    if (readings > static_cast<std::uint32_t>(STORED_CAPACITY)) {
        return FailDownload(MemoryTooLargeText(readings), PromptIcon::Warning);
    }
    // A memory without one whole reading is as empty as one without bytes.
    const std::uint32_t blocks = readings > 0 ? MemoryBlockCount(memorySize) : 0;
    std::optional<CProgressWindow> progress;
    if (blocks > 0) {
        progress.emplace(host, blocks);
    }
    CMemoryImage image;
    if (!ReadMemoryHeader(image.Header)) {
        return FailDownload(MSG_READ_FAILED);
    }
    if (blocks == 0) {
        return FailDownload(MSG_MEMORY_EMPTY, PromptIcon::Information);
    }

    progress->Step(1);
    image.Memory.resize(memorySize);
    for (std::uint32_t block = 1; block <= blocks; ++block) {
        const std::size_t offset = std::size_t{block - 1} * MEMORY_BLOCK_SIZE;
        const std::size_t length = std::min(MEMORY_BLOCK_SIZE, image.Memory.size() - offset);
        if (!ReadMemoryBlock(block, std::span(image.Memory).subspan(offset, length))) {
            return FailDownload(MSG_READ_FAILED);
        }
        progress->Step(block);
    }
    CMeasurementRecord record = DecodeStoredRecording(image, doc.Record().SampleInterval);
    progress->Close();

    doc.StoredData = true;
    doc.ReplaceRecord(std::move(record), DocumentChange::Downloaded);
    return doc.SaveLastMeasurement() ? DownloadResult::Stored : DownloadResult::StoredNotKept;
}

DownloadResult CLoggerLink::StartRealTime(CDTDoc& doc, CLinkHost& host, std::uint8_t statusByte) {
    m_runLock.reset();
    m_runLock = LockRunJournal();
    if (!m_runLock && RunJournalPath()) {
        return FailDownload(RunElsewhereText(), PromptIcon::Warning);
    }
    auto record = PrepareRealTimeRecord(statusByte, host.AlarmSettings(), doc.Record());
    if (!record) {
        return FailDownload(MSG_MEMORY_EMPTY, PromptIcon::Information);
    }
    doc.StoredData = false;
    doc.RealTimeActive = true;
    doc.ReplaceRecord(std::move(*record), DocumentChange::RealTimeStarted);
    host.StartPollTimer(FIRST_POLL_MS);
    return DownloadResult::RealTimeStarted;
}

bool CLoggerLink::ReadStatus(std::uint8_t& statusByte) {
    std::uint32_t written = 0;
    if (!WriteCommand(CMD_STATUS, 0, 0, written) || !ReadReply(STATUS_REPLY_SIZE)) {
        return false;
    }
    statusByte = m_receive[0];
    return true;
}

bool CLoggerLink::ReadMemorySize(std::uint32_t& memorySize) {
    std::uint32_t written = 0;
    if (!WriteCommand(CMD_READ_MEMORY, 0, 0, written) || !ReadReply(MEMORY_SIZE_BYTES)) {
        return false;
    }
    memorySize = m_receive[0] | (m_receive[1] << 8) | (m_receive[2] << 16);
    return true;
}

bool CLoggerLink::ReadMemoryHeader(MemoryHeader& header) {
    if (!ReadReply(MEMORY_HEADER_SIZE)) {
        return false;
    }
    header = MemoryHeader::Decode(std::span(m_receive).first<MEMORY_HEADER_SIZE>());
    return true;
}

bool CLoggerLink::ReadMemoryBlock(std::uint32_t number, std::span<std::uint8_t> bytes) {
    std::uint32_t count = 0;
    // Three bytes of no meaning come before the block's data.
    if (!WriteCommand(CMD_READ_MEMORY, static_cast<std::uint8_t>(number),
                      static_cast<std::uint8_t>(number >> 8), count) ||
        !ReadReply(BLOCK_PREFIX_SIZE)) {
        return false;
    }
    std::fill(bytes.begin(), bytes.end(), 0);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    return ReadTimed(bytes.data(), length, count) && count == length;
}

bool CLoggerLink::ReadReply(std::size_t length) {
    std::fill_n(m_receive.begin(), length, 0);
    std::uint32_t returned = 0;
    const auto wanted = static_cast<std::uint32_t>(length);
    // A reply cut short would be decoded as zeros: it counts as a failed read.
    return ReadTimed(m_receive.data(), wanted, returned) && returned == wanted;
}

DownloadResult CLoggerLink::FailDownload(const std::string& message, PromptIcon icon) {
    Fail(message, icon);
    return DownloadResult::Failed;
}
