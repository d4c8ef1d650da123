#include "console/admin_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/json.hpp>
#include <deque>
#include <set>

#include "console/admin_password.h"
#include "core/tcp_listen.h"
#include "core/text.h"
#include "core/wildcard.h"
#include "core/version.h"

namespace nb {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace json = boost::json;
using tcp = asio::ip::tcp;

namespace {

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

constexpr std::size_t kMostSessions = 20;
constexpr std::size_t kMostConnections = 20;

Response Answer(const Request& request, http::status status, const std::string& type, std::string body) {
    Response response{status, request.version()};
    response.set(http::field::content_type, type);
    response.set(http::field::cache_control, "no-store");
    response.set("X-Frame-Options", "DENY");
    response.keep_alive(false);
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

Response Json(const Request& request, http::status status, const json::value& value) {
    return Answer(request, status, "application/json", json::serialize(value));
}

Response Refusal(const Request& request, http::status status, const std::string& why) {
    return Json(request, status, {{"error", why}});
}

// A request another site's page makes the browser send.
bool IsCrossSite(const Request& request) {
    std::string site(request["Sec-Fetch-Site"]);
    if (!site.empty() && site != "same-origin" && site != "none") return true;
    std::string origin(request[http::field::origin]);
    if (!origin.empty() && origin != "http://" + std::string(request[http::field::host])) return true;
    // A form of another site cannot send JSON without asking first.
    return request.method() == http::verb::post &&
           !std::string(request[http::field::content_type]).starts_with("application/json");
}

std::string SessionCookie(const Request& request) {
    std::string cookies(request[http::field::cookie]);
    std::size_t at = cookies.find("nb_session=");
    if (at == std::string::npos) return "";
    std::string value = cookies.substr(at + 11);
    return value.substr(0, value.find(';'));
}

std::string Text(const json::object& object, const char* key) {
    const json::value* value = object.if_contains(key);
    return value != nullptr && value->is_string() ? std::string(value->as_string()) : std::string();
}

json::array Strings(const std::vector<std::string>& texts) {
    json::array all;
    for (const std::string& text : texts) all.push_back(json::string(text));
    return all;
}

}  // namespace

struct AdminServer::Impl : std::enable_shared_from_this<AdminServer::Impl> {
    class Session;

    Impl(asio::io_context& ioIn, AdminOperations& operationsIn, WebConsole& consoleIn, Console& terminalIn, Workers& workersIn)
        : io(ioIn), operations(operationsIn), console(consoleIn), terminal(terminalIn), workers(workersIn), acceptor(ioIn) {}

    void Accept();
    // The answer to a request with a valid session (or the page, or the login).
    Response Handle(const Request& request);
    Response State(const Request& request, std::uint64_t since);
    Response Operation(const Request& request, const json::object& body);
    // The registered nicks or channels whose name matches the search (a wildcard mask), at most
    // 200 of them.
    Response Registered(const Request& request, const json::object& body);
    // How long a login waits, after so many wrong passwords in a row.
    std::chrono::seconds LoginDelay() const {
        return wrongLogins < 3 ? std::chrono::seconds(0) : std::chrono::seconds(std::min(30, 1 << std::min(wrongLogins - 3, 5)));
    }

    asio::io_context& io;
    AdminOperations& operations;
    WebConsole& console;
    Console& terminal;
    Workers& workers;
    tcp::acceptor acceptor;
    std::set<std::shared_ptr<Session>> sessions;
    std::deque<std::string> tokens;  // the sessions logged in, oldest first
    int wrongLogins = 0;
    bool checkingLogin = false;  // one password is checked at a time
};

class AdminServer::Impl::Session : public std::enable_shared_from_this<Session> {
public:
    Session(std::shared_ptr<Impl> server, tcp::socket socket)
        : server_(std::move(server)), stream_(std::move(socket)), delay_(server_->io) {}

    void Start() {
        parser_.body_limit(64 * 1024);
        stream_.expires_after(std::chrono::seconds(30));
        http::async_read(stream_, buffer_, parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) return self->Finish();
            self->OnRequest(self->parser_.get());
        });
    }
    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
        delay_.cancel();
    }

