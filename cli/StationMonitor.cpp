// datalogger-cli monitor as a station: readings past the 10000 of one record, kept in the
// archive, interval levels, reconnection to a logger that comes back.

#include "cli/StationMonitor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <charconv>
#include <ostream>

#include "cli/CConsolePrompt.h"
#include "cli/ReadingOutput.h"
#include "document/CMeasurementRecord.h"
#include "logger/sim/MakeBridge.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"
#include "station/CStation.h"
#include "station/CStationArchive.h"
#include "station/CStationState.h"

namespace {

constexpr const char* CLOCK_FORMAT = "%d/%m/%y %H:%M:%S";

// The longest a monitor is asked to run: 100 years, far from where times overflow.
constexpr std::int64_t MAX_DURATION_MS = 36500LL * 86400000;

// "45s", "90m", "36h", "7d": milliseconds; empty for anything else.
std::optional<std::int64_t> ParseDuration(const std::string& text) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || number <= 0 || end + 1 != text.data() + text.size()) {
        return std::nullopt;
    }
    static constexpr std::pair<char, std::int64_t> UNITS[] = {
        {'s', 1000}, {'m', 60000}, {'h', 3600000}, {'d', 86400000}};
    for (const auto& [unit, ms] : UNITS) {
        if (*end == unit && number <= INT64_MAX / ms) {
            return number * ms;
        }
    }
    return std::nullopt;
}

std::string IntervalLevelText(const std::optional<double>& level) {
    return level ? LevelText(*level, 1) : NO_LEVEL_TEXT;
}

// The terminal's view of a station: a line per reading, numbered from 1 across records and
// runs as the plain monitor numbers them, and a line per interval that starts with "interval".
class CStationPrinter : public CStationObserver {
public:
    CStationPrinter(std::ostream& out, std::ostream& err, bool quietReadings)
        : m_out(out, err), m_quietReadings(quietReadings) {}

    void RunStarted(const CStationRun&) override {}
    void Reading(const CStationReading& reading) override {
        if (m_quietReadings) {
            return;
        }
        m_out.WriteLine(std::to_string(reading.Number) + '\t' +
                        FormatLocalTime(reading.TimeMs / 1000, CLOCK_FORMAT) + '\t' +
                        LevelText(reading.LevelDb, 1));
    }
    void IntervalCompleted(const CIntervalLevels& interval) override {
        m_out.WriteLine(IntervalLine(interval));
    }
    void RunEnded(std::int64_t) override {}

    // True once a line could not be written: the station ends.
    bool OutputLost() const { return m_out.Lost(); }

private:
    CReadingOutput m_out;
    bool m_quietReadings;
};

// The logger's one monitor: a lock in the program directory, where the last measurement and
// the run's journal that a monitor writes are too.
class CLoggerLock {
public:
    CLoggerLock() {
        if (const auto file = ProgramFile("Monitor.lock")) {
            m_descriptor = open(file->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
        }
        m_held = m_descriptor < 0 || flock(m_descriptor, LOCK_EX | LOCK_NB) == 0;
    }
    ~CLoggerLock() {
        if (m_descriptor >= 0) {
            close(m_descriptor);
        }
    }
    CLoggerLock(const CLoggerLock&) = delete;
    CLoggerLock& operator=(const CLoggerLock&) = delete;

    bool Held() const { return m_held; }

private:
    int m_descriptor = -1;
    bool m_held = false;
};

}  // namespace

std::string IntervalLine(const CIntervalLevels& interval) {
    const std::string weighting = interval.IsDBA ? "\tLA" : "\tLC";
    std::string line = "interval\t" + FormatLocalTime(interval.StartMs / 1000, CLOCK_FORMAT) +
                       '\t' + FormatLocalTime(interval.EndMs / 1000, CLOCK_FORMAT) + '\t' +
                       (interval.Partial ? "partial" : "whole") + '\t' +
                       std::to_string(interval.Count) + '\t' +
                       std::to_string(interval.CountWithLevel);
    const std::pair<const char*, const std::optional<double>&> levels[] = {
        {"eq ", interval.LeqDb}, {"max ", interval.LmaxDb}, {"min ", interval.LminDb},
        {"10 ", interval.L10Db}, {"50 ", interval.L50Db},   {"90 ", interval.L90Db}};
    for (const auto& [label, level] : levels) {
        line += weighting + label + IntervalLevelText(level);
    }
    return line;
}

