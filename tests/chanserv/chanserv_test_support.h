// The shared service test helpers, spoken to ChanServ.
#pragma once

#include "support/service_test.h"

namespace nb::test {

struct ChanServTest : ServiceTest {
    Lines Say(const std::string& nick, const std::string& text) { return Tell("ChanServ", nick, text); }
    // Connects the nick, registers it with NickServ and identifies; what that sent is dropped.
    void Arrive(const std::string& nick, const std::string& ident = "user", const std::string& host = "host.example.org") {
        Connect(nick, ident, host);
        RegisterAndIdentify(nick, "secret1");
        link.Take();
    }
    // The nick registers the channel with the password "chanpw1"; what that sent is dropped.
    void RegisterChannel(const std::string& nick, const std::string& channel) {
        Lines lines = Say(nick, "register " + channel + " chanpw1 " + nick + "@example.org About " + channel);
        ASSERT_FALSE(lines.empty());
        ASSERT_EQ(lines.back(), ChannelAudit(nick, channel,
                                             "REGISTER " + channel + " ****** " + nick + "@example.org About " +
                                                 channel + " [Success]"));
    }
    // The founder adds the nick to the channel at the level.
    void AddAccess(const std::string& founder, const std::string& channel, const std::string& nick, int level) {
        Lines lines = Say(founder, "access " + channel + " add " + nick + " " + std::to_string(level));
        ASSERT_FALSE(lines.empty());
        ASSERT_EQ(lines.back(), ChannelAudit(founder, channel,
                                             "ACCESS " + channel + " add " + nick + " " + std::to_string(level) +
                                                 " [Success]"));
    }
    ChannelDatabase& Database() { return services.chanServ.Database(); }
    const RegisteredChannel* Channel(const std::string& name) {
        return std::as_const(Database()).FindRegisteredChannel(name);
    }
    int LevelOf(const std::string& channel, const std::string& nick) {
        return Database().GetChannelAccessLevel(channel, User(nick));
    }
    std::string ChannelFile() const { return ReadFile("ChanServ/ChanServ.nb2"); }
    std::string AccessFile() const { return ReadFile("ChanServ/Access.nb2"); }

    static std::string Notice(const std::string& nick, const std::string& text) {
        return test::Notice("ChanServ", nick, text);
    }
    static std::string Privmsg(const std::string& nick, const std::string& text) {
        return test::Privmsg("ChanServ", nick, text);
    }
    // An audit line that names only the sender.
    static std::string Audit(const std::string& nick, const std::string& text) {
        return test::Audit("ChanServ", nick, text);
    }
    // "[^B<nick>^B:^B<channel>^B] " + text.
    static std::string ChannelAudit(const std::string& nick, const std::string& channel, const std::string& text) {
        return test::Audit("ChanServ", nick + "^B:^B" + channel, text);
    }
    // The two refusals of the identification gate, from NickServ.
    static Lines NotIdentified(const std::string& nick) {
        return {test::Notice("NickServ", nick, "^BError^B: Please identify with NickServ first."),
                test::Notice("NickServ", nick, "^BSyntax^B: /msg NickServ ident <^Bpassword^B>")};
    }
};

}  // namespace nb::test
