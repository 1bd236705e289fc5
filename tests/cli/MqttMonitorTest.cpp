// monitor --mqtt against Debian's mosquitto, started by each test on a free port of 127.0.0.1,
// and a subscriber of the test's own that reads back every message.

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <fstream>
#include <mutex>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "station/ArchiveQueries.h"
#include "station/CMqttClient.h"
#include "station/CMqttPublisher.h"
#include "station/CStationObserver.h"
#include "station/MqttPayloads.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"

namespace {

using namespace std::chrono_literals;

int Connect(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    const bool taken = port == 0
                           ? bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                                 getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0
                           : connect(s, reinterpret_cast<sockaddr*>(&address), size) == 0;
    close(s);
    return taken ? ntohs(address.sin_port) : -1;
}

// A broker with a password file (user "dl", password "secret") and a persistent store, so that
// the subscriber's session outlives a restart; with TLS, a certificate made for 127.0.0.1.
struct CBroker {
    CBroker(const CTempDir& dir, bool tls, const std::string& moreSettings = "")
        : Dir(dir), Port(Connect(0)), Tls(tls) {
        const std::string d = dir.Path().string();
        const std::string certificate =
            " && openssl req -x509 -newkey rsa:2048 -nodes -days 1 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 "
            "-keyout key.pem -out cert.pem 2>/dev/null";
        EXPECT_EQ(std::system(("cd " + d + " && mosquitto_passwd -b -c passwords dl secret" +
                               (tls ? certificate : ""))
                                  .c_str()),
                  0);
        std::ofstream conf(dir / "broker.conf");
        // As root the broker would become the user mosquitto, who cannot read the test's files.
        conf << "user " << getpwuid(geteuid())->pw_name << "\nlistener " << Port
             << " 127.0.0.1\nallow_anonymous false\npassword_file " << d
             << "/passwords\npersistence true\npersistence_location " << d
             << "/\nmax_queued_messages 0\n"  // a subscriber that falls behind loses nothing
             << moreSettings;
        if (tls) {
            conf << "certfile " << d << "/cert.pem\nkeyfile " << d << "/key.pem\n";
        }
        conf.close();
        Start();
    }
    ~CBroker() { Stop(); }
    void Start() {
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test program that crashes takes it along
            freopen("/dev/null", "w", stderr);
            execlp("mosquitto", "mosquitto", "-c", (Dir / "broker.conf").c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 1200 && Connect(Port) < 0; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        ASSERT_EQ(Connect(Port), Port) << "mosquitto did not start: scripts/setup.sh --tests";
    }
    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    std::string Url() const {
        return (Tls ? "mqtts://127.0.0.1:" : "mqtt://127.0.0.1:") + std::to_string(Port);
    }
    std::string Cert() const { return (Dir / "cert.pem").string(); }

    const CTempDir& Dir;
    const int Port;
    const bool Tls;
    pid_t m_pid = -1;
};

// Every message published after it subscribed, in order, through a session kept by the broker.
struct CSubscriber {
    explicit CSubscriber(const CBroker& broker, const char* id = "test-subscriber") {
        mosquitto_lib_init();
        m_client = mosquitto_new(id, false, this);
        mosquitto_username_pw_set(m_client, "dl", "secret");
        if (broker.Tls) {
            mosquitto_tls_set(m_client, broker.Cert().c_str(), nullptr, nullptr, nullptr, nullptr);
        }
        // Once: the broker keeps the subscription, and a new one would resend retained messages.
        mosquitto_connect_callback_set(m_client, [](mosquitto* m, void* self, int) {
            if (!static_cast<CSubscriber*>(self)->m_subscribed) {
                mosquitto_subscribe(m, nullptr, "#", 1);
            }
        });
        mosquitto_subscribe_callback_set(m_client,
                                         [](mosquitto*, void* self, int, int, const int*) {
                                             static_cast<CSubscriber*>(self)->m_subscribed = true;
                                         });
        mosquitto_message_callback_set(
            m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto& me = *static_cast<CSubscriber*>(self);
                const std::lock_guard lock(me.m_mutex);
                me.m_messages.emplace_back(
                    m->topic, std::string(static_cast<const char*>(m->payload), m->payloadlen));
                me.m_arrived.notify_all();
            });
        EXPECT_EQ(mosquitto_connect(m_client, "127.0.0.1", broker.Port, 30), MOSQ_ERR_SUCCESS);
        mosquitto_loop_start(m_client);
        for (int i = 0; i < 1200 && !m_subscribed; ++i) {
            std::this_thread::sleep_for(50ms);
        }
    }
    ~CSubscriber() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }
    // Whether a message on the topic (with that payload, when one is named) came within a
    // minute.
    bool Arrived(const std::string& topic, const std::string& payload = "") {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, 60s, [&] {
            return std::ranges::any_of(m_messages, [&](const auto& m) {
                return m.first == topic && (payload.empty() || m.second == payload);
            });
        });
    }
    // The payloads on the topic, once the monitor's last "offline" has come.
    std::vector<std::string> Payloads(const std::string& topic) {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, 60s, [this] {
            return !m_messages.empty() && m_messages.back().second == "offline";
        });
        std::vector<std::string> payloads;
        for (const auto& [t, payload] : m_messages) {
            if (t == topic) {
                payloads.push_back(payload);
            }
        }
        return payloads;
    }

    // The first payload on the topic, waiting for it; empty when none came.
    std::string First(const std::string& topic) {
        std::unique_lock lock(m_mutex);
        std::string payload;
        m_arrived.wait_for(lock, 60s, [&] {
            const auto found = std::find_if(m_messages.begin(), m_messages.end(),
                                            [&](const auto& m) { return m.first == topic; });
            payload = found == m_messages.end() ? "" : found->second;
            return found != m_messages.end();
        });
        return payload;
    }

    mosquitto* m_client;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::pair<std::string, std::string>> m_messages;
    std::atomic<bool> m_subscribed = false;
};

