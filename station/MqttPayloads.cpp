#include "station/MqttPayloads.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/CProfile.h"
#include "platform/LocalTime.h"
#include "station/CStationObserver.h"
#include "station/IntervalLevels.h"

namespace {

// Milliseconds only where a time has them: readings between seconds.
std::string IsoTime(std::int64_t ms) {
    return IsoLocalTimeMs(ms, ms % 1000 != 0);
}

nlohmann::ordered_json Level(const std::optional<double>& level) {
    return level ? nlohmann::ordered_json(*level) : nlohmann::ordered_json(nullptr);
}

const char* Weighting(bool isDBA) {
    return isDBA ? "A" : "C";
}

}  // namespace

std::optional<CMqttEndpoint> ParseMqttUrl(std::string_view url) {
    CMqttEndpoint endpoint;
    if (url.starts_with("mqtts://")) {
        endpoint = {"", 8883, true};
        url.remove_prefix(8);
    } else if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
    } else {
        return std::nullopt;
    }
    if (url.ends_with('/')) {
        url.remove_suffix(1);
    }
    // A bracketed IPv6 address keeps its colons.
    std::string_view host = url;
    std::optional<std::string_view> port;
    if (url.starts_with('[')) {
        const std::size_t close = url.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = url.substr(1, close - 1);
        const std::string_view rest = url.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':')) {
                return std::nullopt;
            }
            port = rest.substr(1);
        }
    } else if (const std::size_t colon = url.find(':'); colon != std::string_view::npos) {
        host = url.substr(0, colon);
        port = url.substr(colon + 1);
    }
    // The first colon starts the port: an IPv6 address out of its brackets (mqtt://::1) leaves
    // an empty host or a port that is no number, and is refused.
    if (host.empty() || host.find_first_of("/@?# ") != std::string_view::npos) {
        return std::nullopt;
    }
    endpoint.Host = host;
    if (port) {
        int number = 0;
        const auto [end, error] =
            std::from_chars(port->data(), port->data() + port->size(), number);
        if (error != std::errc() || end != port->data() + port->size() || number < 1 ||
            number > 65535) {
            return std::nullopt;
        }
        endpoint.Port = number;
    }
    return endpoint;
}

