// One registered nickname and its line in NickServ.nb2.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "network/online_user.h"

namespace nb {

// The texts of a record, in the order they are packed.
enum class NickField : std::uint8_t {
    Nick,  // empty once dropped: the next save leaves the record out
    Password,  // plain text or a hash, as stored
    Host1,  // wildcard masks of "nick!ident@host"; empty when cleared
    Host2,
    Host3,
    LastSeen,
    RealName,
    Email,
    Url,
    Age,
    RegisteredOn,
    LastQuit,  // kept outside NickServ.nb2, in Quit.nb2
};
constexpr std::size_t kNickFields = 12;

// A million of these are held at once, so a record's texts live in one allocation (a host
// equal to the first access host is kept once): read them by value, change them with the
// setters. A record without texts has the defaults: real name "N/A", age "0", the rest empty.
struct RegisteredNick {
    RegisteredNick() = default;
    RegisteredNick(const RegisteredNick& other);
    RegisteredNick& operator=(const RegisteredNick& other);
    RegisteredNick(RegisteredNick&&) noexcept = default;
    RegisteredNick& operator=(RegisteredNick&&) noexcept = default;

    // Valid until the record's texts change.
    std::string_view Field(NickField field) const;
    std::array<std::string_view, kNickFields> Fields() const;
    void SetField(NickField field, std::string_view value);
    void SetFields(const std::array<std::string_view, kNickFields>& values);

    std::string Nick() const { return std::string(Field(NickField::Nick)); }
    std::string Password() const { return std::string(Field(NickField::Password)); }
    std::string AccessHost(std::size_t index) const { return std::string(Field(HostField(index))); }
    std::array<std::string, 3> AccessHosts() const { return {AccessHost(0), AccessHost(1), AccessHost(2)}; }
    std::string RealName() const { return std::string(Field(NickField::RealName)); }
    std::string Age() const { return std::string(Field(NickField::Age)); }
    std::string Url() const { return std::string(Field(NickField::Url)); }
    std::string LastSeen() const { return std::string(Field(NickField::LastSeen)); }
    std::string RegisteredOn() const { return std::string(Field(NickField::RegisteredOn)); }
    std::string Email() const { return std::string(Field(NickField::Email)); }
    std::string LastQuit() const { return std::string(Field(NickField::LastQuit)); }
    bool IsDropped() const { return Field(NickField::Nick).empty(); }

    void SetNick(std::string_view value) { SetField(NickField::Nick, value); }
    void SetPassword(std::string_view value) { SetField(NickField::Password, value); }
    void SetAccessHost(std::size_t index, std::string_view value) { SetField(HostField(index), value); }
    void SetLastSeen(std::string_view value) { SetField(NickField::LastSeen, value); }
    void SetLastQuit(std::string_view value) { SetField(NickField::LastQuit, value); }

    static NickField HostField(std::size_t index) { return static_cast<NickField>(static_cast<std::size_t>(NickField::Host1) + index); }

    ReplyType replyType = ReplyType::Notice;  // how the services answer this nick
    bool flag = true;                         // carried through the file, read by nothing
    // The online user who identified with the password (OnlineUser::id), 0 for nobody: the
    // identification never passes to whoever holds the nick next. In memory only.
    std::uint64_t identifiedUser = 0;

private:
    std::size_t PackedSize() const;

    // A byte of which hosts repeat host 1, then each text as its length (7 bits a byte, low
    // bits first) and its bytes.
    std::unique_ptr<char[]> packed_;
};

// "<nick> <password> <host1> <host2> <host3> [<last seen>] {<real name>} [<email>] (<url>) <age>
// <True|False> <reply type> <registered on>" and CR LF.
std::string FormatNickLine(const RegisteredNick& record);
// The same, added to the end of `out`: a file of many records is made in one buffer.
void AppendNickLine(std::string& out, const RegisteredNick& record);

// Reads a line of that layout from the left. A missing bracketed field does not fail: the last
// seen date becomes `nowText`, the real name, email and url "N/A". The last quit is not in
// the line; it is given.
RegisteredNick ParseNickLine(std::string_view line, std::string_view nowText, std::string_view lastQuit = {});

// "<nick> <last quit>" and CR LF, added to the end of `out`.
void AppendQuitLine(std::string& out, const RegisteredNick& record);

}  // namespace nb
