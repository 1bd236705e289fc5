// datalogger-cli monitor --mqtt: the monitor's levels, intervals and alarms on an MQTT broker.

#include "cli/MqttMonitor.h"

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <charconv>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <ostream>

#include "cli/CliCommands.h"
#include "station/CMqttPublisher.h"

namespace {

constexpr const char* PASSWORD_VARIABLE = "DATALOGGER_MQTT_PASSWORD";
// How long the start waits for the broker's answer before the monitor goes on without it.
constexpr std::chrono::seconds FIRST_ANSWER_WAIT{5};
// How long the end waits for the broker to take what is queued.
constexpr std::chrono::seconds CLOSE_WAIT{10};

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

// "all": 1, "none": 0, a positive number N: N; empty for anything else.
std::optional<int> ReadingsEvery(const std::string& text) {
    if (text == "all") {
        return 1;
    }
    if (text == "none") {
        return 0;
    }
    int every = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), every);
    if (error != std::errc() || end != text.data() + text.size() || every < 1) {
        return std::nullopt;
    }
    return every;
}

// The password from the file named (its first line) or else from the environment; empty with
// `problem` set when the file cannot be read.
std::string Password(const CMqttOptions& options, std::string& problem) {
    if (!options.PasswordFile.empty()) {
        std::ifstream in(options.PasswordFile);
        std::string line;
        if (!in || (!std::getline(in, line) && !in.eof())) {
            problem = "--mqtt-password-file: cannot read \"" + options.PasswordFile + "\".";
        }
        return line;
    }
    const char* password = std::getenv(PASSWORD_VARIABLE);
    return password ? password : "";
}

std::string Described(const CMqttEndpoint& endpoint) {
    return std::string(endpoint.Tls ? "mqtts://" : "mqtt://") + endpoint.Host + ':' +
           std::to_string(endpoint.Port);
}

}  // namespace

struct CMqttMonitor::Parts {
    std::string Broker;
    std::unique_ptr<CMqttClient> Client;
    std::unique_ptr<CMqttPublisher> Publisher;
};

void AddMqttOptions(CLI::App& monitor, CMqttOptions& options) {
    monitor
        .add_option("--mqtt", options.Url,
                    "Publish the levels, intervals and alarms on this MQTT broker: "
                    "mqtt://host[:port] or mqtts://host[:port] (TLS)")
        ->check(
            [](const std::string& url) {
                return ParseMqttUrl(url) ? "" : "mqtt://host[:port] or mqtts://host[:port]";
            },
            "URL");
    const std::pair<const char*, std::pair<std::string*, const char*>> more[] = {
        {"--mqtt-ca",
         {&options.CaFile,
          "The CA certificates (PEM) that vouch for the broker, "
          "instead of the system's"}},
        {"--mqtt-user",
         {&options.User,
          "The user name at the broker; the password comes from "
          "DATALOGGER_MQTT_PASSWORD or --mqtt-password-file"}},
        {"--mqtt-password-file",
         {&options.PasswordFile,
          "A file whose first line is the "
          "password at the broker"}},
        {"--mqtt-client-id", {&options.ClientId, "The client id (default datalogger-HOST)"}},
        {"--mqtt-prefix", {&options.Prefix, "The topics' prefix (default datalogger/HOST)"}},
        {"--mqtt-readings",
         {&options.Readings,
          "Publish all readings, every Nth, or none "
          "(default all)"}},
    };
    for (const auto& [name, target] : more) {
        monitor.add_option(name, *target.first, target.second)->needs("--mqtt");
    }
    monitor.get_option("--mqtt-readings")
        ->check(
            [](const std::string& text) {
                return ReadingsEvery(text) ? "" : "all, none or a number from 1";
            },
            "all|N|none");
    monitor.get_option("--mqtt-prefix")
        ->check(
            [](const std::string& prefix) {
                const bool topic = !prefix.empty() && !prefix.ends_with('/') &&
                                   prefix.find_first_of("+#") == std::string::npos;
                return topic ? "" : "a topic without + or #, not ending with /";
            },
            "PREFIX");
    monitor.get_option("--mqtt-password-file")->needs("--mqtt-user");
    monitor
        .add_flag("--mqtt-discovery", options.Discovery,
                  "Announce the level, the interval's Leq and Lmax and the alarm to Home "
                  "Assistant (MQTT discovery)")
        ->needs("--mqtt");
    monitor.get_option("--csv")->excludes("--mqtt");
}

std::unique_ptr<CMqttMonitor> CMqttMonitor::Start(const CMqttOptions& options,
                                                  const CAlarmSettings& alarms, std::ostream& err,
                                                  int& status) {
    status = EXIT_USAGE;
    // The URL, the readings and the prefix were checked as the options were read.
    const auto endpoint = ParseMqttUrl(options.Url);
    const auto every = ReadingsEvery(options.Readings);
    if (!options.CaFile.empty() && !endpoint->Tls) {
        err << "--mqtt-ca: only for an mqtts:// broker.\n";
        return nullptr;
    }
    std::string problem;
    CMqttClientSettings client;
    client.Password = Password(options, problem);
    if (!problem.empty()) {
        err << problem << '\n';
        return nullptr;
    }
    const std::string host = TopicWord(HostName());
    const std::string prefix = options.Prefix.empty() ? "datalogger/" + host : options.Prefix;
    client.Endpoint = *endpoint;
    client.CaFile = options.CaFile;
    client.User = options.User;
    client.ClientId = options.ClientId.empty() ? "datalogger-" + host : options.ClientId;
    client.StatusTopic = prefix + "/status";
    if (options.Discovery) {
        client.Announcements = DiscoveryMessages(prefix);
    }

    auto parts = std::make_unique<Parts>();
    parts->Broker = Described(*endpoint);
    parts->Client = std::make_unique<CMqttClient>(std::move(client));
    status = EXIT_FAILURE_STATUS;
    switch (parts->Client->WaitForFirstOutcome(FIRST_ANSWER_WAIT)) {
        case MqttLink::Refused:
            err << "The MQTT broker " << parts->Broker << ": " << parts->Client->Problem() << ".\n";
            return nullptr;
        case MqttLink::Online:
            break;
        default:
            err << "The MQTT broker " << parts->Broker << " cannot be reached ("
                << (parts->Client->Problem().empty() ? "no answer" : parts->Client->Problem())
                << "); the monitor goes on and keeps trying it.\n";
            break;
    }
    parts->Publisher = std::make_unique<CMqttPublisher>(
        *parts->Client, CMqttPublisherSettings{prefix, *every, alarms}, err);
    status = EXIT_OK;
    return std::unique_ptr<CMqttMonitor>(new CMqttMonitor(std::move(parts)));
}

CMqttMonitor::CMqttMonitor(std::unique_ptr<Parts> parts) : m_parts(std::move(parts)) {}

CMqttMonitor::~CMqttMonitor() = default;

CStationObserver& CMqttMonitor::Observer() {
    return *m_parts->Publisher;
}

bool CMqttMonitor::Refused() const {
    return m_parts->Client->Link() == MqttLink::Refused;
}

int CMqttMonitor::Finish(std::ostream& err) {
    if (Refused()) {
        err << "The MQTT broker " << m_parts->Broker << ": " << m_parts->Client->Problem() << ".\n";
        return EXIT_FAILURE_STATUS;
    }
    if (const std::int64_t lost = m_parts->Client->Close(CLOSE_WAIT); lost > 0) {
        err << lost << " intervals and alarms could not be published to the MQTT broker "
            << m_parts->Broker << ".\n";
        return EXIT_FAILURE_STATUS;
    }
    return EXIT_OK;
}