// What the broker should have had of a run: the archive's intervals, the alarm crossings of its
// readings and every 7th reading.
struct CExpected {
    std::vector<std::string> Intervals, Alarms, Levels;
    std::int64_t Readings = 0;
    std::string AlarmState;  // after the last reading
};
CExpected FromArchive(const std::filesystem::path& file, const CAlarmSettings& alarms) {
    std::string refusal;
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    CExpected expected;
    for (const CIntervalLevels& interval : ArchivedIntervals(*db, {})) {
        expected.Intervals.push_back(IntervalPayload(interval));
    }
    CAlarmCrossings crossings(alarms);
    for (const CArchivedReading& r : ArchivedReadings(*db, {})) {
        const CStationReading reading{++expected.Readings, r.TimeMs, r.LevelDb};
        for (const CAlarmCrossing& crossing : crossings.Add(reading)) {
            expected.Alarms.push_back(AlarmPayload(crossing));
        }
        if (reading.Number % 7 == 0) {
            expected.Levels.push_back(LevelPayload(reading, true));
        }
    }
    expected.AlarmState = crossings.State();
    return expected;
}

std::size_t ArchivedIntervalCount(const std::filesystem::path& file) {
    std::string refusal;
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    return db ? ArchivedIntervals(*db, {}).size() : 0;
}

