// What the link tells the program above it. Each call runs to completion before the next.
#pragma once

#include "link/irc_line.h"

namespace nb {

class LinkListener {
public:
    virtual ~LinkListener() = default;
    // A connection attempt starts: the link settings are read again now.
    virtual void OnConnecting() = 0;
    // The link is up: the handshake goes out.
    virtual void OnLinkUp() = 0;
    // A line as the uplink wrote it, for the logs; then each of its classic forms, to act on.
    virtual void OnWireLine(const IrcLine& line) = 0;
    virtual void OnLine(const IrcLine& line) = 0;
    // Every line of one received block has been handled; what it produced may now leave.
    virtual void OnBlockEnd() = 0;
};

}  // namespace nb
