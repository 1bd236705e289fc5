#include "station/CMqttClient.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr int KEEP_ALIVE_SECONDS = 30;
constexpr int LOOP_TIMEOUT_MS = 200;
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
    mosquitto_connect_callback_set(
        m_client, [](mosquitto*, void* user, int code) { Of(user).Connected(code); });
    mosquitto_disconnect_callback_set(m_client,
                                      [](mosquitto*, void* user, int) { Of(user).Disconnected(); });
    mosquitto_publish_callback_set(
        m_client, [](mosquitto*, void* user, int mid) { Of(user).Published(mid); });
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
        mosquitto_disconnect(m_client);
        m_thread.join();
    }
    mosquitto_destroy(m_client);
}

void CMqttClient::Loop() {
    std::chrono::milliseconds retry = FIRST_RETRY;
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            m_sessionUp = false;
        }
        int code = mosquitto_connect_async(m_client, m_settings.Endpoint.Host.c_str(),
                                           m_settings.Endpoint.Port, KEEP_ALIVE_SECONDS);
        while (code == MOSQ_ERR_SUCCESS) {
            code = mosquitto_loop(m_client, LOOP_TIMEOUT_MS, 1);
        }
        const std::string problem = AttemptProblem(code);
        std::unique_lock lock(m_mutex);
        if (m_stopping || m_link == MqttLink::Refused) {
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
        if (m_sessionUp) {
            retry = FIRST_RETRY;
        }
        m_problem = m_sessionUp ? "the connection was lost" : problem;
        m_link = MqttLink::Away;
        m_changed.notify_all();
        m_changed.wait_for(lock, retry, [this] { return m_stopping; });
        if (m_stopping) {
            return;
        }
        retry = std::min<std::chrono::milliseconds>(retry * 2, LONGEST_RETRY);
    }
}

bool CMqttClient::Hand(const Message& message, int qos) {
    return mosquitto_publish(m_client, nullptr, message.Topic.c_str(),
                             static_cast<int>(message.Payload.size()), message.Payload.data(), qos,
                             message.Retain) == MOSQ_ERR_SUCCESS;
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
    if (code == 3) {  // the server is unavailable for now: the loop tries again
        mosquitto_disconnect(m_client);
        return;
    }
    if (code != 0) {
        SetLink(MqttLink::Refused,
                "the broker refused the connection: " + Clause(mosquitto_connack_string(code)));
        mosquitto_disconnect(m_client);
        return;
    }
    const std::lock_guard lock(m_mutex);
    Hand({m_settings.StatusTopic, ONLINE, true}, 1);
    for (const CDiscoveryMessage& announcement : m_settings.Announcements) {
        Hand({announcement.Topic, announcement.Payload, true}, 1);
    }
    while (!m_queue.empty() && Hand(m_queue.front(), 1)) {
        m_queue.pop_front();
    }
    m_link = MqttLink::Online;
    m_sessionUp = true;
    m_problem.clear();
    m_changed.notify_all();
}

void CMqttClient::Disconnected() {
    const std::lock_guard lock(m_mutex);
    if (m_link == MqttLink::Online) {
        m_link = MqttLink::Away;
        m_problem = "the connection was lost";
        m_changed.notify_all();
    }
}

void CMqttClient::Published(int mid) {
    {
        const std::lock_guard lock(m_ackMutex);
        if (m_closing) {
            m_acknowledged.push_back(mid);
        }
    }
    m_acknowledgedChanged.notify_all();
}

void CMqttClient::Logged(const char* text) {
    const std::lock_guard lock(m_logMutex);
    m_tlsError = Clause(text);
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
    const std::lock_guard lock(m_mutex);
    Message message{topic, payload, false};
    if (m_link == MqttLink::Online && m_queue.empty() && Hand(message, 1)) {
        return;
    }
    if (m_queue.size() == QUEUE_CAPACITY) {
        m_queue.pop_front();
        ++m_dropped;
    }
    m_queue.push_back(std::move(message));
}

void CMqttClient::PublishLive(const std::string& topic, const std::string& payload) {
    const std::lock_guard lock(m_mutex);
    if (m_link == MqttLink::Online) {
        Hand({topic, payload, false}, 0);
    }
}

std::int64_t CMqttClient::Close(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    {
        const std::lock_guard lock(m_ackMutex);
        m_closing = true;
    }
    int statusMid = -1;
    {
        std::unique_lock lock(m_mutex);
        // A broker away for a moment may come back before the deadline and take the queue.
        m_changed.wait_until(lock, deadline, [this] {
            return m_link != MqttLink::Connecting && m_link != MqttLink::Away;
        });
        if (m_link == MqttLink::Online &&
            mosquitto_publish(m_client, &statusMid, m_settings.StatusTopic.c_str(),
                              static_cast<int>(std::strlen(OFFLINE)), OFFLINE, 1,
                              true) != MOSQ_ERR_SUCCESS) {
            statusMid = -1;
        }
    }
    if (statusMid >= 0) {
        // The broker acknowledges in order: once it has the status, it has all before it.
        std::unique_lock lock(m_ackMutex);
        m_acknowledgedChanged.wait_until(lock, deadline, [&] {
            return std::find(m_acknowledged.begin(), m_acknowledged.end(), statusMid) !=
                   m_acknowledged.end();
        });
    }
    const std::lock_guard lock(m_mutex);
    return static_cast<std::int64_t>(m_queue.size()) + m_dropped;
}
