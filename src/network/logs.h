// The three log channels, the debug log and the console's log boxes.
#pragma once

#include <cstddef>
#include <string>

#include "core/clock.h"
#include "core/console.h"
#include "core/datetime.h"
#include "core/debug_log.h"
#include "network/link_writer.h"

namespace nb {

// Where the log channels are and which of our clients writes the operator and network logs;
// read from the settings before every link.
struct LogChannels {
    std::string oper;
    std::string net;
    std::string bot;
    std::string writer;
};

class Logs {
public:
    Logs(LinkWriter& writer, const LogChannels& channels, const Clock& clock, DebugLog& debugLog,
         Console& console);

    void LogToNetChannel(const std::string& text);
    // "[^B<time of day>^B] " + text, for the network event log.
    void LogNetEvent(const std::string& text);
    // While the uplink sends its burst the network events are not written one by one: the
    // users and channels it names were there before, and a line for each would keep the server
    // busy with our log for minutes on a large network. Its end gets one summary line.
    void BeginQuietBurst() { quietBurst_ = true; }
    // For the lines a burst brings by the thousand: not even made while it is quiet.
    bool NetEventsQuiet() const { return quietBurst_; }
    void EndQuietBurst(std::size_t users, std::size_t channels);
    void LogToOperChannel(const std::string& text);
    // The audit trail: every service command writes one line here from the service's nickname.
    void LogToBotChannel(const std::string& source, const std::string& text);

    void WriteDebugLog(const std::string& text) { debugLog_.Write(text); }
    void AppendLogText(LogBox box, const std::string& text) { console_.AppendLogText(box, text); }

private:
    void SendPrivmsg(const std::string& source, const std::string& target, const std::string& text);

    LinkWriter& writer_;
    const LogChannels& channels_;
    const Clock& clock_;
    DateTextCache timeOfDay_{FormatTimeOfDay};
    DebugLog& debugLog_;
    Console& console_;
    bool quietBurst_ = false;
};

}  // namespace nb
