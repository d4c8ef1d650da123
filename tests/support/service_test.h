// A linked Services object with helpers to talk to the services and to spell the lines they
// send, for every service's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fixture.h"

namespace nb::test {

using Lines = std::vector<std::string>;

// "^B" in expected texts stands for the bold control character, as on the wire.
std::string Wire(std::string text);

// The lines a service sends: an answer to a user, and an audit line in the Bot Channel.
std::string Notice(const std::string& service, const std::string& nick, const std::string& text);
std::string Privmsg(const std::string& service, const std::string& nick, const std::string& text);
std::string Audit(const std::string& service, const std::string& nick, const std::string& text);

struct ServiceTest : ::testing::Test, ServicesFixture {
    ServiceTest() { StartLinked(); }

    // Introduces the user and drops what that sent (the network log line, warnings).
    void Connect(const std::string& nick, const std::string& ident = "user",
                 const std::string& host = "host.example.org");
    // A private message to the service; returns every line sent meanwhile.
    Lines Tell(const std::string& service, const std::string& nick, const std::string& text);
    void RegisterAndIdentify(const std::string& nick, const std::string& password);
    OnlineUser& User(const std::string& nick);
    std::string NickFile() const { return ReadFile("NickServ/NickServ.nb2"); }
    std::string MemoFile() const { return ReadFile("MemoServ/MemoServ.nb2"); }
};

}  // namespace nb::test