struct MqttMonitor : testing::Test {
    void SetUp() override {
        // The simulated street by day, when vehicles pass often, whatever the hour the test
        // runs at: a zone whose clock reads about one in the afternoon now. The monitor
        // inherits it.
        const char* zone = std::getenv("TZ");
        m_zone = zone ? zone : "";
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        const int ahead = (13 - utc.tm_hour + 36) % 24 - 12;  // -12..11 hours ahead of UTC
        setenv("TZ", ("DAY" + std::to_string(-ahead)).c_str(), 1);
        tzset();
        // The street's background never rises above 60 dB and every vehicle peaks at 62 dB or
        // more, so each vehicle passing turns the high alarm on, then off again; by day one
        // passes every 45 s on average. The low alarm lies under every level the street makes.
        const std::vector<std::string> setup{
            "--simulate", "setup",        "--mode",        "RT",          "--rate",
            "1s",         "--alarm-high", alarms.HighText, "--alarm-low", alarms.LowText};
        ASSERT_EQ(RunTool(setup).Status, 0);
        setenv("DATALOGGER_SIM_SPEED", "60", 1);  // a minute's interval each second
        setenv("DATALOGGER_MQTT_PASSWORD", "secret", 1);
    }
    void TearDown() override {
        unsetenv("DATALOGGER_SIM_SPEED");
        setenv("TZ", m_zone.c_str(), 1);
        tzset();
    }
    CToolRun Monitor(const std::string& url, const char* duration,
                     std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{
            "--simulate",    "monitor", "--archive",       (dir / "a.sqlite").string(),
            "--interval",    "1m",      "--duration",      duration,
            "--mqtt",        url,       "--mqtt-user",     "dl",
            "--mqtt-prefix", "site/7",  "--mqtt-readings", "7"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return RunTool(arguments);
    }
    // In any order, once each: a message in flight when the broker went can come again, after
    // those that waited (QoS 1 is at least once); each payload names its time.
    void ExpectAllPublished(CSubscriber& subscriber) {
        CExpected expected = FromArchive(dir / "a.sqlite", alarms);
        EXPECT_GT(expected.Intervals.size(), 5u);
        EXPECT_GT(expected.Alarms.size(), 1u);
        for (auto [topic, published] : {std::pair{"site/7/interval", &expected.Intervals},
                                        std::pair{"site/7/alarm", &expected.Alarms}}) {
            std::vector<std::string> arrived = subscriber.Payloads(topic);
            std::sort(arrived.begin(), arrived.end());
            arrived.erase(std::unique(arrived.begin(), arrived.end()), arrived.end());
            std::sort(published->begin(), published->end());
            EXPECT_EQ(arrived, *published) << topic;
        }
    }
    CTempDir dir;
    const CAlarmSettings alarms{"61", "30"};
    std::string m_zone;
};

TEST_F(MqttMonitor, publishesEveryTopicAsTheArchiveHoldsIt) {
    CBroker broker(dir, false);
    CSubscriber subscriber(broker);
    const CToolRun run = Monitor(broker.Url(), "10m", {"--mqtt-discovery"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectAllPublished(subscriber);
    EXPECT_EQ(subscriber.Payloads("site/7/level"), FromArchive(dir / "a.sqlite", alarms).Levels);
    EXPECT_EQ(subscriber.Payloads("site/7/status"),
              (std::vector<std::string>{"online", "offline"}));
    for (const CDiscoveryMessage& message : DiscoveryMessages("site/7")) {
        EXPECT_EQ(subscriber.Payloads(message.Topic), std::vector<std::string>{message.Payload});
    }
    // A dashboard that connects later learns the alarm's state the run ended in.
    EXPECT_EQ(CSubscriber(broker, "late-dashboard").First("site/7/alarm/state"),
              FromArchive(dir / "a.sqlite", alarms).AlarmState);
}

TEST_F(MqttMonitor, brokerAwayForFiveIntervals_everyIntervalAndAlarmArrivesWhenItReturns) {
    CBroker broker(dir, false);
    CSubscriber subscriber(broker);
    CToolRun run{};
    std::thread monitor([&] { run = Monitor(broker.Url(), "30m"); });
    // Away once the monitor has published, back once the archive has taken five intervals
    // that had to wait, however slowly the machine runs; the monitor's retries, 1, 2, 4 and
    // 8 s apart, find it back long before the run's 30 s are over.
    EXPECT_TRUE(subscriber.Arrived("site/7/interval"));
    const std::size_t before = ArchivedIntervalCount(dir / "a.sqlite");
    broker.Stop();
    for (int i = 0; i < 1200 && ArchivedIntervalCount(dir / "a.sqlite") < before + 5; ++i) {
        std::this_thread::sleep_for(50ms);
    }
    broker.Start();
    monitor.join();
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const char* said : {"The MQTT broker went away", "The MQTT broker is back"}) {
        EXPECT_NE(run.Err.find(said), std::string::npos) << run.Err;
    }
    ExpectAllPublished(subscriber);
    // A state told twice (the last will, then the broker's stored copy of it) is one change.
    std::vector<std::string> status = subscriber.Payloads("site/7/status");
    status.erase(std::unique(status.begin(), status.end()), status.end());
    EXPECT_EQ(status, (std::vector<std::string>{"online", "offline", "online", "offline"}));
}

TEST_F(MqttMonitor, refusedLoginOrCertificate_archivesTheWholeRunAndExitsOne) {
    CBroker broker(dir, true);
    // A wrong password to a broker trusted, the right one to a broker whose certificate is not.
    const std::pair<std::vector<std::string>, const char*> CASES[] = {
        {{"--mqtt-ca", broker.Cert(), "--mqtt-password-file", "/dev/null"},
         "refused the connection: Not authorized.\n"},
        {{},
         "TLS failed: OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify "
         "failed.\n"}};
    for (const auto& [more, said] : CASES) {
        std::filesystem::remove(dir / "a.sqlite");
        const CToolRun run = Monitor(broker.Url(), "2m", more);
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("nothing is published, the archive goes on"), std::string::npos);
        EXPECT_TRUE(run.Err.ends_with(said)) << run.Err;
        EXPECT_EQ(FromArchive(dir / "a.sqlite", alarms).Readings, 120);
    }
    // Without an archive the refusal ends the monitor, with a status a service can tell apart.
    const CToolRun alone = RunTool({"--simulate", "monitor", "--mqtt", broker.Url(), "--mqtt-ca",
                                    broker.Cert(), "--mqtt-user", "dl", "--mqtt-password-file",
                                    "/dev/null"});
    EXPECT_EQ(alone.Status, 5) << alone.Err;
    // The same broker with its certificate trusted, the password in a file written on Windows
    // that every user may read.
    std::filesystem::remove(dir / "a.sqlite");
    const std::string password = (dir / "password").string();
    std::ofstream(password) << "secret\r\n";
    chmod(password.c_str(), 0644);
    CSubscriber subscriber(broker);
    const CToolRun run = Monitor(broker.Url(), "10m",
                                 {"--mqtt-ca", broker.Cert(), "--mqtt-password-file", password});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("may be read by every user"), std::string::npos) << run.Err;
    ExpectAllPublished(subscriber);
}

