// Jupes: a server name the services hold themselves, so that the real server cannot link.
#include <algorithm>

#include "core/datetime.h"
#include "core/text.h"
#include "operserv/operserv.h"

namespace nb {

void OperServ::Jupe(const CommandContext& context) { jupeActions_.Run(context, context.words[1]); }

void OperServ::JupeAdd(const CommandContext& context) {
    const std::string& server = context.words[2];
    if (jupes_.Contains(server)) {
        context.Reply(Bold("Error") + ": " + Bold(server) + " is already on the juped list.");
        context.Audit("JUPE [Failed (server already added)]");
        return;
    }
    out_.Squit(server, "Server added to jupe list");
    out_.Jupe(server, "Server juped on " + FormatGeneralDate(clock_.Now()) + " (by:" + context.sender.nick + ")");
    context.Reply(Bold(server) + " has been juped.");
    logs_.LogToOperChannel(Bold(server) + " has been juped by " + Bold(context.sender.nick) + ".");
    context.Audit("JUPE " + server + " [Success]");
    jupes_.Edit().push_back(server);
    context.Changed(jupes_.Table(), [context] {
        context.Reply(Bold("Error") + ": The jupe list could not be written, please try again later.");
        context.Audit("JUPE [Failed (database not written)]");
    });
}

void OperServ::JupeDel(const CommandContext& context) {
    const std::string& server = context.words[2];
    std::vector<std::string>& list = jupes_.Edit();
    auto found = std::find_if(list.begin(), list.end(), [&](const std::string& jupe) { return IEquals(jupe, server); });
    if (found == list.end()) {
        context.Audit("UNJUPE " + server + " [Failed (server not found)]");
        context.Reply(Bold("Error") + ": Cannot find " + Bold(server) + " on the list.");
        return;
    }
    out_.Squit(server, "Server removed from jupe list");
    logs_.LogToOperChannel(Bold(server) + " has been unjuped by " + Bold(context.sender.nick) + ".");
    context.Reply(Bold(server) + " has been unjuped.");
    context.Audit("UNJUPE " + server + " [Success]");
    list.erase(found);
    context.Changed(jupes_.Table(), [context] {
        context.Reply(Bold("Error") + ": The jupe list could not be written, please try again later.");
        context.Audit("UNJUPE [Failed (database not written)]");
    });
}

}  // namespace nb
