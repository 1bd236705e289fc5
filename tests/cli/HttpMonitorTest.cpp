// monitor --http: its page in Debian's chromium, its metrics scraped by Debian's prometheus and
// checked by promtool, its API against the archive, and clients that misbehave; all on
// 127.0.0.1.

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <fstream>
#include <regex>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/HttpMonitor.h"
#include "station/ArchiveQueries.h"
#include "station/MqttPayloads.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"

namespace {

using namespace std::chrono_literals;

// A socket of 127.0.0.1: bound to a port the system picks (port 0) and listening, or
// connected to `port`; -1 when that fails.
int Socket(int port, bool listening) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool ok = listening
                        ? bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                              listen(s, 1) == 0
                        : connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (!ok) {
        close(s);
        return -1;
    }
    const timeval minute{60, 0};  // a server that neither answers nor drops fails the test
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute);
    return s;
}
int PortOf(int s, bool closing = false) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    if (closing) {
        close(s);
    }
    return ntohs(address.sin_port);
}
int FreePort() {
    return PortOf(Socket(0, true), true);
}

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1200; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    return text;
}

bool Installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null").c_str()) == 0;
}

TEST(HttpAddress, readsPortsAndAddressesAndRefusesTheRest) {
    // What each text gives as "host port", or "" when it is refused.
    const std::pair<const char*, const char*> CASES[] = {{"8080", "127.0.0.1 8080"},
                                                         {"0.0.0.0:80", "0.0.0.0 80"},
                                                         {"[::1]:65535", "::1 65535"},
                                                         {"localhost:1", "localhost 1"},
                                                         {"0", ""},
                                                         {"65536", ""},
                                                         {"::1:8080", ""},
                                                         {":8080", ""},
                                                         {"host:", ""},
                                                         {"8080x", ""},
                                                         {"a/b:80", ""},
                                                         {"", ""}};
    for (const auto& [text, expected] : CASES) {
        const auto address = ParseHttpAddress(text);
        EXPECT_EQ(address ? address->Host + ' ' + std::to_string(address->Port) : "", expected)
            << text;
    }
}

struct HttpMonitor : testing::Test {
    void SetUp() override {
        const std::vector<std::string> setup{"--simulate", "setup", "--mode", "RT", "--rate", "1s"};
        ASSERT_EQ(RunTool(setup).Status, 0);
        setenv("DATALOGGER_SIM_SPEED", "60", 1);  // a minute's interval each second
        // The monitor's Ctrl+C, which reaches the test program too once the monitor is over.
        m_interrupt = std::signal(SIGINT, [](int) {});
    }
    void TearDown() override {
        Stop();
        std::signal(SIGINT, m_interrupt);
        unsetenv("DATALOGGER_SIM_SPEED");
    }
    // Starts a monitor that serves on `port` and waits until it answers.
    void Start(std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{"--simulate",       "monitor",    "--archive",
                                           Archive(),          "--interval", "1m",
                                           "--quiet-readings", "--http",     std::to_string(port)};
        arguments.insert(arguments.end(), more.begin(), more.end());
        monitor = std::thread([this, arguments] { run = RunTool(arguments); });
        // With a token, its absence is the answer.
        ASSERT_TRUE(Eventually([&] {
            const int status = Get("/api/level").Status;
            return status == 200 || status == 401;
        })) << run.Err;
    }
    // Ends the monitor as Ctrl+C would; its exit status.
    int Stop() {
        if (monitor.joinable()) {
            std::raise(SIGINT);
            monitor.join();
        }
        return run.Status;
    }
    struct CAnswer {
        int Status = 0;  // 0: no answer
        std::string Body;
    };
    CAnswer Get(const std::string& path) const {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(60);
        if (!token.empty()) {
            client.set_bearer_token_auth(token.c_str());
        }
        const auto result = client.Get(path.c_str());
        return result ? CAnswer{result->status, result->body} : CAnswer{};
    }
    // The status an event stream opens with; the stream is left at once.
    int EventStreamStatus() const {
        httplib::Client client("127.0.0.1", port);
        int status = 0;
        client.Get(
            "/api/events",
            [&](const httplib::Response& response) {
                status = response.status;
                return false;
            },
            [](const char*, std::size_t) { return false; });
        return status;
    }
    // An interval the monitor has completed and the archive has taken.
    void WaitForIntervals(std::size_t count) {
        ASSERT_TRUE(Eventually([&] {
            return nlohmann::json::parse(Get("/api/intervals?from=2000-01-01").Body)["intervals"]
                       .size() >= count;
        }));
    }
    std::string Archive() const { return (dir / "a.sqlite").string(); }
    std::unique_ptr<CArchiveDatabase> Db() const {
        std::string refusal;
        return CArchiveDatabase::Open(Archive(), CArchiveDatabase::Access::Read, refusal);
    }

