#include "nickserv/nick_record.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"

namespace nb {
namespace {

constexpr std::uint8_t kHost2IsHost1 = 1;
constexpr std::uint8_t kHost3IsHost1 = 2;

std::size_t Index(NickField field) { return static_cast<std::size_t>(field); }

bool Repeated(std::uint8_t repeats, std::size_t index) {
    return (index == Index(NickField::Host2) && (repeats & kHost2IsHost1) != 0) ||
           (index == Index(NickField::Host3) && (repeats & kHost3IsHost1) != 0);
}

std::string_view DefaultOf(std::size_t index) {
    if (index == Index(NickField::RealName)) return "N/A";
    if (index == Index(NickField::Age)) return "0";
    return {};
}

std::size_t LengthBytes(std::size_t length) {
    std::size_t bytes = 1;
    for (; length >= 0x80; length >>= 7) ++bytes;
    return bytes;
}

void PutLength(char*& at, std::size_t length) {
    for (; length >= 0x80; length >>= 7) *at++ = static_cast<char>((length & 0x7f) | 0x80);
    *at++ = static_cast<char>(length);
}

std::size_t TakeLength(const char*& at) {
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        auto byte = static_cast<unsigned char>(*at++);
        length |= static_cast<std::size_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) return length;
    }
}

// The rest up to the first blank; the rest then continues after that blank. Without a blank
// the word is the whole rest.
std::string_view TakeWord(std::string_view& rest) {
    std::size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

// The text between the opening character and the first `closer`, skipping the closer and the
// blank after it. Without a closer the rest stays as it is and the fallback is used.
std::string_view TakeBracketed(std::string_view& rest, char closer, std::string_view fallback) {
    std::size_t close = rest.find(closer);
    if (close == std::string_view::npos) return fallback;
    std::string_view value = close == 0 ? std::string_view() : rest.substr(1, close - 1);
    rest = rest.substr(std::min(close + 2, rest.size()));
    return value;
}

}  // namespace

RegisteredNick::RegisteredNick(const RegisteredNick& other)
    : replyType(other.replyType), flag(other.flag), identifiedUser(other.identifiedUser) {
    if (!other.packed_) return;
    std::size_t size = other.PackedSize();
    packed_.reset(new char[size]);
    std::memcpy(packed_.get(), other.packed_.get(), size);
}

RegisteredNick& RegisteredNick::operator=(const RegisteredNick& other) {
    if (this != &other) *this = RegisteredNick(other);
    return *this;
}

std::array<std::string_view, kNickFields> RegisteredNick::Fields() const {
    std::array<std::string_view, kNickFields> values;
    if (!packed_) {
        for (std::size_t index = 0; index < kNickFields; ++index) values[index] = DefaultOf(index);
        return values;
    }
    const char* at = packed_.get();
    auto repeats = static_cast<std::uint8_t>(*at++);
    for (std::size_t index = 0; index < kNickFields; ++index) {
        if (Repeated(repeats, index)) {
            values[index] = values[Index(NickField::Host1)];
            continue;
        }
        std::size_t length = TakeLength(at);
        values[index] = std::string_view(at, length);
        at += length;
    }
    return values;
}

std::string_view RegisteredNick::Field(NickField field) const {
    if (!packed_) return DefaultOf(Index(field));
    const char* at = packed_.get();
    auto repeats = static_cast<std::uint8_t>(*at++);
    std::size_t wanted = Repeated(repeats, Index(field)) ? Index(NickField::Host1) : Index(field);
    for (std::size_t index = 0;; ++index) {
        if (Repeated(repeats, index)) continue;
        std::size_t length = TakeLength(at);
        if (index == wanted) return std::string_view(at, length);
        at += length;
    }
}

void RegisteredNick::SetField(NickField field, std::string_view value) {
    std::array<std::string_view, kNickFields> values = Fields();
    values[Index(field)] = value;
    SetFields(values);
}

