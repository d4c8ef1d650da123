#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "chanserv/channel_database.h"
#include "support/fixture.h"

namespace nb {
namespace {

class FakeNickStatus : public NickStatus {
public:
    bool IsNickRegistered(const std::string& nick) const override { return identified.count(ToLower(nick)) > 0; }
    bool IsIdentified(const OnlineUser& user) const override { return IsNickRegistered(user.nick); }
    std::set<std::string> identified;  // lower case
};

const std::string kGapLead =
    "Nimbral - ChanServ Error: Error loading ChanServ database, close Nimbral and try again.\r\n"
    "If this problem continues, please check chanserv.os for gaps, or extra lines at the end of the file.\r\n";
const std::string kChannelGapBox =
    kGapLead +
    "!!THIS COULD ALSO BE CAUSED BECAUSED THIS IS THE FIRST TIME YOU RAN NIMBRAL, THIS MESSAGE SHOULD GO AWAY AS SOON "
    "AS A CHANNEL IS REGISTERED.!!";
const std::string kAccessGapBox =
    kGapLead +
    "This could also be caused because this is the first time you ran Nimbral, this message should go away as soon as "
    "a channel is registered.";

std::string ChannelLine(const std::string& name, const std::string& founder) {
    return name + " pw-" + founder + " " + founder + " " + founder + "@example.org (About " + name +
           ") [nt] [Not set!] {Not set!} 12/6/2026 0 0 0\r\n";
}

std::string AccessLine(const std::string& channel, const std::string& nick, int level) {
    return channel + " " + nick + " *!" + nick + "@home.example.org   " + std::to_string(level) + "\r\n";
}

RegisteredChannel Channel(const std::string& name, const std::string& founder) {
    RegisteredChannel record;
    record.name = name;
    record.password = "pw-" + founder;
    record.founder = founder;
    record.email = founder + "@example.org";
    record.description = "About " + name;
    record.registeredOn = "12/6/2026";
    return record;
}

ChannelAccessEntry Entry(const std::string& channel, const std::string& nick, int level) {
    return {channel, nick, {"*!" + nick + "@home.example.org", "", ""}, level};
}

OnlineUser User(const std::string& nick, const std::string& host = "home.example.org", bool override = false) {
    OnlineUser user;
    user.nick = nick;
    user.ident = nick;
    user.host = host;
    user.override = override;
    return user;
}

struct ChannelDatabaseTest : ::testing::Test {
    ChannelDatabaseTest() {
        data.EnsureDataFiles();
        data.SetSyncWrites(false);
    }
    void WriteData(const std::string& relative, const std::string& content) {
        std::ofstream(data.Path(relative), std::ios::binary) << content;
    }
    std::string ReadData(const std::string& relative) const {
        std::stringstream content;
        content << std::ifstream(data.Path(relative), std::ios::binary).rdbuf();
        return content.str();
    }
    std::string ChannelFile() const { return ReadData("ChanServ/ChanServ.nb2"); }
    std::string AccessFile() const { return ReadData("ChanServ/Access.nb2"); }
    // A missing record or entry ends the test: nothing may be done to a stand-in.
    RegisteredChannel& Record(const std::string& name) {
        RegisteredChannel* record = db.FindRegisteredChannel(name);
        if (record == nullptr) throw std::runtime_error("no record of " + name);
        return *record;
    }
    const ChannelAccessEntry* FindAccess(const std::string& channel, const std::string& nick) const {
        return db.FindAccessEntry(channel, nick);
    }
    ChannelAccessEntry& EntryOf(const std::string& channel, const std::string& nick) {
        ChannelAccessEntry* entry = db.FindAccessEntry(channel, nick);
        if (entry == nullptr) throw std::runtime_error("no entry of " + nick + " on " + channel);
        return *entry;
    }
    int Level(const std::string& channel, const OnlineUser& user) const { return db.GetChannelAccessLevel(channel, user); }
    std::vector<std::string> NicksOn(const std::string& channel) const {
        std::vector<std::string> nicks;
        for (const ChannelAccessEntry* entry : db.ChannelAccessEntries(channel)) nicks.push_back(entry->nick);
        return nicks;
    }
    void Register(const std::string& name, const std::string& founder) {
        db.AddRegisteredChannel(Channel(name, founder));
        db.AddAccessEntry(Entry(name, founder, 500));
    }

