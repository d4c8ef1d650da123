// The server-to-server dialect spoken on the link. Every module above the link speaks the
// classic dialect only; a Dialect turns those lines into what the uplink expects and the
// uplink's lines back into classic lines, so nothing else knows which server we are linked to.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/irc_line.h"

namespace nb {

// What a dialect needs to know about our own side of the link, refreshed on every new link.
struct LinkIdentity {
    std::string serverName;
    std::string password;
    std::string description;
};

class Dialect {
public:
    virtual ~Dialect() = default;
    // A new link is starting: forget everything learned on the previous one.
    virtual void Reset(const LinkIdentity& identity) = 0;
    // One classic line (no line end) to zero or more lines for the wire (no line end).
    virtual std::vector<std::string> ToWire(std::string_view classicLine) = 0;
    // One received line to zero or more classic lines.
    virtual std::vector<IrcLine> FromWire(const IrcLine& wireLine) = 0;
    // Lines for the wire that received lines have released (held until the uplink could take
    // them), each taken once; the link sends them after the received line's own answers.
    virtual std::vector<std::string> TakeWireLines() { return {}; }
};

// The classic dialect: lines pass unchanged both ways.
class ClassicDialect : public Dialect {
public:
    void Reset(const LinkIdentity&) override {}
    std::vector<std::string> ToWire(std::string_view line) override { return {std::string(line)}; }
    std::vector<IrcLine> FromWire(const IrcLine& line) override { return {line}; }
};

// For the dialects' translations: the parameters from `first` on as separate words, a trailing
// one split at its blanks; and words joined, each after a blank.
std::vector<std::string> WordsFrom(const IrcLine& line, std::size_t first);
std::string Joined(const std::vector<std::string>& words);

// "classic", "ngircd" or "inspircd" (letter case ignored); anything else gives nullptr.
std::unique_ptr<Dialect> MakeDialect(std::string_view protocolName);

}  // namespace nb
