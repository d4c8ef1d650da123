#include "core/debug_log.h"

#include "core/datetime.h"
#include "core/files.h"
#include "core/text.h"

namespace nb {

DebugLog::DebugLog(std::filesystem::path file, const Clock& clock) : file_(std::move(file)), clock_(clock) {}

void DebugLog::Write(const std::string& text) const {
    AppendToFile(file_, "[" + FormatGeneralDate(clock_.Now()) + "] " + OneLine(text) + "\r\n");
}

}  // namespace nb
