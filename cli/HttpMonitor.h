#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "station/CStationState.h"

namespace CLI {
class App;
}
class CHttpServer;

// The options of monitor that serve its state over HTTP.
struct CHttpOptions {
    std::string Address;  // [ADDRESS:]PORT
    std::string TokenFile;

    bool Requested() const { return !Address.empty(); }
};

struct CHttpAddress {
    std::string Host = "127.0.0.1";
    int Port = 0;
};
// "8080", "127.0.0.1:8080", "0.0.0.0:8080", "[::1]:8080": empty for anything else. An IPv6
// address goes in brackets, as in a URL.
std::optional<CHttpAddress> ParseHttpAddress(std::string_view text);

// Adds --http and --http-token to the monitor command.
void AddHttpOptions(CLI::App& monitor, CHttpOptions& options);

// A monitor's web server, from binding its address to its last answer.
class CHttpMonitor {
public:
    // Reads the options and starts serving `state`; empty (with `status` set and the reason
    // said on `err`) when the options are wrong or the address cannot be had. An address
    // other machines can reach needs a token.
    static std::unique_ptr<CHttpMonitor> Start(const CHttpOptions& options, CStationState& state,
                                               const std::optional<std::filesystem::path>& archive,
                                               std::ostream& err, int& status);
    ~CHttpMonitor();

private:
    explicit CHttpMonitor(std::unique_ptr<CHttpServer> server);
    std::unique_ptr<CHttpServer> m_server;
};
