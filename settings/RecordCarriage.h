// What a write over the LAN can change on a module. Its record carries the WLAN settings only
// for a product with a WLAN block, channel 0's settings only when the module reports that
// channel, and never a setup text; a key outside what the record carries would go out with the
// module's old value while the write reports success. So such a key is refused before anything
// is sent, and after a write the module's answer record shows whether each changed key took.
#pragma once

#include "netmgmt/ModuleRecord.h"
#include "settings/SettingsChange.h"
#include "settings/SettingsDocument.h"

#include <string>

namespace quarlink::settings {

// Empty when the record can carry every key of `change`; else "key: why" for the first that it
// cannot.
std::string uncarriedKey(const netmgmt::ModuleRecord& record, const SettingsChange& change);

// Empty when the module's answer to a write holds every key of `change` as `wanted` has it; else
// "key: ..." for the first key that did not take.
std::string untakenKey(const netmgmt::ModuleRecord& answer, const SettingsDocument& wanted,
                       const SettingsChange& change);

} // namespace quarlink::settings
