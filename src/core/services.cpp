#include "core/services.h"

#include "core/handshake.h"
#include "core/text.h"

namespace nb {

Services::Services(std::filesystem::path dataDir, Clock& clockIn, Timers& timersIn, Console& consoleIn)
    : clock(clockIn),
      timers(timersIn),
      console(consoleIn),
      data(dataDir),
      settings(dataDir / "settings.ini"),
      out(*this),
      users(*this),
      channels(*this),
      queries(*this),
      dispatcher(*this),
      help(*this),
      nickServ(*this),
      memoServ(*this) {
    dispatcher.AddServiceEndpoint([this] { return names.nickServ; },
                                  [this](std::size_t slot, const std::string& text) { nickServ.Dispatch(slot, text); });
    dispatcher.AddServiceEndpoint([this] { return names.memoServ; },
                                  [this](std::size_t slot, const std::string& text) { memoServ.Dispatch(slot, text); });
}

void Services::AttachLink(LineSink* lineSink, LinkControl* control) {
    sink = lineSink;
    link = control;
}

void Services::ReadLinkSettings() {
    auto info = [&](const char* key, const char* fallback) {
        return settings.Get("Server Information", key, fallback);
    };
    auto enabled = [&](const char* key) { return Trim(info(key, "1")) != "0"; };
    names.linkHost = Trim(info("IP/Host", "localhost"));
    names.linkPort = static_cast<int>(ToNumber(info("Port", "6667")));
    names.linkPassword = Trim(info("Password", ""));
    names.serverName = Trim(info("Server Name", "services.localhost"));
    names.description = Trim(info("Server Description", "NBII"));
    names.adminEmail = Trim(info("Your Email", "admin@localhost"));
    names.operChannel = Trim(info("Oper Channel", "#NBII"));
    names.netChannel = Trim(info("Net Channel", "#nb.netinfo"));
    names.botChannel = Trim(info("Bot Channel", "#nb.botinfo"));
    names.chanServ = info("ChanServ", "ChanServ");
    names.nickServ = info("NickServ", "NickServ");
    names.operServ = info("OperServ", "OperServ");
    names.memoServ = info("MemoServ", "MemoServ");
    names.chanServEnabled = enabled("ChanServ Enabled");
    names.nickServEnabled = enabled("NickServ Enabled");
    names.operServEnabled = enabled("OperServ Enabled");
    names.memoServEnabled = enabled("MemoServ Enabled");
    names.protocol = ToLower(Trim(info("Protocol", "classic")));
}

void Services::OnLinkEstablished() {
    users.Clear();
    channels.Clear();
    nickServ.ClearPendingNicks();
    SendLinkHandshake(*this);
}

void Services::LoadDatabases() {
    nickServ.LoadNickDatabase();
    // Registered channels and channel access load here when ChanServ arrives.
    memoServ.LoadMemos();
    // Operator access and command levels load here when OperServ arrives.
}

// ChanServ and OperServ are not part of this build yet: nobody is identified to a channel
// or logged in to OperServ, and no channel is registered.
void Services::ForgetChannelIdentification(const std::string&) {}
std::size_t Services::CarryAccessHostToChannels(const std::string&, int, const std::string&) { return 0; }
void Services::LogOutOperator(const std::string&) {}
void Services::EnforceChannelEntry(const std::string&, const std::string&, std::size_t) {}
void Services::SendChannelGreet(const std::string&, const std::string&, std::size_t) {}
void Services::EnforceTopicLock(const std::string&) {}
void Services::ProtectChanServOp(const std::string&, const std::string&, const std::string&, const std::string&) {}
void Services::EnforceModeLock(const std::string&, const std::string&) {}

}  // namespace nb
