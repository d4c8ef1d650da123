// MemoServ: short messages between registered nicknames.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

class Services;

class MemoServ {
public:
    explicit MemoServ(Services& services);

    // Start-up: the memo file.
    void LoadMemos();
    // Tells the user in `slot` how many memos wait for its nick (nothing when none).
    void NotifyMemoCount(std::size_t slot);
    // A private message to the MemoServ nickname from the user in `slot`.
    void Dispatch(std::size_t senderSlot, const std::string& text);

private:
    Services& services_;
};

}  // namespace nb
