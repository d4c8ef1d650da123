#include "network/server_tree.h"

namespace nb {

void ServerTree::OnServer(const IrcLine& line) {
    const std::string& name = line.Param(0);
    if (name.empty()) return;
    std::string hub = line.SourceNick();
    if (hub.empty()) uplink_ = name;
    hubOf_[name] = hub;
}

std::vector<std::string> ServerTree::Split(const std::string& server) {
    std::vector<std::string> gone = {server};
    for (std::size_t next = 0; next < gone.size(); ++next) {
        for (const auto& [name, hub] : hubOf_) {
            if (IEquals(hub, gone[next]) && !IEquals(name, gone[next])) gone.push_back(name);
        }
        hubOf_.erase(gone[next]);
    }
    return gone;
}

std::string ServerTree::HubOf(const std::string& server) const {
    auto found = hubOf_.find(server);
    if (found != hubOf_.end() && !found->second.empty()) return found->second;
    return IEquals(server, uplink_) ? "" : uplink_;
}

void ServerTree::Clear() {
    uplink_.clear();
    hubOf_.clear();
}

}  // namespace nb
