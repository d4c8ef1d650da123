// A channel's life with ChanServ: register, ident with the channel password, drop.
#include <utility>

#include "chanserv/chanserv_commands.h"
#include "core/datetime.h"
#include "core/text.h"
#include "services/wrong_passwords.h"

namespace nb {

bool ChanServCommands::MayRegister(const CommandContext& context) const {
    std::string who = Trim(settings_.Get("Security", "ChanServ Register", "0"));
    if (who != "1" && who != "2") return true;
    // Only an operator logged in to OperServ has a level; nobody else passes.
    int level = standing_.OperLevel(users_.At(context.sender.slot));
    if (level <= 0) return false;
    return who == "1" || level >= ToNumber(settings_.Get("Security", "ChanServ Level", "200"));
}

void ChanServCommands::Register(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& channel = context.words[1];
    const std::string& password = context.words[2];
    const std::string& email = context.words[3];
    const std::string description = JoinedWords(context.words, 4);
    if (channel[0] != '#') {
        context.Reply(Bold("Error") + ": You can only register a channel starting with a # character.");
        AuditChannel(context, channel, "REGISTER [Failed (invalid channel name)]");
        return;
    }
    if (channel.find(',') != std::string::npos) {
        context.Reply(Bold("Error") + ": You cannot register a channel with the , character.");
        AuditChannel(context, channel, "REGISTER [Failed (invalid channel name)]");
        return;
    }
    if (!MayRegister(context)) {
        context.Reply(Bold("Error") + ": You don't have access to register this channel.");
        return;
    }
    if (database_.IsChannelRegistered(channel)) {
        context.Reply("That channel (" + Bold(channel) + ") is currently registered.  Please try another channel.");
        AuditChannel(context, channel, "REGISTER [Failed (already registered)]");
        return;
    }
    if (database_.IsChannelRestricted(channel)) {
        context.Reply("That channel (" + Bold(channel) + ") cannot be registered, please select a new channel name.");
        AuditChannel(context, channel, "REGISTER [Failed (restricted channel name)]");
        return;
    }
    if (!nicks_.IsNickRegistered(nick)) {
        context.Reply(
            "Your nickname isn't currently registered.  Please do so before attempting to register a channel.");
        context.Audit("REGISTER [Failed (nickname not registered)]");
        return;
    }
    for (auto [field, value] :
         {std::pair{ChannelField::Name, &channel}, std::pair{ChannelField::Password, &password},
          std::pair{ChannelField::Email, &email}, std::pair{ChannelField::Description, &description}}) {
        if (!Storable(context, channel, field, *value, "REGISTER")) return;
    }
    if (!IsValidChannelName(channel)) {
        context.Reply(Bold("Error") + ": A channel name cannot hold blanks or control characters, nor be longer than " +
                      std::to_string(kMaxChannelNameBytes) + " bytes.");
        AuditChannel(context, channel, "REGISTER [Failed (invalid channel name)]");
        return;
    }
    std::optional<std::string> stored = context.PasswordToStore(password);
    if (!stored) return;

    RegisteredChannel record;
    record.name = channel;
    record.password = *stored;
    record.founder = nick;
    record.email = email;
    record.description = description;
    record.registeredOn = FormatShortDate(clock_.Now());
    database_.AddRegisteredChannel(std::move(record));
    const OnlineUser& user = users_.At(context.sender.slot);
    ChannelAccessEntry founder{channel, nick, {}, ChannelDatabase::kFounderLevel};
    founder.accessHosts.fill(MakeBanMask(user.ident, user.host));
    if (auto hosts = nicks_.AccessHostsOf(nick)) founder.accessHosts = *hosts;
    database_.AddAccessEntry(std::move(founder));
    ChannelsChanged(context, channel, "REGISTER", true, true,
                    [this, channel, nick] { UndoRegistration(channel, nick); });

    const std::string& chanServ = context.voice.Nick();
    out_.Join(chanServ, channel);
    out_.ServerMode(channel, "+o", chanServ);
    out_.ServerMode(channel, "+nt", "");
    context.Reply("You have successfully registered " + Bold(channel) + ".");
    context.Reply("Your password is " + Bold(password) + " which is CaSE seNsItIVE.");
    AuditChannel(context, channel, "REGISTER " + channel + " ****** " + email + " " + description + " [Success]");
}

// One of the two files took the registration and the other did not: half a registration is
// none. A channel without its founder's entry could never be dropped; an entry without its
// channel would wait in the access file.
void ChanServCommands::UndoRegistration(const std::string& channel, const std::string& founder) {
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    ChannelAccessEntry* entry = database_.FindAccessEntry(channel, founder);
    if (record != nullptr && entry == nullptr) {
        database_.DropRegisteredChannel(*record);
        database_.ChannelsChanged();
    } else if (record == nullptr && entry != nullptr) {
        database_.RemoveAccessEntry(*entry);
        database_.AccessChanged();
    }
}

void ChanServCommands::Ident(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& channel = context.words[1];
    if (RefusesNameWithoutHash(context, channel, " ident <#channel> <password>",
                               "IDENT ****** [Failed (invalid channel name)]") ||
        RefusesUnregistered(context, channel, "IDENT ******"))
        return;
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    PasswordCheck check = context.CheckPassword(record->password, context.words[2]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, "Invalid password for " + Bold(channel) + ".", "IDENT ******",
                                   [&](const std::string& text) { AuditChannel(context, channel, text); });
    }
    std::string stored = record->password;
    if (!context.UpgradesPassword(stored, context.words[2])) return;
    RightPassword(context, users_);
    bool founder = IEquals(record->founder, nick);
    if (founder) {
        database_.IdentifyFounder(*record);
    } else {
        database_.AddCoOwner(*record, nick);
    }
    auto success = [this, context, channel, founder] {
        context.Reply(founder ? "You have successfully identified with " + Bold(channel) +
                                    " as the owner of the channel giving you level 500."
                              : "You have successfully identified with " + Bold(channel) +
                                    " as a co-owner, giving you level 499.");
        AuditChannel(context, channel, "IDENT ****** [Success]");
    };
    // A plain-text password becomes its hash; a file that keeps the old one does not undo the
    // identification.
    if (stored != record->password) {
        record->password = stored;
        context.Changed(database_.PasswordHashed(), success);
    }
    success();
}

void ChanServCommands::Drop(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (RefusesUnregistered(context, channel, "DROP")) return;
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    if (SenderLevel(context, channel) != ChannelDatabase::kFounderLevel) {
        context.Reply("You must be the owner of " + Bold(channel) + ".");
        AuditChannel(context, channel, "DROP [Failed (not owner)]");
        return;
    }
    PasswordCheck check = context.CheckPassword(record->password, context.words[2]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, "Invalid password for " + Bold(channel) + ".", "DROP",
                                   [&](const std::string& text) { AuditChannel(context, channel, text); });
    }
    database_.DropRegisteredChannel(*record);
    ChannelsChanged(context, channel, "DROP", true, true);
    out_.Part(context.voice.Nick(), channel);
    AuditChannel(context, channel, "DROP " + channel + " ****** [Success]");
    context.Reply("Successfully dropped " + Bold(channel) + "!");
}

}  // namespace nb
