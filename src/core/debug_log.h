// debug.nb2 in the data directory: the start lines and what the uplink sent, one line each.
// One open file; while a received block is handled the lines wait in memory and leave in one
// write at its end. A full file moves to debug.1.nb2 (the one before to debug.2.nb2).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "core/clock.h"
#include "core/console.h"
#include "core/datetime.h"

namespace nb {

class DebugLog {
public:
    DebugLog(std::filesystem::path file, const Clock& clock, Console& console);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // Appends "[<date and time>] <text>" CR LF; line breaks inside the text become blanks.
    void Write(const std::string& text);
    // Lines wait until Release; without a Hold each line is written at once.
    void Hold() { held_ = true; }
    void Release();
    // 0 keeps the file whole whatever its size.
    void SetMaxBytes(std::size_t maxBytes) { maxBytes_ = maxBytes; }

private:
    void Flush();
    bool Open();
    void Rotate();

    std::filesystem::path file_;
    const Clock& clock_;
    Console& console_;
    bool openFailed_ = false;  // told once, until the file can be opened again
    DateTextCache dateText_{FormatGeneralDate};
    int fd_ = -1;
    std::size_t size_ = 0;
    std::size_t maxBytes_ = 0;
    std::string buffer_;
    bool held_ = false;
};

}  // namespace nb