    CTempDir dir;
    int port = FreePort();
    std::string token;  // sent as a bearer token when not empty
    void (*m_interrupt)(int) = nullptr;
    std::thread monitor;
    CToolRun run{};
};

TEST_F(HttpMonitor, addressItCannotServeSafely_isRefusedBeforeAnyReading) {
    std::ofstream(dir / "empty-token").close();
    const int taken = Socket(0, true);
    const struct {
        std::string Address;
        std::vector<std::string> More;
        int Status;
        const char* Said;
    } CASES[] = {
        {"0.0.0.0:" + std::to_string(port), {}, EXIT_USAGE, "--http-token"},
        {"[::]:" + std::to_string(port), {}, EXIT_USAGE, "--http-token"},
        {"0.0.0.0:" + std::to_string(port),
         {"--http-token", (dir / "empty-token").string()},
         EXIT_USAGE,
         "is empty"},
        {"0.0.0.0:" + std::to_string(port),
         {"--http-token", (dir / "none").string()},
         EXIT_USAGE,
         "cannot read"},
        {std::to_string(PortOf(taken)), {}, EXIT_FAILURE_STATUS, "the port is taken"},
    };
    for (const auto& c : CASES) {
        std::vector<std::string> arguments{"--simulate", "monitor", "--archive",
                                           Archive(),    "--http",  c.Address};
        arguments.insert(arguments.end(), c.More.begin(), c.More.end());
        const CToolRun refused = RunTool(arguments);
        EXPECT_EQ(refused.Status, c.Status) << c.Address;
        EXPECT_NE(refused.Err.find(c.Said), std::string::npos) << refused.Err;
        EXPECT_FALSE(std::filesystem::exists(Archive())) << c.Address;
    }
    close(taken);
}

TEST_F(HttpMonitor, everyAnswerIsReadOnlyAndGuarded_andTheApiSaysWhatTheArchiveHolds) {
    std::ofstream(dir / "token") << "s3cret-token\n";
    Start({"--http-token", (dir / "token").string()});
    EXPECT_EQ(Get("/metrics").Status, 401);  // the fault: no token
    token = "s3cret-token";
    httplib::Client client("127.0.0.1", port);
    client.set_bearer_token_auth(token.c_str());
    const std::pair<const char*, int> CASES[] = {{"GET /", 200},
                                                 {"GET /page.js", 200},
                                                 {"GET /page.css", 200},
                                                 {"GET /metrics", 200},
                                                 {"GET /api/status", 200},
                                                 {"GET /api/level", 200},
                                                 {"GET /api/events", 200},
                                                 {"GET /nothing", 404},
                                                 {"POST /api/status", 404},
                                                 {"DELETE /", 404},
                                                 {"GET /api/intervals?from=yesterday", 400}};
    for (const auto& [line, status] : CASES) {
        httplib::Request request;
        request.method = std::string(line).substr(0, std::string(line).find(' '));
        request.path = std::string(line).substr(request.method.size() + 1);
        // An event stream is left after its first event.
        request.content_receiver = [](const char*, std::size_t, std::uint64_t, std::uint64_t) {
            return false;
        };
        httplib::Response response;
        httplib::Error error;
        client.send(request, response, error);
        EXPECT_EQ(response.status, status) << line;
        EXPECT_EQ(response.get_header_value("X-Content-Type-Options"), "nosniff") << line;
        EXPECT_EQ(response.get_header_value("Cache-Control"), "no-store") << line;
        EXPECT_NE(response.get_header_value("Content-Security-Policy").find("default-src 'none'"),
                  std::string::npos);
    }
    // promtool lints the names, the HELP and TYPE lines and the values.
    const auto metrics = client.Get("/metrics");
    std::ofstream(dir / "metrics.txt") << metrics->body;
    if (Installed("promtool")) {
        EXPECT_EQ(
            std::system(("promtool check metrics < " + (dir / "metrics.txt").string()).c_str()), 0)
            << metrics->body;
    }
    WaitForIntervals(3);
    const auto api =
        nlohmann::ordered_json::parse(client.Get("/api/intervals?from=2000-01-01T00:00:00Z")->body);
    ASSERT_EQ(Stop(), 0) << run.Err;
    std::vector<std::string> archived;
    for (const CIntervalLevels& interval : ArchivedIntervals(*Db(), {})) {
        archived.push_back(IntervalPayload(interval));
    }
    for (const auto& interval : api["intervals"]) {
        EXPECT_NE(std::find(archived.begin(), archived.end(), interval.dump()), archived.end())
            << interval;
    }
    EXPECT_GE(api["intervals"].size(), 3u);
}

