#include "console/update_check.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include "core/text.h"
#include "core/version.h"

namespace nb {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

std::optional<std::string> LatestVersionIn(const std::string& reply) {
    std::size_t marker = ToLower(reply).find("void");
    if (marker == std::string::npos) return std::nullopt;
    std::string rest = reply.substr(marker + 4);
    return rest.size() < 2 ? std::string() : rest.substr(1, rest.size() - 2);
}

UpdateResult CompareVersions(const std::string& latest) {
    if (latest != kVersion)
        return {"The latest version of Nimbral is " + latest + ".\r\nYour version is " + kVersion + ", please update ASAP.", true,
                "Download NBII " + latest};
    return {"The latest version of Nimbral II is " + latest + ".\r\nYour version is " + kVersion + ", no update is needed.",
            false, ""};
}

// One check: its socket, its deadline and what has arrived.
struct UpdateCheck::Run : std::enable_shared_from_this<Run> {
    Run(asio::io_context& io, Console& consoleIn, std::shared_ptr<std::optional<UpdateResult>> resultIn)
        : resolver(io), socket(io), deadline(io), console(consoleIn), result(std::move(resultIn)) {}

    void Status(const std::string& text) { console.AppendLogText(LogBox::Update, text); }

    void Begin(const std::string& hostIn, const std::string& port, std::chrono::milliseconds timeout) {
        host = hostIn;
        Status("*** Connecting to the update server, please stand by..");
        Status("");
        deadline.expires_after(timeout);
        deadline.async_wait([self = shared_from_this(), timeout](boost::system::error_code error) {
            if (error || self->done) return;
            self->Finish("*** The update server did not answer within " + std::to_string(timeout.count() / 1000) + " seconds.",
                         std::nullopt);
        });
        resolver.async_resolve(host, port, [self = shared_from_this()](boost::system::error_code error, tcp::resolver::results_type found) {
            if (self->done) return;
            if (error) return self->Finish("*** Cannot find the update server " + self->host + ": " + error.message(), std::nullopt);
            asio::async_connect(self->socket, found, [self](boost::system::error_code error, const tcp::endpoint&) {
                if (!self->done) self->OnConnected(error);
            });
        });
    }

    void OnConnected(boost::system::error_code error) {
        if (error) return Finish("*** Cannot connect to the update server: " + error.message(), std::nullopt);
        for (const char* line : {"*** Connected to the update server!", "", "*** Checking and comparing versions..", ""}) Status(line);
        request = "GET http://" + host + "/nb/check.htm HTTP/1.0\nAccept: */*\nAccept: text/html\n\n";
        asio::async_write(socket, asio::buffer(request), [self = shared_from_this()](boost::system::error_code, std::size_t) {
            if (self->done) return;
            asio::async_read(self->socket, asio::dynamic_buffer(self->reply), [self](boost::system::error_code, std::size_t) {
                if (self->done) return;
                auto latest = LatestVersionIn(self->reply);
                if (!latest) return self->Finish("*** The update server's answer names no version.", std::nullopt);
                self->Finish("*** Update check complete!", CompareVersions(*latest));
            });
        });
    }

    void Stop() {
        done = true;
        boost::system::error_code ignored;
        deadline.cancel();
        resolver.cancel();
        socket.close(ignored);
    }

    void Finish(const std::string& status, std::optional<UpdateResult> found) {
        Stop();
        if (found) {
            *result = found;
            Status(found->text);
        }
        Status(status);
    }

    tcp::resolver resolver;
    tcp::socket socket;
    asio::steady_timer deadline;
    Console& console;
    std::shared_ptr<std::optional<UpdateResult>> result;
    std::string host, request, reply;
    bool done = false;
};

UpdateCheck::UpdateCheck(asio::io_context& io, Console& console, std::chrono::milliseconds timeout)
    : io_(io), console_(console), timeout_(timeout), result_(std::make_shared<std::optional<UpdateResult>>()) {}

UpdateCheck::~UpdateCheck() {
    if (run_) run_->Stop();
}

void UpdateCheck::Start(const std::string& server) {
    if (run_ && !run_->done) run_->Finish("*** Update check stopped.", std::nullopt);
    std::size_t colon = server.rfind(':');
    if (Trim(server).empty() || colon == std::string::npos || colon == 0 || colon + 1 == server.size()) {
        console_.ShowMessage("NBII - Update", "No update server is set: General/Update Server takes host:port, and the check "
                                              "stays off while it is empty.");
        return;
    }
    run_ = std::make_shared<Run>(io_, console_, result_);
    run_->Begin(Trim(server.substr(0, colon)), Trim(server.substr(colon + 1)), timeout_);
}

const std::optional<UpdateResult>& UpdateCheck::Result() const { return *result_; }

}  // namespace nb
