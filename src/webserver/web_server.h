// The statistics web server: serves the files of the Webserver folder over HTTP, one request a
// connection, at most 50 connections at once, each answered with its own file (or the 404 page)
// and closed.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/console.h"
#include "core/settings.h"

namespace nb {

// The answer to one request path: the status, the content type and the body.
struct WebAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// General/Webserver Address and Port, Webserver Autostart (1 starts it with the program) and
// Webstats Refresh (seconds between new statistics pages; 0 makes them on demand).
std::vector<SettingDefault> WebServerSettingDefaults();

// The 404 page, its 26 lines each ended by CR LF.
const std::string& NotFoundPage();

// What the request target names in `folder`: "/" is index.html; a path that holds "/" after its
// first character, "\", "..", a drive letter (also when written with %-escapes), or that leads
// out of the folder through a link, names no file. An HTML or text file is sent with its
// non-empty lines joined without line breaks; another file as it is.
WebAnswer AnswerRequest(const std::filesystem::path& folder, const std::string& target);

class WebServer {
public:
    static constexpr std::size_t kMostConnections = 50;

    WebServer(boost::asio::io_context& io, const std::filesystem::path& folder, const Clock& clock, Console& console,
              std::chrono::milliseconds idleTimeout = std::chrono::seconds(10));
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on the port; when it cannot, the operator is told why and false is returned.
    bool Start(const std::string& address, int port);
    void Stop();
    bool IsRunning() const;
    // The port it listens on (the one chosen when 0 was asked).
    int Port() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace nb
