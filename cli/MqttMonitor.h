#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "logger/CLinkHost.h"

namespace CLI {
class App;
}
class CStationObserver;

// The options of monitor that publish its levels on an MQTT broker.
struct CMqttOptions {
    std::string Url;
    std::string CaFile;
    std::string User;
    std::string PasswordFile;
    std::string ClientId;
    std::string Prefix;
    std::string Readings = "all";
    bool Discovery = false;

    bool Requested() const { return !Url.empty(); }
};

// Adds --mqtt and the options that go with it to the monitor command.
void AddMqttOptions(CLI::App& monitor, CMqttOptions& options);

// A monitor's link to its broker, from the first connection to the last message.
class CMqttMonitor {
public:
    // Reads the options and connects; empty (with `status` set and the reason said on `err`)
    // when the options are wrong or the broker refuses a monitor without an archive. A broker
    // that cannot be reached is said on `err` and tried again while the monitor polls.
    static std::unique_ptr<CMqttMonitor> Start(const CMqttOptions& options,
                                               const CAlarmSettings& alarms, bool archived,
                                               std::ostream& err, int& status);
    ~CMqttMonitor();

    CStationObserver& Observer();
    // The broker refused a monitor without an archive: it has to stop. With one, archiving
    // goes on and the refusal shows in the exit status.
    bool EndsMonitor() const;
    // The broker has accepted the monitor's connection.
    bool Online() const;
    // Publishes "offline" and disconnects; the exit status: failure when the broker refused us
    // or messages were not acknowledged, which it says on `err`.
    int Finish(std::ostream& err);

private:
    struct Parts;
    explicit CMqttMonitor(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> m_parts;
};