TEST_F(HttpMonitor, prometheusScrapesTheReadingsCounter) {
    if (!Installed("prometheus")) {
        GTEST_SKIP() << "prometheus is missing: scripts/setup.sh --tests";
    }
    Start();
    const int web = FreePort();
    std::ofstream(dir / "prometheus.yml") << "global:\n  scrape_interval: 1s\nscrape_configs:\n"
                                             "  - job_name: datalogger\n    static_configs:\n"
                                             "      - targets: ['127.0.0.1:"
                                          << port << "']\n";
    const std::string config = "--config.file=" + (dir / "prometheus.yml").string();
    const std::string data = "--storage.tsdb.path=" + (dir / "tsdb").string();
    const std::string listen = "--web.listen-address=127.0.0.1:" + std::to_string(web);
    const pid_t prometheus = fork();
    if (prometheus == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        freopen("/dev/null", "w", stderr);
        execlp("prometheus", "prometheus", config.c_str(), data.c_str(), listen.c_str(), nullptr);
        _exit(127);
    }
    httplib::Client query("127.0.0.1", web);
    double counted = 0;
    EXPECT_TRUE(Eventually([&] {
        const auto answer = query.Get("/api/v1/query?query=datalogger_readings_total");
        const auto result = answer && answer->status == 200
                                ? nlohmann::json::parse(answer->body)["data"]["result"]
                                : nlohmann::json::array();
        counted = result.empty() ? 0 : std::stod(result[0]["value"][1].get<std::string>());
        return counted > 0;
    }));
    kill(prometheus, SIGTERM);
    waitpid(prometheus, nullptr, 0);
    ASSERT_EQ(Stop(), 0) << run.Err;
    EXPECT_LE(counted, static_cast<double>(ArchivedReadings(*Db(), {}).size()));
}

