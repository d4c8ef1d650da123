#include "support/fixture.h"

#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#include "app/startup.h"

namespace nb::test {

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("nimbral-test-" + std::to_string(random()) + "-" +
                                                      std::to_string(::time(nullptr)));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> CapturingLink::Take() {
    std::vector<std::string> taken;
    taken.swap(lines);
    return taken;
}

TimePoint TestStartTime() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 6;
    local.tm_hour = 21;
    local.tm_min = 7;
    local.tm_sec = 15;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

ServicesFixture::ServicesFixture() = default;

void ServicesFixture::StartLinked() {
    program.Start("testhost");
    services.OnLinkUp();
    // The uplink's first PING ends its burst: from here on a new max users record is announced
    // as it happens.
    Receive("PING :irc.example.org");
    link.Take();
}

void ServicesFixture::Receive(const std::string& text) {
    auto line = ParseIrcLine(text);
    if (!line) return;
    services.OnWireLine(*line);
    services.OnLine(*line);
    services.OnBlockEnd();
}

void ServicesFixture::IntroduceUser(const std::string& nick, const std::string& ident, const std::string& host,
                                    const std::string& server) {
    Receive("NICK " + nick + " 1 1765055235 " + ident + " " + host + " " + server + " 0 :Real Name");
}

std::string ServicesFixture::ReadFile(const std::string& relative) const {
    std::ifstream in(dir.Path() / "data" / relative, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void ServicesFixture::Connect(const std::string& nick, const std::string& ident, const std::string& host) {
    IntroduceUser(nick, ident, host);
    link.Take();
}

std::vector<std::string> ServicesFixture::Tell(const std::string& service, const std::string& nick,
                                               const std::string& text) {
    Receive(":" + nick + " PRIVMSG " + service + " :" + text);
    return link.Take();
}

void ServicesFixture::RegisterAndIdentify(const std::string& nick, const std::string& password) {
    Tell("NickServ", nick, "register " + password);
    Tell("NickServ", nick, "identify " + password);
    ASSERT_TRUE(services.nickServ.IsNickIdentified(nick)) << nick;
}

OnlineUser& ServicesFixture::User(const std::string& nick) {
    return services.users.At(services.users.FindOnlineUser(nick).value());
}

}  // namespace nb::test
