// Encoding a ModuleRecord into the environment items of a write request, in the module's item
// order, with the write-time rewrites of the record (channel parameters, WPA key, wlan_extra).
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <cstdint>
#include <vector>

namespace quarlink::netmgmt {

// The rewrites a write makes to the record before encoding it: channel 1's parameters on the
// products that share them with channel 0, and on WLAN products the pre-shared key derived
// from the pass phrase and SSID and wlan_extra rewritten from wlan_word bits 21-23.
void prepareRecordForWrite(ModuleRecord& record);

// The items of `record` as a plain payload, without rewriting it.
std::vector<std::uint8_t> encodeRecordItems(const ModuleRecord& record);

// prepareRecordForWrite, then encodeRecordItems.
std::vector<std::uint8_t> encodeRecord(ModuleRecord& record);

} // namespace quarlink::netmgmt
