#include "station/CMqttClient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr int KEEP_ALIVE_SECONDS = 30;
constexpr int LOOP_TIMEOUT_MS = 200;
// How long the end waits for a broker to take the disconnect.
constexpr std::chrono::seconds STOP_WAIT{2};
// Connections ended soon after the login, in a row, before the user is told.
constexpr int SHORT_SESSIONS_TOLD = 3;
constexpr const char* ONLINE = "online";
constexpr const char* OFFLINE = "offline";

CMqttClient& Of(void* user) {
    return *static_cast<CMqttClient*>(user);
}

// The library's texts end with a full stop; ours go inside sentences.
std::string Clause(std::string text) {
    while (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// Why a connection failed or ended, in words; read at once, before errno changes.
std::string AttemptProblem(int code) {
    switch (code) {
        case MOSQ_ERR_ERRNO:
            return std::strerror(errno);
        case MOSQ_ERR_EAI:
            return "the host name cannot be resolved";
        default:
            return Clause(mosquitto_strerror(code));
    }
}

}  // namespace

CMqttClient::CMqttClient(CMqttClientSettings settings) : m_settings(std::move(settings)) {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
    m_client = mosquitto_new(m_settings.ClientId.c_str(), true, this);
    if (!m_client) {
        SetLink(MqttLink::Refused,
                "the client could not be made (client id \"" + m_settings.ClientId + "\")");
        return;
    }
    mosquitto_threaded_set(m_client, true);
    // MQTT 5: the broker says why it ends a connection or denies a message.
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(
        m_client, [](mosquitto*, void* user, int code, int, const mosquitto_property*) {
            Of(user).Connected(code);
        });
    mosquitto_disconnect_v5_callback_set(
        m_client, [](mosquitto*, void* user, int reason, const mosquitto_property*) {
            Of(user).Disconnected(reason);
        });
    mosquitto_publish_v5_callback_set(
        m_client, [](mosquitto*, void* user, int mid, int reason, const mosquitto_property*) {
            Of(user).Published(mid, reason);
        });
    mosquitto_log_callback_set(m_client, [](mosquitto*, void* user, int level, const char* text) {
        if (level == MOSQ_LOG_ERR) {
            Of(user).Logged(text);
        }
    });
    int code = mosquitto_will_set(m_client, m_settings.StatusTopic.c_str(),
                                  static_cast<int>(std::strlen(OFFLINE)), OFFLINE, 1, true);
    if (code == MOSQ_ERR_SUCCESS && !m_settings.User.empty()) {
        code = mosquitto_username_pw_set(m_client, m_settings.User.c_str(),
                                         m_settings.Password.c_str());
    }
    if (code == MOSQ_ERR_SUCCESS && m_settings.Endpoint.Tls) {
        code = m_settings.CaFile.empty()
                   ? mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                   : mosquitto_tls_set(m_client, m_settings.CaFile.c_str(), nullptr, nullptr,
                                       nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS && !m_settings.CaFile.empty()) {
            SetLink(MqttLink::Refused, "the CA file \"" + m_settings.CaFile + "\" cannot be read");
            return;
        }
    }
    if (code != MOSQ_ERR_SUCCESS) {
        SetLink(MqttLink::Refused, mosquitto_strerror(code));
        return;
    }
    m_thread = std::thread(&CMqttClient::Loop, this);
}

CMqttClient::~CMqttClient() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    mosquitto_destroy(m_client);
}

