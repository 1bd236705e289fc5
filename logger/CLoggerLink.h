#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "logger/CBridge.h"
#include "logger/CRunJournal.h"
#include "logger/MemoryImage.h"
#include "logger/PollGrid.h"
#include "logger/SetupBlock.h"
#include "platform/CPrompt.h"

class CDTDoc;
class CLinkHost;
class CPrompt;

// Messages of the logger operations.
inline constexpr const char* MSG_WRITE_FAILED = "Failed writing data to the datalogger.";
inline constexpr const char* MSG_READ_FAILED = "Failed reading data from the datalogger.";
inline constexpr const char* MSG_MEMORY_EMPTY = "Datalogger internal memory is currently empty.";
// Added to the not-connected texts when a logger is attached that this user may not open.
inline constexpr const char* MSG_NOT_PERMITTED =
    "A logger was found, but this user may not open it. Install the udev rule that comes with "
    "the program (70-datalogger.rules), then unplug the logger and plug it in again.";

// How a download ended.
enum class DownloadResult {
    Failed,           // nothing changed; the link has said why, or no logger answered
    Stored,           // the record holds the logger's memory, kept as the last measurement too
    StoredNotKept,    // the record holds the logger's memory; the last measurement file failed
    RealTimeStarted,  // an empty real-time record waits for its first poll
    NotRealTime,      // only a real-time run was asked for; the logger holds a recording
};

// Which of the logger's two modes a download may take.
enum class DownloadScope {
    Any,           // the stored recording, or a real-time run
    RealTimeOnly,  // a real-time run; a logger in stored mode is left unread
};

// How one poll of a real-time run ended.
enum class PollResult {
    Polling,        // a reading was taken and the run goes on
    Ended,          // a reading was taken and ended the run: it was stopped, or the record is full
    LoggerStopped,  // the logger did not answer: the run ended with the readings taken before
};

// The only object that talks to the logger. Each operation finds the logger, opens the
// bridge device, runs one exchange and closes the device again, so the handle is
// INVALID_BRIDGE_HANDLE whenever no operation runs. Messages go through the prompt.
//
// Every transfer blocks its caller for up to 1000 ms per write and 3000 ms per read; the
// bridge timeouts are bridge-wide, so two links must never transfer at the same time.
class CLoggerLink {
public:
    // A failed single-byte read while waiting for the setup acknowledgement is not an
    // acknowledgement; after this many the setup fails (9 s at the most).
    static constexpr int ACKNOWLEDGE_FAILED_READS = 3;
    // Bytes other than the acknowledgement are skipped, but a logger that sends nothing
    // else would hold the program forever; after this many the setup fails.
    static constexpr int ACKNOWLEDGE_SKIPPED_BYTES = 64;

    CLoggerLink(CBridge& bridge, CPrompt& prompt);
    ~CLoggerLink();
    CLoggerLink(const CLoggerLink&) = delete;
    CLoggerLink& operator=(const CLoggerLink&) = delete;

    // One transfer on the open device with the given timeout set around it; the bridge's
    // previous timeouts are restored afterwards.
    bool WriteTimed(const std::uint8_t* buffer, std::uint32_t length, std::uint32_t& written,
                    std::uint32_t timeoutMs = WRITE_TIMEOUT_MS);
    bool ReadTimed(std::uint8_t* buffer, std::uint32_t length, std::uint32_t& returned,
                   std::uint32_t timeoutMs = READ_TIMEOUT_MS);

    // Index of the first attached bridge that answers its string query, or -1. A presence
    // test: the device opened afterwards is always index 0.
    int FindLogger();
    // The last FindLogger found no logger because this user may not open one that is there.
    bool LoggerNotPermitted() const { return m_findFailure == BridgeStatus::AccessDenied; }
    // Closes the device if it is open.
    void CloseLogger();

    // Sends a setup block and waits for the logger's acknowledgement. Every failure, a
    // missing logger and a failed open included, shows "Failed writing data to the
    // datalogger." once; callers add no message of their own.
    bool SendSetup(const SetupBlock& block);

    // Sends a calibration adjustment (-10 to 10) and shows the logger's total calibration
    // ("Total calibrated value as -0.5 dB."). A missing logger or a failed open fails
    // without a message; a failed transfer shows its message.
    bool SendCalibration(std::int8_t value);

    // The first poll of a real-time run comes this long after the download started it.
    static constexpr std::uint32_t FIRST_POLL_MS = 500;

    // Downloads the logger's memory into a new record that replaces the document's, keeps it
    // as the last measurement and shows the progress through the host; or, when the logger
    // is set up for real time, replaces the record by an empty real-time one and starts the
    // poll timer. Any failure keeps the previous record and last measurement: the failure
    // message is shown while the progress window is still up, then the window goes. A
    // missing logger or a failed open fail without a message.
    DownloadResult RunDownload(CDTDoc& doc, CLinkHost& host,
                               DownloadScope scope = DownloadScope::Any);