private:
    void OnRequest(const Request& request) {
        if (IsCrossSite(request)) return Send(Refusal(request, http::status::forbidden, "Requests from other sites are refused."));
        if (request.target() == "/api/login" && request.method() == http::verb::post) return Login(request);
        Send(server_->Handle(request));
    }

    // After wrong passwords in a row the check itself waits, longer with each; one password is
    // checked at a time, on a worker, so that guessing costs the services nothing.
    void Login(const Request& request) {
        boost::system::error_code error;
        json::value body = json::parse(request.body(), error);
        std::string typed = error || !body.is_object() ? "" : Text(body.as_object(), "password");
        if (server_->checkingLogin)
            return Send(Refusal(request, http::status::too_many_requests, "Another login is being checked; try again."));
        server_->checkingLogin = true;
        delay_.expires_after(server_->LoginDelay());
        delay_.async_wait([self = shared_from_this(), typed](boost::system::error_code error) {
            if (error) {
                self->server_->checkingLogin = false;
                return;
            }
            auto right = std::make_shared<bool>(false);
            std::string hash = self->server_->operations.SettingsStore().Get("Security", "Admin Password", "");
            self->server_->workers.Submit([right, hash, typed] { *right = IsAdminPassword(hash, typed); },
                                          [self, right] {
                                              self->server_->checkingLogin = false;
                                              self->Answered(*right);
                                          });
        });
    }

    void Answered(bool right) {
        const Request& request = parser_.get();
        if (!right) {
            ++server_->wrongLogins;
            return Send(Refusal(request, http::status::unauthorized, "Wrong password."));
        }
        server_->wrongLogins = 0;
        std::string token = RandomToken(32);
        server_->tokens.push_back(token);
        if (server_->tokens.size() > kMostSessions) server_->tokens.pop_front();
        Response response = Json(request, http::status::ok, {{"ok", true}});
        response.set(http::field::set_cookie, "nb_session=" + token + "; HttpOnly; SameSite=Strict; Path=/");
        Send(std::move(response));
    }

    void Send(Response response) {
        response_ = std::move(response);
        stream_.expires_after(std::chrono::seconds(30));
        http::async_write(stream_, response_, [self = shared_from_this()](beast::error_code, std::size_t) { self->Finish(); });
    }

    void Finish() {
        Close();
        server_->sessions.erase(shared_from_this());
    }

    std::shared_ptr<Impl> server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    http::request_parser<http::string_body> parser_;
    Response response_;
    asio::steady_timer delay_;
};

Response AdminServer::Impl::Handle(const Request& request) {
    std::string target(request.target());
    std::string path = target.substr(0, target.find('?'));
    if (path == "/" && request.method() == http::verb::get) return Answer(request, http::status::ok, "text/html; charset=utf-8", AdminPage());
    std::string token = SessionCookie(request);
    if (token.empty() || std::find(tokens.begin(), tokens.end(), token) == tokens.end())
        return Refusal(request, http::status::unauthorized, "Log in first.");
    if (path == "/api/logout" && request.method() == http::verb::post) {
        std::erase(tokens, token);
        return Json(request, http::status::ok, {{"ok", true}});
    }
    if (path == "/api/state" && request.method() == http::verb::get) {
        std::size_t at = target.find("since=");
        return State(request, at == std::string::npos ? 0 : static_cast<std::uint64_t>(ToNumber(target.substr(at + 6))));
    }
    if (request.method() != http::verb::post) return Refusal(request, http::status::not_found, "No such request.");
    boost::system::error_code error;
    json::value body = json::parse(request.body(), error);
    if (error || !body.is_object()) return Refusal(request, http::status::bad_request, "The request is not a JSON object.");
    if (path == "/api/answer") {
        const json::object& answer = body.as_object();
        const json::value* id = answer.if_contains("id");
        const json::value* value = answer.if_contains("value");
        if (id == nullptr || !id->is_int64()) return Refusal(request, http::status::bad_request, "Which dialog?");
        std::optional<std::string> given;
        if (value != nullptr && value->is_string()) given = std::string(value->as_string());
        bool answered = false;
        operations.RunOperation([&] { answered = console.Answer(static_cast<std::uint64_t>(id->as_int64()), given); }, &console);
        return answered ? Json(request, http::status::ok, {{"ok", true}})
                        : Refusal(request, http::status::not_found, "That dialog was answered already.");
    }
    if (path == "/api/op") return Operation(request, body.as_object());
    if (path == "/api/registered") return Registered(request, body.as_object());
    return Refusal(request, http::status::not_found, "No such request.");
}

