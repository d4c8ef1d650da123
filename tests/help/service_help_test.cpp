#include <gtest/gtest.h>

#include <fstream>

#include "core/files.h"
#include "support/fixture.h"

namespace nb {
namespace {

const std::string B = "\x02";

struct HelpFixture : test::ServicesFixture {
    HelpFixture() {
        StartLinked();
        IntroduceUser("joe");
        link.Take();
    }
    void Write(const std::string& relative, const std::string& content) {
        auto path = dir.Path() / "data" / "help" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    std::vector<std::string> Help(ServiceId service, const std::string& topic) {
        services.help.SendServiceHelp(services.VoiceOf(service), {*services.users.FindOnlineUser("joe"), "joe"}, topic);
        return link.Take();
    }
};

std::vector<std::string> Unknown(const std::string& nick) {
    return {":" + nick + " NOTICE joe :" + B + "Error" + B + ": Unknown command.  Please type: " + B + "/msg " + nick +
            " help" + B};
}

TEST(ServiceHelp, MainTextWithTheCurrentNicknameInAnyCaseThenTheAudit) {
    HelpFixture f;
    f.services.clients.Get(ServiceId::MemoServ).nick = "Memo";
    f.Write("memoserv/main.nb2", "Welcome to $msnick.\r\nType /msg $MSNick help, or $msnick$msnick\n");
    f.Receive(":joe PRIVMSG Memo :help");
    EXPECT_EQ(f.link.Take(), (std::vector<std::string>{
                                 ":Memo NOTICE joe :Welcome to Memo.",
                                 ":Memo NOTICE joe :Type /msg Memo help, or MemoMemo",
                                 ":Memo PRIVMSG #nb.botinfo :[" + B + "joe" + B + "] HELP [Success]",
                             }));
    f.services.users.At(*f.services.users.FindOnlineUser("joe")).replyType = ReplyType::Privmsg;
    EXPECT_EQ(f.Help(ServiceId::MemoServ, "").front(), ":Memo PRIVMSG joe :Welcome to Memo.");
}

TEST(ServiceHelp, AliasesAreExactWhileFileNamesIgnoreCase) {
    HelpFixture f;
    f.Write("nickserv/ident.nb2", "Identify to $NSNICK\n");
    f.Write("operserv/info.nb2", "Ask $OSNICK\n");
    f.Write("ChanServ/Register.nb2", "Register with $csnick\n");
    EXPECT_EQ(f.Help(ServiceId::NickServ, "identify").front(), ":NickServ NOTICE joe :Identify to NickServ");
    EXPECT_EQ(f.Help(ServiceId::OperServ, "information").front(), ":OperServ NOTICE joe :Ask OperServ");
    EXPECT_EQ(f.Help(ServiceId::OperServ, "Information"), Unknown("OperServ"));
    EXPECT_EQ(f.Help(ServiceId::NickServ, "IDENTIFY"), Unknown("NickServ"));
    EXPECT_EQ(f.Help(ServiceId::ChanServ, "identify"), Unknown("ChanServ"));
    EXPECT_EQ(f.Help(ServiceId::ChanServ, "REGISTER").front(), ":ChanServ NOTICE joe :Register with ChanServ");
}

TEST(ServiceHelp, TheFirstEmptyLineEndsTheTextWithoutAudit) {
    HelpFixture f;
    f.Write("chanserv/op.nb2", "one $csnick\r\ntwo\r\n\r\nfour\r\n");
    EXPECT_EQ(f.Help(ServiceId::ChanServ, "op"),
              (std::vector<std::string>{":ChanServ NOTICE joe :one ChanServ", ":ChanServ NOTICE joe :two"}));
}

TEST(ServiceHelp, MissingAndPathTopicsGetOnlyTheUnknownReply) {
    HelpFixture f;
    f.services.clients.Get(ServiceId::OperServ).nick = "Opers";
    f.Write("secret.nb2", "outside the service folder\n");
    f.Write("operserv/C:main.nb2", "drive letter\n");
    f.Write("operserv/sub/deep.nb2", "below the service folder\n");
    f.Write("operserv/folder.nb2/x.nb2", "a folder, not a file\n");
    for (const char* topic :
         {"nosuch", "../secret", "..", "..\\secret", "C:main", "sub/deep", "/etc/hostname", "folder"})
        EXPECT_EQ(f.Help(ServiceId::OperServ, topic), Unknown("Opers")) << topic;
    EXPECT_EQ(f.Help(ServiceId::MemoServ, ""), Unknown("MemoServ"));  // no folder at all
}

TEST(ServiceHelp, EveryShippedFileIsServedWholeForItsCommandWord) {
    HelpFixture f;
    std::filesystem::path shipped = std::filesystem::path(NB_SOURCE_DIR) / "help";
    std::filesystem::copy(shipped, f.dir.Path() / "data" / "help", std::filesystem::copy_options::recursive);
    const std::vector<std::pair<ServiceId, std::string>> sets = {{ServiceId::MemoServ, "memoserv"},
                                                                   {ServiceId::NickServ, "nickserv"},
                                                                   {ServiceId::ChanServ, "chanserv"},
                                                                   {ServiceId::OperServ, "operserv"}};
    for (const auto& [service, folder] : sets) {
        for (const auto& file : std::filesystem::directory_iterator(shipped / folder)) {
            std::string word = file.path().stem().string();
            if (word == "main") word = "";
            std::vector<std::string> sent = f.Help(service, word);
            ASSERT_EQ(sent.size(), ReadTextLines(file.path()).size() + 1) << file.path();
            EXPECT_NE(sent.back().find("] HELP [Success]"), std::string::npos) << file.path();
            for (const std::string& line : sent) EXPECT_EQ(line.find('$'), std::string::npos) << line;
        }
    }
}

}  // namespace
}  // namespace nb