TEST_F(MqttMonitor, brokerStoppedBeforeTheEnd_whatItDidNotAcknowledgeIsCountedAndExitsOne) {
    CBroker broker(dir, false);
    CSubscriber subscriber(broker);
    CToolRun run{};
    std::thread monitor([&] { run = Monitor(broker.Url(), "20m"); });
    ASSERT_EQ(subscriber.First("site/7/status"), "online");
    kill(broker.m_pid, SIGSTOP);
    monitor.join();
    kill(broker.m_pid, SIGCONT);
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(std::regex_search(run.Err, std::regex("[1-9][0-9]* intervals and alarms could not")))
        << run.Err;
}

TEST_F(MqttMonitor, anotherClientWithItsId_isNoticedAndBackedOffFrom) {
    CBroker broker(dir, false);
    CSubscriber subscriber(broker);
    CToolRun run{};
    std::thread monitor([&] { run = Monitor(broker.Url(), "30m", {"--mqtt-client-id", "twin"}); });
    ASSERT_EQ(subscriber.First("site/7/status"), "online");
    {
        CSubscriber twin(broker, "twin");  // connects again whenever the monitor took the id back
        monitor.join();
    }
    EXPECT_NE(run.Err.find("client id \"twin\""), std::string::npos)
        << run.Err;
}

