#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <atomic>
#include <functional>
#include <map>
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

// A connection to an MQTT broker (MQTT 5, for the broker's reasons) kept in a thread of its
// own, so that a slow or absent broker never holds up the caller. Messages of QoS 1 wait in a
// bounded queue while the broker is away and go out in order when it returns; QoS 0 messages
// are dropped meanwhile. A message counts as published once the broker acknowledges it.
class CMqttClient {
public:
    // Messages kept while the broker is away: at one a minute, a week of interval levels.
    static constexpr std::size_t QUEUE_CAPACITY = 10000;
    // Alarms kept of those: a level hovering at a threshold must not push the intervals out.
    static constexpr std::size_t ALARM_CAPACITY = 1000;
    static constexpr std::chrono::seconds FIRST_RETRY{1};
    static constexpr std::chrono::seconds LONGEST_RETRY{32};
    // After another client took our id: two monitors with one id would take turns forever.
    static constexpr std::chrono::seconds TAKEN_OVER_RETRY{300};
    // A connection the broker ends sooner than this is no sign that it is well again.
    static constexpr std::chrono::seconds STEADY_SESSION{60};

    explicit CMqttClient(CMqttClientSettings settings);
    ~CMqttClient();
    CMqttClient(const CMqttClient&) = delete;
    CMqttClient& operator=(const CMqttClient&) = delete;

    // Waits at most `timeout` for the first attempt's outcome.
    MqttLink WaitForFirstOutcome(std::chrono::milliseconds timeout);
    MqttLink Link() const;
    // Why the broker is away or refused us, in words; empty while online.
    std::string Problem() const;

    void PublishKept(const std::string& topic, const std::string& payload);   // QoS 1
    void PublishAlarm(const std::string& topic, const std::string& payload);  // QoS 1, bounded
    void PublishLive(const std::string& topic, const std::string& payload);   // QoS 0
    // Retained, and published again at each connection: a state a new subscriber needs.
    void PublishState(const std::string& topic, const std::string& payload);
    // What happened at the broker that the user should know (a denied message, another
    // client with our id, a message too large), each once; the caller says them.
    std::vector<std::string> TakeNotices();

    // Publishes the status "offline" and waits at most `timeout` for the broker to acknowledge
    // it and everything before it. The intervals and alarms the broker did not acknowledge by
    // then or denied, those the full queue dropped included.
    std::int64_t Close(std::chrono::milliseconds timeout);

private:
    struct Message {
        std::string Topic;
        std::string Payload;
        bool Retain;
        bool Counted = false;  // an interval or an alarm, whose loss is told
        bool Alarm = false;
    };
    enum class Handed { Yes, Later, Never };

    void Loop();
    // Hands a message to the library, m_mutex held.
    Handed Hand(const Message& message, int qos);
    void Keep(Message message);
    void SetLink(MqttLink link, std::string problem);
    void Connected(int code);
    void Disconnected(int reason);
    void Published(int mid, int reason);
    void Logged(const char* text);
    void Notice(std::string key, std::string text);

    CMqttClientSettings m_settings;
    mosquitto* m_client = nullptr;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    MqttLink m_link = MqttLink::Connecting;
    std::string m_problem;
    // Only the loop's thread connects and disconnects; the end is asked of it by this flag.
    std::atomic<bool> m_stopping = false;
    bool m_sessionUp = false;  // the broker accepted the present connection
    std::chrono::steady_clock::time_point m_onlineSince;
    std::string m_brokerReason;  // why the broker ended the present connection
    bool m_takenOver = false;
    std::deque<Message> m_queue;
    std::size_t m_queuedAlarms = 0;
    std::int64_t m_dropped = 0;  // intervals and alarms lost: dropped, denied, too large
    std::map<std::string, std::string> m_states;
    struct Flight {
        std::string Topic;
        bool Counted;
    };
    std::map<int, Flight> m_inFlight;  // handed to the library, not yet acknowledged
    std::vector<std::string> m_notices;
    std::vector<std::string> m_told;  // keys of the notices given

    // The library logs from whichever thread calls it, m_mutex held or not.
    std::mutex m_logMutex;
    std::string m_tlsError;  // the last complaint the library logged

    std::thread m_thread;
};
