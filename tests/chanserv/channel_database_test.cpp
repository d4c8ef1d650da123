// The channel files: a failed write that leaves each table as its file holds it, and after any
// mix of changes files and lookups that agree with the tables, read back byte for byte.
#include <sys/stat.h>

#include <random>

#include "chanserv/chanserv.h"
#include "support/fixture.h"

namespace nb {
namespace {

std::string ChannelLine(const std::string& name, const std::string& founder) {
    return name + " pw-" + founder + " " + founder + " " + founder + "@example.org (About " + name +
           ") [nt] [Not set!] {Not set!} 12/6/2026 0 0 0";
}
std::string AccessLine(const std::string& channel, const std::string& nick, int level) {
    return channel + " " + nick + " *!" + nick + "@home.example.org   " + std::to_string(level);
}
std::string File(const test::Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

struct ChannelDatabaseTest : test::ServiceTest {
    ChannelDatabaseTest() {
        services.settings.Set("General", "Sync Writes", "0");
        services.ReadFileSettings();
        console.messages.clear();
    }
    std::string Channels() const { return ReadFile("ChanServ/ChanServ.nb2"); }
    std::string Access() const { return ReadFile("ChanServ/Access.nb2"); }
    // A missing record or entry ends the test: nothing may be done to a stand-in.
    RegisteredChannel& Record(const std::string& name) {
        if (RegisteredChannel* record = db.FindRegisteredChannel(name)) return *record;
        throw std::runtime_error("no record of " + name);
    }
    ChannelAccessEntry& EntryOf(const std::string& channel, const std::string& nick) {
        if (ChannelAccessEntry* entry = db.FindAccessEntry(channel, nick)) return *entry;
        throw std::runtime_error("no entry of " + nick + " on " + channel);
    }
    test::Lines NicksOn(const std::string& channel) const {
        test::Lines nicks;
        for (const ChannelAccessEntry* entry : db.ChannelAccessEntries(channel)) nicks.push_back(entry->nick);
        return nicks;
    }
    void Register(const std::string& name, const std::string& founder) {
        db.AddRegisteredChannel(ParseChannelLine(ChannelLine(name, founder)));
        db.AddAccessEntry(ParseAccessLine(AccessLine(name, founder, 500)));
    }
    ChannelDatabase& db = services.chanServ.Database();
    GroupCommit& commit = services.commit;
};

TEST_F(ChannelDatabaseTest, AFailedWriteLeavesEachTableAsItsFileHoldsIt) {
    Register("#a", "ann");
    Register("#b", "bob");
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    const std::string channels = Channels(), access = Access();
    db.AddCoOwner(Record("#b"), "amy");
    // A folder where the temporary file must go: no write can succeed, even for root.
    std::filesystem::create_directory(dir.Path() / "data/ChanServ/ChanServ.nb2.tmp");

    commit.BeginBlock();
    db.DropRegisteredChannel(Record("#a"));
    Register("#new", "ned");
    db.ChannelsChanged();
    db.AccessChanged();
    // Both files of the block fail together: neither is replaced, both tables are read back.
    EXPECT_EQ(commit.EndBlock().size(), 2u);
    EXPECT_EQ(console.messages.size(), 1u);
    EXPECT_EQ(std::pair(Channels(), Access()), std::pair(channels, access));
    EXPECT_FALSE(db.IsChannelRegistered("#new"));
    EXPECT_EQ(db.FindAccessEntry("#new", "ned"), nullptr);
    EXPECT_EQ(Record("#b").coOwners, test::Lines{"amy"});
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
    EXPECT_EQ(NicksOn("#a"), test::Lines{"ann"});
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
    EXPECT_EQ(Access(), access);

    // The console's save says so too.
    db.DropRegisteredChannel(Record("#b"));
    EXPECT_FALSE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
    std::filesystem::remove(dir.Path() / "data/ChanServ/ChanServ.nb2.tmp");
    std::filesystem::create_directory(dir.Path() / "data/ChanServ/Access.nb2.tmp");
    db.RemoveAccessEntry(EntryOf("#b", "bob"));
    EXPECT_FALSE(db.SaveChannelDatabase(false, true));
    EXPECT_EQ(EntryOf("#b", "bob").level, 500);
}

TEST_F(ChannelDatabaseTest, ANewChannelNeverInheritsEntriesLeftByAnEarlierOneOfItsName) {
    WriteFile("ChanServ/ChanServ.nb2", File({ChannelLine("#kept", "kim")}));
    WriteFile("ChanServ/Access.nb2", File({AccessLine("#gone", "old", 500), AccessLine("#kept", "kim", 500)}));
    db.LoadChannelDatabase(true, true);
    db.AddRegisteredChannel(ParseChannelLine(ChannelLine("#GONE", "new")));
    EXPECT_TRUE(NicksOn("#gone").empty());
    OnlineUser oper;  // override gives a level only on a registered channel
    oper.nick = "old";
    oper.override = true;
    EXPECT_EQ(db.GetChannelAccessLevel("#elsewhere", oper), 0);
    EXPECT_EQ(Access(), File({AccessLine("#kept", "kim", 500)}));

    // Dropped and registered again in one block: the new founder's entry is the only one.
    commit.BeginBlock();
    db.AddAccessEntry(ParseAccessLine(AccessLine("#gone", "helper", 200)));
    db.DropRegisteredChannel(Record("#gone"));
    Register("#gone", "third");
    db.ChannelsChanged();
    db.AccessChanged();
    EXPECT_TRUE(commit.EndBlock().empty());
    EXPECT_EQ(Access(), File({AccessLine("#kept", "kim", 500), AccessLine("#gone", "third", 500)}));
}

// Random changes in blocks of one to five: after each block the files hold exactly the tables
// written afresh, and every lookup answers what a scan of the tables gives.
TEST_F(ChannelDatabaseTest, AfterAnyMixOfChangesTheFilesAndLookupsAgreeWithTheTables) {
    std::mt19937 random(20261207);
    auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    const test::Lines names = {"#a", "#B", "#c", "#D", "#e", "#f"}, people = {"ann", "Bob", "cy", "dee", "eve"};
    for (int step = 0; step < 300; ++step) {
        commit.BeginBlock();
        for (std::size_t change = 1 + pick(5); change > 0; --change) {
            std::string name = pick(2) == 0 ? ToLower(names[pick(names.size())]) : names[pick(names.size())];
            const std::string& nick = people[pick(people.size())];
            RegisteredChannel* record = db.FindRegisteredChannel(name);
            ChannelAccessEntry* entry = db.FindAccessEntry(name, nick);
            std::size_t what = pick(8);
            if (what == 0 && record == nullptr) {
                Register(name, nick);
            } else if (what == 1 && record != nullptr) {
                db.DropRegisteredChannel(*record);
            } else if (what == 2 && record != nullptr) {
                record->topic = "[" + nick + "] step {" + std::to_string(step) + "}";
                record->topicLock = !record->topicLock;
            } else if (what == 3 && record != nullptr && entry == nullptr) {
                db.AddAccessEntry(ParseAccessLine(AccessLine(name, nick, 100 + step)));
            } else if (what == 4 && entry != nullptr) {
                db.RemoveAccessEntry(*entry);
            } else if (what == 5 && entry != nullptr) {
                entry->level = step;
            } else if (what == 6) {
                int slot = static_cast<int>(1 + pick(3));
                std::string host = "*@" + std::to_string(step) + "." + std::to_string(change) + ".org";
                db.CarryAccessHost(nick, slot, host);
                // Every entry of the nick on a registered channel takes the host, and no other entry:
                // not one of a channel dropped earlier in the block.
                for (const ChannelAccessEntry& other : db.ChannelAccessList())
                    ASSERT_EQ(other.accessHosts[slot - 1] == host,
                              db.FindRegisteredChannel(other.channel) != nullptr && IEquals(other.nick, nick)) << other.nick;
            } else if (what == 7 && record != nullptr) {
                pick(2) == 0 ? db.AddCoOwner(*record, nick) : db.IdentifyFounder(*record);
            } else if (what == 7) {
                db.ForgetChannelIdentification(nick);
                for (const RegisteredChannel& other : db.RegisteredChannels())
                    ASSERT_FALSE(HasCoOwner(other, nick) || (other.founderIdentified && IEquals(other.founder, nick)));
            }
            db.ChannelsChanged();
            db.AccessChanged();
        }
        ASSERT_TRUE(commit.EndBlock().empty());

        SCOPED_TRACE("after step " + std::to_string(step));
        std::string channels, access;
        for (const RegisteredChannel& record : db.RegisteredChannels()) channels += FormatChannelLine(record);
        for (const ChannelAccessEntry& entry : db.ChannelAccessList()) access += FormatAccessLine(entry);
        ASSERT_EQ(std::pair(Channels(), Access()), std::pair(channels, access));
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
    // The files read back as they are, and are written again byte for byte, for the owner only.
    const std::string channels = Channels(), access = Access();
    db.LoadChannelDatabase(true, true);
    ASSERT_TRUE(db.SaveChannelDatabase(true, true));
    EXPECT_EQ(std::pair(Channels(), Access()), std::pair(channels, access));
    struct stat info {};
    ::stat((dir.Path() / "data/ChanServ/ChanServ.nb2").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace nb
