// Sealing and opening of management payloads.
#include "netmgmt/Sealing.h"

#include "netmgmt/Crc16.h"
#include "netmgmt/Rc4.h"

#include <algorithm>

namespace quarlink::netmgmt {

void openPayload(std::uint16_t headerCheckValue, std::span<std::uint8_t> payload,
                 const ManagementKeyBytes& key)
{
    const std::uint8_t checkBytes[2] = {static_cast<std::uint8_t>(headerCheckValue & 0xFF),
                                        static_cast<std::uint8_t>(headerCheckValue >> 8)};
    const auto datagramKey = buildDatagramKey(key, checkBytes);
    rc4Apply(datagramKey, payload);
}

std::vector<std::uint8_t> sealDatagram(ManagementHeader header,
                                       std::span<const std::uint8_t> plainPayload,
                                       const ManagementKeyBytes& key)
{
    header.checkValue = plainPayload.empty() ? 0 : crc16(plainPayload);
    const HeaderBytes head = encodeHeader(header);
    std::vector<std::uint8_t> datagram(kHeaderSize + plainPayload.size());
    std::copy(head.begin(), head.end(), datagram.begin());
    std::copy(plainPayload.begin(), plainPayload.end(), datagram.begin() + kHeaderSize);
    // RC4 is its own inverse: opening the plain bytes enciphers them.
    openPayload(header.checkValue, std::span(datagram).subspan(kHeaderSize), key);
    return datagram;
}

} // namespace quarlink::netmgmt
