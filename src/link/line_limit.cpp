#include "link/line_limit.h"

#include "core/text.h"
#include "link/irc_line.h"

namespace nb {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest start of `text` within `room` bytes that does not end inside a UTF-8 character.
std::size_t CutAt(std::string_view text, std::size_t room) {
    if (text.size() <= room) return text.size();
    std::size_t cut = room;
    while (cut > 0 && IsContinuationByte(text[cut])) --cut;
    return cut;
}

// Pieces of at most `room` bytes, broken after the last blank that fits when there is one.
std::vector<std::string_view> SplitText(std::string_view text, std::size_t room) {
    std::vector<std::string_view> pieces;
    while (text.size() > room) {
        std::size_t blank = text.rfind(' ', room);
        if (blank != std::string_view::npos && blank > 0) {
            pieces.push_back(text.substr(0, blank));
            text.remove_prefix(blank + 1);
            continue;
        }
        std::size_t cut = CutAt(text, room);
        if (cut == 0) cut = room;  // a lone over-long character: cut it all the same
        pieces.push_back(text.substr(0, cut));
        text.remove_prefix(cut);
    }
    if (!text.empty() || pieces.empty()) pieces.push_back(text);
    return pieces;
}

}  // namespace

std::vector<std::string> FitLine(std::string_view line, std::size_t messageRoom) {
    if (line.size() <= kMaxLineBytes - messageRoom) return {std::string(line)};
    auto parsed = ParseIrcLine(line);
    if (!parsed || !parsed->hasTrailing) {
        if (line.size() <= kMaxLineBytes) return {std::string(line)};
        return {};
    }
    bool message = parsed->Is("PRIVMSG") || parsed->Is("NOTICE");
    std::size_t limit = message ? kMaxLineBytes - messageRoom : kMaxLineBytes;
    if (line.size() <= limit) return {std::string(line)};
    std::string_view trailing = parsed->LastParam();
    std::string_view head = line.substr(0, line.size() - trailing.size());
    // Too little room for any text: the line cannot be sent in a useful form.
    if (head.size() + 16 > limit) return {};
    std::size_t room = limit - head.size();
    if (!message) return {std::string(head) + std::string(trailing.substr(0, CutAt(trailing, room)))};
    std::vector<std::string> lines;
    for (std::string_view piece : SplitText(trailing, room)) lines.push_back(std::string(head) + std::string(piece));
    return lines;
}

}  // namespace nb
