#include <gtest/gtest.h>

#include "support/fixture.h"

namespace nb {
namespace {

// Notes each announcement with what the tables show at that moment.
struct Recorder : NetworkEvents {
    explicit Recorder(const Services& s) : services(s) {}
    void OnLinkUp() override { seen.push_back("link up, users " + std::to_string(services.users.Count())); }
    void OnUserIntroduced(const std::string& nick) override { seen.push_back("introduced " + nick); }
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override {
        seen.push_back("nick " + oldNick + " -> " + nick);
    }
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override {
        seen.push_back("gone " + user.nick + (quitMessage ? " (" + *quitMessage + ")" : " (killed)") + ", in " +
                       std::to_string(services.channels.Count()) + " channel(s), online " +
                       std::to_string(services.users.IsUserOnline(user.nick)));
    }
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) override {
        seen.push_back("joined " + nick + " " + JoinWords(channels, 0, ","));
    }
    void OnUserParted(const std::string& channel, const std::string& nick) override {
        seen.push_back("parted " + nick + " " + channel);
    }
    void OnUserKicked(const std::string& channel, const std::string& victim, const std::string& source) override {
        seen.push_back("kicked " + victim + " from " + channel + " by " + source);
    }
    void OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) override {
        seen.push_back("topic " + channel + " by " + setter + ": " + topic + " / table " +
                       services.channels.At(*services.channels.FindNetChannel(channel)).topic.value_or("-"));
    }
    void OnModesChanged(const ModeChange& change) override {
        seen.push_back("modes " + change.channel + " by " + change.source + ": " + change.modes + " [" +
                       change.parameters + "]" + (change.statusOrBans ? " status" : ""));
    }
    void OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) override {
        seen.push_back("said " + nick + " in " + channel + ": " + text);
    }
    const Services& services;
    std::vector<std::string> seen;
};

TEST(NetworkEvents, EveryChangeIsAnnouncedOnceWithTheTablesAlreadyShowingIt) {
    test::ServicesFixture f;
    Recorder recorder(f.services);
    f.services.events.Subscribe(recorder);
    f.StartLinked();
    f.IntroduceUser("joe");
    f.IntroduceUser("ann");
    f.Receive(":joe JOIN #a,#b");
    f.Receive(":ann JOIN #a");
    f.Receive(":joe TOPIC #a :hello");
    f.Receive(":joe MODE #a +nt 1765055235");
    f.Receive(":joe MODE #a +o ann");
    f.Receive(":ann PRIVMSG #a :hi all");
    f.Receive(":joe KICK #a ann :out");
    f.Receive(":ann NICK anna");
    f.Receive(":joe PART #b :bye");
    f.Receive(":anna QUIT :gone");
    f.Receive(":irc.example.org KILL joe :flood");
    f.Receive(":irc.example.org KILL NickServ :collision");  // our own client: not gone
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{
                                 "link up, users 0",
                                 "introduced joe",
                                 "introduced ann",
                                 "joined joe #a,#b",
                                 "joined ann #a",
                                 "topic #a by joe: hello / table hello",
                                 "modes #a by joe: +nt []",
                                 "modes #a by joe: +o [ann] status",
                                 "said ann in #a: hi all",
                                 "kicked ann from #a by joe",
                                 "nick ann -> anna",
                                 "parted joe #b",
                                 "gone anna (gone), in 4 channel(s), online 1",
                                 "gone joe (killed), in 4 channel(s), online 1",
                             }));
    EXPECT_FALSE(f.services.users.IsUserOnline("joe"));
    EXPECT_EQ(f.services.channels.Count(), 3u);  // the log channels
}

}  // namespace
}  // namespace nb