Response AdminServer::Impl::State(const Request& request, std::uint64_t since) {
    const StatisticsView& view = operations.Statistics();
    Settings& settings = operations.SettingsStore();
    json::object server;
    for (const char* key : {"IP/Host", "Port", "Password", "Server Name", "Protocol", "Your Email"})
        server[key] = settings.Get("Server Information", key, "");
    json::object state{
        {"version", kVersion},
        {"lastBackup", operations.LastBackupCaption()},
        {"network", {{"linked", view.Linked()}, {"uptime", view.Uptime().count()}, {"users", view.UsersOnline()},
                     {"channels", view.ChannelsNow()}, {"maxUsers", view.MaxUsers()}, {"maxUsersDate", view.MaxUsersDate()},
                     {"nicks", view.RegisteredNickCount()}, {"registeredChannels", view.RegisteredChannelCount()}}},
        {"webServer", operations.WebServerRunning()},
        {"webPort", settings.Get("General", "Webserver Port", "80")},
        {"settings", server},
        {"operators", Strings(operations.List("operators"))},
        {"jupes", Strings(operations.List("jupes"))},
        {"ignores", Strings(operations.List("ignores"))},
        {"restrictedNicks", Strings(operations.List("restricted nicks"))},
        {"restrictedChannels", Strings(operations.List("restricted channels"))},
        {"levels", Strings(operations.List("levels"))},
        {"dialogs", console.Dialogs()},
        {"log", console.LogLinesAfter(since)},
    };
    if (auto update = operations.LastUpdateResult())
        state["update"] = {{"text", update->text}, {"offered", update->updateOffered}, {"download", update->downloadCaption}};
    return Json(request, http::status::ok, state);
}

Response AdminServer::Impl::Operation(const Request& request, const json::object& body) {
    std::string op = Text(body, "op"), arg = Text(body, "arg");
    std::string output;
    bool known = true;
    operations.RunOperation(
        [&] {
            OperatorConsole& operators = operations.Operators();
            if (op == "backup") operations.Backup();
            else if (op == "restore") operations.Restore();
            else if (op == "linkconf") output = operations.LinkConfiguration(arg == "ngircd");
            else if (op == "update") operations.CheckForUpdate();
            else if (op == "connect") operations.Connect();
            else if (op == "oper-add") operators.AddOperator();
            else if (op == "oper-del") operators.DeleteOperator(ListIndex(arg));
            else if (op == "osinfo") operators.SetOsInfo(arg);
            else if (op == "jupe-add") operators.AddJupe(arg);
            else if (op == "jupe-del") operators.RemoveJupe(ListIndex(arg));
            else if (op == "ignore-add") operators.AddIgnore(arg);
            else if (op == "ignore-del") operators.RemoveIgnore(ListIndex(arg));
            else if (op == "bot-load") operations.LoadBot(arg);
            else if (op == "restrict-nick") operations.RestrictNick(arg);
            else if (op == "unrestrict-nick") operations.UnrestrictNick(ListIndex(arg));
            else if (op == "restrict-channel") operations.RestrictChannel(arg);
            else if (op == "unrestrict-channel") operations.UnrestrictChannel(ListIndex(arg));
            else if (op == "memo-all" || op == "memo-operators") operations.MemoToAll(op == "memo-operators", arg);
            else if (op == "drop-nick") operations.DropNick(arg);
            else if (op == "drop-channel") operations.DropChannel(arg);
            else if (op == "edit-nick") operations.EditNick(arg, Text(body, "field"), Text(body, "value"));
            else if (op == "edit-channel") operations.EditChannel(arg, Text(body, "field"), Text(body, "value"));
            else if (op == "level") operators.ChangeCommandLevel(ListIndex(Text(body, "number")), arg);
            else if (op == "webserver-start") operations.StartWebServer();
            else if (op == "webserver-stop") operations.StopWebServer();
            else if (op == "page") {
                const std::vector<std::string> pages{"index", "users", "chanserv", "nickserv"};
                auto page = std::find(pages.begin(), pages.end(), arg);
                if (page == pages.end()) known = false;
                else operations.MakePage(static_cast<StatisticsPage>(page - pages.begin()));
            } else if (op == "settings") {
                const json::value* values = body.if_contains("values");
                Settings& settings = operations.SettingsStore();
                for (const char* key : {"IP/Host", "Port", "Password", "Server Name", "Protocol", "Your Email"})
                    if (values != nullptr && values->is_object() && values->as_object().if_contains(key) != nullptr &&
                        values->as_object().at(key).is_string())
                        settings.Set("Server Information", key, std::string(values->as_object().at(key).as_string()));
                console.ShowMessage("NBII - Settings", settings.Save() ? "Saved. The link uses them from its next connection."
                                                                       : "Cannot write " + settings.File().string());
            } else known = false;
        },
        &console);
    if (!known) return Refusal(request, http::status::bad_request, "No such operation: " + op);
    return Json(request, http::status::ok, {{"ok", true}, {"output", output}});
}

