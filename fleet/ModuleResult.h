// What provisioning did to one module, and how a run reports it: one line per module as it
// finishes ("00:30:f9:00:00:01 192.168.10.21 changed: ssid, localIp"), or one JSON object per
// line, then the summary "12 changed, 3 unchanged, 1 failed, 0 not found".
#pragma once

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
};

struct ModuleResult
{
    QString target;  // the MAC address, or the serial port
    QString address; // the module's local IP address after the run; empty when unknown
    Outcome outcome = Outcome::Failed;
    QStringList changes; // the keys that differ (written, or to be written in a dry run)
    QString error;       // why it failed
    QString mac;         // the MAC address the module reported; empty when unknown
};

QString resultLine(const ModuleResult& result);
QJsonObject resultJson(const ModuleResult& result);

struct Tally
{
    std::size_t changed = 0;
    std::size_t unchanged = 0;
    std::size_t failed = 0;
    std::size_t notFound = 0;
    void add(Outcome outcome);
    bool allSucceeded() const { return failed == 0 && notFound == 0; }
};
QString summaryLine(const Tally& tally);

} // namespace quarlink::fleet