void CMqttClient::Loop() {
    std::chrono::milliseconds retry = FIRST_RETRY;
    int shortSessions = 0;
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            m_sessionUp = false;
            m_brokerReason.clear();
            m_takenOver = false;
        }
        int code = mosquitto_connect_async(m_client, m_settings.Endpoint.Host.c_str(),
                                           m_settings.Endpoint.Port, KEEP_ALIVE_SECONDS);
        // An end asked for while the connection is being made is taken here, between two
        // steps of the library, never in the middle of one; a broker that does not answer
        // the disconnect is left after a while.
        std::optional<std::chrono::steady_clock::time_point> leaveBy;
        while (code == MOSQ_ERR_SUCCESS) {
            if (m_stopping && !leaveBy) {
                mosquitto_disconnect(m_client);
                leaveBy = std::chrono::steady_clock::now() + STOP_WAIT;
            }
            if (leaveBy && std::chrono::steady_clock::now() > *leaveBy) {
                break;
            }
            code = mosquitto_loop(m_client, LOOP_TIMEOUT_MS, 1);
        }
        if (m_stopping) {
            return;
        }
        const std::string problem = AttemptProblem(code);
        std::unique_lock lock(m_mutex);
        if (m_link == MqttLink::Refused) {
            return;
        }
        // A TLS failure before the broker answered is a certificate or a set-up that will not
        // change by trying again; one later is a lost connection.
        if (code == MOSQ_ERR_TLS && !m_sessionUp) {
            const std::lock_guard logLock(m_logMutex);
            m_link = MqttLink::Refused;
            m_problem =
                "TLS failed: " + (m_tlsError.empty() ? std::string("no reason given") : m_tlsError);
            m_changed.notify_all();
            return;
        }
        if (m_sessionUp && std::chrono::steady_clock::now() - m_onlineSince >= STEADY_SESSION) {
            retry = FIRST_RETRY;
            shortSessions = 0;
        } else if (m_sessionUp && ++shortSessions == SHORT_SESSIONS_TOLD) {
            // Brokers that give no reason end a connection so for a packet too large or for
            // another client that logs in with our id.
            Notice("short", "The MQTT broker ended the connection soon after each of the last " +
                                std::to_string(SHORT_SESSIONS_TOLD) + " logins (" +
                                (m_brokerReason.empty()
                                     ? "no reason given: a message too large, or another "
                                       "client with the client id \"" +
                                           m_settings.ClientId + "\"?"
                                     : m_brokerReason) +
                                "); it is tried again less often, up to every " +
                                std::to_string(LONGEST_RETRY.count()) + " s.");
        }
        if (m_takenOver) {
            retry = std::max<std::chrono::milliseconds>(retry, TAKEN_OVER_RETRY);
        }
        m_problem = !m_sessionUp            ? problem
                    : m_brokerReason.empty() ? "the connection was lost"
                                             : "the broker ended the connection: " + m_brokerReason;
        m_link = MqttLink::Away;
        m_changed.notify_all();
        m_changed.wait_for(lock, retry, [this] { return m_stopping.load(); });
        if (m_stopping) {
            return;
        }
        retry = std::clamp<std::chrono::milliseconds>(retry * 2, FIRST_RETRY,
                                                      m_takenOver ? retry : LONGEST_RETRY);
    }
}

CMqttClient::Handed CMqttClient::Hand(const Message& message, int qos) {
    int mid = 0;
    const int code =
        mosquitto_publish(m_client, &mid, message.Topic.c_str(),
                          static_cast<int>(message.Payload.size()), message.Payload.data(), qos,
                          message.Retain);
    if (code == MOSQ_ERR_OVERSIZE_PACKET) {
        // The broker said, as we connected, how large a packet it takes: never this one.
        Notice("large " + message.Topic, "The MQTT broker takes no message as large as the one on " +
                                             message.Topic + " (" +
                                             std::to_string(message.Payload.size()) +
                                             " bytes): it is not published.");
        m_dropped += message.Counted ? 1 : 0;
        return Handed::Never;
    }
    if (code != MOSQ_ERR_SUCCESS) {
        return Handed::Later;
    }
    if (qos > 0) {
        m_inFlight[mid] = {message.Topic, message.Counted};
    }
    return Handed::Yes;
}

void CMqttClient::Keep(Message message) {
    const std::lock_guard lock(m_mutex);
    if (m_link == MqttLink::Refused) {
        ++m_dropped;
        return;
    }
    if (m_link == MqttLink::Online && m_queue.empty() && Hand(message, 1) != Handed::Later) {
        return;
    }
    // Alarms give way first: to the bound of alarms, then to a full queue.
    const bool alarmsFull = message.Alarm && m_queuedAlarms == ALARM_CAPACITY;
    if (alarmsFull || m_queue.size() == QUEUE_CAPACITY) {
        auto evicted = alarmsFull || m_queuedAlarms > 0
                           ? std::find_if(m_queue.begin(), m_queue.end(),
                                          [](const Message& m) { return m.Alarm; })
                           : m_queue.begin();
        m_queuedAlarms -= evicted->Alarm ? 1 : 0;
        m_queue.erase(evicted);
        ++m_dropped;
    }
    m_queuedAlarms += message.Alarm ? 1 : 0;
    m_queue.push_back(std::move(message));
}

void CMqttClient::SetLink(MqttLink link, std::string problem) {
    {
        const std::lock_guard lock(m_mutex);
        m_link = link;
        m_problem = std::move(problem);
    }
    m_changed.notify_all();
}

