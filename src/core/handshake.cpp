#include "core/handshake.h"

#include "core/services.h"
#include "core/text.h"

namespace nb {
namespace {

void IntroduceClient(Services& services, const std::string& nick, const std::string& fullName) {
    const std::string& server = services.names.serverName;
    services.out.SendLine(":" + server + " KILL " + nick + " :Nimbral is connecting!");
    services.out.SendLine("NICK " + nick + " 1 10 " + nick + " " + server + " " + server + " :" + fullName);
    services.out.SendLine(":" + nick + " SVSMODE " + nick + " +oOwghsSkaAcfbWZiqQ");
}

void JoinRegisteredChannels(Services&, const std::string&) {
    // ChanServ sits in every registered channel; there are none until channels can be registered.
}

void JoinLogChannels(Services& services, const std::string& nick) {
    const ServiceNames& names = services.names;
    for (const std::string* channel : {&names.botChannel, &names.operChannel, &names.netChannel})
        services.out.SendLine(":" + nick + " JOIN " + *channel);
    for (const std::string* channel : {&names.botChannel, &names.operChannel, &names.netChannel})
        services.out.SendServerMode(*channel, "+o", nick);
    for (const std::string* channel : {&names.botChannel, &names.operChannel, &names.netChannel})
        services.out.SendServerMode(*channel, "+ints", "");
}

void AddServiceUser(Services& services, const std::string& nick) {
    services.users.AddServiceClient(nick, services.names.serverName);
}

}  // namespace

void SendLinkHandshake(Services& services) {
    const ServiceNames& names = services.names;
    services.queries.StoreConnectTime();
    services.out.SendLine("PASS " + names.linkPassword);
    services.out.SendLine("SERVER " + names.serverName + " 1 : " + names.description + " (NBII 4.3)");
    services.out.SendLine(":" + names.serverName + " WALLOPS :*** " + Bold("Nimbral II v4.3") +
                          "  connected, creating services.. please stand by.");
    IntroduceServices(services, {names.chanServEnabled, names.nickServEnabled, names.operServEnabled,
                                 names.memoServEnabled});
}

void IntroduceServices(Services& services, const ServiceSwitches& switches) {
    const ServiceNames& names = services.names;
    if (switches.chanServ) {
        IntroduceClient(services, names.chanServ, "Nimbral II 4.3 - ChanServ");
        JoinRegisteredChannels(services, names.chanServ);
        AddServiceUser(services, names.chanServ);
    }
    if (switches.nickServ) {
        IntroduceClient(services, names.nickServ, "NickServ");
        AddServiceUser(services, names.nickServ);
    }
    if (switches.operServ) {
        IntroduceClient(services, names.operServ, "OperServ");
        JoinLogChannels(services, names.operServ);
        AddServiceUser(services, names.operServ);
    }
    if (switches.memoServ) {
        IntroduceClient(services, names.memoServ, "MemoServ");
        AddServiceUser(services, names.memoServ);
    }
    services.out.SendLine(":" + names.serverName + " WALLOPS :*** " + Bold("Nimbral II") +
                          " ready to serve.");
}

}  // namespace nb
