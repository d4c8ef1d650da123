// The lines of the channel files: what any record's line reads back, the lines of older
// releases, and the check that refuses exactly the values a line cannot hold.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "chanserv/channel_record.h"

namespace nb {
namespace {

auto Stored(const RegisteredChannel& r) {
    return std::tie(r.name, r.password, r.founder, r.email, r.description, r.modes, r.topic, r.greet, r.registeredOn,
                    r.topicLock, r.modeLock, r.autoGreet);
}
RegisteredChannel ReadBack(const RegisteredChannel& record) {
    std::string line = FormatChannelLine(record);
    return ParseChannelLine(std::string_view(line).substr(0, line.size() - 2));
}
RegisteredChannel NewChannel() {
    return ParseChannelLine("#Chat Secret1 joe joe@example.org (A place to talk) [nt] [Not set!] {Not set!} 12/6/2026 0 0 0");
}

TEST(ChannelRecordLine, RecordsReadBackWhateverBracketsTheirTextsHold) {
    RegisteredChannel record = NewChannel();
    record.description = "Fans (UK) of it :) (ok)";
    record.modes = "ntlk 50 k]ey)";
    record.topic = "[News] all ]{fine} ] [x] [";
    record.greet = "Hi {there} :} ] {x} } 1/1/2026 1 1 1";
    record.topicLock = record.autoGreet = true;
    record.founderIdentified = true;
    EXPECT_EQ(FormatChannelLine(record),
              "#Chat Secret1 joe joe@example.org (Fans (UK) of it :) (ok)) [ntlk 50 k]ey)] [[News] all ]{fine} ] [x] "
              "[] {Hi {there} :} ] {x} } 1/1/2026 1 1 1} 12/6/2026 1 0 1\r\n");
    RegisteredChannel read = ReadBack(record);
    EXPECT_EQ(Stored(read), Stored(record));
    EXPECT_FALSE(read.founderIdentified);
}

TEST(ChannelRecordLine, LinesOfOlderReleasesReadAsTheyAlwaysDid) {
    RegisteredChannel read = ParseChannelLine("#help pw Ann ann@x.org (Help desk) [ntk key] [Ask here] {Welcome!} 3/4/2025 1 0 1");
    EXPECT_EQ(Stored(read), std::make_tuple("#help", "pw", "Ann", "ann@x.org", "Help desk", "ntk key", "Ask here", "Welcome!",
                                            "3/4/2025", true, false, true));
    // Blanks that older releases tolerated; only "1" turns a flag on, the last being the rest.
    read = ParseChannelLine("#a pw bo e (d)[nt]  [t t] {g} 1/2/2026 True 1 1 x");
    EXPECT_EQ(Stored(read), std::make_tuple("#a", "pw", "bo", "e", "d", "nt", "t t", "g", "1/2/2026", false, true, false));
    // A cut line loses its later fields, not its name.
    read = ParseChannelLine("#cut pw bo e (half a descr");
    EXPECT_EQ(std::tie(read.name, read.description, read.greet), std::make_tuple("#cut", "half a descr", ""));
}

// Random mixes of blanks and brackets in the fields: the check passes a record exactly when its
// line reads back unchanged.
TEST(ChannelRecordLine, TheCheckRefusesExactlyWhatWouldReadBackWrong) {
    const std::string alphabet = "a ()[]{}";
    std::mt19937 random(20261206);
    int refused = 0;
    for (int round = 0; round < 10000; ++round) {
        RegisteredChannel record = NewChannel();
        std::string* fields[] = {&record.password, &record.founder, &record.email, &record.description,
                                 &record.modes,    &record.topic,   &record.greet, &record.registeredOn};
        std::size_t only = random() % std::size(fields);
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            if (round % 4 != 0 && i != only) continue;  // mostly one odd field at a time
            fields[i]->clear();
            for (std::size_t length = random() % 7; length > 0; --length) *fields[i] += alphabet[random() % alphabet.size()];
        }
        bool storable = !UnstorableChannelField(record).has_value();
        ASSERT_EQ(storable, Stored(ReadBack(record)) == Stored(record)) << FormatChannelLine(record);
        refused += storable ? 0 : 1;
    }
    EXPECT_GT(refused, 500);
    EXPECT_LT(refused, 9500);

    // What reads back but still cannot be stored: no name, or a line break.
    EXPECT_FALSE(ChannelFieldHolds(ChannelField::Name, ""));
    EXPECT_FALSE(ChannelFieldHolds(ChannelField::Greet, "two\r\nlines"));
    EXPECT_TRUE(ChannelFieldHolds(ChannelField::Greet, "[a] {b} ) ["));
    RegisteredChannel record = NewChannel();
    record.topic = "[a] {b}";
    record.email = "x y";
    EXPECT_EQ(UnstorableChannelField(record), ChannelField::Email);
    record.email = "x";
    EXPECT_EQ(UnstorableChannelField(record), ChannelField::Topic);
}

TEST(ChannelAccessLine, FieldsAndLevelReadBack) {
    ChannelAccessEntry entry{"#Chat", "Bob", {"*bob@*.example.org", "", "*!*@10.0.*"}, 250};
    EXPECT_EQ(FormatAccessLine(entry), "#Chat Bob *bob@*.example.org  *!*@10.0.* 250\r\n");
    ChannelAccessEntry read = ParseAccessLine("#Chat Bob *bob@*.example.org  *!*@10.0.* 250");
    EXPECT_EQ(std::tie(read.channel, read.nick, read.accessHosts, read.level), std::tie(entry.channel, entry.nick, entry.accessHosts, entry.level));
    // The level is the whole rest of the line, read as a number.
    EXPECT_EQ(ParseAccessLine("#c n a b c  300 ").level, 300);
    EXPECT_EQ(ParseAccessLine("#c n a b c 20 0").level, 0);
    EXPECT_EQ(ParseAccessLine("#c n a b").level, 0);
    EXPECT_TRUE(AccessEntryStorable(entry));
    entry.accessHosts[1] = "a b";
    EXPECT_FALSE(AccessEntryStorable(entry));
    entry.accessHosts[1] = "";
    entry.channel = "";
    EXPECT_FALSE(AccessEntryStorable(entry));
}

}  // namespace
}  // namespace nb
