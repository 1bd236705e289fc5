// datalogger-cli monitor: watches a logger set up for real time as the program's own run
// does, one line per reading as it comes.

#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>

#include "cli/CConsoleLinkHost.h"
#include "cli/CliCommands.h"
#include "cli/ReadingOutput.h"
#include "cli/StationMonitor.h"
#include "document/CDTDoc.h"
#include "export/CsvExport.h"
#include "logger/CLoggerLink.h"
#include "logger/CRunJournal.h"
#include "logger/PollGrid.h"
#include "logger/sim/MakeBridge.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* MSG_NOT_REAL_TIME =
    "The logger is set up for stored mode: it has no live readings. Set it up with --mode RT, "
    "or fetch its memory with the download command.";
// The longest the tool sleeps before it looks at Ctrl+C again.
constexpr std::chrono::milliseconds STOP_CHECK_PERIOD(50);

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void RequestStop(int) {
    g_stopRequested = 1;
}

// Ctrl+C (SIGINT), SIGTERM and SIGHUP (its terminal closed) end the run, with its readings and
// its open interval kept, instead of the process;
// so does a reader that goes away (monitor | head): its SIGPIPE is ignored, and the failed
// write ends the run. A file past the user's size limit (ulimit -f) fails its write as on a
// full disk instead of raising SIGXFSZ. The previous handlers come back when the run is over.
class CStopSignals {
public:
    CStopSignals() {
        g_stopRequested = 0;
        m_previousInterrupt = std::signal(SIGINT, RequestStop);
        m_previousTerminate = std::signal(SIGTERM, RequestStop);
        m_previousHangUp = std::signal(SIGHUP, RequestStop);
        m_previousPipe = std::signal(SIGPIPE, SIG_IGN);
        m_previousFileSize = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~CStopSignals() {
        std::signal(SIGINT, m_previousInterrupt);
        std::signal(SIGTERM, m_previousTerminate);
        std::signal(SIGHUP, m_previousHangUp);
        std::signal(SIGPIPE, m_previousPipe);
        std::signal(SIGXFSZ, m_previousFileSize);
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    static bool Requested() { return g_stopRequested != 0; }

private:
    void (*m_previousInterrupt)(int) = nullptr;
    void (*m_previousTerminate)(int) = nullptr;
    void (*m_previousHangUp)(int) = nullptr;
    void (*m_previousPipe)(int) = nullptr;
    void (*m_previousFileSize)(int) = nullptr;
};

// Sleeps until the next poll is due by `grid` on `clock`, or until a stop is asked for.
void WaitForPoll(const CPollGrid& grid, CRunClock& clock,
                 const std::function<bool()>& stopRequested) {
    while (!stopRequested()) {
        const auto left = grid.Due() - PollGridNow(clock);
        if (left <= CPollGrid::Clock::duration::zero()) {
            return;
        }
        std::this_thread::sleep_for(
            std::min<CPollGrid::Clock::duration>(left, STOP_CHECK_PERIOD * clock.Speed()) /
            clock.Speed());
    }
}

// Whether the file could be written, found without touching it.
bool Writable(const std::filesystem::path& file) {
    if (access(file.c_str(), F_OK) == 0) {
        return access(file.c_str(), W_OK) == 0;
    }
    const auto folder = file.has_parent_path() ? file.parent_path() : ".";
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

struct CMonitorOptions {
    int Count = REAL_TIME_CAPACITY;
    std::string CsvFile;
    CStationMonitorOptions Station;
};

// Prints the newest reading of a growing record, and writes it to the CSV file if one was
// named, in the layout of the csv command, so that a live run and an exported file read alike.
// The file is made (or emptied) at the first reading: a run that never starts leaves it as it
// was. A CSV file that cannot take a line (a full disk) is reported at once; the run goes on.
// Standard output that cannot (a closed pipe, a full disk) ends the run: its lines are what
// the monitor is for.
class CReadingPrinter {
public:
    CReadingPrinter(std::ostream& out, std::ostream& err, std::string csvName)
        : m_out(out, err), m_err(err), m_csvName(std::move(csvName)) {}

    void Print(const CMeasurementRecord& r) {
        const std::int32_t index = r.SampleCount - 1;
        const std::time_t time = r.SampleTime(index);
        const std::string level = LevelText(r.Levels[static_cast<std::size_t>(index)], 1);
        m_out.WriteLine(std::to_string(r.SampleCount) + '\t' +
                        FormatLocalTime(time, "%d/%m/%y %H:%M:%S") + '\t' + level);
        if (m_csvName.empty()) {
            return;
        }
        if (!m_csv.is_open()) {
            m_csv.open(m_csvName, std::ios::binary | std::ios::trunc);
            m_csv << CSV_HEADER_LINE;
        }
        m_csv << CsvReadingLine(r, index) << std::flush;
        CheckCsv();
    }

    // False once a line could not be written to the CSV file.
    bool CsvWhole() const { return !m_csvFailed; }
    // True once a reading's line could not be written to standard output.
    bool OutputLost() const { return m_out.Lost(); }

private:
    void CheckCsv() {
        if (!m_csvFailed && !m_csv) {
            m_csvFailed = true;
            m_err << "The CSV file \"" << m_csvName
                  << "\" could not be written; the run goes on.\n";
        }
    }

    CReadingOutput m_out;
    std::ostream& m_err;
    std::ofstream m_csv;
    std::string m_csvName;
    bool m_csvFailed = false;
};

// A run left unfinished by an earlier monitor or program becomes the last measurement
// before a new run starts, as the program's recovery would make it. One that cannot be
// written stays in its journal, which the new run leaves alone.
void RecoverUnfinishedRun(CCliContext& context) {
    std::filesystem::path keptAside;
    auto record = FindUnfinishedRun(&keptAside, HistoryRule::KeepUnpruned);
    if (!keptAside.empty()) {
        context.Err << DamagedJournalText(keptAside) << '\n';
    }
    if (record) {
        const std::int32_t readings = record->SampleCount;
        CDTDoc doc;
        if (AdoptUnfinishedRun(doc, std::move(*record), HistoryRule::KeepUnpruned)) {
            context.Err << "An unfinished real-time run was recovered into PreMeasure.sound ("
                        << readings << " readings).\n";
        } else {
            context.Err << MSG_RECOVERY_NOT_WRITTEN << '\n';
        }
    }
}

// Tells how a run that took readings ended: whether they were kept, and never a file that was
// not written; the exit status.
int EndOfRun(const CLoggerLink& link, const CDTDoc& doc, bool loggerStopped, CCliContext& context) {
    const std::int32_t readings = doc.Record().SampleCount;
    if (loggerStopped) {
        context.Err << "The logger stopped answering after " << readings << " readings"
                    << (link.LastRunKept() ? "; they are kept in PreMeasure.sound.\n" : ".\n");
    }
    if (!link.LastRunKept()) {
        context.Err << "The " << readings << " readings could not be written to PreMeasure.sound"
                    << (link.JournalFailed() ? ".\n"
                                             : "; PreMeasure.journal keeps them for the next "
                                               "start to recover.\n");
    }
    const bool whole = !loggerStopped && link.LastRunKept() && !link.JournalFailed();
    return whole ? EXIT_OK : EXIT_FAILURE_STATUS;
}

// Starts the real-time run and polls it until `count` readings, a stop or the logger's end;
// the exit status.
int WatchRealTimeRun(CLoggerLink& link, CDTDoc& doc, CConsoleLinkHost& host, CRunClock& clock,
                     int count, const std::function<bool()>& stopRequested, CCliContext& context) {
    switch (link.RunDownload(doc, host, DownloadScope::RealTimeOnly)) {
        case DownloadResult::RealTimeStarted:
            break;
        case DownloadResult::NotRealTime:
            context.Err << MSG_NOT_REAL_TIME << '\n';
            return EXIT_REAL_TIME;
        default:
            return EXIT_FAILURE_STATUS;  // the link has said why
    }

    CPollGrid grid{PollGridNow(clock), std::chrono::milliseconds(host.PollPeriodMs())};
    bool journalFailureTold = false;
    for (;;) {
        // The last reading ends the run at once, not an interval (up to a minute) later.
        if (doc.Record().SampleCount < count) {
            WaitForPoll(grid, clock, stopRequested);
        }
        if (stopRequested() || doc.Record().SampleCount >= count) {
            (void)link.EndRealTimeRun(doc, host);
            return EndOfRun(link, doc, false, context);
        }
        // A faster clock leaves the slack in real time that the steady one leaves: polls less
        // than a period of real time behind are taken one after another.
        const auto slack = std::chrono::milliseconds(host.PollPeriodMs()) * (clock.Speed() - 1);
        if (const std::int32_t missed =
                link.KeepMissedSlots(doc, host, grid, PollGridNow(clock) - slack, count);
            missed > 0) {
            context.Err << HeldUpRunText(missed) << '\n';
        }
        const PollResult result =
            doc.Record().SampleCount < count ? link.PollRealTime(doc, host) : PollResult::Polling;
        if (link.JournalFailed() && !journalFailureTold) {
            journalFailureTold = true;
            context.Err << "The readings cannot be written to the data folder \""
                        << ProgramDirectory().string()
                        << "\"; the run goes on, but a crash would lose them.\n";
        }
        if (result != PollResult::Polling) {
            return EndOfRun(link, doc, result == PollResult::LoggerStopped, context);
        }
        // The first reading sets the period to the sampling interval.
        grid.Advance(std::chrono::milliseconds(host.PollPeriodMs()));
    }
}

int Monitor(const CMonitorOptions& options, CCliContext& context) {
    if (options.Station.Requested() || options.Count > REAL_TIME_CAPACITY) {
        const CStopSignals stopSignals;
        return MonitorStation(options.Station, options.Count,
                              {[&context] { RecoverUnfinishedRun(context); },
                               CStopSignals::Requested, MSG_NOT_REAL_TIME},
                              context);
    }
    CRunDevice device;
    try {
        device = MakeRunDevice(context.Simulate);
    } catch (const std::invalid_argument& error) {
        context.Err << error.what() << '\n';
        return EXIT_USAGE;
    }
    const CFrameSettings settings = ReadFrameSettings(ReadSettingsFile());
    CConsoleLinkHost host(context.Out, context.Err, false, {settings.AlarmHigh, settings.AlarmLow});
    host.KeepTimeBy(*device.Clock);
    CLoggerLink link(*device.Bridge, host);
    link.SetHistoryRule(HistoryRule::KeepUnpruned);
    if (link.FindLogger() < 0) {
        SayNotConnected(link, context.Err);
        return EXIT_FAILURE_STATUS;
    }
    if (!options.CsvFile.empty() && !Writable(options.CsvFile)) {
        context.Err << "Cannot write \"" << options.CsvFile << "\".\n";
        return EXIT_FAILURE_STATUS;
    }
    RecoverUnfinishedRun(context);

    CDTDoc doc;
    CReadingPrinter printer(context.Out, context.Err, options.CsvFile);
    doc.AddView([&](DocumentChange change) {
        if (change == DocumentChange::ReadingAppended) {
            printer.Print(doc.Record());
        }
    });
    const CStopSignals stopSignals;
    const int status = WatchRealTimeRun(
        link, doc, host, *device.Clock, options.Count,
        [&printer] { return CStopSignals::Requested() || printer.OutputLost(); }, context);
    const bool whole = printer.CsvWhole() && !printer.OutputLost();
    return status == EXIT_OK && !whole ? EXIT_FAILURE_STATUS : status;
}

}  // namespace

void RegisterMonitorCommand(CLI::App& app, CCliContext& context) {
    auto* monitor = app.add_subcommand(
        "monitor",
        "Watch a logger set up for real time: one line per reading (number, time, level) "
        "until --count readings, Ctrl+C or the logger stops answering; the readings are kept "
        "in PreMeasure.sound");
    auto options = std::make_shared<CMonitorOptions>();
    monitor
        ->add_option("--count", options->Count,
                     "Readings to take, 1..10000 (any number with --archive)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                std::int64_t number = 0;
                const auto [end, error] =
                    std::from_chars(text.data(), text.data() + text.size(), number);
                return error == std::errc() && end == text.data() + text.size() && number > 0
                           ? std::string()
                           : "\"" + text + "\" is not a number of readings (1 or more)";
            },
            "", "readings"));
    monitor->add_option("--csv", options->CsvFile,
                        "Also write the readings to this CSV file as they come");
    AddStationOptions(*monitor, options->Station);
    monitor->callback([&context, options] { context.ExitCode = Monitor(*options, context); });
}
