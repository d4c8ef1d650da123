#include "services/service_voice.h"

#include "core/text.h"

namespace nb {

ServiceVoice::ServiceVoice(const ServiceClient& client, Outbound& out, Logs& logs, const OnlineUsers& users)
    : client_(&client), out_(&out), logs_(&logs), users_(&users) {}

void ServiceVoice::Reply(const UserRef& user, const std::string& text) const {
    // The slot may have changed hands when a handler removed someone: the nick decides.
    ReplyType how = ReplyType::Notice;
    if (user.slot < users_->Count() && IEquals(users_->At(user.slot).nick, user.nick)) {
        how = users_->At(user.slot).replyType;
    } else if (auto slot = users_->FindOnlineUser(user.nick)) {
        how = users_->At(*slot).replyType;
    }
    out_->Message(client_->nick, how, user.nick, text);
}

void ServiceVoice::Reply(std::size_t slot, const std::string& text) const {
    Reply(UserRef{slot, users_->At(slot).nick}, text);
}

void ServiceVoice::Notice(const std::string& nick, const std::string& text) const {
    out_->Message(client_->nick, ReplyType::Notice, nick, text);
}

void ServiceVoice::Audit(const std::string& nick, const std::string& text) const {
    logs_->LogToBotChannel(client_->nick, "[" + Bold(nick) + "] " + text);
}

}  // namespace nb