bool IsLoopbackHost(std::string_view host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // The sequence's length, and the range of its second byte that rules out overlong
        // forms, surrogates and code points past U+10FFFF.
        std::size_t length = 1;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else if (lead >= 0x80) {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// The logger measures in tenths of a decibel: 55.3, not the float's 55.29999923706055.
nlohmann::ordered_json ReadingLevelJson(float level) {
    if (!std::isfinite(level)) {
        return nullptr;
    }
    return std::round(static_cast<double>(level) * 10.0) / 10.0;
}

nlohmann::ordered_json LevelObject(const CStationReading& reading, bool isDBA) {
    return {{"time", IsoTime(reading.TimeMs)},
            {"level_db", ReadingLevelJson(reading.LevelDb)},
            {"weighting", Weighting(isDBA)}};
}

std::string LevelPayload(const CStationReading& reading, bool isDBA) {
    return LevelObject(reading, isDBA).dump();
}

nlohmann::ordered_json IntervalObject(const CIntervalLevels& interval) {
    return {{"start", IsoTime(interval.StartMs)}, {"end", IsoTime(interval.EndMs)},
            {"partial", interval.Partial},        {"count", interval.Count},
            {"count_with_level", interval.CountWithLevel},
            {"leq_db", Level(interval.LeqDb)},    {"lmax_db", Level(interval.LmaxDb)},
            {"lmin_db", Level(interval.LminDb)},  {"l10_db", Level(interval.L10Db)},
            {"l50_db", Level(interval.L50Db)},    {"l90_db", Level(interval.L90Db)}};
}

nlohmann::ordered_json WeightedIntervalObject(const CIntervalLevels& interval) {
    nlohmann::ordered_json object = IntervalObject(interval);
    object["weighting"] = Weighting(interval.IsDBA);
    return object;
}

std::string IntervalPayload(const CIntervalLevels& interval) {
    return WeightedIntervalObject(interval).dump();
}

std::string AlarmPayload(const CAlarmCrossing& crossing) {
    return nlohmann::ordered_json{{"time", IsoTime(crossing.TimeMs)},
                                  {"kind", crossing.High ? "high" : "low"},
                                  {"state", crossing.On ? "on" : "off"},
                                  {"level_db", ReadingLevelJson(crossing.LevelDb)}}
        .dump();
}

CAlarmCrossings::CAlarmCrossings(const CAlarmSettings& alarms)
    : m_high(LeadingInteger(alarms.HighText)), m_low(LeadingInteger(alarms.LowText)) {}

std::vector<CAlarmCrossing> CAlarmCrossings::Add(const CStationReading& reading) {
    if (!std::isfinite(reading.LevelDb)) {
        return {};
    }
    const AlarmIndicatorState state = DecideAlarmIndicator(reading.LevelDb, m_high, m_low);
    std::vector<CAlarmCrossing> crossings;
    if (state != m_state) {
        if (m_state != AlarmIndicatorState::Normal) {
            crossings.push_back(
                {reading.TimeMs, m_state == AlarmIndicatorState::High, false, reading.LevelDb});
        }
        if (state != AlarmIndicatorState::Normal) {
            crossings.push_back(
                {reading.TimeMs, state == AlarmIndicatorState::High, true, reading.LevelDb});
        }
        m_state = state;
    }
    return crossings;
}

const char* CAlarmCrossings::State() const {
    switch (m_state) {
        case AlarmIndicatorState::High:
            return "high";
        case AlarmIndicatorState::Low:
            return "low";
        default:
            return "off";
    }
}

std::string TopicWord(std::string_view text) {
    std::string word(text);
    for (char& c : word) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!kept) {
            c = '_';
        }
    }
    return word;
}

std::vector<CDiscoveryMessage> DiscoveryMessages(const std::string& prefix) {
    // FNV-1a: short, and the same for a prefix on every box and in every version.
    std::uint32_t hash = 2166136261u;
    for (const char c : prefix) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    const std::string node = TopicWord(prefix) + "_" + hex;
    const nlohmann::ordered_json device = {{"identifiers", {node}},
                                           {"name", "Sound level datalogger " + prefix},
                                           {"manufacturer", "Datalogger"}};
    struct Entity {
        const char* Object;
        const char* Name;
        const char* Topic;
        const char* Template;
        bool Decibels;
    };
    static constexpr Entity ENTITIES[] = {
        {"level", "Sound level", "level", "{{ value_json.level_db }}", true},
        {"interval_leq", "Interval Leq", "interval", "{{ value_json.leq_db }}", true},
        {"interval_lmax", "Interval Lmax", "interval", "{{ value_json.lmax_db }}", true},
        {"alarm", "Sound alarm", "alarm/state", "{{ value }}", false},
    };
    std::vector<CDiscoveryMessage> messages;
    for (const Entity& entity : ENTITIES) {
        nlohmann::ordered_json config = {{"name", entity.Name},
                                         {"unique_id", node + "_" + entity.Object},
                                         {"state_topic", prefix + "/" + entity.Topic},
                                         {"value_template", entity.Template},
                                         {"availability_topic", prefix + "/status"},
                                         {"payload_available", "online"},
                                         {"payload_not_available", "offline"},
                                         {"device", device}};
        if (entity.Decibels) {
            config["unit_of_measurement"] = "dB";
            config["device_class"] = "sound_pressure";
            config["state_class"] = "measurement";
        }
        messages.push_back(
            {"homeassistant/sensor/" + node + "/" + entity.Object + "/config", config.dump()});
    }
    return messages;
}
