#include "serial/ItemPayloads.h"

#include <algorithm>

namespace quarlink::serial {

namespace {

void putLe16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t getLe16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

} // namespace

std::array<std::uint8_t, WlanBasicRecord::kSize> WlanBasicRecord::encode() const
{
    std::array<std::uint8_t, kSize> out{};
    out[kModeOffset] = mode;
    out[kChannelOffset] = channel;
    out[kWepKeyLengthOffset] = wepKeyLength;
    out[kDefaultKeyOffset] = defaultKey;
    out[kAuthenticationOffset] = authentication;
    out[kWpaModeOffset] = wpaMode;
    out[kCipherOffset] = cipher;
    return out;
}

WlanBasicRecord WlanBasicRecord::decode(std::span<const std::uint8_t, kSize> b)
{
    WlanBasicRecord r;
    r.mode = b[kModeOffset];
    r.channel = b[kChannelOffset];
    r.wepKeyLength = b[kWepKeyLengthOffset];
    r.defaultKey = b[kDefaultKeyOffset];
    r.authentication = b[kAuthenticationOffset];
    r.wpaMode = b[kWpaModeOffset];
    r.cipher = b[kCipherOffset];
    return r;
}

std::array<std::uint8_t, NetworkOptionRecord::kSize> NetworkOptionRecord::encode() const
{
    std::array<std::uint8_t, kSize> out{};
    const auto ip = encodeIpv4(peerIp);
    std::copy(ip.begin(), ip.end(), out.begin() + kPeerIpOffset);
    putLe16(&out[kLocalPortOffset], localPort);
    putLe16(&out[kPeerPortOffset], peerPort);
    out[kMuxTypeOffset] = muxType;
    out[kCodListenOffset] = codListen;
    putLe16(&out[kWaterMarkOffset], waterMark);
    return out;
}

NetworkOptionRecord NetworkOptionRecord::decode(std::span<const std::uint8_t, kSize> b)
{
    NetworkOptionRecord r;
    r.peerIp = decodeIpv4(b.subspan<kPeerIpOffset, 4>());
    r.localPort = getLe16(&b[kLocalPortOffset]);
    r.peerPort = getLe16(&b[kPeerPortOffset]);
    r.muxType = b[kMuxTypeOffset];
    r.codListen = b[kCodListenOffset];
    r.waterMark = getLe16(&b[kWaterMarkOffset]);
    return r;
}

std::array<std::uint8_t, 4> encodeIpv4(std::uint32_t address)
{
    return {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
}

std::uint32_t decodeIpv4(std::span<const std::uint8_t, 4> b)
{
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

std::vector<std::uint8_t> encodeTextItem(std::span<const std::uint8_t> text, std::size_t length)
{
    std::vector<std::uint8_t> out(length, 0);
    std::copy_n(text.begin(), std::min(text.size(), length), out.begin());
    return out;
}

std::string nonZeroBytes(std::span<const std::uint8_t> bytes)
{
    std::string out;
    for (std::uint8_t b : bytes)
        if (b != 0)
            out.push_back(static_cast<char>(b));
    return out;
}

std::string textUpToZero(std::span<const std::uint8_t> bytes)
{
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

} // namespace quarlink::serial
