// The program-wide values read from the settings when connecting.
#pragma once

#include <string>

namespace nb {

inline constexpr const char* kVersion = "4.3";

struct ServiceNames {
    std::string serverName;
    std::string chanServ = "ChanServ";
    std::string nickServ = "NickServ";
    std::string operServ = "OperServ";
    std::string memoServ = "MemoServ";
    std::string operChannel;
    std::string netChannel;
    std::string botChannel;
    std::string linkHost;
    int linkPort = 6667;
    std::string linkPassword;
    std::string adminEmail;
    std::string description;
    std::string protocol = "classic";
    bool chanServEnabled = true;
    bool nickServEnabled = true;
    bool operServEnabled = true;
    bool memoServEnabled = true;
};

}  // namespace nb
