// Hashed passwords across a restart and in info, and a user's answers in order while a hash runs.
#include "support/fixture.h"

namespace nb::test {
namespace {

struct HashedPasswords : ServiceTest {
    HashedPasswords() { services.settings.Set("Security", "Hash Passwords", "1"); }

    // The same data directory in a new program: no password is known in memory there.
    std::unique_ptr<ServicesFixture> Restart() {
        auto again = std::make_unique<ServicesFixture>(dataDir);
        again->StartLinked();
        return again;
    }
};

bool Says(const Lines& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

TEST_F(HashedPasswords, WhatWasStoredAsHashesIsAcceptedAfterARestart) {
    Connect("joe");
    RegisterAndIdentify("joe");
    Tell("NickServ", "joe", "chpass secret1 other22");
    Tell("ChanServ", "joe", "register #pond chanpw1 joe@example.org About");
    console.answers = {"joe", "operpw1", "450"};
    services.operatorConsole.AddOperator();
    workers.Finish();
    for (const char* file : {"NickServ/NickServ.nb2", "ChanServ/ChanServ.nb2", "OperServ/OperServ.nb2"}) {
        EXPECT_NE(ReadFile(file).find("$argon2id$"), std::string::npos) << file;
        for (const char* password : {"other22", "chanpw1", "operpw1"}) EXPECT_EQ(ReadFile(file).find(password), std::string::npos) << file;
    }
    auto again = Restart();
    again->Connect("joe");
    EXPECT_TRUE(Says(again->Tell("NickServ", "joe", "identify other22"), "You have successfully identified."));
    EXPECT_TRUE(Says(again->Tell("ChanServ", "joe", "ident #pond chanpw1"), "as the owner of the channel"));
    EXPECT_TRUE(Says(again->Tell("OperServ", "joe", "login operpw1"), "You have logged in successfully!"));
    EXPECT_TRUE(Says(again->Tell("NickServ", "joe", "identify secret1"), "Invalid password."));
    // What the operators who see passwords are shown.
    EXPECT_TRUE(Says(again->Tell("NickServ", "joe", "info joe"), "Password: \x02(hashed)\x02"));
    EXPECT_TRUE(Says(again->Tell("ChanServ", "joe", "info #pond"), "Password: \x02(hashed)\x02"));
}

TEST_F(HashedPasswords, AUsersAnswersKeepTheirOrderAndOthersDoNotWait) {
    Connect("alice");
    Tell("NickServ", "alice", "register secret1");
    auto again = Restart();
    again->Connect("alice");
    again->Connect("bob");
    again->holdWorkers = true;
    EXPECT_EQ(again->Tell("NickServ", "alice", "identify secret1"), Lines{});
    EXPECT_EQ(again->Tell("MemoServ", "alice", "help"), Lines{});
    EXPECT_EQ(again->Tell("NickServ", "alice", "info alice"), Lines{});
    EXPECT_TRUE(Says(again->Tell("NickServ", "bob", "info alice"), "Information on:"));
    EXPECT_EQ(again->workers.PendingCount(), 1u);
    again->workers.Finish();
    Lines sent = again->link.Take();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[0], ":NickServ NOTICE alice :Hello \x02" "alice\x02.  You have successfully identified.");
    auto first = [&](const char* text) { return std::find_if(sent.begin(), sent.end(), [&](auto& line) { return line.find(text) != std::string::npos; }); };
    EXPECT_TRUE(first(":MemoServ") < first("Information on:") && first("Information on:") != sent.end());
    EXPECT_TRUE(again->services.nickServ.IsNickIdentified("alice"));
}

TEST_F(HashedPasswords, AnAnswerBelongsToTheUserWhoAsked) {
    Connect("alice");
    Tell("NickServ", "alice", "register secret1");
    auto again = Restart();
    again->Connect("alice");
    again->holdWorkers = true;
    again->Tell("NickServ", "alice", "identify secret1");
    again->Receive(":alice QUIT :gone");
    again->Connect("alice", "other", "elsewhere.example");
    again->workers.Finish();
    EXPECT_FALSE(Says(again->link.Take(), "alice"));
    EXPECT_FALSE(again->services.nickServ.IsNickIdentified("alice"));
}

}  // namespace
}  // namespace nb::test
