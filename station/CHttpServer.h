#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "station/CStationState.h"

namespace httplib {
class Server;
}

struct CHttpServerSettings {
    std::string Host = "127.0.0.1";
    int Port = 0;
    // Asked for as a bearer token or as the password of basic authentication (user
    // "datalogger"); empty: no authentication.
    std::string Token;
    // Where /api/intervals reads from; empty: the intervals the state keeps in memory.
    std::optional<std::filesystem::path> Archive;
};

// A read-only HTTP server of a station's state: the page at /, /metrics for Prometheus, and
// /api/status, /api/level, /api/intervals and /api/events (server-sent events). It runs on
// threads of its own and only reads the state, so a slow or hostile client never holds up the
// station; the library's timeouts and limits drop what takes too long or asks too much.
class CHttpServer {
public:
    static constexpr int THREADS = 32;
    // Event streams hold a thread each: the rest stay free for other requests.
    static constexpr int MAX_EVENT_STREAMS = 16;
    static constexpr std::size_t MAX_INTERVALS = 10000;

    CHttpServer(CStationState& state, CHttpServerSettings settings);
    ~CHttpServer();
    CHttpServer(const CHttpServer&) = delete;
    CHttpServer& operator=(const CHttpServer&) = delete;

    // Binds the address and serves from a thread of its own; false when the address cannot
    // be had (taken, not this machine's).
    bool Start();
    // Ends the event streams and every connection; waits for the server's threads.
    void Stop();

private:
    void Route();
    bool Authorized(const std::string& header) const;
    // The newest state as an event and its sequence number: made once for every stream.
    std::pair<std::shared_ptr<const std::string>, std::int64_t> StatusEvent();

    CStationState& m_state;
    CHttpServerSettings m_settings;
    std::unique_ptr<httplib::Server> m_server;
    std::atomic<int> m_eventStreams{0};
    std::mutex m_eventMutex;  // guards the newest event
    std::shared_ptr<const std::string> m_event;
    std::int64_t m_eventSequence = -1;
    std::thread m_thread;
};
