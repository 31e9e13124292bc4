// Adjustments of a decoded record by product and firmware version: feature bits of the option
// flags, bit 18 of the channel flag words, and the I/O port word's default.
#pragma once

#include "netmgmt/ModuleRecord.h"

namespace quarlink::netmgmt {

// Runs once per accepted answer, after fw_major, fw_version, mac_address and module_ip are set.
void applyFirmwareAdjustments(ModuleRecord& record);

} // namespace quarlink::netmgmt