    test::TempDir dir;
    DataDirectory data{dir.Path() / "data"};
    test::RecordingConsole console;
    GroupCommit commit{data, console};
    FakeNickStatus nicks;
    ChannelDatabase db{data, console, commit, nicks};
};

TEST_F(ChannelDatabaseTest, FilesSurviveALoadAndASaveByteForByte) {
    const std::string channels = ChannelLine("#help", "ann") +
                                 "#News pw bob bob@x.org (Daily (UK) news :)) [ntk key] [[Today] all {fine}] "
                                 "{Hi {there} } :}} 1/2/2026 1 1 1\r\n" +
                                 ChannelLine("#zoo", "cy");
    const std::string access = AccessLine("#help", "ann", 500) + "#News bob *!b@x  *@10.* 500\r\n" +
                               AccessLine("#help", "bob", 200) + AccessLine("#zoo", "cy", 500);
    WriteData("ChanServ/ChanServ.nb2", channels);
    WriteData("ChanServ/Access.nb2", access);
    db.LoadChannelDatabase(true, true);
    EXPECT_EQ(Record("#news").greet, "Hi {there} } :}");
    EXPECT_EQ(NicksOn("#HELP"), (std::vector<std::string>{"ann", "bob"}));

    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(ChannelFile(), channels);
    EXPECT_EQ(AccessFile(), access);
    EXPECT_TRUE(console.messages.empty());
    struct stat info {};
    ASSERT_EQ(::stat(data.Path("ChanServ/ChanServ.nb2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ChannelDatabaseTest, EmptyLinesGiveOneBoxAFileAndLoseNothingAfterThem) {
    WriteData("ChanServ/ChanServ.nb2",
              ChannelLine("#a", "ann") + "\r\n" + ChannelLine("#b", "bob") + "\r\n\r\n" + ChannelLine("#c", "cy") + "\r\n");
    WriteData("ChanServ/Access.nb2", AccessLine("#a", "ann", 500) + "\r\n" + AccessLine("#c", "cy", 500));
    db.LoadChannelDatabase(true, true);
    // The access entries are read even though the channel file had a gap.
    EXPECT_EQ(console.messages, (std::vector<std::string>{kChannelGapBox, kAccessGapBox}));
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(ChannelFile(), ChannelLine("#a", "ann") + ChannelLine("#b", "bob") + ChannelLine("#c", "cy"));
    EXPECT_EQ(AccessFile(), AccessLine("#a", "ann", 500) + AccessLine("#c", "cy", 500));

    // A first run's file of one empty line; an empty file says nothing.
    console.messages.clear();
    WriteData("ChanServ/ChanServ.nb2", "\r\n");
    WriteData("ChanServ/Access.nb2", "");
    db.LoadChannelDatabase(true, true);
    EXPECT_EQ(console.messages, std::vector<std::string>{kChannelGapBox});
    EXPECT_TRUE(db.RegisteredChannels().empty());
    EXPECT_FALSE(db.IsChannelRegistered("#a"));
    EXPECT_EQ(db.FindAccessEntry("#a", "ann"), nullptr);
}

TEST_F(ChannelDatabaseTest, AfterADropInTheMiddleLaterChannelsMoveUpWithTheirOwnEntriesAndCoOwners) {
    for (const auto& [name, founder] : {std::pair{"#a", "ann"}, {"#b", "bob"}, {"#c", "cy"}, {"#d", "dee"}})
        Register(name, founder);
    db.AddAccessEntry(Entry("#b", "cy", 300));
    db.AddAccessEntry(Entry("#c", "bob", 250));
    db.AddAccessEntry(Entry("#d", "zed", 100));
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    db.AddCoOwner(Record("#c"), "zed");
    db.AddCoOwner(Record("#d"), "amy");
    db.IdentifyFounder(Record("#d"));
    EXPECT_EQ(Level("#d", User("dee", "elsewhere.net")), 500);

    db.DropRegisteredChannel(Record("#B"));
    // The name is free at once, and its entries are gone from every lookup.
    EXPECT_FALSE(db.IsChannelRegistered("#b"));
    EXPECT_EQ(db.FindAccessEntry("#b", "bob"), nullptr);
    EXPECT_TRUE(db.ChannelAccessEntries("#b").empty());
    EXPECT_TRUE(db.ChannelsChanged());
    EXPECT_TRUE(db.AccessChanged());

    const auto& channels = db.RegisteredChannels();
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[1].coOwners, std::vector<std::string>{"zed"});
    EXPECT_EQ(channels[2].coOwners, std::vector<std::string>{"amy"});
    // Any change of the channels ends every founder's identification.
    EXPECT_FALSE(channels[2].founderIdentified);
    EXPECT_EQ(Level("#d", User("dee", "elsewhere.net")), 0);
    EXPECT_EQ(Level("#d", User("dee")), 500);
    EXPECT_EQ(Level("#c", User("zed")), 0);  // no entry on #c: co-ownership needs one
    EXPECT_EQ(ChannelFile(), ChannelLine("#a", "ann") + ChannelLine("#c", "cy") + ChannelLine("#d", "dee"));
    EXPECT_EQ(AccessFile(), AccessLine("#a", "ann", 500) + AccessLine("#c", "cy", 500) + AccessLine("#d", "dee", 500) +
                                AccessLine("#c", "bob", 250) + AccessLine("#d", "zed", 100));
    EXPECT_EQ(NicksOn("#c"), (std::vector<std::string>{"cy", "bob"}));
    EXPECT_EQ(EntryOf("#C", "BOB").level, 250);

    // A reload keeps the co-owners with their channel, found by name.
    db.AddCoOwner(Record("#d"), "Bo");
    db.IdentifyFounder(Record("#a"));
    WriteData("ChanServ/ChanServ.nb2", ChannelLine("#d", "dee") + ChannelLine("#new", "ned") + ChannelLine("#a", "ann"));
    db.LoadChannelDatabase(true, false);
    EXPECT_EQ(Record("#d").coOwners, (std::vector<std::string>{"amy", "Bo"}));
    EXPECT_TRUE(Record("#new").coOwners.empty());
    EXPECT_FALSE(Record("#a").founderIdentified);
    db.ForgetChannelIdentification("bo");
    EXPECT_EQ(Record("#d").coOwners, std::vector<std::string>{"amy"});
}

TEST_F(ChannelDatabaseTest, LevelsFollowTheEntryTheHostsAndTheIdentifications) {
    Register("#chat", "joe");
    Register("#other", "ann");
    db.AddAccessEntry(Entry("#chat", "bob", 250));
    db.AddAccessEntry(Entry("#other", "amy", 300));
    db.AddAccessEntry(Entry("#chat", "bo", 150));

    // An entry on another channel counts for nothing; override stands in for a missing entry.
    EXPECT_EQ(Level("#chat", User("amy")), 0);
    EXPECT_EQ(Level("#chat", User("amy", "x", true)), 500);
    EXPECT_EQ(Level("#Other", User("amy")), 300);
    EXPECT_EQ(Level("#nowhere", User("amy", "x", true)), 0);
    EXPECT_EQ(Level("#chat", User("bob", "home.example.org", true)), 250);

    // The hosts must match unless the nick is identified with NickServ.
    EXPECT_EQ(Level("#chat", User("bob", "elsewhere.net")), 0);
    nicks.identified.insert("bob");
    EXPECT_EQ(Level("#chat", User("bob", "elsewhere.net")), 250);
    nicks.identified.clear();

    // The identified founder has 500 whatever the hosts, until the channels change.
    db.IdentifyFounder(Record("#chat"));
    EntryOf("#chat", "joe").level = 400;
    EXPECT_TRUE(db.AccessChanged());  // the access entries alone leave it standing
    EXPECT_EQ(Level("#chat", User("JOE", "elsewhere.net")), 500);
    Record("#chat").topic = "New topic";
    EXPECT_TRUE(db.ChannelsChanged());
    EXPECT_EQ(Level("#chat", User("joe", "elsewhere.net")), 0);
    EXPECT_EQ(Level("#chat", User("joe")), 400);

    // Co-owners are whole nicks: "bo" does not make "bob" one, and leaves with "bo" alone.
    db.AddCoOwner(Record("#chat"), "bo");
    EXPECT_EQ(Level("#chat", User("bo", "elsewhere.net")), 499);
    EXPECT_EQ(Level("#chat", User("bob")), 250);
    db.AddCoOwner(Record("#chat"), "bob");
    db.ForgetChannelIdentification("bo");
    EXPECT_EQ(Record("#chat").coOwners, std::vector<std::string>{"bob"});
    EXPECT_EQ(Level("#chat", User("bo")), 150);
    // Co-ownership outlives a change of the channels; a founder's identification does not.
    db.IdentifyFounder(Record("#chat"));
    EXPECT_TRUE(db.ChannelsChanged());
    EXPECT_EQ(Level("#chat", User("BOB", "elsewhere.net")), 499);
    EXPECT_EQ(Level("#chat", User("joe", "elsewhere.net")), 0);
}

TEST_F(ChannelDatabaseTest, AQuitOrNickChangeEndsTheNicksIdentificationsOnly) {
    for (const char* name : {"#a", "#b", "#c", "#d"}) db.AddRegisteredChannel(Channel(name, "joe"));
    db.AddCoOwner(Record("#b"), "ann");
    db.AddCoOwner(Record("#c"), "joe");
    db.AddCoOwner(Record("#c"), "ann");
    db.AddCoOwner(Record("#d"), "ann");
    // A drop and a write move the later channels: the identifications move with them.
    db.DropRegisteredChannel(Record("#b"));
    ASSERT_TRUE(db.SaveChannelDatabase(true, false));
    db.IdentifyFounder(Record("#a"));

    db.ForgetChannelIdentification("JOE");
    EXPECT_FALSE(Record("#a").founderIdentified);
    EXPECT_EQ(Record("#c").coOwners, std::vector<std::string>{"ann"});
    db.ForgetChannelIdentification("ann");
    EXPECT_TRUE(Record("#c").coOwners.empty());
    EXPECT_TRUE(Record("#d").coOwners.empty());

    // A new link ends them all.
    db.IdentifyFounder(Record("#a"));
    db.AddCoOwner(Record("#d"), "amy");
    db.ForgetChannelIdentifications();
    EXPECT_FALSE(Record("#a").founderIdentified);
    EXPECT_TRUE(Record("#d").coOwners.empty());
}

TEST_F(ChannelDatabaseTest, AccessEntriesAreRemovedAndCarryTheNicksHosts) {
    for (const char* channel : {"#a", "#b", "#c"}) {
        db.AddRegisteredChannel(Channel(channel, "ann"));
        db.AddAccessEntry(Entry(channel, "Zed", 100));
    }
    db.AddAccessEntry(Entry("#a", "amy", 200));
    db.AddAccessEntry(Entry("#a", "zed", 50));  // a second entry of the nick, as a damaged file may hold
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));

    db.DropRegisteredChannel(Record("#c"));
    db.RemoveAccessEntry(EntryOf("#a", "ZED"));
    EXPECT_EQ(EntryOf("#a", "zed").level, 50);
    // The access file is written before the channel file: the dropped channel's entries stay
    // out of sight while they wait for it.
    EXPECT_TRUE(db.AccessChanged());
    EXPECT_EQ(db.FindAccessEntry("#c", "zed"), nullptr);
    EXPECT_EQ(NicksOn("#a"), (std::vector<std::string>{"amy", "zed"}));
    EXPECT_TRUE(db.ChannelsChanged());

    EXPECT_EQ(db.CarryAccessHost("zed", 2, "*@new.example.org"), 2u);
    EXPECT_EQ(EntryOf("#a", "amy").accessHosts[1], "");
    // Written at once outside a received block, without the removed entries.
    EXPECT_EQ(AccessFile(), "#b Zed *!Zed@home.example.org *@new.example.org  100\r\n" + AccessLine("#a", "amy", 200) +
                                "#a zed *!zed@home.example.org *@new.example.org  50\r\n");
    EXPECT_EQ(db.CarryAccessHost("nobody", 1, "*@x"), 0u);
    EXPECT_EQ(db.CarryAccessHost("zed", 4, "*@x"), 0u);
    EXPECT_EQ(EntryOf("#b", "zed").accessHosts[0], "*!Zed@home.example.org");
}

TEST_F(ChannelDatabaseTest, RestrictedPatternsAndTheConsoleRulesForThem) {
    RestrictedChannels& restricted = db.Restricted();
    // "#" in a pattern stands for a digit; "[#]" is the channel sign itself.
    WriteData("ChanServ/Restrict.nb2", "[#]sex*\r\n*#\r\n[#]OPS\r\n\r\n[#]lost\r\n");
    restricted.LoadRestrictedChannels();
    EXPECT_EQ(restricted.Patterns(), (std::vector<std::string>{"[#]sex*", "*#", "[#]OPS"}));
    EXPECT_TRUE(db.IsChannelRestricted("#SEXY"));
    EXPECT_TRUE(db.IsChannelRestricted("#chan4"));
    EXPECT_FALSE(db.IsChannelRestricted("#chan"));
    EXPECT_FALSE(db.IsChannelRestricted("#OPS"));  // names are lower-cased, patterns are not

    EXPECT_FALSE(restricted.AddRestrictedChannel(""));
    EXPECT_FALSE(restricted.AddRestrictedChannel("[#]ops"));
    EXPECT_FALSE(restricted.AddRestrictedChannel("*a*\r\n*b*"));  // would come back as two patterns
    EXPECT_FALSE(restricted.RemoveRestrictedChannel(std::nullopt));
    EXPECT_FALSE(restricted.RemoveRestrictedChannel(3));
    EXPECT_EQ(console.messages, (std::vector<std::string>{"NBII - Error: You must type in a keyword.",
                                                          "NBII - Error: Already added, please try a different keyword.",
                                                          "NBII - Error: A keyword cannot hold a line break.",
                                                          "NBII - Error: You must select a keyword from the list.",
                                                          "NBII - Error: You must select a keyword from the list."}));
    EXPECT_EQ(ReadData("ChanServ/Restrict.nb2"), "[#]sex*\r\n*#\r\n[#]OPS\r\n\r\n[#]lost\r\n");

    EXPECT_TRUE(restricted.AddRestrictedChannel("*warez*"));
    EXPECT_TRUE(restricted.RemoveRestrictedChannel(0));
    EXPECT_TRUE(db.IsChannelRestricted("#WarezHQ"));
    EXPECT_FALSE(db.IsChannelRestricted("#sexy"));
    EXPECT_EQ(ReadData("ChanServ/Restrict.nb2"), "*#\r\n[#]OPS\r\n*warez*\r\n");
}

TEST_F(ChannelDatabaseTest, AFailedWriteLeavesEachTableAsItsFileHoldsIt) {
    Register("#a", "ann");
    Register("#b", "bob");
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    const std::string channels = ChannelFile();
    const std::string access = AccessFile();
    db.AddCoOwner(Record("#b"), "amy");
    // A folder where the temporary file must go: no write can succeed, even for root.
    std::filesystem::create_directory(data.Path("ChanServ/ChanServ.nb2.tmp"));

    commit.BeginBlock();
    db.DropRegisteredChannel(Record("#a"));
    Register("#new", "ned");
    db.ChannelsChanged();
    db.AccessChanged();
    // Both files of the block fail together: neither is replaced, both tables are read back.
    std::vector<const StoredTable*> failed = commit.EndBlock();
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(console.messages.size(), 1u);
    EXPECT_EQ(ChannelFile(), channels);
    EXPECT_EQ(AccessFile(), access);
    EXPECT_FALSE(db.IsChannelRegistered("#new"));
    EXPECT_EQ(FindAccess("#new", "ned"), nullptr);
    EXPECT_EQ(Record("#b").coOwners, std::vector<std::string>{"amy"});
    // The channel whose drop was not saved keeps its entries, in memory and on disk.
    EXPECT_EQ(EntryOf("#a", "ann").level, 500);

    // The same when the access file comes first in a block that changed it earlier.
    commit.BeginBlock();
    EntryOf("#b", "bob").level = 490;
    db.AccessChanged();
    db.DropRegisteredChannel(Record("#a"));
    db.ChannelsChanged();
    db.AccessChanged();
    EXPECT_EQ(commit.EndBlock().size(), 2u);
    EXPECT_EQ(NicksOn("#a"), std::vector<std::string>{"ann"});
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
    EXPECT_EQ(AccessFile(), access);

    // The console's save says so too.
    db.DropRegisteredChannel(Record("#b"));
    EXPECT_FALSE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
    std::filesystem::remove(data.Path("ChanServ/ChanServ.nb2.tmp"));
    std::filesystem::create_directory(data.Path("ChanServ/Access.nb2.tmp"));
    db.RemoveAccessEntry(EntryOf("#b", "bob"));
    EXPECT_FALSE(db.SaveChannelDatabase(false, true));
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
}

TEST_F(ChannelDatabaseTest, ANewChannelNeverInheritsEntriesLeftByAnEarlierOneOfItsName) {
    WriteData("ChanServ/ChanServ.nb2", ChannelLine("#kept", "kim"));
    WriteData("ChanServ/Access.nb2", AccessLine("#gone", "old", 500) + AccessLine("#kept", "kim", 500));
    db.LoadChannelDatabase(true, true);
    db.AddRegisteredChannel(Channel("#GONE", "new"));
    EXPECT_EQ(Level("#gone", User("old")), 0);
    EXPECT_EQ(AccessFile(), AccessLine("#kept", "kim", 500));

    // Dropped and registered again in one block: the new founder's entry is the only one.
    commit.BeginBlock();
    db.AddAccessEntry(Entry("#gone", "helper", 200));
    db.DropRegisteredChannel(Record("#gone"));
    Register("#gone", "third");
    db.ChannelsChanged();
    db.AccessChanged();
    EXPECT_TRUE(commit.EndBlock().empty());
    EXPECT_EQ(AccessFile(), AccessLine("#kept", "kim", 500) + AccessLine("#gone", "third", 500));
}

// Random changes in blocks of one to five: after each block the files hold exactly the tables
// written afresh, and every lookup answers what a scan of the tables gives.
TEST_F(ChannelDatabaseTest, AfterAnyMixOfChangesTheFilesAndLookupsAgreeWithTheTables) {
    std::mt19937 random(20261207);
    auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    const std::vector<std::string> names = {"#a", "#B", "#c", "#D", "#e", "#f"};
    const std::vector<std::string> people = {"ann", "Bob", "cy", "dee", "eve"};
    for (int step = 0; step < 400; ++step) {
        commit.BeginBlock();
        for (std::size_t change = 1 + pick(5); change > 0; --change) {
            std::string name = pick(2) == 0 ? ToLower(names[pick(names.size())]) : names[pick(names.size())];
            const std::string& nick = people[pick(people.size())];
            RegisteredChannel* record = db.FindRegisteredChannel(name);
            ChannelAccessEntry* entry = db.FindAccessEntry(name, nick);
            std::size_t what = pick(8);
            if (what == 0 && record == nullptr) {
                Register(name, nick);
                db.ChannelsChanged();
                db.AccessChanged();
            } else if (what == 1 && record != nullptr) {
                db.DropRegisteredChannel(*record);
                db.ChannelsChanged();
                db.AccessChanged();
            } else if (what == 2 && record != nullptr) {
                record->topic = "[" + nick + "] step {" + std::to_string(step) + "}";
                record->topicLock = !record->topicLock;
                db.ChannelsChanged();
            } else if (what == 3 && record != nullptr && entry == nullptr) {
                db.AddAccessEntry(Entry(name, nick, 100 + step));
                db.AccessChanged();
            } else if (what == 4 && entry != nullptr) {
                db.RemoveAccessEntry(*entry);
                db.AccessChanged();
            } else if (what == 5 && entry != nullptr) {
                entry->level = step;
                db.AccessChanged();
            } else if (what == 6) {
                db.CarryAccessHost(nick, static_cast<int>(1 + pick(3)), "*@" + std::to_string(step) + ".org");
            } else if (what == 7 && record != nullptr) {
                pick(2) == 0 ? db.AddCoOwner(*record, nick) : db.IdentifyFounder(*record);
            } else if (what == 7) {
                db.ForgetChannelIdentification(nick);
                for (const RegisteredChannel& other : db.RegisteredChannels())
                    ASSERT_FALSE(HasCoOwner(other, nick) || (other.founderIdentified && IEquals(other.founder, nick)));
            }
        }
        ASSERT_TRUE(commit.EndBlock().empty());

        SCOPED_TRACE("after step " + std::to_string(step));
        std::string channels, access;
        for (const RegisteredChannel& record : db.RegisteredChannels()) channels += FormatChannelLine(record);
        for (const ChannelAccessEntry& entry : db.ChannelAccessList()) access += FormatAccessLine(entry);
        ASSERT_EQ(ChannelFile(), channels);
        ASSERT_EQ(AccessFile(), access);
        for (const std::string& name : names) {
            const auto& table = db.RegisteredChannels();
            auto first = std::find_if(table.begin(), table.end(), [&](auto& r) { return IEquals(r.name, name); });
            ASSERT_EQ(db.FindRegisteredChannel(name), first == table.end() ? nullptr : &*first);
            std::vector<const ChannelAccessEntry*> scanned;
            for (const ChannelAccessEntry& entry : db.ChannelAccessList())
                if (IEquals(entry.channel, name)) scanned.push_back(&entry);
            ASSERT_EQ(db.ChannelAccessEntries(name), scanned);
            for (const std::string& nick : people) {
                auto own = std::find_if(scanned.begin(), scanned.end(), [&](auto* e) { return IEquals(e->nick, nick); });
                ASSERT_EQ(db.FindAccessEntry(name, nick), own == scanned.end() ? nullptr : *own);
            }
        }
    }
    const std::string channels = ChannelFile();
    const std::string access = AccessFile();
    db.LoadChannelDatabase(true, true);
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(ChannelFile(), channels);
    EXPECT_EQ(AccessFile(), access);
}

// Lookups straight after drops and removals, after the writes that compact the tables, and
// after a reload.
TEST_F(ChannelDatabaseTest, LargeTablesStayIndexedThroughDropsCompactionAndReload) {
    constexpr int kChannels = 3000;
    constexpr int kEntriesPerChannel = 4;
    auto name = [](int i) { return "#chan" + std::to_string(i); };
    auto nick = [](int i, int k) { return "user" + std::to_string((i * 7 + k) % 997) + "_" + std::to_string(k); };
    for (int i = 0; i < kChannels; ++i) {
        db.AddRegisteredChannel(Channel(name(i), nick(i, 0)));
        for (int k = 0; k < kEntriesPerChannel; ++k) db.AddAccessEntry(Entry(name(i), nick(i, k), 100 + i % 300 + k));
    }
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    db.LoadChannelDatabase(true, true);
    for (int i = 0; i < kChannels; i += 5) db.AddCoOwner(Record(name(i)), "co" + std::to_string(i));
    auto dropped = [](int i) { return i % 3 == 1; };
    auto removed = [](int i, int k) { return i % 4 == 0 && k == 1; };
    for (int i = 0; i < kChannels; ++i) {
        if (i % 4 == 0) db.RemoveAccessEntry(EntryOf(name(i), nick(i, 1)));
        if (dropped(i)) db.DropRegisteredChannel(Record(name(i)));
    }
    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        for (int i = 0; i < kChannels; ++i) {
            const RegisteredChannel* record = db.FindRegisteredChannel(name(i));
            ASSERT_EQ(record == nullptr, dropped(i)) << name(i);
            ASSERT_EQ(db.ChannelAccessEntries(name(i)).size(), dropped(i) ? 0u : kEntriesPerChannel - (i % 4 == 0));
            if (dropped(i)) continue;
            ASSERT_EQ(record->founder, nick(i, 0));
            ASSERT_EQ(record->coOwners.size(), i % 5 == 0 ? 1u : 0u);
            for (int k = 0; k < kEntriesPerChannel; ++k) {
                const ChannelAccessEntry* entry = db.FindAccessEntry(name(i), nick(i, k));
                ASSERT_EQ(entry == nullptr, removed(i, k)) << name(i) << " " << nick(i, k);
                if (entry != nullptr) {
                    ASSERT_EQ(entry->level, 100 + i % 300 + k);
                }
            }
        }
    };
    check("before the writes");
    ASSERT_TRUE(db.ChannelsChanged());
    ASSERT_TRUE(db.AccessChanged());
    EXPECT_EQ(db.RegisteredChannels().size(), static_cast<std::size_t>(kChannels - kChannels / 3));
    check("after the writes");
    db.ForgetChannelIdentification("co2990");
    EXPECT_TRUE(Record("#chan2990").coOwners.empty());
    EXPECT_EQ(Record("#chan2985").coOwners, std::vector<std::string>{"co2985"});
    db.AddCoOwner(Record("#chan2990"), "co2990");
    db.LoadChannelDatabase(true, true);
    check("after a reload");
}

}  // namespace
}  // namespace nb
