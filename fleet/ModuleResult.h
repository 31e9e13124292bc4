// What provisioning did to one module, and how a run reports it: one line per module as it
// finishes ("00:30:F9:00:00:01 192.168.10.21 changed: ssid, localIp"), or one JSON object per
// line, then the summary "12 changed, 3 unchanged, 1 failed, 0 not found" (and ", 2 cancelled"
// after a cancelled run).
#pragma once

#include "settings/SettingsChange.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <span>

namespace quarlink::fleet {

enum class Outcome
{
    Changed,
    Unchanged,
    Failed,
    NotFound,
    Cancelled, // the run was cancelled before anything was written to it
};

struct ModuleResult
{
    QString target;  // the MAC address, or the serial port
    QString address; // the module's local IP address after the run; empty when unknown
    Outcome outcome = Outcome::Failed;
    QStringList changes; // the keys that differ (written, or to be written in a dry run)
    settings::SettingsChange change; // the same keys with their values before and after
    QString error;       // why it failed
    QString mac;         // the MAC address the module reported; empty when unknown
};

// "changed", "unchanged", "failed", "not found", "cancelled".
QString outcomeName(Outcome outcome);
QString resultLine(const ModuleResult& result);
QJsonObject resultJson(const ModuleResult& result);

struct Tally
{
    std::size_t changed = 0;
    std::size_t unchanged = 0;
    std::size_t failed = 0;
    std::size_t notFound = 0;
    std::size_t cancelled = 0;
    void add(Outcome outcome);
    bool allSucceeded() const { return failed == 0 && notFound == 0 && cancelled == 0; }
};
QString summaryLine(const Tally& tally);

} // namespace quarlink::fleet
