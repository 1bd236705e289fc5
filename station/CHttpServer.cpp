#include "station/CHttpServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include "station/ArchiveQueries.h"
#include "station/HttpPayloads.h"
#include "station/MonitorPage.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* JSON_TYPE = "application/json";
// The intervals of the table the page starts with.
constexpr std::size_t PAGE_INTERVALS = 12;
// A quiet event stream still says something this often, so that proxies and browsers keep it.
constexpr std::chrono::seconds KEEP_ALIVE{15};
// Timeouts of a connection: a client that sends or reads nothing for this long is dropped.
constexpr time_t CLIENT_TIMEOUT_S = 5;
constexpr std::size_t MAX_BODY = 1024;  // nothing here takes a body
// What the kernel holds for a client that does not read, before a write waits and times out.
constexpr int SEND_BUFFER = 64 * 1024;

// Compares without stopping at the first difference: the time taken says nothing of the token.
bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}

void Json(httplib::Response& res, const nlohmann::ordered_json& body, int status = 200) {
    res.status = status;
    res.set_content(body.dump(), JSON_TYPE);
}

void Error(httplib::Response& res, int status, const std::string& text) {
    Json(res, {{"error", text}}, status);
}

nlohmann::ordered_json FullStatus(const CStationState& state) {
    nlohmann::ordered_json status = StatusObject(state.Snapshot());
    std::vector<CIntervalLevels> intervals = state.Intervals(INT64_MIN, INT64_MAX);
    if (intervals.size() > PAGE_INTERVALS) {
        intervals.erase(intervals.begin(), intervals.end() - PAGE_INTERVALS);
    }
    status["intervals"] = IntervalArray(intervals);
    status["history"] = HistoryArray(state.History());
    return status;
}

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CHttpServer::CHttpServer(CStationState& state, CHttpServerSettings settings)
    : m_state(state),
      m_settings(std::move(settings)),
      m_server(std::make_unique<httplib::Server>()) {
    m_server->new_task_queue = [] { return new httplib::ThreadPool(THREADS); };
    m_server->set_read_timeout(CLIENT_TIMEOUT_S);
    m_server->set_write_timeout(CLIENT_TIMEOUT_S);
    m_server->set_keep_alive_timeout(CLIENT_TIMEOUT_S);
    m_server->set_payload_max_length(MAX_BODY);
    // The address may be taken again at once after a restart, but never shared with a second
    // server that is running (the library's own options would let two share a port).
    m_server->set_socket_options([](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &SEND_BUFFER, sizeof SEND_BUFFER);
    });
    // Every answer, an error's too: the page may only use what this server serves, may not be
    // framed, and nothing is kept in a cache.
    m_server->set_default_headers(
        {{"Content-Security-Policy",
          "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
          "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
         {"X-Content-Type-Options", "nosniff"},
         {"Cache-Control", "no-store"},
         {"Referrer-Policy", "no-referrer"},
         {"X-Frame-Options", "DENY"}});
    Route();
}

CHttpServer::~CHttpServer() {
    Stop();
}

bool CHttpServer::Authorized(const std::string& header) const {
    if (m_settings.Token.empty()) {
        return true;
    }
    const std::string basic =
        httplib::make_basic_authentication_header("datalogger", m_settings.Token).second;
    return SameText(header, "Bearer " + m_settings.Token) || SameText(header, basic);
}