bool CStationMonitorOptions::Requested() const {
    return Archive->count() > 0 || !Interval.empty() || !Duration.empty() || Reconnect ||
           QuietReadings || Mqtt.Requested() || Http.Requested();
}

void AddStationOptions(CLI::App& monitor, CStationMonitorOptions& options) {
    options.Count = monitor.get_option("--count");
    options.Archive =
        monitor
            .add_option("--archive", options.ArchiveFile,
                        "Keep every reading, run and interval in this SQLite archive (default "
                        "archive.sqlite in the program directory); monitor then goes on past "
                        "10000 readings until Ctrl+C, --count or --duration")
            ->expected(0, 1);
    monitor.add_option("--interval", options.Interval,
                       "Print (and archive) the levels of each interval of the clock: 1m, 5m, "
                       "10m, 15m, 30m or 1h");
    monitor.add_option("--duration", options.Duration, "Stop after this long: 45s, 90m, 36h, 7d");
    monitor.add_flag("--reconnect", options.Reconnect,
                     "Try a logger that stops answering or is unplugged again every 5 seconds");
    // A service's journal keeps what matters (intervals, messages) rather than 86400 lines a day.
    monitor.add_flag("--quiet-readings", options.QuietReadings,
                     "Print the intervals and messages but not a line per reading");
    for (const char* name :
         {"--archive", "--interval", "--duration", "--reconnect", "--quiet-readings"}) {
        monitor.get_option("--csv")->excludes(name);
    }
    AddMqttOptions(monitor, options.Mqtt);
    AddHttpOptions(monitor, options.Http);
}

