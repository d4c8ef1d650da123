#include "services/stored_list.h"

#include <algorithm>

#include "core/files.h"
#include "core/text.h"

namespace nb {

StoredList::StoredList(std::filesystem::path file, GroupCommit& commit)
    : commit_(commit),
      table_{std::move(file),
             [this](std::string& text) {
                 for (const std::string& entry : entries_) {
                     // An entry with a line break would come back as two.
                     AppendOneLine(text, entry);
                     text += "\r\n";
                 }
                 return std::string_view(text);
             },
             [this] { Load(); }} {}

void StoredList::Load() {
    entries_.clear();
    for (std::string& line : ReadTextLines(table_.file)) {
        if (line.empty()) break;
        entries_.push_back(std::move(line));
    }
}

bool StoredList::Contains(std::string_view entry) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const std::string& known) { return IEquals(known, entry); });
}

}  // namespace nb