void CHttpServer::Route() {
    m_server->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (Authorized(req.get_header_value("Authorization"))) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        // A browser asks its user for the token as a password; a program sends it as a
        // bearer token.
        res.set_header("WWW-Authenticate", "Basic realm=\"datalogger\", charset=\"UTF-8\"");
        Error(res, 401, "this station asks for its token");
        return httplib::Server::HandlerResponse::Handled;
    });
    m_server->Get("/", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(MonitorPageHtml(FullStatus(m_state).dump()), "text/html; charset=utf-8");
    });
    m_server->Get("/page.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(MONITOR_PAGE_CSS, "text/css; charset=utf-8");
    });
    m_server->Get("/page.js", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(MONITOR_PAGE_JS, "text/javascript; charset=utf-8");
    });
    m_server->Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(MetricsText(m_state.Snapshot()),
                        "text/plain; version=0.0.4; charset=utf-8");
    });
    m_server->Get("/api/status", [this](const httplib::Request&, httplib::Response& res) {
        Json(res, FullStatus(m_state));
    });
    m_server->Get("/api/level", [this](const httplib::Request&, httplib::Response& res) {
        const CStationSnapshot state = m_state.Snapshot();
        if (!state.Last) {
            Error(res, 503, "no reading yet");
            return;
        }
        Json(res, LevelObject(*state.Last, !state.Run || state.Run->IsDBA));
    });
    m_server->Get("/api/intervals", [this](const httplib::Request& req, httplib::Response& res) {
        // The last day unless asked otherwise.
        CArchiveRange range{NowMs() - CStationState::INTERVALS_MS, INT64_MAX};
        for (auto [name, bound] :
             {std::pair{"from", &range.FromMs}, std::pair{"to", &range.ToMs}}) {
            if (!req.has_param(name)) {
                continue;
            }
            const auto time = ParseArchiveTime(req.get_param_value(name));
            if (!time) {
                Error(res, 400, std::string(name) + ": not a time (2026-12-07T21:00:00Z)");
                return;
            }
            *bound = *time;
        }
        // Read as they stream from the archive: only the answer is held.
        nlohmann::ordered_json intervals = nlohmann::ordered_json::array();
        std::size_t count = 0;
        const auto take = [&](const CIntervalLevels& interval) {
            if (++count <= MAX_INTERVALS) {
                intervals.push_back(WeightedIntervalObject(interval));
            }
        };
        if (m_settings.Archive) {
            std::string refusal;
            const auto db = CArchiveDatabase::Open(*m_settings.Archive,
                                                   CArchiveDatabase::Access::Read, refusal);
            if (db) {
                refusal = ForEachArchivedInterval(*db, range, take);
            }
            if (!refusal.empty()) {
                Error(res, 503, refusal);
                return;
            }
        } else {
            std::ranges::for_each(m_state.Intervals(range.FromMs, range.ToMs), take);
        }
        if (count > MAX_INTERVALS) {
            Error(res, 413,
                  "more than " + std::to_string(MAX_INTERVALS) + " intervals: ask for less time");
            return;
        }
        Json(res, {{"intervals", intervals}});
    });
    m_server->Get("/api/events", [this](const httplib::Request&, httplib::Response& res) {
        if (++m_eventStreams > MAX_EVENT_STREAMS) {
            --m_eventStreams;
            res.set_header("Retry-After", "10");
            Error(res, 503, "too many event streams");
            return;
        }
        auto seen = std::make_shared<std::int64_t>(-1);
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, seen](std::size_t, httplib::DataSink& sink) {
                if (!m_state.WaitForChange(*seen, KEEP_ALIVE)) {
                    return false;  // the monitor ends
                }
                const auto [status, sequence] = StatusEvent();
                std::string event;
                if (*seen < 0) {
                    event = "retry: 2000\n";
                }
                if (sequence > *seen) {
                    *seen = sequence;
                    event += *status;
                } else {
                    event += ": keep-alive\n\n";
                }
                // A client that does not read fills its socket: the write times out, and the
                // stream ends.
                return sink.write(event.data(), event.size());
            },
            [this](bool) { --m_eventStreams; });
    });
}

std::pair<std::shared_ptr<const std::string>, std::int64_t> CHttpServer::StatusEvent() {
    const std::lock_guard lock(m_eventMutex);
    if (m_state.Sequence() != m_eventSequence) {
        const CStationSnapshot state = m_state.Snapshot();
        m_event = std::make_shared<const std::string>(
            "event: status\ndata: " + StatusObject(state).dump() + "\n\n");
        m_eventSequence = state.Sequence;
    }
    return {m_event, m_eventSequence};
}

bool CHttpServer::Start() {
    if (!m_server->bind_to_port(m_settings.Host, m_settings.Port)) {
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void CHttpServer::Stop() {
    m_state.Close();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}