// The new texts are packed before the old ones go: a value may be one of them.
void RegisteredNick::SetFields(const std::array<std::string_view, kNickFields>& values) {
    std::string_view host1 = values[Index(NickField::Host1)];
    std::uint8_t repeats = (values[Index(NickField::Host2)] == host1 ? kHost2IsHost1 : 0) |
                           (values[Index(NickField::Host3)] == host1 ? kHost3IsHost1 : 0);
    std::size_t size = 1;
    for (std::size_t index = 0; index < kNickFields; ++index) {
        if (!Repeated(repeats, index)) size += LengthBytes(values[index].size()) + values[index].size();
    }
    std::unique_ptr<char[]> packed(new char[size]);
    char* at = packed.get();
    *at++ = static_cast<char>(repeats);
    for (std::size_t index = 0; index < kNickFields; ++index) {
        if (Repeated(repeats, index)) continue;
        PutLength(at, values[index].size());
        std::memcpy(at, values[index].data(), values[index].size());
        at += values[index].size();
    }
    packed_ = std::move(packed);
}

std::size_t RegisteredNick::PackedSize() const {
    const char* at = packed_.get();
    auto repeats = static_cast<std::uint8_t>(*at++);
    for (std::size_t index = 0; index < kNickFields; ++index) {
        if (!Repeated(repeats, index)) at += TakeLength(at);
    }
    return static_cast<std::size_t>(at - packed_.get());
}

std::string FormatNickLine(const RegisteredNick& record) {
    std::string line;
    AppendNickLine(line, record);
    return line;
}

void AppendNickLine(std::string& out, const RegisteredNick& record) {
    auto field = record.Fields();
    auto text = [&field](NickField which) { return field[Index(which)]; };
    for (std::string_view part :
         {text(NickField::Nick), std::string_view(" "), text(NickField::Password), std::string_view(" "),
          text(NickField::Host1), std::string_view(" "), text(NickField::Host2), std::string_view(" "),
          text(NickField::Host3), std::string_view(" ["), text(NickField::LastSeen), std::string_view("] {"),
          text(NickField::RealName), std::string_view("} ["), text(NickField::Email), std::string_view("] ("),
          text(NickField::Url), std::string_view(") "), text(NickField::Age),
          std::string_view(record.flag ? " True " : " False "), std::string_view(ReplyCommand(record.replyType)),
          std::string_view(" "), text(NickField::RegisteredOn), std::string_view("\r\n")}) {
        out += part;
    }
}

RegisteredNick ParseNickLine(std::string_view line, std::string_view nowText, std::string_view lastQuit) {
    std::array<std::string_view, kNickFields> field;
    auto set = [&field](NickField which, std::string_view value) { field[Index(which)] = value; };
    std::string_view rest = line;
    set(NickField::Nick, TakeWord(rest));
    set(NickField::Password, TakeWord(rest));
    set(NickField::Host1, TakeWord(rest));
    set(NickField::Host2, TakeWord(rest));
    set(NickField::Host3, TakeWord(rest));
    set(NickField::LastSeen, TakeBracketed(rest, ']', nowText));
    set(NickField::RealName, TakeBracketed(rest, '}', "N/A"));
    set(NickField::Email, TakeBracketed(rest, ']', "N/A"));
    set(NickField::Url, TakeBracketed(rest, ')', "N/A"));
    set(NickField::Age, TakeWord(rest));
    RegisteredNick record;
    record.flag = IEquals(TakeWord(rest), "True");
    // Anything but PRIVMSG would put a broken command on the wire.
    record.replyType = IEquals(TakeWord(rest), "PRIVMSG") ? ReplyType::Privmsg : ReplyType::Notice;
    set(NickField::RegisteredOn, rest);
    set(NickField::LastQuit, lastQuit);
    record.SetFields(field);
    return record;
}

void AppendQuitLine(std::string& out, const RegisteredNick& record) {
    out += record.Field(NickField::Nick);
    out += ' ';
    out += record.Field(NickField::LastQuit);
    out += "\r\n";
}

}  // namespace nb