TEST_F(HttpMonitor, pageInChromiumShowsTheArchivesLevelAndLastInterval) {
    if (!Installed("chromium")) {
        GTEST_SKIP() << "chromium is missing: scripts/setup.sh --tests";
    }
    Start();
    WaitForIntervals(2);
    // Its own profile in the test's folder; root may only run it without its sandbox.
    const std::string chromium = "timeout 120 chromium --headless --disable-gpu --user-data-dir='" +
                                 (dir / "profile").string() + "'" +
                                 (geteuid() == 0 ? " --no-sandbox" : "") + " 2>/dev/null ";
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    const std::string dom = Output(chromium + "--dump-dom " + url);
    for (const char* size : {"390,844", "1280,800"}) {
        const std::string file = (dir / (std::string(size) + ".png")).string();
        Output(chromium + "--window-size=" + size + " --screenshot='" + file + "' " + url);
        EXPECT_GT(std::filesystem::file_size(file), 10000u) << size;
    }
    ASSERT_EQ(Stop(), 0) << run.Err;
    std::smatch level, interval;
    ASSERT_TRUE(std::regex_search(
        dom, level, std::regex(R"re(id="level">([0-9.]+)<[\s\S]*?datetime="([^"]+)")re")))
        << dom;
    ASSERT_TRUE(std::regex_search(
        dom, interval, std::regex(R"re(<tr data-start="([^"]+)"[\s\S]*?class="leq">([0-9.]+)<)re")))
        << dom;
    // Found by the time the page shows, written as the API writes it.
    const auto readings = ArchivedReadings(*Db(), {});
    const auto shown = std::find_if(readings.begin(), readings.end(), [&](const auto& r) {
        return LevelObject({0, r.TimeMs, r.LevelDb}, true)["time"] == level[2].str();
    });
    ASSERT_NE(shown, readings.end()) << level[2];
    EXPECT_EQ(level[1].str(), LevelText(shown->LevelDb, 1));
    const auto intervals = ArchivedIntervals(*Db(), {});
    const auto last = std::find_if(intervals.begin(), intervals.end(), [&](const auto& i) {
        return IntervalObject(i)["start"] == interval[1].str();
    });
    ASSERT_NE(last, intervals.end()) << interval[1];
    EXPECT_EQ(interval[2].str(), LevelText(*last->LeqDb, 1));
    // Nothing comes from another host: no address with a scheme, none relative to the scheme.
    for (const std::string& text :
         {dom, Get("/").Body, Get("/page.js").Body, Get("/page.css").Body}) {
        EXPECT_FALSE(std::regex_search(text, std::regex(R"re([a-z]+://|["'(]//)re")))
            << text.substr(0, 200);
    }
}

TEST_F(HttpMonitor, badClients_areAnsweredOrDropped_andEveryReadingKeepsItsLevel) {
    Start();
    // A client that never reads its event streams: the streams fill its socket, and each
    // write that waits too long ends one, until no stream is left to refuse a new one.
    std::vector<int> stalled;
    for (int i = 0; i < 16; ++i) {
        const int s = Socket(port, false);
        const std::string request = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        ASSERT_EQ(send(s, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
        stalled.push_back(s);
    }
    // Each stream is counted once its answer has begun; a slow machine takes the 16 requests
    // apart in time, and the first ones must not be let go before the last is counted.
    for (const int s : stalled) {
        char status[13] = {};
        ASSERT_EQ(recv(s, status, 12, MSG_WAITALL), 12);
        ASSERT_STREQ(status, "HTTP/1.1 200");
    }
    EXPECT_TRUE(Eventually([&] { return EventStreamStatus() == 503; }));  // all held
    EXPECT_TRUE(Eventually([&] { return EventStreamStatus() == 200; }));
    // 50 connections that say nothing, then 1000 requests with 64 KiB of headers each.
    std::vector<int> idle;
    for (int i = 0; i < 50; ++i) {
        idle.push_back(Socket(port, false));
    }
    const std::string big =
        "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + std::string(65536, 'x') +
        "\r\n\r\n";
    int answeredOrDropped = 0;
    for (int i = 0; i < 1000; ++i) {
        const int s = Socket(port, false);
        send(s, big.data(), big.size(), MSG_NOSIGNAL);
        char reply[16] = {};
        const ssize_t got = recv(s, reply, sizeof reply - 1, 0);
        answeredOrDropped += got <= 0 || std::string(reply).starts_with("HTTP/1.1 4");
        close(s);
    }
    EXPECT_EQ(answeredOrDropped, 1000);
    for (int s : idle) {
        char byte;
        EXPECT_EQ(recv(s, &byte, 1, 0), 0);  // closed by the server's timeout
        close(s);
    }
    for (const char* path :
         {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/api/../../etc/passwd"}) {
        const int s = Socket(port, false);
        const std::string request =
            std::string("GET ") + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        send(s, request.data(), request.size(), MSG_NOSIGNAL);
        std::string reply(65536, '\0');
        reply.resize(static_cast<std::size_t>(
            std::max<ssize_t>(0, recv(s, reply.data(), reply.size(), MSG_WAITALL))));
        close(s);
        EXPECT_TRUE(reply.starts_with("HTTP/1.1 4")) << path << reply.substr(0, 100);
        EXPECT_EQ(reply.find("root:"), std::string::npos) << path;
    }
    for (int s : stalled) {
        close(s);
    }
    ASSERT_EQ(Stop(), 0) << run.Err;
    const auto readings = ArchivedReadings(*Db(), {});
    EXPECT_GT(readings.size(), 60u);
    EXPECT_TRUE(
        std::ranges::all_of(readings, [](const auto& r) { return std::isfinite(r.LevelDb); }));
}

}  // namespace
