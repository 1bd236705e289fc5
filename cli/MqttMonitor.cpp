// datalogger-cli monitor --mqtt: the monitor's levels, intervals and alarms on an MQTT broker.

#include "cli/MqttMonitor.h"

#include <sys/stat.h>
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

// Boxes set up from one image share their host name; the machine id tells them apart, so that
// two monitors do not take each other's connection at the broker.
std::string DefaultClientId(const std::string& host) {
    std::ifstream in("/etc/machine-id");
    std::string machine;
    std::getline(in, machine);
    machine = TopicWord(machine.substr(0, 8));
    return "datalogger-" + host + (machine.empty() ? "" : "-" + machine);
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

// The password from the file named (its first line, without the CR of a file written on
// Windows) or else from the environment; empty with `problem` set when the file cannot be
// read. A file others may read is said on `err`.
std::string Password(const CMqttOptions& options, std::string& problem, std::ostream& err) {
    if (!options.PasswordFile.empty()) {
        std::ifstream in(options.PasswordFile);
        std::string line;
        if (!in || (!std::getline(in, line) && !in.eof())) {
            problem = "--mqtt-password-file: cannot read \"" + options.PasswordFile + "\".";
        }
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        struct stat file{};
        if (stat(options.PasswordFile.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
            (file.st_mode & S_IROTH) != 0) {
            err << "Warning: the password file \"" << options.PasswordFile
                << "\" may be read by every user of this computer (chmod o-r).\n";
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
    bool Archived = false;
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
                return ParseMqttUrl(url) ? ""
                                         : "mqtt://host[:port] or mqtts://host[:port], an IPv6 "
                                           "address in brackets: mqtt://[::1]:1883";
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
        {"--mqtt-client-id",
         {&options.ClientId,
          "The client id (default datalogger-HOST-MACHINE, MACHINE from /etc/machine-id)"}},
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
    // Topics that start with $ are the broker's own, which it denies to clients.
    monitor.get_option("--mqtt-prefix")
        ->check(
            [](const std::string& prefix) {
                const bool topic = !prefix.empty() && !prefix.ends_with('/') &&
                                   !prefix.starts_with('$') &&
                                   prefix.find_first_of("+#") == std::string::npos &&
                                   IsUtf8(prefix);
                return topic ? ""
                             : "UTF-8 text without + or #, not starting with $ nor ending "
                               "with /";
            },
            "PREFIX");
    monitor.get_option("--mqtt-client-id")
        ->check([](const std::string& id) { return IsUtf8(id) ? "" : "UTF-8 text"; }, "ID");
    monitor.get_option("--mqtt-password-file")->needs("--mqtt-user");
    monitor
        .add_flag("--mqtt-discovery", options.Discovery,
                  "Announce the level, the interval's Leq and Lmax and the alarm to Home "
                  "Assistant (MQTT discovery)")
        ->needs("--mqtt");
    monitor.get_option("--csv")->excludes("--mqtt");
}

std::unique_ptr<CMqttMonitor> CMqttMonitor::Start(const CMqttOptions& options,
                                                  const CAlarmSettings& alarms, bool archived,
                                                  std::ostream& err, int& status) {
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
    client.Password = Password(options, problem, err);
    if (!problem.empty()) {
        err << problem << '\n';
        return nullptr;
    }
    if (!options.User.empty() && !endpoint->Tls && !IsLoopbackHost(endpoint->Host)) {
        err << "Warning: the password goes to " << endpoint->Host
            << " unencrypted (mqtt://); mqtts:// encrypts it.\n";
    }
    const std::string host = TopicWord(HostName());
    const std::string prefix = options.Prefix.empty() ? "datalogger/" + host : options.Prefix;
    client.Endpoint = *endpoint;
    client.CaFile = options.CaFile;
    client.User = options.User;
    client.ClientId = options.ClientId.empty() ? DefaultClientId(host) : options.ClientId;
    client.StatusTopic = prefix + "/status";
    if (options.Discovery) {
        client.Announcements = DiscoveryMessages(prefix);
    }

    auto parts = std::make_unique<Parts>();
    parts->Broker = Described(*endpoint);
    parts->Archived = archived;
    parts->Client = std::make_unique<CMqttClient>(std::move(client));
    status = EXIT_BROKER_REFUSED;
    switch (parts->Client->WaitForFirstOutcome(FIRST_ANSWER_WAIT)) {
        case MqttLink::Refused:
            err << "The MQTT broker " << parts->Broker << ": " << parts->Client->Problem();
            if (!archived) {
                err << ".\n";
                return nullptr;
            }
            // The archive matters more than the broker: the monitor goes on without it.
            err << "; nothing is published, the archive goes on.\n";
            break;
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

bool CMqttMonitor::EndsMonitor() const {
    return !m_parts->Archived && m_parts->Client->Link() == MqttLink::Refused;
}

bool CMqttMonitor::Online() const {
    return m_parts->Client->Link() == MqttLink::Online;
}

int CMqttMonitor::Finish(std::ostream& err) {
    const std::int64_t lost = m_parts->Client->Close(CLOSE_WAIT);
    for (const std::string& notice : m_parts->Client->TakeNotices()) {
        err << notice << '\n';
    }
    if (m_parts->Client->Link() == MqttLink::Refused) {
        err << "The MQTT broker " << m_parts->Broker << ": " << m_parts->Client->Problem() << ".\n";
        return m_parts->Archived ? EXIT_FAILURE_STATUS : EXIT_BROKER_REFUSED;
    }
    if (lost > 0) {
        err << lost << " intervals and alarms could not be published to the MQTT broker "
            << m_parts->Broker << ".\n";
        return EXIT_FAILURE_STATUS;
    }
    return EXIT_OK;
}
