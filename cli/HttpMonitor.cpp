// datalogger-cli monitor --http: the monitor's page, metrics and API on a port of this machine.

#include "cli/HttpMonitor.h"

#include <sys/stat.h>
#include <CLI/CLI.hpp>

#include <charconv>
#include <fstream>
#include <ostream>

#include "cli/CliCommands.h"
#include "station/CHttpServer.h"
#include "station/MqttPayloads.h"

namespace {

// The token from the first line of the file, without the CR of a file written on Windows;
// empty with `problem` set when there is none. A file others may read is said on `err`.
std::string Token(const std::string& file, std::string& problem, std::ostream& err) {
    std::ifstream in(file);
    std::string line;
    if (in) {
        std::getline(in, line);  // an empty file leaves the line empty
    }
    if (!in && !in.eof()) {
        problem = "--http-token: cannot read \"" + file + "\".";
        return "";
    }
    if (line.ends_with('\r')) {
        line.pop_back();
    }
    if (line.empty()) {
        problem = "--http-token: the first line of \"" + file + "\" is empty.";
        return "";
    }
    struct stat status {};
    if (stat(file.c_str(), &status) == 0 && (status.st_mode & S_IROTH) != 0) {
        err << "Warning: the token file \"" << file
            << "\" may be read by every user of this computer (chmod o-r).\n";
    }
    return line;
}

std::string Described(const CHttpAddress& address) {
    const bool v6 = address.Host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + address.Host + "]" : address.Host) + ':' +
           std::to_string(address.Port) + '/';
}

}  // namespace

std::optional<CHttpAddress> ParseHttpAddress(std::string_view text) {
    CHttpAddress address;
    std::string_view port = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        std::string_view host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.starts_with('[') && host.ends_with(']')) {
            host = host.substr(1, host.size() - 2);
        } else if (host.find(':') != std::string_view::npos) {
            return std::nullopt;  // an IPv6 address out of its brackets
        }
        if (host.empty() || host.find_first_of("/@?# []") != std::string_view::npos) {
            return std::nullopt;
        }
        address.Host = host;
    }
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), address.Port);
    if (error != std::errc() || end != port.data() + port.size() || address.Port < 1 ||
        address.Port > 65535) {
        return std::nullopt;
    }
    return address;
}

void AddHttpOptions(CLI::App& monitor, CHttpOptions& options) {
    monitor
        .add_option("--http", options.Address,
                    "Serve a web page, Prometheus metrics (/metrics) and a JSON API (/api/...) "
                    "on [ADDRESS:]PORT, address 127.0.0.1 unless given")
        ->check(
            [](const std::string& text) {
                return ParseHttpAddress(text) ? ""
                                              : "[ADDRESS:]PORT, an IPv6 address in brackets: "
                                                "[::1]:8080";
            },
            "[ADDRESS:]PORT");
    monitor
        .add_option("--http-token", options.TokenFile,
                    "A file whose first line is the token every request must carry (a bearer "
                    "token, or the password of user datalogger); needed for an address other "
                    "machines reach")
        ->needs("--http");
    monitor.get_option("--csv")->excludes("--http");
}

std::unique_ptr<CHttpMonitor> CHttpMonitor::Start(
    const CHttpOptions& options, CStationState& state,
    const std::optional<std::filesystem::path>& archive, std::ostream& err, int& status) {
    status = EXIT_USAGE;
    const auto address = ParseHttpAddress(options.Address);  // checked as the options were read
    CHttpServerSettings settings;
    settings.Host = address->Host;
    settings.Port = address->Port;
    settings.Archive = archive;
    if (!options.TokenFile.empty()) {
        std::string problem;
        settings.Token = Token(options.TokenFile, problem, err);
        if (!problem.empty()) {
            err << problem << '\n';
            return nullptr;
        }
    } else if (!IsLoopbackHost(address->Host)) {
        err << "--http: " << address->Host
            << " can be reached from other machines; give it a token with --http-token FILE, "
               "or serve on 127.0.0.1.\n";
        return nullptr;
    }
    auto server = std::make_unique<CHttpServer>(state, settings);
    if (!server->Start()) {
        err << "--http: cannot serve on " << Described(*address)
            << " (the port is taken, or the address is not this machine's).\n";
        status = EXIT_FAILURE_STATUS;
        return nullptr;
    }
    err << "Serving the station on " << Described(*address) << '\n';
    status = EXIT_OK;
    return std::unique_ptr<CHttpMonitor>(new CHttpMonitor(std::move(server)));
}

CHttpMonitor::CHttpMonitor(std::unique_ptr<CHttpServer> server) : m_server(std::move(server)) {}

CHttpMonitor::~CHttpMonitor() = default;
