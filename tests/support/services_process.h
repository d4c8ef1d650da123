// The real nimbral2 binary, started on a data directory with its output kept in a file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace nb::test {

// Writes settings.ini for a test: linked to 127.0.0.1:<port>, first run already done,
// retries after one second. `overrides` maps "Section/Key" to a value.
void WriteTestSettings(const std::filesystem::path& dataDir, int port,
                       const std::map<std::string, std::string>& overrides = {});

class ServicesProcess {
public:
    ~ServicesProcess();
    void Start(const std::filesystem::path& dataDir, const std::vector<std::string>& extraArgs = {});
    // SIGTERM, then waits; returns the exit status (or -1).
    int Stop();
    // SIGKILL, then reaps: the process gets no chance to finish what it was doing.
    void Kill();
    // Waits for the process to end by itself; returns the exit status, or -1 on timeout.
    int WaitForExit(int timeoutMs);
    std::string Output() const;
    pid_t Pid() const { return pid_; }
    // Resident memory of the running process, in KiB (0 when it cannot be read).
    long ResidentKiB() const;

private:
    pid_t pid_ = -1;
    std::filesystem::path outputFile_;
};

}  // namespace nb::test
