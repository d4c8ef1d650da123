#include "console/link_config.h"

namespace nb {

std::string ClassicLinkLines(const std::string& host, const std::string& password, const std::string& serverName) {
    const std::string rule = "---------------------------";
    std::string text;
    for (const std::string& line : {std::string("Copy/Paste below this line."), rule,
                                    "C:" + host + ":" + password + ":" + serverName + "::30",
                                    "N:" + host + ":" + password + ":" + serverName + "::30", "H:*::" + serverName,
                                    "U:" + serverName + ":*:*", rule, std::string("Copy/Paste above this line.")})
        text += line + "\r\n";
    return text;
}

std::string NgircdServerBlock(const std::string& password, const std::string& serverName) {
    std::string text;
    // The services connect to ngIRCd, so it needs no Host or Port; ServiceMask lets our clients
    // be services.
    for (const std::string& line : {std::string("[Server]"), "\tName = " + serverName, "\tMyPassword = " + password,
                                    "\tPeerPassword = " + password, std::string("\tServiceMask = *Serv")})
        text += line + "\r\n";
    return text;
}

}  // namespace nb