    // One poll of the real-time run a download started, at each tick of the host's poll
    // timer: the logger's level is appended to the record and to the run's journal, the
    // statistics and the alarm state follow, and the views are told. The run ends when
    // RealTimeActive has been cleared (Stop Running takes one more reading), when the record
    // is full, or when a transfer fails; then the readings are kept as the last measurement.
    PollResult PollRealTime(CDTDoc& doc, CLinkHost& host);
    // Ends a run at once, without another reading (the program is closing): the readings so
    // far are kept as the last measurement. Nothing is written for a run without readings.
    // False when the last measurement could not be written: the journal then stays.
    bool EndRealTimeRun(CDTDoc& doc, CLinkHost& host);
    // The slots of the run whose polls fell due, by `grid` at `now`, while the front end was
    // held up (a stopped process, a blocked event loop or output) go into the record as
    // readings without a level, so that every later reading keeps its true time; at most
    // until the record holds `limit` readings. Only a run that has its first reading takes
    // them. The grid moves past them; how many were kept.
    std::int32_t KeepMissedSlots(CDTDoc& doc, CLinkHost& host, CPollGrid& grid,
                                 CPollGrid::Clock::time_point now, std::int32_t limit);
    // The same for a run whose clock is not the grid's: `missed` slots, counted by the
    // caller, without moving any grid.
    std::int32_t KeepMissedSlots(CDTDoc& doc, CLinkHost& host, std::int64_t missed,
                                 std::int32_t limit);
    // A reading of the run did not reach the disk as it came (the journal could not be begun
    // or added to): a crash would lose the run.
    bool JournalFailed() const { return m_journalFailed; }
    // Whether the end of the last run kept its readings as the last measurement.
    bool LastRunKept() const { return m_runKept; }
    // What the end of a run does with the measurement its readings replace as the last one.
    void SetHistoryRule(HistoryRule rule) { m_historyRule = rule; }

    BridgeHandle Handle() const { return m_handle; }

private:
    // The connection cycle around one exchange: find the logger, open device 0, run the
    // exchange, close whatever the outcome. False without a message when no logger answers
    // or the device does not open.
    bool RunConnected(const std::function<bool()>& exchange);
    bool OpenLogger();
    // Writes a 3-byte command; `written` tells how much of it went out.
    bool WriteCommand(std::uint8_t command, std::uint8_t first, std::uint8_t second,
                      std::uint32_t& written);
    bool SetupExchange(const SetupBlock& block);
    bool AwaitAcknowledgement();
    bool CalibrationExchange(std::int8_t value);

    // The download (MemoryDownload.cpp): the status decides between the stored recording
    // and a real-time start. One function for each exchange with the logger.
    DownloadResult DownloadExchange(CDTDoc& doc, CLinkHost& host, DownloadScope scope);
    DownloadResult ReadStoredRecording(CDTDoc& doc, CLinkHost& host);
    DownloadResult StartRealTime(CDTDoc& doc, CLinkHost& host, std::uint8_t statusByte);
    bool ReadStatus(std::uint8_t& statusByte);
    bool ReadMemorySize(std::uint32_t& memorySize);
    bool ReadMemoryHeader(MemoryHeader& header);
    bool ReadMemoryBlock(std::uint32_t number, std::span<std::uint8_t> bytes);
    // Reads exactly `length` bytes into the cleared receive area.
    bool ReadReply(std::size_t length);
    DownloadResult FailDownload(const std::string& message, PromptIcon icon = PromptIcon::None);
    // Closes the device, then shows a failure message; always false.
    bool Fail(const std::string& message, PromptIcon icon = PromptIcon::None);

    // The real-time run (RealTimeRun.cpp).
    bool ReadLevel(std::uint16_t& raw);
    void AppendReading(CDTDoc& doc, CLinkHost& host, float level);
    // `count` readings without a level.
    void SkipReadings(CDTDoc& doc, CLinkHost& host, std::int32_t count);

    CBridge& m_bridge;
    CPrompt& m_prompt;
    BridgeHandle m_handle = INVALID_BRIDGE_HANDLE;
    BridgeStatus m_findFailure = BridgeStatus::Success;  // why the last FindLogger found none
    // Replies (at most 12 bytes) are read into its start.
    std::array<std::uint8_t, 1024> m_receive{};
    // The running real-time run's readings on the disk, from its first reading on.
    std::optional<CRunJournal> m_journal;
    bool m_journalFailed = false;
    bool m_runKept = true;
    HistoryRule m_historyRule = HistoryRule::Keep;
    // Held from the start of a real-time run to its end: the journal is the run's own.
    std::unique_ptr<CFileLock> m_runLock;
};
