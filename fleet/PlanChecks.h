// The checks of a whole plan, before one byte is sent: every source of keys (template, module
// entries, CSV rows) passes the settings document's checks, each module's merged keys too; no
// module is named twice; no local IP address is planned for two modules; no identity keys,
// and no setup text for a module on the LAN. No I/O: the plan and the values are given.
#pragma once

#include "fleet/ProvisionPlan.h"
#include "fleet/ValuesCsv.h"

#include <string>
#include <vector>

namespace quarlink::fleet {

// Merges the CSV rows into the plan: a row for a MAC or port that `modules` lists goes into
// that entry (the row wins on the same key), any other becomes an entry of its own. Empty on
// success, else the place and the reason (a row for a target the file names twice).
std::string mergeValues(ProvisionPlan& plan, const std::vector<ValuesRow>& rows,
                        const QString& fileName);

// Empty when the plan may run; else the place and the reason of the first fault.
std::string checkPlan(const ProvisionPlan& plan);

// The keys a module gets: the template's, then its own over them.
QJsonObject plannedKeys(const ProvisionPlan& plan, const PlannedModule& module);

} // namespace quarlink::fleet