// A broker that takes no packet as large as a discovery message: those are said and left
// out, and the monitor stays logged in and publishes the rest.
TEST_F(MqttMonitor, brokerTakingOnlySmallPackets_theLargeOnesAreSaidAndTheRestPublished) {
    CBroker broker(dir, false, "max_packet_size 300\n");
    CSubscriber subscriber(broker);
    const CToolRun run = Monitor(broker.Url(), "5m", {"--mqtt-discovery"});
    EXPECT_NE(run.Err.find("The MQTT broker takes no message as large as the one on "
                           "homeassistant/"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(subscriber.Payloads("site/7/status"),
              (std::vector<std::string>{"online", "offline"}));
    EXPECT_EQ(subscriber.Payloads("site/7/interval").size(),
              FromArchive(dir / "a.sqlite", alarms).Intervals.size());
}

TEST_F(MqttMonitor, prefixOrUrlABrokerCannotTake_isRefusedWithExitSixtyFour) {
    const std::pair<const char*, const char*> CASES[] = {
        {"mqtt://127.0.0.1", "$SYS/dl"}, {"mqtt://127.0.0.1", "site/\xff"},
        {"mqtt://::1", "site"},          {"mqtt://fe80::1:1883", "site"}};
    for (const auto& [url, prefix] : CASES) {
        const CToolRun run = RunTool({"--simulate", "monitor", "--mqtt", url, "--mqtt-prefix", prefix});
        EXPECT_EQ(run.Status, 64) << url << " " << prefix << ": " << run.Err;
    }
}

// Ended at any moment of connecting, logging in or publishing, a client never hangs.
TEST(MqttClient, endedAtRandomMomentsOfConnecting_neverHangs) {
    CTempDir dir;
    CBroker broker(dir, false);
    std::mt19937 random(std::random_device{}());
    for (int i = 0; i < 50; ++i) {
        CMqttClient client({{"127.0.0.1", broker.Port, false}, "", "dl", "secret",
                            "hasty-" + std::to_string(i), "hasty/status", {}});
        client.PublishKept("hasty/interval", "{}");
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    }
}

TEST_F(MqttMonitor, unreachableBrokerAtStart_monitorArchivesOnAndSaysWhatWasNotPublished) {
    const CToolRun run = Monitor("mqtt://127.0.0.1:" + std::to_string(Connect(0)), "5m");
    EXPECT_EQ(run.Status, 1);
    for (const char* said : {"cannot be reached (Connection refused); the monitor goes on",
                             "intervals and alarms could not be published"}) {
        EXPECT_NE(run.Err.find(said), std::string::npos) << run.Err;
    }
    EXPECT_EQ(FromArchive(dir / "a.sqlite", alarms).Readings, 300);
}

// A client of the test's own for the broker, telling its status under `prefix`.
CMqttClientSettings ClientOf(const CBroker& broker, const std::string& prefix) {
    return {{"127.0.0.1", broker.Port, false},
            "",
            "dl",
            "secret",
            TopicWord(prefix),
            prefix + "/status",
            {}};
}

// Readings fed to a publisher one by one: every Nth goes out as a level, or none.
TEST(MqttPublisher, publishesEveryNthReadingOrNone) {
    CTempDir dir;
    CBroker broker(dir, false);
    CSubscriber subscriber(broker);
    const struct {
        int Every;
        std::vector<std::int64_t> Published;  // the numbers of the readings
    } CASES[] = {{0, {}}, {1, {1, 2, 3, 4, 5, 6, 7, 8, 9}}, {4, {4, 8}}};
    const std::int64_t start = 1783000000000;
    const auto reading = [&](std::int64_t number) {
        return CStationReading{number, start + number * 1000, 50.0f + number};
    };
    for (const auto& c : CASES) {
        const std::string prefix = "every" + std::to_string(c.Every);
        CMqttClient client(ClientOf(broker, prefix));
        ASSERT_EQ(client.WaitForFirstOutcome(60s), MqttLink::Online);
        std::ostringstream said;
        CMqttPublisher publisher(client, {prefix, c.Every, {"130", "0"}}, said);
        for (std::int64_t number = 1; number <= 9; ++number) {
            publisher.Reading(reading(number));
        }
        EXPECT_EQ(client.Close(60s), 0);
        EXPECT_EQ(said.str(), "");
        // Its levels came before its last word.
        EXPECT_TRUE(subscriber.Arrived(prefix + "/status", "offline"));
    }
    for (const auto& c : CASES) {
        std::vector<std::string> expected;
        for (const std::int64_t number : c.Published) {
            expected.push_back(LevelPayload(reading(number), true));
        }
        EXPECT_EQ(subscriber.Payloads("every" + std::to_string(c.Every) + "/level"), expected)
            << "every " << c.Every;
    }
}

// A broker away while more messages come than the queue holds: the oldest make room for the
// newest, each one dropped is counted as not published, and the rest go out in order.
TEST(MqttClientQueue, fullQueueDropsTheOldestAndCountsThem) {
    CTempDir dir;
    CBroker broker(dir, false);
    { CSubscriber earlier(broker); }  // its session, kept by the broker, takes what comes next
    broker.Stop();
    CMqttClient client(ClientOf(broker, "queue"));
    ASSERT_EQ(client.WaitForFirstOutcome(60s), MqttLink::Away);
    constexpr std::size_t OVER = 3;
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < CMqttClient::QUEUE_CAPACITY + OVER; ++i) {
        client.PublishKept("queue/n", std::to_string(i));
        if (i >= OVER) {
            kept.push_back(std::to_string(i));
        }
    }
    broker.Start();
    CSubscriber subscriber(broker);
    EXPECT_EQ(client.Close(60s), static_cast<std::int64_t>(OVER));
    EXPECT_EQ(subscriber.Payloads("queue/n"), kept);
}

// Alarms of a level hovering at a threshold while the broker is away give way, oldest first,
// to their own bound and then to intervals: every interval is kept.
TEST(MqttClientQueue, alarmsGiveWayBeforeIntervals) {
    CTempDir dir;
    CBroker broker(dir, false);
    { CSubscriber earlier(broker); }
    broker.Stop();
    CMqttClient client(ClientOf(broker, "queue"));
    ASSERT_EQ(client.WaitForFirstOutcome(60s), MqttLink::Away);
    constexpr std::size_t OVER = 5, ALARMS = CMqttClient::ALARM_CAPACITY + OVER;
    std::vector<std::string> alarms, intervals;
    for (std::size_t i = 0; i < ALARMS; ++i) {
        client.PublishAlarm("queue/alarm", std::to_string(i));
        alarms.push_back(std::to_string(i));
    }
    for (std::size_t i = 0; i < CMqttClient::QUEUE_CAPACITY - ALARMS + 2 * OVER; ++i) {
        client.PublishKept("queue/interval", std::to_string(i));
        intervals.push_back(std::to_string(i));
    }
    alarms.erase(alarms.begin(), alarms.begin() + 2 * OVER);
    broker.Start();
    CSubscriber subscriber(broker);
    EXPECT_EQ(client.Close(60s), static_cast<std::int64_t>(2 * OVER));
    EXPECT_EQ(subscriber.Payloads("queue/interval"), intervals);
    EXPECT_EQ(subscriber.Payloads("queue/alarm"), alarms);
}

// Each entity of the discovery reads its own figure from its own topic.
TEST(MqttPayloads, discoveryPointsEachEntityAtItsFigure) {
    const struct {
        const char* Object;
        const char* StateTopic;
        const char* Template;
        bool Decibels;
    } ENTITIES[] = {
        {"level", "site/7/level", "{{ value_json.level_db }}", true},
        {"interval_leq", "site/7/interval", "{{ value_json.leq_db }}", true},
        {"interval_lmax", "site/7/interval", "{{ value_json.lmax_db }}", true},
        {"alarm", "site/7/alarm/state", "{{ value }}", false},
    };
    const std::vector<CDiscoveryMessage> messages = DiscoveryMessages("site/7");
    ASSERT_EQ(messages.size(), std::size(ENTITIES));
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const auto& entity = ENTITIES[i];
        const std::string object = entity.Object;
        // The node: the prefix's word and a hash of the prefix.
        EXPECT_TRUE(std::regex_match(messages[i].Topic,
                                     std::regex("homeassistant/sensor/site_7_[0-9a-f]{8}/" +
                                                object + "/config")))
            << messages[i].Topic;
        const nlohmann::json config = nlohmann::json::parse(messages[i].Payload);
        EXPECT_EQ(config.value("state_topic", ""), entity.StateTopic) << object;
        EXPECT_EQ(config.value("value_template", ""), entity.Template) << object;
        EXPECT_TRUE(std::regex_match(config.value("unique_id", ""),
                                     std::regex("site_7_[0-9a-f]{8}_" + object)));
        EXPECT_EQ(config.value("availability_topic", ""), "site/7/status") << object;
        EXPECT_EQ(config.value("unit_of_measurement", ""), entity.Decibels ? "dB" : "") << object;
    }
}

