#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "station/MqttPayloads.h"

struct mosquitto;

struct CMqttClientSettings {
    CMqttEndpoint Endpoint;
    std::string CaFile;  // empty: the system's CA store (TLS only)
    std::string User;    // empty: no login
    std::string Password;
    std::string ClientId;
    // Retained on this topic: "online" once connected, "offline" as the last will and at the
    // end.
    std::string StatusTopic;
    // Published, retained, after "online" at each connection.
    std::vector<CDiscoveryMessage> Announcements;
};

// The state of the link to the broker.
enum class MqttLink {
    Connecting,  // no outcome yet
    Online,
    Away,     // the broker cannot be reached or went away: tried again with back-off
    Refused,  // the broker or its TLS refused us: not tried again
};

// A connection to an MQTT broker kept in a thread of its own, so that a slow or absent broker
// never holds up the caller. Messages of QoS 1 wait in a bounded queue while the broker is
// away and go out in order when it returns; QoS 0 messages are dropped meanwhile.
class CMqttClient {
public:
    // Messages kept while the broker is away: at one a minute, a week of interval levels.
    static constexpr std::size_t QUEUE_CAPACITY = 10000;
    static constexpr std::chrono::seconds FIRST_RETRY{1};
    static constexpr std::chrono::seconds LONGEST_RETRY{32};

    explicit CMqttClient(CMqttClientSettings settings);
    ~CMqttClient();
    CMqttClient(const CMqttClient&) = delete;
    CMqttClient& operator=(const CMqttClient&) = delete;

    // Waits at most `timeout` for the first attempt's outcome.
    MqttLink WaitForFirstOutcome(std::chrono::milliseconds timeout);
    MqttLink Link() const;
    // Why the broker is away or refused us, in words; empty while online.
    std::string Problem() const;

    void PublishKept(const std::string& topic, const std::string& payload);  // QoS 1
    void PublishLive(const std::string& topic, const std::string& payload);  // QoS 0

    // Publishes the status "offline", waits at most `timeout` for the broker to acknowledge
    // it and everything queued, and disconnects. The messages of QoS 1 that never reached the
    // broker, those the full queue dropped included.
    std::int64_t Close(std::chrono::milliseconds timeout);

private:
    struct Message {
        std::string Topic;
        std::string Payload;
        bool Retain;
    };

    void Loop();
    // Hands a message to the library; false when it cannot take it now.
    bool Hand(const Message& message, int qos);
    void SetLink(MqttLink link, std::string problem);
    void Connected(int code);
    void Disconnected();
    void Published(int mid);
    void Logged(const char* text);

    CMqttClientSettings m_settings;
    mosquitto* m_client = nullptr;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    MqttLink m_link = MqttLink::Connecting;
    std::string m_problem;
    bool m_stopping = false;
    bool m_sessionUp = false;  // the broker accepted the present connection
    std::deque<Message> m_queue;
    std::int64_t m_dropped = 0;

    // The library logs from whichever thread calls it, m_mutex held or not.
    std::mutex m_logMutex;
    std::string m_tlsError;  // the last complaint the library logged

    // The acknowledgements that come while closing.
    std::mutex m_ackMutex;
    std::condition_variable m_acknowledgedChanged;
    bool m_closing = false;
    std::vector<int> m_acknowledged;

    std::thread m_thread;
};
