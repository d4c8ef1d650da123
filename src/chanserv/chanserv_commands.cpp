#include "chanserv/chanserv_commands.h"

#include <algorithm>

#include "core/text.h"

namespace nb {
namespace {

// Words after this one are never joined into a text.
constexpr std::size_t kLastJoinedWord = 99;

}  // namespace

ChanServCommands::ChanServCommands(ChannelDatabase& database, OnlineUsers& users, Outbound& out,
                                   const Settings& settings, const Clock& clock, const ServiceHelp& help,
                                   const NickStatus& nicks, const Standing& standing, const ServiceClient& nickServ)
    : database_(database),
      users_(users),
      out_(out),
      settings_(settings),
      clock_(clock),
      help_(help),
      nicks_(nicks),
      standing_(standing),
      nickServ_(nickServ) {
    auto run = HandlersOf(this);
    table_.commands = {
        {"help", Words<0>, "", Gate::None, "HELP", {}, run(&ChanServCommands::Help)},
        {"register", Words<4>, " register <#channel> <password> <your email> <description>", Gate::Identified,
         "REGISTER", {2}, run(&ChanServCommands::Register)},
        {"access", Words<2>, " access <#channel> <add/del/mod/list> <nick> [level]", Gate::Identified, "ACCESS", {},
         run(&ChanServCommands::Access)},
        {"info", Words<1>, " info <#channel>", Gate::None, "INFO", {}, run(&ChanServCommands::Info)},
        {"set", Words<1>, " set <#channel> <mode/topic/mlock/tlock/greet/autogreet> [parms]", Gate::Identified, "SET",
         {}, run(&ChanServCommands::Set)},
        {"drop", Words<2>, " drop <#channel> <password>", Gate::None, "DROP", {2}, run(&ChanServCommands::Drop)},
        {"op", Words<2>, " op <#channel> <nick>", Gate::None, "OP", {}, run(&ChanServCommands::ChannelStatus)},
        {"deop", Words<2>, " deop <#channel> <nick>", Gate::None, "DEOP", {}, run(&ChanServCommands::ChannelStatus)},
        {"kick", Words<2>, " kick <#channel> <nick> <reason>", Gate::None, "KICK", {},
         run(&ChanServCommands::ChannelStatus)},
        {"ident", Words<2>, " ident <#channel> <password>", Gate::Identified, "IDENT", {2},
         run(&ChanServCommands::Ident)},
    };
    table_.refusals.notIdentified = [this](const CommandContext& context, const Command& command) {
        RefuseNotIdentified(context, command);
    };
    accessActions_.actions = {
        {"list", run(&ChanServCommands::AccessList)},
        {"add", run(&ChanServCommands::AccessAdd)},
        {"mod", run(&ChanServCommands::AccessModify)},
        {"del", run(&ChanServCommands::AccessDelete)},
    };
    // Any other access action is passed over in silence.
    setActions_.actions = {
        {"topic", run(&ChanServCommands::SetTopic)},
        {"mode", run(&ChanServCommands::SetMode)},
        {"mlock", [this](const CommandContext& c) { SetSwitch(c, &RegisteredChannel::modeLock, "Modelock"); }},
        {"tlock", [this](const CommandContext& c) { SetSwitch(c, &RegisteredChannel::topicLock, "Topiclock"); }},
        {"greet", run(&ChanServCommands::SetGreet)},
        {"autogreet", [this](const CommandContext& c) { SetSwitch(c, &RegisteredChannel::autoGreet, "Autogreet"); }},
    };
    setActions_.unknown = [this](const CommandContext& context) { RefuseSetSyntax(context); };
}

bool IsValidChannelName(std::string_view name) {
    return !name.empty() && name[0] == '#' && name.size() <= kMaxChannelNameBytes &&
           FindBlankOrControl(name) == std::string_view::npos && name.find(',') == std::string_view::npos;
}

void AuditChannel(const CommandContext& context, const std::string& channel, const std::string& text) {
    // What follows a blank, a control character or a comma may be a password typed there.
    std::size_t shown = std::min({FindBlankOrControl(channel), channel.find(','), kMaxChannelNameBytes});
    // The voice writes "[^B<name>^B] ": the channel goes inside it, in bold of its own.
    context.voice.Audit(context.sender.nick + kBold + ":" + kBold + channel.substr(0, shown), text);
}

std::string JoinedWords(const CommandWords& words, std::size_t first) {
    std::string joined;
    for (std::size_t index = first; index <= kLastJoinedWord && !words[index].empty(); ++index) {
        joined += words[index];
        joined += ' ';
    }
    return Trim(joined);
}

void ChanServCommands::Help(const CommandContext& context) {
    help_.SendServiceHelp(context.voice, context.sender, context.words[1]);
}

void ChanServCommands::RefuseNotIdentified(const CommandContext& context, const Command& command) {
    const std::string& nickServ = nickServ_.nick;
    ReplyType how = users_.At(context.sender.slot).replyType;
    out_.Message(nickServ, how, context.sender.nick, Bold("Error") + ": Please identify with " + nickServ + " first.");
    out_.Message(nickServ, how, context.sender.nick,
                 Bold("Syntax") + ": /msg " + nickServ + " ident <" + Bold("password") + ">");
    std::string refused = command.word == "ident" ? "IDENT ******" : command.auditName;
    AuditChannel(context, context.words[1], refused + " [Failed (not identified)]");
}

void ChanServCommands::ChannelsChanged(const CommandContext& context, const std::string& channel,
                                       const std::string& failed, bool channels, bool access,
                                       std::function<void()> undo) {
    auto notWritten = [context, channel, failed, undo] {
        undo();
        context.Reply(Bold("Error") + ": The channel database could not be written, please try again later.");
        AuditChannel(context, channel, failed + " [Failed (database not written)]");
    };
    if (channels) context.Changed(database_.ChannelTableChanged(), notWritten);
    if (access) context.Changed(database_.AccessTable(), notWritten);
}

bool ChanServCommands::Storable(const CommandContext& context, const std::string& channel, ChannelField field,
                                const std::string& value, const std::string& failed) {
    std::optional<FieldRefusal> refusal = RefusalOf(field, value);
    if (!refusal) return true;
    context.Reply(Bold("Error") + ": " + refusal->text);
    AuditChannel(context, channel, failed + (refusal->tooLong ? " [Failed (too long)]" : " [Failed (invalid character)]"));
    return false;
}

int ChanServCommands::SenderLevel(const CommandContext& context, const std::string& channel) const {
    return database_.GetChannelAccessLevel(channel, users_.At(context.sender.slot));
}

bool ChanServCommands::RefusesNameWithoutHash(const CommandContext& context, const std::string& channel,
                                              const std::string& syntax, const std::string& audit) const {
    if (channel[0] == '#') return false;
    context.Reply("Syntax Error: /msg " + context.voice.Nick() + syntax);
    AuditChannel(context, channel, audit);
    return true;
}

bool ChanServCommands::RefusesUnregistered(const CommandContext& context, const std::string& channel,
                                           const std::string& audit) const {
    if (database_.IsChannelRegistered(channel)) return false;
    context.Reply("That channel (" + Bold(channel) + ") is not currently registered.");
    AuditChannel(context, channel, audit + " [Failed (channel not registered)]");
    return true;
}

bool ChanServCommands::RefusesLowLevel(const CommandContext& context, const std::string& channel, int level,
                                       int needed, const std::string& lead, const std::string& after,
                                       const std::string& audit) const {
    if (level >= needed) return false;
    context.Reply(lead + Bold(channel) + after + " is to low.  It is currently " + Bold(std::to_string(level)));
    if (!audit.empty()) AuditChannel(context, channel, audit);
    return true;
}

}  // namespace nb
