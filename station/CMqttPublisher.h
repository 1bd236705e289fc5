#pragma once

#include <iosfwd>
#include <string>

#include "station/CMqttClient.h"
#include "station/CStationObserver.h"

struct CMqttPublisherSettings {
    std::string Prefix;     // the topics are PREFIX/level, PREFIX/interval, PREFIX/alarm
    int ReadingsEvery = 1;  // publish every Nth reading; 0: none
    CAlarmSettings Alarms;
};

// Passes a station's readings, intervals and alarm crossings on to an MQTT broker, with the
// alarm's state retained on PREFIX/alarm/state ("high", "low" or "off") from the start, and
// says on `messages` when the broker goes away, refuses us or is back, and what it denied.
class CMqttPublisher : public CStationObserver {
public:
    CMqttPublisher(CMqttClient& client, CMqttPublisherSettings settings, std::ostream& messages);

    void RunStarted(const CStationRun& run) override;
    void Reading(const CStationReading& reading) override;
    void IntervalCompleted(const CIntervalLevels& interval) override;
    void RunEnded(std::int64_t) override {}
    void Idle() override { TellLinkChanges(); }

private:
    void TellLinkChanges();
    void PublishAlarmState();

    CMqttClient& m_client;
    CMqttPublisherSettings m_settings;
    std::ostream& m_messages;
    CAlarmCrossings m_crossings;
    bool m_isDBA = true;
    std::int64_t m_readings = 0;
    MqttLink m_toldLink;
};
