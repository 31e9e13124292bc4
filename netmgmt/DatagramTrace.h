// The protocol trace of the management transport: a datagram named by its header (operation,
// request or answer, Local or Remote, MAC address, write status, firmware version), then its
// deciphered items one to a detail line, by type/index, the record field they fill and their
// value (a text, a number, an address or bytes). Secret items are masked in both the
// description and the datagram's bytes.
#pragma once

#include "netmgmt/ManagementKey.h"
#include "netmgmt/ModuleRecord.h"
#include "trace/TraceSink.h"

#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

// `peer` and `port` are the datagram's destination (sent) or its sender (received); `key` is
// the management key its payload is enciphered with.
trace::Entry datagramEntry(trace::Direction direction, std::span<const std::uint8_t> datagram,
                           const ManagementKeyBytes& key, const Ipv4Bytes& peer,
                           std::uint16_t port);

} // namespace quarlink::netmgmt