TEST(MqttUrl, readsSchemeHostAndPortOrRefuses) {
    const auto text = [](const char* url) {
        const auto e = ParseMqttUrl(url);
        return e ? e->Host + ' ' + std::to_string(e->Port) + ' ' + std::to_string(e->Tls) : "";
    };
    EXPECT_EQ(text("mqtt://broker.example"), "broker.example 1883 0");
    EXPECT_EQ(text("mqtts://[::1]"), "::1 8883 1");
    EXPECT_EQ(text("mqtt://[fe80::1]:99/"), "fe80::1 99 0");
    for (const char* url : {"http://broker", "mqtt://", "mqtt://h:0", "mqtt://h:65536",
                            "mqtt://h:1x", "mqtt://u@h", "mqtt://[::1", "mqtt://[::1]x",
                            "mqtt://::1", "mqtt://fe80::1:1883"}) {
        EXPECT_EQ(text(url), "") << url;
    }
}

// Stations whose prefixes make one topic word are still told apart by Home Assistant.
TEST(MqttDiscovery, prefixesOfOneWord_makeNodesAndIdsOfTheirOwn) {
    std::vector<std::string> ids;
    for (const char* prefix : {"site/7", "site_7", "site.7"}) {
        for (const CDiscoveryMessage& message : DiscoveryMessages(prefix)) {
            ids.push_back(message.Topic);
            ids.push_back(nlohmann::json::parse(message.Payload).at("unique_id"));
        }
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

// Alarms at 60 (high) and 40 (low) dB; a reading at a level lights its lamp.
TEST(AlarmCrossings, tellEachLampThatGoesOnOrOffOnce) {
    const struct {
        float Level;
        const char* Crossings;  // kind and state of each crossing, in order
    } STEPS[] = {
        {50, ""},  {60, "high on"}, {70, ""},        {59.9f, "high off"},     {40, "low on"},
        {NAN, ""}, {41, "low off"}, {65, "high on"}, {30, "high off, low on"}};
    CAlarmCrossings crossings({"60 ", "40"});
    std::int64_t number = 0;
    for (const auto& step : STEPS) {
        std::string told;
        for (const CAlarmCrossing& c : crossings.Add({++number, number * 1000, step.Level})) {
            told += std::string(told.empty() ? "" : ", ") + (c.High ? "high " : "low ") +
                    (c.On ? "on" : "off");
        }
        EXPECT_EQ(told, step.Crossings) << "reading " << number;
    }
}

// In the tests' time zone, central European time (summer time in July).
TEST(MqttPayloads, areTheDocumentedJson) {
    const std::int64_t july = 1783000000000;  // 2026-07-02T15:46:40+02:00
    CIntervalLevels interval{july, july + 60000, true,         12,   false, 55.25,
                             61.5, 50.0,         std::nullopt, 52.0, 51.0,  10};
    const std::pair<std::string, const char*> CASES[] = {
        {LevelPayload({3, july + 50, 55.3f}, true),
         R"({"time":"2026-07-02T15:46:40.050+02:00","level_db":55.3,"weighting":"A"})"},
        {IntervalPayload(interval),
         R"({"start":"2026-07-02T15:46:40+02:00","end":"2026-07-02T15:47:40+02:00","partial":true,"count":12,"count_with_level":10,)"
         R"("leq_db":55.25,"lmax_db":61.5,"lmin_db":50.0,"l10_db":null,"l50_db":52.0,"l90_db":51.0,"weighting":"C"})"},
        {AlarmPayload({july - 900, false, true, 39.9f}),
         R"({"time":"2026-07-02T15:46:39.100+02:00","kind":"low","state":"on","level_db":39.9})"},
    };
    for (const auto& [payload, expected] : CASES) {
        EXPECT_EQ(payload, expected);
    }
}

}  // namespace