void CMqttClient::Connected(int code) {
    if (code == MQTT_RC_SERVER_UNAVAILABLE || code == MQTT_RC_SERVER_BUSY) {
        mosquitto_disconnect(m_client);  // for now: the loop tries again
        return;
    }
    if (code != 0) {
        SetLink(MqttLink::Refused,
                "the broker refused the connection: " + Clause(mosquitto_reason_string(code)));
        mosquitto_disconnect(m_client);
        return;
    }
    const std::lock_guard lock(m_mutex);
    Hand({m_settings.StatusTopic, ONLINE, true}, 1);
    for (const CDiscoveryMessage& announcement : m_settings.Announcements) {
        Hand({announcement.Topic, announcement.Payload, true}, 1);
    }
    for (const auto& [topic, payload] : m_states) {
        Hand({topic, payload, true}, 1);
    }
    while (!m_queue.empty() && Hand(m_queue.front(), 1) != Handed::Later) {
        m_queuedAlarms -= m_queue.front().Alarm ? 1 : 0;
        m_queue.pop_front();
    }
    m_link = MqttLink::Online;
    m_sessionUp = true;
    m_onlineSince = std::chrono::steady_clock::now();
    m_problem.clear();
    m_changed.notify_all();
}

void CMqttClient::Disconnected(int reason) {
    const std::lock_guard lock(m_mutex);
    // The broker's own reasons are 128 and above; below are the library's errors.
    if (reason >= 128) {
        m_brokerReason = Clause(mosquitto_reason_string(reason));
    }
    if (reason == MQTT_RC_SESSION_TAKEN_OVER) {
        m_takenOver = true;
        Notice("taken over", "Another client connected to the MQTT broker with this monitor's "
                             "client id \"" +
                                 m_settings.ClientId +
                                 "\" and took the connection over (two monitors with one "
                                 "--mqtt-client-id?); it is tried again every " +
                                 std::to_string(TAKEN_OVER_RETRY.count()) + " s.");
    }
    if (m_link == MqttLink::Online) {
        m_link = MqttLink::Away;
        m_problem = "the connection was lost";
        m_changed.notify_all();
    }
}

void CMqttClient::Published(int mid, int reason) {
    {
        const std::lock_guard lock(m_mutex);
        const auto flight = m_inFlight.find(mid);
        if (flight == m_inFlight.end()) {
            return;
        }
        if (reason >= 128) {
            Notice("denied " + flight->second.Topic,
                   "The MQTT broker denied the messages on " + flight->second.Topic + " (" +
                       Clause(mosquitto_reason_string(reason)) + ").");
            m_dropped += flight->second.Counted ? 1 : 0;
        }
        m_inFlight.erase(flight);
    }
    m_changed.notify_all();
}

void CMqttClient::Logged(const char* text) {
    const std::lock_guard lock(m_logMutex);
    m_tlsError = Clause(text);
}

void CMqttClient::Notice(std::string key, std::string text) {
    if (std::find(m_told.begin(), m_told.end(), key) == m_told.end()) {
        m_told.push_back(std::move(key));
        m_notices.push_back(std::move(text));
    }
}

std::vector<std::string> CMqttClient::TakeNotices() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_notices, {});
}

MqttLink CMqttClient::WaitForFirstOutcome(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return m_link != MqttLink::Connecting; });
    return m_link;
}

MqttLink CMqttClient::Link() const {
    const std::lock_guard lock(m_mutex);
    return m_link;
}

std::string CMqttClient::Problem() const {
    const std::lock_guard lock(m_mutex);
    return m_problem;
}

void CMqttClient::PublishKept(const std::string& topic, const std::string& payload) {
    Keep({topic, payload, false, true, false});
}

void CMqttClient::PublishAlarm(const std::string& topic, const std::string& payload) {
    Keep({topic, payload, false, true, true});
}

void CMqttClient::PublishLive(const std::string& topic, const std::string& payload) {
    const std::lock_guard lock(m_mutex);
    if (m_link == MqttLink::Online) {
        Hand({topic, payload, false}, 0);
    }
}

void CMqttClient::PublishState(const std::string& topic, const std::string& payload) {
    const std::lock_guard lock(m_mutex);
    m_states[topic] = payload;
    if (m_link == MqttLink::Online) {
        Hand({topic, payload, true}, 1);
    }
}

std::int64_t CMqttClient::Close(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    // A broker away for a moment may come back before the deadline and take the queue.
    m_changed.wait_until(lock, deadline, [this] {
        return m_link != MqttLink::Connecting && m_link != MqttLink::Away;
    });
    if (m_link == MqttLink::Online) {
        Hand({m_settings.StatusTopic, OFFLINE, true}, 1);
    }
    // What the broker has acknowledged is published; a broker that stopped answering (or a
    // connection that went) leaves the rest in flight.
    m_changed.wait_until(lock, deadline, [this] { return m_inFlight.empty(); });
    std::int64_t lost = static_cast<std::int64_t>(m_queue.size()) + m_dropped;
    for (const auto& [mid, flight] : m_inFlight) {
        lost += flight.Counted ? 1 : 0;
    }
    return lost;
}
