// Commands that talk to the logger: detect, setup, calibrate, download.

#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "cli/CConsoleLinkHost.h"
#include "cli/CConsolePrompt.h"
#include "cli/CliCommands.h"
#include "cli/UsbDeviceList.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "logger/CLoggerLink.h"
#include "logger/CUsbBridge.h"
#include "logger/SetupSettings.h"
#include "logger/sim/MakeBridge.h"
#include "platform/CSettings.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* MSG_LIVE_READINGS =
    "The logger is set up for real time: watch its live readings with the monitor command.";

// The bridge the global options choose; empty, with the exit status set, when the
// environment asks for one that cannot be made.
std::unique_ptr<CBridge> Bridge(CCliContext& context) {
    try {
        return MakeBridge(context.Simulate);
    } catch (const std::invalid_argument& error) {
        context.Err << error.what() << '\n';
        context.ExitCode = EXIT_USAGE;
        return nullptr;
    }
}

// Runs a command with a link to the logger the global options choose. The command returns
// its exit status.
void WithLink(CCliContext& context,
              const std::function<int(CLoggerLink&, CConsolePrompt&)>& command) {
    const std::unique_ptr<CBridge> bridge = Bridge(context);
    if (!bridge) {
        return;
    }
    CConsolePrompt prompt(context.Out, context.Err);
    CLoggerLink link(*bridge, prompt);
    context.ExitCode = command(link, prompt);
}

// A bar redrawn in place makes sense only on the process's own terminal.
bool IsTerminal(const std::ostream& stream) {
    return &stream == &std::cerr && isatty(STDERR_FILENO) == 1;
}

// Stores what a command changed in the settings, keeping what other programs stored since
// the command read them; false, having said so, when the file could not be written.
bool StoreSettings(const std::function<void(CFrameSettings&)>& change, CCliContext& context) {
    if (UpdateSettingsFile([&](CFrameSettings& frame, CViewSettings&) { change(frame); })) {
        return true;
    }
    context.Err << "The settings could not be stored.\n";
    return false;
}

// Options of the setup command; each left out keeps the stored setting.
struct CSetupOptions {
    std::string Rate;
    int Points = 0;
    std::string Mode;
    std::string Weighting;
    std::string Speed;
    std::string Start;
    int Led = 0;
    int AlarmHigh = 0;
    int AlarmLow = 0;
    std::map<std::string, CLI::Option*> Given;

    bool Has(const std::string& name) const { return Given.at(name)->count() > 0; }

    void ApplyTo(CFrameSettings& s) const {
        if (Has("rate")) {
            for (int i = 0; i < RATE_CODE_COUNT; ++i) {
                if (Rate == RATE_TEXTS[i]) {
                    s.SampleRateIndex = i;
                }
            }
        }
        if (Has("points")) {
            s.SamplePoints = std::to_string(Points);
        }
        if (Has("mode")) {
            s.RealTimeMode = Mode == "RT" ? 1 : 0;
        }
        if (Has("weighting")) {
            s.Dba = Weighting == "dBA" ? 1 : 0;
        }
        if (Has("speed")) {
            s.Fast = Speed == "FAST" ? 1 : 0;
        }
        if (Has("start")) {
            s.AutoStart = Start == "auto" ? 1 : 0;
        }
        if (Has("led")) {
            s.LedCycle = static_cast<std::uint8_t>(Led);
        }
        if (Has("alarm-high")) {
            s.AlarmHigh = std::to_string(AlarmHigh);
        }
        if (Has("alarm-low")) {
            s.AlarmLow = std::to_string(AlarmLow);
        }
    }
};

int Detect(CLoggerLink& link, bool verbose, CCliContext& context) {
    if (verbose && context.Simulate) {
        context.Out << "The simulated logger answers in place of the USB bus.\n";
    } else if (verbose) {
        PrintUsbDevices(UsbIdFromEnvironment(), context.Out);  // read already by the bridge
    }
    if (link.FindLogger() < 0) {
        SayNotConnected(link, context.Out);
        return EXIT_FAILURE_STATUS;
    }
    context.Out << "Connected\n";
    return EXIT_OK;
}

int Setup(CLoggerLink& link, CPrompt& prompt, const CSetupOptions& options, CCliContext& context) {
    if (link.FindLogger() < 0) {
        SayNotConnected(link, context.Err);
        return EXIT_FAILURE_STATUS;
    }
    CFrameSettings settings = ReadFrameSettings(ReadSettingsFile());
    options.ApplyTo(settings);
    const SetupFields fields = SetupFieldsFromSettings(settings);
    if (!link.SendSetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())))) {
        return EXIT_FAILURE_STATUS;  // the link has said why
    }
    prompt.Message(fields.ManualStart ? MSG_SETUP_PRESS_BUTTON : MSG_SETUP_RUNNING,
                   PromptIcon::Information);
    const bool stored =
        StoreSettings([&](CFrameSettings& stored) { StoreSetupFields(fields, stored); }, context);
    return stored ? EXIT_OK : EXIT_FAILURE_STATUS;
}

int Calibrate(CLoggerLink& link, int typed, CCliContext& context) {
    if (link.FindLogger() < 0) {
        SayNotConnected(link, context.Err);
        return EXIT_FAILURE_STATUS;
    }
    const int value = LimitCalibration(typed);
    // The value becomes the calibration setting whether or not the logger takes it.
    const bool stored = StoreSettings(
        [value](CFrameSettings& stored) { stored.Calibration = std::to_string(value); }, context);
    const bool sent = link.SendCalibration(static_cast<std::int8_t>(value));
    return stored && sent ? EXIT_OK : EXIT_FAILURE_STATUS;
}

