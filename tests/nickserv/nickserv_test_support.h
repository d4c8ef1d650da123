// The shared service test helpers, spoken to NickServ.
#pragma once

#include "support/service_test.h"

namespace nb::test {

struct NickServTest : ServiceTest {
    Lines Say(const std::string& nick, const std::string& text) { return Tell("NickServ", nick, text); }
    const RegisteredNick& Record(const std::string& nick) {
        const RegisteredNick* record = services.nickServ.FindRegisteredNick(nick);
        EXPECT_NE(record, nullptr) << nick;
        static const RegisteredNick kNone;
        return record != nullptr ? *record : kNone;
    }
    static std::string Notice(const std::string& nick, const std::string& text) {
        return test::Notice("NickServ", nick, text);
    }
    static std::string Privmsg(const std::string& nick, const std::string& text) {
        return test::Privmsg("NickServ", nick, text);
    }
    static std::string Audit(const std::string& nick, const std::string& text) {
        return test::Audit("NickServ", nick, text);
    }
};

}  // namespace nb::test
