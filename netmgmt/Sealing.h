// The RC4 layer of a management datagram: sealing a plain payload behind its header, and
// opening a received payload. The cipher key is the management key and the header's check
// value bytes; the check value is always that of the plain payload.
#pragma once

#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ManagementKey.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quarlink::netmgmt {

// Header and enciphered payload, 32 + payload bytes. The header's check value becomes that of
// the plain payload (0 when there is none).
std::vector<std::uint8_t> sealDatagram(ManagementHeader header,
                                       std::span<const std::uint8_t> plainPayload,
                                       const ManagementKeyBytes& key);

// Deciphers a received payload in place with the check value its header carries.
void openPayload(std::uint16_t headerCheckValue, std::span<std::uint8_t> payload,
                 const ManagementKeyBytes& key);

} // namespace quarlink::netmgmt
