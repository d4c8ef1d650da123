#include "support/service_test.h"

namespace nb::test {

std::string Wire(std::string text) {
    for (std::size_t at = text.find("^B"); at != std::string::npos; at = text.find("^B", at + 1))
        text.replace(at, 2, "\x02");
    return text;
}

std::string Notice(const std::string& service, const std::string& nick, const std::string& text) {
    return ":" + service + " NOTICE " + nick + " :" + Wire(text);
}

std::string Privmsg(const std::string& service, const std::string& nick, const std::string& text) {
    return ":" + service + " PRIVMSG " + nick + " :" + Wire(text);
}

std::string Audit(const std::string& service, const std::string& nick, const std::string& text) {
    return ":" + service + " PRIVMSG #nb.botinfo :" + Wire("[^B" + nick + "^B] " + text);
}

void ServiceTest::Connect(const std::string& nick, const std::string& ident, const std::string& host) {
    IntroduceUser(nick, ident, host);
    link.Take();
}

Lines ServiceTest::Tell(const std::string& service, const std::string& nick, const std::string& text) {
    Receive(":" + nick + " PRIVMSG " + service + " :" + text);
    return link.Take();
}

void ServiceTest::RegisterAndIdentify(const std::string& nick, const std::string& password) {
    Tell("NickServ", nick, "register " + password);
    Tell("NickServ", nick, "identify " + password);
    ASSERT_TRUE(services.nickServ.IsNickIdentified(nick)) << nick;
}

OnlineUser& ServiceTest::User(const std::string& nick) {
    return services.users.At(services.users.FindOnlineUser(nick).value());
}

}  // namespace nb::test
