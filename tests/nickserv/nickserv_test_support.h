// A linked Services object with helpers to talk to NickServ and to spell the expected lines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fixture.h"

namespace nb::test {

// "^B" in expected texts stands for the bold control character, as on the wire.
inline std::string Wire(std::string text) {
    for (std::size_t at = text.find("^B"); at != std::string::npos; at = text.find("^B", at + 1))
        text.replace(at, 2, "\x02");
    return text;
}

using Lines = std::vector<std::string>;

struct NickServTest : ::testing::Test, ServicesFixture {
    NickServTest() { StartLinked(); }

    // Introduces the user and drops what that sent (the network log line, warnings).
    void Connect(const std::string& nick, const std::string& ident = "user",
                 const std::string& host = "host.example.org") {
        IntroduceUser(nick, ident, host);
        link.Take();
    }
    Lines Say(const std::string& nick, const std::string& text) {
        Receive(":" + nick + " PRIVMSG NickServ :" + text);
        return link.Take();
    }
    void RegisterAndIdentify(const std::string& nick, const std::string& password) {
        Say(nick, "register " + password);
        Say(nick, "identify " + password);
        ASSERT_TRUE(services.nickServ.IsNickIdentified(nick));
    }
    const RegisteredNick& Record(const std::string& nick) {
        const RegisteredNick* record = services.nickServ.FindRegisteredNick(nick);
        EXPECT_NE(record, nullptr) << nick;
        static const RegisteredNick kNone;
        return record != nullptr ? *record : kNone;
    }
    OnlineUser& User(const std::string& nick) { return services.users.At(services.users.FindOnlineUser(nick).value()); }

    static std::string Notice(const std::string& nick, const std::string& text) {
        return ":NickServ NOTICE " + nick + " :" + Wire(text);
    }
    static std::string Privmsg(const std::string& nick, const std::string& text) {
        return ":NickServ PRIVMSG " + nick + " :" + Wire(text);
    }
    static std::string Audit(const std::string& nick, const std::string& text) {
        return ":NickServ PRIVMSG #nb.botinfo :" + Wire("[^B" + nick + "^B] " + text);
    }
    std::string NickFile() const { return ReadFile("NickServ/NickServ.nb2"); }
};

}  // namespace nb::test