int MonitorStation(const CStationMonitorOptions& options, std::int64_t count,
                   const CMonitorShared& shared, CCliContext& context) {
    const bool archived = options.Archive->count() > 0;
    CStationSettings settings;
    if (count > REAL_TIME_CAPACITY && !archived) {
        context.Err << "--count: " << count << " is more than a record holds (10000); with "
                    << "--archive monitor takes any number.\n";
        return EXIT_USAGE;
    }
    settings.MaxReadings = archived && options.Count->count() == 0 ? 0 : count;
    if (!options.Interval.empty()) {
        const auto seconds = ParseIntervalLength(options.Interval);
        if (!seconds) {
            context.Err << "--interval: \"" << options.Interval
                        << "\" is none of 1m, 5m, 10m, 15m, 30m, 1h.\n";
            return EXIT_USAGE;
        }
        settings.IntervalSeconds = *seconds;
    }
    if (!options.Duration.empty()) {
        const auto duration = ParseDuration(options.Duration);
        if (!duration) {
            context.Err << "--duration: cannot read \"" << options.Duration
                        << "\" (a number and s, m, h or d: 36h).\n";
            return EXIT_USAGE;
        }
        if (*duration > MAX_DURATION_MS) {
            context.Err << "--duration: \"" << options.Duration
                        << "\" is longer than a monitor runs (at most 36500d, 100 years).\n";
            return EXIT_USAGE;
        }
        settings.DurationMs = *duration;
    }
    settings.Reconnect = options.Reconnect;
    settings.Archived = archived;
    const CFrameSettings frame = ReadFrameSettings(ReadSettingsFile());
    settings.Alarms = {frame.AlarmHigh, frame.AlarmLow};

    CRunDevice device;
    try {
        device = MakeRunDevice(context.Simulate);
    } catch (const std::invalid_argument& error) {
        context.Err << error.what() << '\n';
        return EXIT_USAGE;
    }
    const CLoggerLock loggerLock;
    if (!loggerLock.Held()) {
        context.Err << "Another monitor is watching the logger; a logger has one monitor.\n";
        return EXIT_LOGGER_TAKEN;
    }
    std::filesystem::path archiveFile = options.ArchiveFile;
    if (archived && archiveFile.empty()) {
        archiveFile = DefaultArchiveFile().value_or("archive.sqlite");
    }
    // The server starts first, so that a wrong address stops the monitor before it touches the
    // archive or the broker; the parts it asks after are there before the station's first
    // poll, which is when it first asks.
    std::unique_ptr<CStationArchive> archive;
    std::unique_ptr<CMqttMonitor> mqtt;
    std::unique_ptr<CStationState> webState;
    std::unique_ptr<CHttpMonitor> http;
    if (options.Http.Requested()) {
        CStationProbes probes;
        if (archived) {
            probes.ArchivePending = [&archive] { return archive->PendingReadings(); };
        }
        if (options.Mqtt.Requested()) {
            probes.BrokerOnline = [&mqtt] { return mqtt->Online(); };
        }
        webState = std::make_unique<CStationState>(settings.Alarms, std::move(probes));
        int httpStatus = EXIT_OK;
        http = CHttpMonitor::Start(options.Http, *webState,
                                   archived ? std::optional(archiveFile) : std::nullopt,
                                   context.Err, httpStatus);
        if (!http) {
            return httpStatus;
        }
    }
    if (archived) {
        std::string refusal;
        bool busy = false;
        archive = CStationArchive::Open(archiveFile, context.Err, refusal, busy);
        if (!archive) {
            context.Err << refusal << '\n';
            return busy ? EXIT_FAILURE_STATUS : EXIT_BAD_FILE;
        }
    }
    // After the locks: a second monitor of the logger must not take over its topics.
    if (options.Mqtt.Requested()) {
        int mqttStatus = EXIT_OK;
        mqtt = CMqttMonitor::Start(options.Mqtt, settings.Alarms, archived, context.Err,
                                   mqttStatus);
        if (!mqtt) {
            return mqttStatus;
        }
    }
    shared.RecoverUnfinishedRun();

    CConsolePrompt prompt(context.Out, context.Err);
    CStation station(*device.Bridge, prompt, *device.Clock, settings, context.Err);
    CStationPrinter printer(context.Out, context.Err, options.QuietReadings);
    station.AddObserver(printer);
    if (archive) {
        station.AddObserver(*archive);
    }
    if (mqtt) {
        station.AddObserver(mqtt->Observer());
    }
    if (webState) {
        station.AddObserver(*webState);
    }
    // A broker that refuses a monitor without an archive ends it: a wrong password is not
    // tried forever; so does an archive that can take nothing more.
    const StationEnd end = station.Run([&] {
        return shared.StopRequested() || printer.OutputLost() ||
               (mqtt && mqtt->EndsMonitor()) || (archive && archive->Broken());
    });
    int status = printer.OutputLost() ? EXIT_FAILURE_STATUS : EXIT_OK;
    switch (end) {
        case StationEnd::NotConnected:
            SayNotConnected(station.Link(), context.Err);
            status = EXIT_FAILURE_STATUS;
            break;
        case StationEnd::NotRealTime:
            context.Err << shared.NotRealTimeMessage << '\n';
            status = EXIT_REAL_TIME;
            break;
        case StationEnd::LoggerStopped:
            context.Err << "The logger stopped answering after " << station.Readings()
                        << " readings.\n";
            status = EXIT_FAILURE_STATUS;
            break;
        default:
            break;
    }
    if (!station.LastMeasurementKept()) {
        context.Err << "The last readings could not be written to PreMeasure.sound.\n";
        status = EXIT_FAILURE_STATUS;
    }
    if (archive) {
        if (const std::int64_t dropped = archive->Close(); dropped > 0) {
            context.Err << dropped << " readings could not be written to the archive \""
                        << archiveFile.string() << "\" and were dropped.\n";
            status = EXIT_FAILURE_STATUS;
        }
        if (archive->Broken()) {
            status = EXIT_FAILURE_STATUS;
        }
    }
    if (mqtt && mqtt->Finish(context.Err) != EXIT_OK && status == EXIT_OK) {
        status = EXIT_FAILURE_STATUS;
    }
    return status;
}
