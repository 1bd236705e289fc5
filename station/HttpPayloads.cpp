#include "station/HttpPayloads.h"

#include <cmath>
#include <cstdio>

#include "platform/LocalTime.h"

namespace {

// Tenths of a decibel for levels, NaN for a reading without one, as Prometheus writes it.
std::string Decibels(double level) {
    if (!std::isfinite(level)) {
        return "NaN";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", level);
    return text;
}

std::string Seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

void Family(std::string& text, const char* name, const char* type, const char* help) {
    text += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

void Sample(std::string& text, const std::string& name, const std::string& value) {
    text += name + ' ' + value + '\n';
}

nlohmann::ordered_json Optional(const std::optional<double>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string MetricsText(const CStationSnapshot& state) {
    std::string text;
    const bool isDBA = !state.Run || state.Run->IsDBA;
    const std::string weighting = isDBA ? "{weighting=\"A\"}" : "{weighting=\"C\"}";
    if (state.Last) {
        Family(text, "datalogger_level_decibels", "gauge",
               "The newest sound level read from the logger (NaN when it gave none).");
        Sample(text, "datalogger_level_decibels" + weighting, Decibels(state.Last->LevelDb));
        Family(text, "datalogger_level_timestamp_seconds", "gauge",
               "When the newest reading was taken, in seconds since the Unix epoch.");
        Sample(text, "datalogger_level_timestamp_seconds", Seconds(state.Last->TimeMs));
    }
    Family(text, "datalogger_readings_total", "counter",
           "Readings taken since the monitor started, with or without a level.");
    Sample(text, "datalogger_readings_total", std::to_string(state.Readings));
    Family(text, "datalogger_readings_without_level_total", "counter",
           "Readings for which the logger gave no level (polls missed or not answered).");
    Sample(text, "datalogger_readings_without_level_total",
           std::to_string(state.ReadingsWithoutLevel));
    if (state.LastInterval) {
        const CIntervalLevels& interval = *state.LastInterval;
        const std::string intervalWeighting =
            interval.IsDBA ? "{weighting=\"A\"}" : "{weighting=\"C\"}";
        Family(text, "datalogger_interval_leq_decibels", "gauge",
               "The equivalent continuous level of the last completed interval.");
        Sample(text, "datalogger_interval_leq_decibels" + intervalWeighting,
               Decibels(interval.LeqDb.value_or(NAN)));
        Family(text, "datalogger_interval_lmax_decibels", "gauge",
               "The highest level of the last completed interval.");
        Sample(text, "datalogger_interval_lmax_decibels" + intervalWeighting,
               Decibels(interval.LmaxDb.value_or(NAN)));
    }
    Family(text, "datalogger_alarm_active", "gauge",
           "Whether the level is beyond the high or the low alarm level (1) or not (0).");
    Sample(text, "datalogger_alarm_active{alarm=\"high\"}", state.Alarm == "high" ? "1" : "0");
    Sample(text, "datalogger_alarm_active{alarm=\"low\"}", state.Alarm == "low" ? "1" : "0");
    if (state.ArchivePending) {
        Family(text, "datalogger_archive_pending_readings", "gauge",
               "Readings waiting in memory to be written to the archive.");
        Sample(text, "datalogger_archive_pending_readings", std::to_string(*state.ArchivePending));
    }
    Family(text, "datalogger_logger_connected", "gauge",
           "Whether the logger answers and a run is under way (1) or not (0).");
    Sample(text, "datalogger_logger_connected", state.LoggerConnected ? "1" : "0");
    if (state.BrokerOnline) {
        Family(text, "datalogger_mqtt_connected", "gauge",
               "Whether the MQTT broker has accepted the monitor's connection (1) or not (0).");
        Sample(text, "datalogger_mqtt_connected", *state.BrokerOnline ? "1" : "0");
    }
    Family(text, "process_start_time_seconds", "gauge",
           "Start time of the process since the Unix epoch in seconds.");
    Sample(text, "process_start_time_seconds", Seconds(state.ProcessStartMs));
    return text;
}

nlohmann::ordered_json StatusObject(const CStationSnapshot& state) {
    nlohmann::ordered_json status;
    status["logger"] = {{"connected", state.LoggerConnected},
                        {"name", state.Run ? state.Run->Logger : ""}};
    const bool isDBA = !state.Run || state.Run->IsDBA;
    if (state.Run) {
        const bool any = state.RunReadingsWithLevel > 0;
        status["run"] = {{"start", IsoLocalTimeMs(state.Run->StartMs, false)},
                         {"weighting", isDBA ? "A" : "C"},
                         {"time_weighting", state.Run->IsFast ? "fast" : "slow"},
                         {"sample_interval_s", state.Run->SampleInterval},
                         {"count", state.RunReadings},
                         {"count_with_level", state.RunReadingsWithLevel},
                         {"leq_db", Optional(state.RunLeqDb())},
                         {"lmax_db", any ? ReadingLevelJson(state.RunMaxDb) : nullptr},
                         {"lmin_db", any ? ReadingLevelJson(state.RunMinDb) : nullptr}};
    } else {
        status["run"] = nullptr;
    }
    status["level"] = state.Last ? LevelObject(*state.Last, isDBA) : nullptr;
    status["interval"] = state.LastInterval ? WeightedIntervalObject(*state.LastInterval) : nullptr;
    status["alarm"] = state.Alarm;
    status["readings"] = state.Readings;
    status["readings_without_level"] = state.ReadingsWithoutLevel;
    status["archive"] = state.ArchivePending
                            ? nlohmann::ordered_json{{"pending_readings", *state.ArchivePending}}
                            : nullptr;
    status["mqtt"] =
        state.BrokerOnline ? nlohmann::ordered_json{{"connected", *state.BrokerOnline}} : nullptr;
    return status;
}

nlohmann::ordered_json HistoryArray(const std::vector<CStationReading>& readings) {
    nlohmann::ordered_json history = nlohmann::ordered_json::array();
    for (const CStationReading& reading : readings) {
        history.push_back({reading.TimeMs, ReadingLevelJson(reading.LevelDb)});
    }
    return history;
}

nlohmann::ordered_json IntervalArray(const std::vector<CIntervalLevels>& intervals) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const CIntervalLevels& interval : intervals) {
        array.push_back(WeightedIntervalObject(interval));
    }
    return array;
}
