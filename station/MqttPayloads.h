#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "document/AlarmIndicator.h"
#include "logger/CLinkHost.h"

struct CIntervalLevels;
struct CStationReading;

// Where a broker listens: mqtt://host[:port] (1883) or mqtts://host[:port] (8883, TLS).
struct CMqttEndpoint {
    std::string Host;
    int Port = 1883;
    bool Tls = false;
};

// Empty for anything but the two schemes with a host and, if given, a port of 1..65535; an
// IPv6 address goes in brackets (mqtt://[::1]:1883), as in any URL.
std::optional<CMqttEndpoint> ParseMqttUrl(std::string_view url);
// The broker is on this machine: a password sent there unencrypted stays on it.
bool IsLoopbackHost(std::string_view host);
// Whether the text is UTF-8, as MQTT wants every topic and client id to be.
bool IsUtf8(std::string_view text);

// The texts published under a topic prefix. Times are ISO 8601 local times with their UTC
// offset (with milliseconds when a reading falls between seconds); a missing level is null.
// A reading's level to the logger's tenth of a decibel; null where it gave none.
nlohmann::ordered_json ReadingLevelJson(float level);
// {"time", "level_db" (to the logger's tenth of a decibel), "weighting" ("A" or "C")}
nlohmann::ordered_json LevelObject(const CStationReading& reading, bool isDBA);
std::string LevelPayload(const CStationReading& reading, bool isDBA);
// {"start", "end", "partial", "count", "leq_db", "lmax_db", "lmin_db", "l10_db", "l50_db",
// "l90_db"}: an interval as the archive's statistics list it too.
nlohmann::ordered_json IntervalObject(const CIntervalLevels& interval);
// The same with "weighting".
nlohmann::ordered_json WeightedIntervalObject(const CIntervalLevels& interval);
std::string IntervalPayload(const CIntervalLevels& interval);

struct CAlarmCrossing {
    std::int64_t TimeMs = 0;
    bool High = true;  // the high alarm level, or the low one
    bool On = true;    // the level went beyond it, or came back
    float LevelDb = 0.0f;
};
// {"time", "kind" ("high" or "low"), "state" ("on" or "off"), "level_db"}
std::string AlarmPayload(const CAlarmCrossing& crossing);

// The crossings of the alarm levels from one reading to the next, decided as the info panel's
// lamps are. The state carries over from one run to the next: a level that is still beyond
// its alarm when the logger answers again is no new crossing.
class CAlarmCrossings {
public:
    explicit CAlarmCrossings(const CAlarmSettings& alarms);

    // The crossings the reading makes: an alarm that goes off comes before one that goes on.
    std::vector<CAlarmCrossing> Add(const CStationReading& reading);
    // The state after the last reading: "high", "low" or "off".
    const char* State() const;

private:
    int m_high;
    int m_low;
    AlarmIndicatorState m_state = AlarmIndicatorState::Normal;
};

// A topic level made of the text's letters, digits, '-' and '_', anything else as '_': a host
// name or a prefix turned into a part of a topic or an identifier.
std::string TopicWord(std::string_view text);

struct CDiscoveryMessage {
    std::string Topic;
    std::string Payload;
};
// Home Assistant's MQTT discovery: a retained configuration per entity (the level, the last
// interval's Leq and Lmax, the alarm state) that points at the topics under `prefix`. The
// node and the ids are the prefix's word with a hash of the prefix itself, so that prefixes
// that make one word (site/7, site_7, site.7) still make stations of their own.
std::vector<CDiscoveryMessage> DiscoveryMessages(const std::string& prefix);
