#include "station/CMqttPublisher.h"

#include <ostream>

CMqttPublisher::CMqttPublisher(CMqttClient& client, CMqttPublisherSettings settings,
                               std::ostream& messages)
    : m_client(client),
      m_settings(std::move(settings)),
      m_messages(messages),
      m_crossings(m_settings.Alarms),
      m_toldLink(client.Link()) {
    // A new run starts from no alarm: a dashboard still showing the last run's is put right.
    PublishAlarmState();
}

void CMqttPublisher::PublishAlarmState() {
    m_client.PublishState(m_settings.Prefix + "/alarm/state", m_crossings.State());
}

void CMqttPublisher::RunStarted(const CStationRun& run) {
    m_isDBA = run.IsDBA;
}

void CMqttPublisher::Reading(const CStationReading& reading) {
    ++m_readings;
    if (m_settings.ReadingsEvery > 0 && m_readings % m_settings.ReadingsEvery == 0) {
        m_client.PublishLive(m_settings.Prefix + "/level", LevelPayload(reading, m_isDBA));
    }
    const std::vector<CAlarmCrossing> crossings = m_crossings.Add(reading);
    for (const CAlarmCrossing& crossing : crossings) {
        m_client.PublishAlarm(m_settings.Prefix + "/alarm", AlarmPayload(crossing));
    }
    if (!crossings.empty()) {
        PublishAlarmState();
    }
    TellLinkChanges();
}

void CMqttPublisher::IntervalCompleted(const CIntervalLevels& interval) {
    m_client.PublishKept(m_settings.Prefix + "/interval", IntervalPayload(interval));
}

void CMqttPublisher::TellLinkChanges() {
    for (const std::string& notice : m_client.TakeNotices()) {
        m_messages << notice << '\n';
    }
    const MqttLink link = m_client.Link();
    if (link == m_toldLink) {
        return;
    }
    if (link == MqttLink::Away) {
        m_messages << "The MQTT broker went away (" << m_client.Problem()
                   << "); intervals and alarms wait for it, and it is tried again.\n";
    } else if (link == MqttLink::Online && m_toldLink == MqttLink::Away) {
        m_messages << "The MQTT broker is back: what waited is published.\n";
    } else if (link == MqttLink::Refused) {
        m_messages << "The MQTT broker refused this monitor (" << m_client.Problem()
                   << "): nothing more is published.\n";
    }
    m_toldLink = link;
}
