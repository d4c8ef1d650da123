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

bool AddKeyword(StoredList& list, Console& console, const std::string& keyword) {
    if (keyword.empty()) {
        console.ShowMessage("NBII - Error", "You must type in a keyword.");
        return false;
    }
    // One pattern a line: a line break would come back as two patterns.
    if (keyword.find_first_of("\r\n") != std::string::npos) {
        console.ShowMessage("NBII - Error", "A keyword cannot hold a line break.");
        return false;
    }
    if (list.Contains(keyword)) {
        console.ShowMessage("NBII - Error", "Already added, please try a different keyword.");
        return false;
    }
    list.Edit().push_back(keyword);
    return list.Changed();
}

bool RemoveKeyword(StoredList& list, Console& console, std::optional<std::size_t> index) {
    if (!index || *index >= list.Entries().size()) {
        console.ShowMessage("NBII - Error", "You must select a keyword from the list.");
        return false;
    }
    list.Edit().erase(list.Edit().begin() + static_cast<std::ptrdiff_t>(*index));
    return list.Changed();
}

}  // namespace nb
