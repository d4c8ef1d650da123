// The statistics web server on a loopback port, its loop on a thread of its own: what each
// request gets, byte for byte, and that idle or hostile clients cannot keep it from serving.
#include <boost/asio.hpp>
#include <thread>

#include "support/fixture.h"
#include "webserver/web_server.h"

namespace nb {
namespace {

namespace fs = std::filesystem;
using boost::asio::ip::tcp;
using namespace std::chrono_literals;

struct WebServerTest : ::testing::Test {
    WebServerTest() {
        fs::create_directories(folder);
        std::ofstream(folder / "index.html", std::ios::binary) << "<p>\n\nhello</p>\r\n";
        std::ofstream(folder / "users.html", std::ios::binary) << "<b>users</b>\n";
        std::ofstream(dir.Path() / "settings.ini") << "Password=secret\n";
        fs::create_symlink(dir.Path() / "settings.ini", folder / "link.html");
        EXPECT_TRUE(server.Start("127.0.0.1", 0));
        loop = std::thread([this] { io.run(); });
    }
    ~WebServerTest() override {
        boost::asio::post(io, [this] { server.Stop(); });
        work.reset();
        loop.join();
    }
    tcp::socket Connect() {
        tcp::socket socket(client);
        socket.connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(server.Port())});
        return socket;
    }
    // Everything the server sends until it closes.
    static std::string ReadAll(tcp::socket& socket) {
        std::string received;
        boost::system::error_code error;
        boost::asio::read(socket, boost::asio::dynamic_buffer(received), error);
        return received;
    }
    std::string Get(const std::string& target) {
        tcp::socket socket = Connect();
        boost::asio::write(socket, boost::asio::buffer("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n"));
        return ReadAll(socket);
    }

    test::TempDir dir;
    fs::path folder = dir.Path() / "Webserver";
    FakeClock clock{test::TestStartTime()};
    test::RecordingConsole console;
    boost::asio::io_context io, client;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work{io.get_executor()};
    WebServer server{io, folder, clock, console, 300ms};
    std::thread loop;
};

TEST_F(WebServerTest, EachRequestGetsItsFileOrTheNotFoundPageAndNothingOutsideTheFolder) {
    EXPECT_EQ(Get("/"), "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: 12\r\n\r\n"
                        "<p>hello</p>");
    EXPECT_TRUE(Get("/USERS.html?x=1").ends_with("Content-Length: 12\r\n\r\n<b>users</b>"));
    EXPECT_TRUE(Get("/users%2Ehtml").ends_with("<b>users</b>"));
    const std::string notFound = "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nConnection: close\r\n"
                                 "Content-Length: " + std::to_string(NotFoundPage().size()) + "\r\n\r\n" + NotFoundPage();
    for (const char* target : {"/missing.html", "/../settings.ini", "/%2e%2e/settings.ini", "/..%2fsettings.ini",
                               "/..%5csettings.ini", "/link.html", "//etc/passwd", "http://x/../settings.ini", "/%zz"})
        EXPECT_EQ(Get(target), notFound) << target;
    EXPECT_EQ(std::count(NotFoundPage().begin(), NotFoundPage().end(), '\n'), 26);
}

// Two clients at once each get the page they asked for, whatever order their requests end in.
TEST_F(WebServerTest, TwoClientsAtOnceEachGetTheirOwnPage) {
    tcp::socket slow = Connect();
    boost::asio::write(slow, boost::asio::buffer(std::string("GET /users.html HTTP/1.0\r\n")));
    EXPECT_TRUE(Get("/").ends_with("<p>hello</p>"));
    boost::asio::write(slow, boost::asio::buffer(std::string("\r\n")));
    EXPECT_TRUE(ReadAll(slow).ends_with("<b>users</b>"));
}

// Fifty clients that send nothing fill every place: the next is closed at once, and once the
// silent ones have timed out the server serves again.
TEST_F(WebServerTest, IdleClientsAreClosedAndTheFiftyFirstRefused) {
    std::vector<tcp::socket> idle;
    for (std::size_t i = 0; i < WebServer::kMostConnections; ++i) idle.push_back(Connect());
    std::this_thread::sleep_for(100ms);  // every one accepted
    EXPECT_EQ(Get("/"), "");
    for (tcp::socket& socket : idle) EXPECT_EQ(ReadAll(socket), "");  // closed after the time-out
    EXPECT_TRUE(Get("/").ends_with("<p>hello</p>"));
}

// Each page made is logged, again when made again; one that cannot be written is said so.
TEST(StatisticsPages, EachPageMadeIsLogged) {
    test::ServicesFixture f;
    f.StartLinked();
    f.console.status.clear();
    f.program.Pages().Make(StatisticsPage::Users);
    f.program.Pages().Make(StatisticsPage::Users);
    fs::create_directory(f.dir.Path() / "data/Webserver/index.html.tmp");
    EXPECT_FALSE(f.program.Pages().Make(StatisticsPage::Index));
    EXPECT_EQ(f.console.status, (test::Lines{"[12/6/2026 9:07:15 PM] Created users.html", "[12/6/2026 9:07:15 PM] Created users.html",
                                             "[12/6/2026 9:07:15 PM] Cannot write index.html"}));
}

}  // namespace
}  // namespace nb
