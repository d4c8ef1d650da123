// One registered channel and one channel access entry, with their lines in ChanServ.nb2 and
// Access.nb2.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

struct RegisteredChannel {
    std::string name;      // "#" first; empty once dropped: the next save leaves the record out
    std::string password;  // compared exactly
    std::string topic = "Not set!";
    std::string modes = "nt";  // mode letters and their parameters, without a sign
    std::string founder;
    std::string email;
    std::string description;
    std::string greet = "Not set!";  // "Not set!" means none
    std::string registeredOn;        // short date text
    bool topicLock = false;
    bool modeLock = false;
    bool autoGreet = false;
    // Never stored, and changed only through ChannelDatabase, which indexes them by nick.
    bool founderIdentified = false;
    std::vector<std::string> coOwners;  // whole nicks that identified with the channel password
};

struct ChannelAccessEntry {
    std::string channel;  // empty once deleted: the next save leaves the entry out
    std::string nick;
    std::array<std::string, 3> accessHosts;  // wildcard masks of "nick!ident@host"
    int level = 0;
};

// The nick is one of the channel's co-owners: whole nicks, letter case ignored.
bool HasCoOwner(const RegisteredChannel& record, std::string_view nick);

// "<name> <password> <founder> <email> (<description>) [<modes>] [<topic>] {<greet>}
// <registered on> <topic lock> <mode lock> <auto greet>" and CR LF; the flags are 1 or 0.
std::string FormatChannelLine(const RegisteredChannel& record);
void AppendChannelLine(std::string& out, const RegisteredChannel& record);

// Reads a line of that layout. The fields after the greet are taken from the right, so the
// greet may hold anything; the description ends at the first ") [", the modes at the first
// "] [" and the topic at the first "] {". A line without that shape is read by the first
// ")", "]", "]" and "}" as older releases did; a flag is on only when it reads "1".
RegisteredChannel ParseChannelLine(std::string_view line);

// "<channel> <nick> <host1> <host2> <host3> <level>" and CR LF.
std::string FormatAccessLine(const ChannelAccessEntry& entry);
void AppendAccessLine(std::string& out, const ChannelAccessEntry& entry);
// The first five fields are single words; the level is the rest read as a number (0 when it
// is not one).
ChannelAccessEntry ParseAccessLine(std::string_view line);

// The values a line reads back otherwise than written: the commands refuse them before a
// record holds them.
enum class ChannelField { Name, Password, Founder, Email, Description, Modes, Topic, Greet, RegisteredOn };
// No value may break the line. A name is not empty; the name, password, founder, email and
// date hold no blank; a description holds no ") [", modes no "] [", a topic no "] {".
bool ChannelFieldHolds(ChannelField field, std::string_view value);
// Why a value cannot be stored in the field ("The greeting is too long (at most 350 bytes).",
// "The description cannot contain control characters."), or nullopt when it can.
struct FieldRefusal {
    std::string text;
    bool tooLong = false;
};
std::optional<FieldRefusal> RefusalOf(ChannelField field, const std::string& value);
// The first field of the record that its line cannot hold, or nullopt.
std::optional<ChannelField> UnstorableChannelField(const RegisteredChannel& record);
// A channel that is not empty, and a channel, nick and hosts without blanks or line breaks.
bool AccessEntryStorable(const ChannelAccessEntry& entry);

}  // namespace nb
