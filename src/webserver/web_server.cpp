#include "webserver/web_server.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <set>

#include "core/datetime.h"
#include "core/files.h"
#include "core/safe_path.h"
#include "core/tcp_listen.h"
#include "core/text.h"

namespace nb {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace fs = std::filesystem;
using tcp = asio::ip::tcp;

namespace {

std::optional<std::string> PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            decoded += text[at];
            continue;
        }
        if (at + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[at + 2])))
            return std::nullopt;
        decoded += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
        at += 2;
    }
    return decoded;
}

std::string ContentTypeOf(const fs::path& file) {
    std::string extension = ToLower(file.extension().string());
    if (extension == ".html" || extension == ".htm") return "text/html";
    if (extension == ".txt") return "text/plain";
    if (extension == ".css") return "text/css";
    if (extension == ".js") return "text/javascript";
    if (extension == ".png") return "image/png";
    if (extension == ".jpg" || extension == ".jpeg") return "image/jpeg";
    if (extension == ".gif") return "image/gif";
    return "application/octet-stream";
}

// A page's lines are sent joined, as the statistics pages have always been served.
std::string JoinedLines(std::string_view text) {
    std::string joined;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        joined += line;
        start = end + 1;
    }
    return joined;
}

}  // namespace

std::vector<SettingDefault> WebServerSettingDefaults() {
    return {{"General", "Webserver Address", "0.0.0.0"},
            {"General", "Webserver Port", "80"},
            {"General", "Webserver Autostart", "0"},
            {"General", "Webstats Refresh", "0"}};
}

const std::string& NotFoundPage() {
    static const std::string kPage = [] {
        std::string page;
        for (const char* line : {
                 "<html>", "", "<head>", "<style>",
                 "a:link          {font:8pt/11pt verdana; color:red; text-decoration:none}",
                 "a:visited       {font:8pt/11pt verdana; color:red; text-decoration:none}",
                 "a:hover          {font:8pt/11pt verdana; color:red; text-decoration:underline}", "</style>",
                 R"(<meta HTTP-EQUIV="Content-Type" Content="text-html; charset=Windows-1252">)",
                 "<title>HTTP 404 Not Found</title>", "</head>", "", R"(<body bgcolor="#FFFFFF">)",
                 R"(<p><font face="Verdana, Arial, Helvetica, sans-serif" size="2"><b><font color="#FF0000">The)",
                 "  page cannot be found </font></b></font></p>", "<p>&nbsp;</p>",
                 R"(<p><font face="Verdana, Arial, Helvetica, sans-serif" size="1">The page you are)",
                 "  looking for might have been removed, had its name changed, or is temporarily",
                 "  unavailable. </font></p>", R"(<p align="center">&nbsp;</p>)",
                 R"(<p align="center"><font size="1" face="Verdana, Arial, Helvetica, sans-serif" color="#0000FF"><i><font color="#000000">HTTP)",
                 "  404 - File not found</font></i></font></p>", "</body>", "</html>", "", ""}) {
            page += line;
            page += "\r\n";
        }
        return page;
    }();
    return kPage;
}

WebAnswer AnswerRequest(const fs::path& folder, const std::string& target) {
    const WebAnswer notFound{404, "text/html", NotFoundPage()};
    auto path = PercentDecoded(target.substr(0, target.find_first_of("?#")));
    if (!path || path->empty() || (*path)[0] != '/') return notFound;
    std::string name = *path == "/" ? "index.html" : path->substr(1);
    auto file = FileInFolder(folder, name);
    if (!file) return notFound;
    std::optional<std::string> content = ReadWholeFile(*file);
    if (!content) return notFound;
    WebAnswer answer{200, ContentTypeOf(*file), ""};
    answer.body = answer.contentType.starts_with("text/") ? JoinedLines(*content) : std::move(*content);
    return answer;
}

struct WebServer::Impl : std::enable_shared_from_this<WebServer::Impl> {
    class Session;

    Impl(asio::io_context& ioIn, fs::path folderIn, const Clock& clockIn, Console& consoleIn,
         std::chrono::milliseconds idleIn)
        : io(ioIn), folder(std::move(folderIn)), clock(clockIn), console(consoleIn), idle(idleIn), acceptor(ioIn) {}

    void Log(const std::string& text) {
        console.AppendLogText(LogBox::WebServer, "[" + FormatGeneralDate(clock.Now()) + "] " + text);
    }
    void Accept();

    asio::io_context& io;
    fs::path folder;
    const Clock& clock;
    Console& console;
    std::chrono::milliseconds idle;
    tcp::acceptor acceptor;
    std::set<std::shared_ptr<Session>> sessions;
};

// One connection: its request read (within the idle time), its answer written, then closed.
class WebServer::Impl::Session : public std::enable_shared_from_this<Session> {
public:
    Session(std::shared_ptr<Impl> server, tcp::socket socket) : server_(std::move(server)), stream_(std::move(socket)) {}

    void Start() {
        parser_.header_limit(8 * 1024);
        stream_.expires_after(server_->idle);
        http::async_read(stream_, buffer_, parser_,
                         [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
    }

    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

private:
    void OnRead(beast::error_code error) {
        if (error) return Finish();
        std::string target(parser_.get().target());
        server_->Log("Requested: " + target);
        WebAnswer answer = AnswerRequest(server_->folder, target);
        response_.version(10);
        response_.result(static_cast<http::status>(answer.status));
        response_.set(http::field::content_type, answer.contentType);
        response_.set(http::field::connection, "close");
        response_.body() = std::move(answer.body);
        response_.prepare_payload();
        stream_.expires_after(server_->idle);
        http::async_write(stream_, response_,
                          [self = shared_from_this()](beast::error_code, std::size_t) { self->Finish(); });
    }

    void Finish() {
        Close();
        server_->sessions.erase(shared_from_this());
    }

    std::shared_ptr<Impl> server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    http::request_parser<http::empty_body> parser_;
    http::response<http::string_body> response_;
};

void WebServer::Impl::Accept() {
    acceptor.async_accept([self = shared_from_this()](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !self->acceptor.is_open()) return;
        if (!error) {
            beast::error_code ignored;
            auto remote = socket.remote_endpoint(ignored);
            if (self->sessions.size() >= kMostConnections) {
                self->Log(remote.address().to_string() + " refused: " + std::to_string(kMostConnections) +
                          " connections are open.");
                socket.close(ignored);
            } else {
                self->Log(remote.address().to_string() + " connected..");
                auto session = std::make_shared<Session>(self, std::move(socket));
                self->sessions.insert(session);
                session->Start();
            }
        }
        self->Accept();
    });
}

WebServer::WebServer(asio::io_context& io, const fs::path& folder, const Clock& clock, Console& console,
                     std::chrono::milliseconds idleTimeout)
    : impl_(std::make_shared<Impl>(io, folder, clock, console, idleTimeout)) {}

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(const std::string& address, int port) {
    Stop();
    if (std::string reason = Listen(impl_->acceptor, address, port); !reason.empty()) {
        impl_->console.ShowMessage("NBII - Web server", "Cannot listen on " + address + " port " + std::to_string(port) + " (" + reason +
                                                         "); the web server is not running.");
        return false;
    }
    impl_->Log("Listening on port " + std::to_string(Port()) + ".");
    impl_->Accept();
    return true;
}

void WebServer::Stop() {
    if (StopListening(impl_->acceptor, impl_->sessions)) impl_->Log("Stopped.");
}

bool WebServer::IsRunning() const { return impl_->acceptor.is_open(); }

int WebServer::Port() const { return PortOf(impl_->acceptor); }

}  // namespace nb
