// The 32-byte management header that begins every management datagram: its field offsets,
// its codes and flags, and its codec. The magic number is big-endian, the check value
// little-endian; the header is never enciphered.
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

inline constexpr std::size_t kHeaderSize = 32;
// A datagram is received into this many bytes; its payload is what follows the header, so a
// request's payload must fit in the rest as well.
inline constexpr std::size_t kMaxDatagramSize = 1460;
inline constexpr std::size_t kMaxPayloadSize = kMaxDatagramSize - kHeaderSize;

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

namespace header {
inline constexpr std::size_t Magic = 0; // 4 bytes, big-endian
inline constexpr std::size_t Version = 4;
inline constexpr std::size_t Flags = 5;
inline constexpr std::size_t Operation = 6;
inline constexpr std::size_t Status = 7;
inline constexpr std::size_t CheckValue = 8; // 2 bytes, little-endian
inline constexpr std::size_t Mac = 10;       // 6 bytes
inline constexpr std::size_t FwMajor = 17;
inline constexpr std::size_t FwMinor = 18;
inline constexpr std::size_t FwRevision = 19;
} // namespace header

inline constexpr std::uint32_t kManagementMagic = 0x2A764E01;
inline constexpr std::uint8_t kRequestVersion = 0x10;

inline constexpr std::uint8_t kFlagAlwaysSet = 0x01;
inline constexpr std::uint8_t kFlagRemote = 0x02; // the request names one module's IP address
inline constexpr std::uint8_t kFlagAnswer = 0x80;

enum Operation : std::uint8_t
{
    OpSearch = 1, // by broadcast (Local search)
    OpRead = 2,   // one module's environment; also the Remote search
    OpWrite = 3,
};

// Write status in an answer's byte 7.
inline constexpr std::uint8_t kWriteStatusSuccess = 0;
inline constexpr std::uint8_t kWriteStatusPasswordMismatch = 2;
inline constexpr std::uint8_t kWriteStatusProductMismatch = 3;

// The header's fields by name. Bytes 16 and 20-31 are always zero when encoded and ignored
// when decoded.
struct ManagementHeader
{
    std::uint32_t magic = kManagementMagic;
    std::uint8_t version = kRequestVersion;
    std::uint8_t flags = kFlagAlwaysSet;
    std::uint8_t operation = 0;
    std::uint8_t status = 0;
    std::uint16_t checkValue = 0;
    MacAddress mac{};
    std::uint8_t fwMajor = 0;
    std::uint8_t fwMinor = 0;
    std::uint8_t fwRevision = 0;

    bool isAnswer() const { return (flags & kFlagAnswer) != 0; }
    bool isRemote() const { return (flags & kFlagRemote) != 0; }
    bool operator==(const ManagementHeader&) const = default;
};

HeaderBytes encodeHeader(const ManagementHeader& fields);
// The first 32 bytes of `datagram`; missing bytes read as zero.
ManagementHeader decodeHeader(std::span<const std::uint8_t> datagram);

// A request: operation, the unicast flag (0 Local, kFlagRemote Remote) ORed into the flags,
// and the addressed module's MAC address (zero for a search).
ManagementHeader requestHeader(Operation operation, std::uint8_t unicastFlag,
                               const MacAddress& mac = {});

} // namespace quarlink::netmgmt
