// The simulated module's settings as a JSON state file: loaded at start, saved on commits.
#pragma once

#include "sim/ModuleSettings.h"

#include <QJsonObject>

#include <functional>
#include <string>

namespace quarlink::sim {

struct StateLoad
{
    enum class Status
    {
        Loaded,
        Missing, // no such file: start from the defaults
        Invalid, // unreadable or malformed: `error` says why
    };
    Status status = Status::Missing;
    ModuleSettings settings;
    std::string error;
};

std::string settingsToJson(const ModuleSettings& settings);
// Keys missing from the text keep their value in `base`; malformed values are an error.
StateLoad settingsFromJson(const std::string& json, const ModuleSettings& base);

StateLoad loadStateFile(const std::string& path, const ModuleSettings& base);
// Writes the serial module's part of the file, keeping the other parts (the LAN modules).
// Writes through a temporary file and renames it, so a crash never leaves half a file.
bool saveStateFile(const std::string& path, const ModuleSettings& settings, std::string& error);

// Reads the file's JSON object (empty when there is none), lets `update` change it and writes it
// back through a temporary file. One writer at a time within the process.
bool updateStateFile(const std::string& path,
                     const std::function<void(QJsonObject& root)>& update, std::string& error);

} // namespace quarlink::sim
