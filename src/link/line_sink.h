// Where outbound protocol lines go, and how the program reaches the link itself.
#pragma once

#include <string>
#include <string_view>

namespace nb {

class LineSink {
public:
    virtual ~LineSink() = default;
    // One classic-dialect line without its line end.
    virtual void SendLine(std::string_view line) = 0;
};

class LinkControl {
public:
    virtual ~LinkControl() = default;
    virtual bool IsLinkConnected() const = 0;
    // Closes any open link and connects again with the stored settings.
    virtual void ConnectToServer() = 0;
    // Ends the link once every line sent so far has left; it is linked again as the reconnect
    // delay says. `reason` is what the terminal shows.
    virtual void Disconnect(const std::string& reason) = 0;
};

}  // namespace nb