// Downloads the logger's memory as the download dialog does, keeps it as the last
// measurement and, given a name, saves it as the Save command does; prints every path written.
int Download(const std::string& name, CCliContext& context) {
    const std::unique_ptr<CBridge> bridge = Bridge(context);
    if (!bridge) {
        return context.ExitCode;
    }
    const CFrameSettings settings = ReadFrameSettings(ReadSettingsFile());
    CConsoleLinkHost host(context.Out, context.Err, IsTerminal(context.Err),
                          {settings.AlarmHigh, settings.AlarmLow});
    CLoggerLink link(*bridge, host);
    if (link.FindLogger() < 0) {
        SayNotConnected(link, context.Err);
        return EXIT_FAILURE_STATUS;
    }
    CDTDoc doc;
    int status = EXIT_OK;
    const std::string lastMeasurement =
        LastMeasurementPath().value_or(ProgramDirectory() / LAST_MEASUREMENT_FILE).string();
    switch (link.RunDownload(doc, host)) {
        case DownloadResult::Failed:
        case DownloadResult::NotRealTime:  // not asked for here
            return EXIT_FAILURE_STATUS;    // the link has said why
        case DownloadResult::RealTimeStarted:
            context.Err << MSG_LIVE_READINGS << '\n';
            return EXIT_REAL_TIME;
        case DownloadResult::StoredNotKept:
            context.Err << "The measurement could not be written to \"" << lastMeasurement
                        << "\".\n";
            status = EXIT_FAILURE_STATUS;
            break;
        case DownloadResult::Stored:
            context.Out << lastMeasurement << '\n';
            break;
    }
    if (!name.empty()) {
        if (!RunSaveCommand(doc, name, host)) {
            return EXIT_FAILURE_STATUS;
        }
        const CSaveTargets written = SaveTargetsFor(name);
        context.Out << written.SoundFile.string() << '\n' << written.ReportFile.string() << '\n';
    }
    return status;
}

void AddSetupOptions(CLI::App& setup, CSetupOptions& o) {
    const auto choice = [&](const char* name, std::string& target, std::vector<std::string> values,
                            const char* help) {
        o.Given[name] = setup.add_option(std::string("--") + name, target, help)
                            ->transform(CLI::IsMember(values, CLI::ignore_case));
    };
    const auto number = [&](const char* name, int& target, const char* help) {
        o.Given[name] = setup.add_option(std::string("--") + name, target, help);
    };
    choice("rate", o.Rate, {RATE_TEXTS.begin(), RATE_TEXTS.end()},
           "Sampling rate (50ms runs in real time only)");
    number("points", o.Points, "Number of sampling points: 1..10000 in RT, 1..129920 in STOR");
    choice("mode", o.Mode, {"STOR", "RT"}, "Stored or real-time mode");
    choice("weighting", o.Weighting, {"dBA", "dBC"}, "Frequency weighting");
    choice("speed", o.Speed, {"FAST", "SLOW"}, "Time weighting");
    choice("start", o.Start, {"manual", "auto"}, "Start with the logger's button, or at once");
    o.Given["led"] = setup.add_option("--led", o.Led, "LED flash cycle in seconds, 0 for no light")
                         ->check(CLI::IsMember({0, 10, 20, 30}));
    number("alarm-high", o.AlarmHigh, "Alarm high level in dB, 0..130");
    number("alarm-low", o.AlarmLow, "Alarm low level in dB, 0..130");
}

}  // namespace

void RegisterLoggerCommands(CLI::App& app, CCliContext& context) {
    auto* detect = app.add_subcommand("detect", "Tell whether a logger is attached");
    auto verbose = std::make_shared<bool>(false);
    detect->add_flag("--verbose", *verbose,
                     "First list the USB devices with the bridge's id and whether each can be "
                     "opened");
    detect->callback([&context, verbose] {
        WithLink(context,
                 [&](CLoggerLink& link, CPrompt&) { return Detect(link, *verbose, context); });
    });

    auto* setup = app.add_subcommand(
        "setup", "Set the logger up and start a run; options left out keep the last settings");
    // The callback owns the options' storage, so it lives as long as the command.
    auto options = std::make_shared<CSetupOptions>();
    AddSetupOptions(*setup, *options);
    setup->callback([&context, options] {
        WithLink(context, [&](CLoggerLink& link, CPrompt& prompt) {
            return Setup(link, prompt, *options, context);
        });
    });

    auto* calibrate =
        app.add_subcommand("calibrate", "Send a calibration adjustment and print the total");
    auto value = std::make_shared<int>(0);
    calibrate->add_option("VALUE", *value, "Adjustment, -10..10")->required();
    calibrate->callback([&context, value] {
        WithLink(context,
                 [&](CLoggerLink& link, CPrompt&) { return Calibrate(link, *value, context); });
    });

    auto* download = app.add_subcommand(
        "download", "Download the logger's memory into the last measurement (PreMeasure.sound)");
    auto name = std::make_shared<std::string>();
    download->add_option("NAME", *name,
                         "Also save it as the Save command does: NAME.sound, NAME.xls");
    download->callback([&context, name] { context.ExitCode = Download(*name, context); });
}

void SayNotConnected(const CLoggerLink& link, std::ostream& out) {
    out << "Not Connected\n";
    if (link.LoggerNotPermitted()) {
        out << MSG_NOT_PERMITTED << '\n';
    }
}
