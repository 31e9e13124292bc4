// Validation of a record before a write: IP settings, local ports, macros and I/O addresses.
// The checks never change the record.
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <span>

namespace quarlink::netmgmt {

// local_ip under subnet_mask is a usable host address. A failure is code -300.
bool checkIpSettings(const ModuleRecord& record);

// 0, or -100..-105; the write reports a failure as that value minus 500 (-600..-605).
int checkPorts(const ModuleRecord& record);

// 0, or the number 1..8 of the first macro that fails; the write reports it as -400. Only the
// I/O products with macros in use are checked.
int checkMacros(const ModuleRecord& record);

// One macro expression of 32 bytes (spaces and zero bytes ignored); an empty one passes.
bool isValidMacro(std::span<const std::uint8_t> macro);

// The two I/O addresses lie far enough apart on the I/O products. A failure is code -500.
bool checkIoAddresses(const ModuleRecord& record);

} // namespace quarlink::netmgmt
