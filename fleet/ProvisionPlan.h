// A provisioning plan: settings-document keys for every module (the template), the modules it
// names by MAC address (over the LAN) or by serial port, which modules a search picks, and the
// LAN options. Parsed from the plan's JSON and merged with the per-module values of a CSV file;
// checked as a whole before anything is sent (see PlanChecks.h).
#pragma once

#include "netmgmt/ManagementParameters.h"
#include "netmgmt/ModuleRecord.h"
#include "serial/LineSettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarlink::fleet {

// A module of the plan: on the LAN by its MAC address, or on a serial port with its line.
struct PlannedModule
{
    enum class Kind
    {
        Lan,
        Serial
    };
    Kind kind = Kind::Lan;
    netmgmt::MacAddress mac{};
    QString port;
    serial::LineSettings line;
    std::chrono::milliseconds answerTimeout{2000};
    QJsonObject keys;     // its own settings keys, over the template's
    QString passwordFile; // LAN: the file holding its management password; empty: none named
    QString place;        // where the plan names it, for messages: "modules[2]"
};

// Which modules a LAN search picks to get the template: all, or those with one of the product
// ids or MAC prefixes.
struct Selection
{
    bool all = false;
    std::vector<unsigned> productIds;
    std::vector<std::vector<std::uint8_t>> macPrefixes;
    bool picks(const netmgmt::MacAddress& mac, unsigned productId) const;
};

struct ProvisionPlan
{
    QJsonObject templateKeys;
    QString templatePlace = QStringLiteral("template"); // where messages say the template is
    std::vector<PlannedModule> modules;
    std::optional<Selection> select;
    // The plan's LAN options in the order given, each with the value's text.
    std::vector<std::pair<netmgmt::ManagementSetting, std::string>> lanSettings;
    std::optional<std::chrono::milliseconds> answerTimeout;
};

struct PlanParse
{
    std::optional<ProvisionPlan> plan; // nothing: `error` names the place and the reason
    std::string error;
};

// Parses the plan's JSON text. Checks the plan's own form: known members, each given once, MAC
// addresses and line options well formed. The settings keys are checked by checkPlan.
PlanParse parsePlan(const QByteArray& text);

} // namespace quarlink::fleet