Response AdminServer::Impl::Registered(const Request& request, const json::object& body) {
    constexpr std::size_t kMostRows = 200;
    std::string mask = ToLower(Text(body, "search").empty() ? "*" : Text(body, "search"));
    const StatisticsView& view = operations.Statistics();
    json::array rows;
    if (Text(body, "kind") == "channels") {
        for (const ChannelRow& channel : view.RegisteredChannels())
            if (rows.size() < kMostRows && WildcardMatch(ToLower(channel.name), mask))
                rows.push_back({{"name", channel.name}, {"founder", channel.founder}, {"email", channel.email},
                                {"description", channel.description}, {"greet", channel.greet}, {"registered", channel.registeredOn}});
    } else {
        for (const NickRow& nick : view.RegisteredNicks())
            if (rows.size() < kMostRows && WildcardMatch(ToLower(nick.nick), mask))
                rows.push_back({{"name", nick.nick}, {"email", nick.email}, {"realName", nick.realName}, {"lastSeen", nick.lastSeen},
                                {"lastQuit", nick.lastQuit}, {"registered", nick.registeredOn}});
    }
    return Json(request, http::status::ok, {{"rows", rows}});
}

void AdminServer::Impl::Accept() {
    acceptor.async_accept([self = shared_from_this()](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !self->acceptor.is_open()) return;
        if (!error && self->sessions.size() < kMostConnections) {
            auto session = std::make_shared<Session>(self, std::move(socket));
            self->sessions.insert(session);
            session->Start();
        }
        self->Accept();
    });
}

AdminServer::AdminServer(asio::io_context& io, AdminOperations& operations, WebConsole& console, Console& terminal,
                         Workers& workers)
    : impl_(std::make_shared<Impl>(io, operations, console, terminal, workers)) {}

AdminServer::~AdminServer() { Stop(); }

bool AdminServer::Start(const std::string& address, int port) {
    Stop();
    if (std::string reason = Listen(impl_->acceptor, address, port); !reason.empty()) {
        impl_->terminal.ShowMessage("NBII - Admin console", "Cannot listen on " + address + " port " + std::to_string(port) + " (" + reason +
                                                         "); the admin console is not running.");
        return false;
    }
    impl_->terminal.AppendLogText(LogBox::Status, "Admin console on http://" + address + ":" + std::to_string(Port()) + "/");
    impl_->Accept();
    return true;
}

void AdminServer::Stop() { StopListening(impl_->acceptor, impl_->sessions); }

int AdminServer::Port() const { return PortOf(impl_->acceptor); }

}  // namespace nb
