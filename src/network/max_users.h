// The record number of users seen online at once, kept in settings.ini.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/group_commit.h"
#include "core/settings.h"
#include "network/logs.h"

namespace nb {

class MaxUsersRecord {
public:
    MaxUsersRecord(Settings& settings, GroupCommit& commit, const Clock& clock, Logs& logs);

    // Reads the record from the settings.
    void Load();
    // Raises the record, with its two lines in the operator channel, when `online` beats it.
    // While the uplink sends its burst only the highest count is kept, and announced once at
    // the burst's end: a network of ten thousand users is not ten thousand records.
    void Check(std::size_t online);
    void LinkStarted() { inBurst_ = true; }
    void BurstEnded();

    long long count = 0;
    std::string date;

private:
    void Raise(long long online);

    Settings& settings_;
    GroupCommit& commit_;
    const Clock& clock_;
    Logs& logs_;
    bool inBurst_ = false;
    std::optional<long long> burstPeak_;
};

}  // namespace nb
