// Codec of the 32-byte management header.
#include "netmgmt/ManagementHeader.h"

#include <algorithm>

namespace quarlink::netmgmt {

HeaderBytes encodeHeader(const ManagementHeader& fields)
{
    HeaderBytes bytes{};
    for (std::size_t i = 0; i < 4; ++i)
        bytes[header::Magic + i] = static_cast<std::uint8_t>(fields.magic >> (24 - 8 * i));
    bytes[header::Version] = fields.version;
    bytes[header::Flags] = fields.flags;
    bytes[header::Operation] = fields.operation;
    bytes[header::Status] = fields.status;
    bytes[header::CheckValue] = static_cast<std::uint8_t>(fields.checkValue & 0xFF);
    bytes[header::CheckValue + 1] = static_cast<std::uint8_t>(fields.checkValue >> 8);
    std::copy(fields.mac.begin(), fields.mac.end(), bytes.begin() + header::Mac);
    bytes[header::FwMajor] = fields.fwMajor;
    bytes[header::FwMinor] = fields.fwMinor;
    bytes[header::FwRevision] = fields.fwRevision;
    return bytes;
}

ManagementHeader decodeHeader(std::span<const std::uint8_t> datagram)
{
    HeaderBytes bytes{};
    std::copy_n(datagram.begin(), std::min(datagram.size(), kHeaderSize), bytes.begin());
    ManagementHeader fields;
    fields.magic = 0;
    for (std::size_t i = 0; i < 4; ++i)
        fields.magic = fields.magic << 8 | bytes[header::Magic + i];
    fields.version = bytes[header::Version];
    fields.flags = bytes[header::Flags];
    fields.operation = bytes[header::Operation];
    fields.status = bytes[header::Status];
    fields.checkValue =
        static_cast<std::uint16_t>(bytes[header::CheckValue] | bytes[header::CheckValue + 1] << 8);
    std::copy_n(bytes.begin() + header::Mac, fields.mac.size(), fields.mac.begin());
    fields.fwMajor = bytes[header::FwMajor];
    fields.fwMinor = bytes[header::FwMinor];
    fields.fwRevision = bytes[header::FwRevision];
    return fields;
}

ManagementHeader requestHeader(Operation operation, std::uint8_t unicastFlag, const MacAddress& mac)
{
    ManagementHeader fields;
    fields.flags = static_cast<std::uint8_t>(kFlagAlwaysSet | unicastFlag);
    fields.operation = operation;
    fields.mac = mac;
    return fields;
}

} // namespace quarlink::netmgmt
