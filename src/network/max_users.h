// The record number of users seen online at once, kept in settings.ini.
#pragma once

#include <cstddef>
#include <string>

#include "core/clock.h"
#include "core/settings.h"
#include "network/logs.h"

namespace nb {

class MaxUsersRecord {
public:
    MaxUsersRecord(Settings& settings, const Clock& clock, Logs& logs);

    // Reads the record from the settings.
    void Load();
    // Raises the record, with its two lines in the operator channel, when `online` beats it.
    void Check(std::size_t online);

    long long count = 0;
    std::string date;

private:
    Settings& settings_;
    const Clock& clock_;
    Logs& logs_;
};

}  // namespace nb
