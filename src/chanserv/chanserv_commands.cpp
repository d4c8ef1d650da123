#include "chanserv/chanserv_commands.h"

#include "core/text.h"

namespace nb {
namespace {

// Words after this one are never joined into a text.
constexpr std::size_t kLastJoinedWord = 99;

struct FieldRule {
    ChannelField field;
    const char* label;
    // What the field may not hold, as the refusal names it.
    const char* breaks;
};

constexpr FieldRule kFieldRules[] = {
    {ChannelField::Name, "channel name", "blanks"},
    {ChannelField::Password, "password", "blanks"},
    {ChannelField::Email, "e-mail address", "blanks"},
    {ChannelField::Description, "description", "\x02) [\x02"},
    {ChannelField::Modes, "mode", "\x02] [\x02"},
    {ChannelField::Topic, "topic", "\x02] {\x02"},
    {ChannelField::Greet, "greeting", "line breaks"},
};

const FieldRule& RuleOf(ChannelField field) {
    for (const FieldRule& rule : kFieldRules) {
        if (rule.field == field) return rule;
    }
    return kFieldRules[0];
}

}  // namespace

ChanServCommands::ChanServCommands(ChannelDatabase& database, OnlineUsers& users, Outbound& out,
                                   const Settings& settings, const Clock& clock, const ServiceHelp& help,
                                   const NickStatus& nicks, const OperatorAccess& operators,
                                   const ServiceClient& nickServ)
    : database_(database),
      users_(users),
      out_(out),
      settings_(settings),
      clock_(clock),
      help_(help),
      nicks_(nicks),
      operators_(operators),
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
    table_.admits = [this](const CommandContext& context, const Command& command) {
        return AdmitsIdentified(context, command);
    };
}

void AuditChannel(const CommandContext& context, const std::string& channel, const std::string& text) {
    // The voice writes "[^B<name>^B] ": the channel goes inside it, in bold of its own.
    context.voice.Audit(context.sender.nick + kBold + ":" + kBold + channel, text);
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

bool ChanServCommands::AdmitsIdentified(const CommandContext& context, const Command& command) {
    if (nicks_.IsNickIdentified(context.sender.nick)) return true;
    const std::string& nickServ = nickServ_.nick;
    ReplyType how = users_.At(context.sender.slot).replyType;
    out_.Message(nickServ, how, context.sender.nick, Bold("Error") + ": Please identify with " + nickServ + " first.");
    out_.Message(nickServ, how, context.sender.nick,
                 Bold("Syntax") + ": /msg " + nickServ + " ident <" + Bold("password") + ">");
    std::string refused = command.word == "ident" ? "IDENT ******" : command.auditName;
    AuditChannel(context, context.words[1], refused + " [Failed (not identified)]");
    return false;
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
    const FieldRule& rule = RuleOf(field);
    std::string refusal;
    // A control character would reach the file and every line that shows the value.
    if (!HasOnlyFormattingControls(value)) {
        refusal = "control characters";
    } else if (!ChannelFieldHolds(field, value)) {
        refusal = rule.breaks;
    } else {
        return true;
    }
    context.Reply(Bold("Error") + ": The " + rule.label + " cannot contain " + refusal + ".");
    AuditChannel(context, channel, failed + " [Failed (invalid character)]");
    return false;
}

int ChanServCommands::SenderLevel(const CommandContext& context, const std::string& channel) const {
    return database_.GetChannelAccessLevel(channel, users_.At(context.sender.slot));
}

}  // namespace nb
