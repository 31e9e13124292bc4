// Payload layouts of the settings items: the WLAN basic record (item 0x20), the network option
// record (item 0x30), IPv4 addresses first octet first, and zero-filled text items.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quarlink::serial {

struct WlanBasicRecord
{
    static constexpr std::size_t kSize = 7;
    static constexpr std::size_t kModeOffset = 0;
    static constexpr std::size_t kChannelOffset = 1;
    static constexpr std::size_t kWepKeyLengthOffset = 2;
    static constexpr std::size_t kDefaultKeyOffset = 3;
    static constexpr std::size_t kAuthenticationOffset = 4;
    static constexpr std::size_t kWpaModeOffset = 5;
    static constexpr std::size_t kCipherOffset = 6;
    // wepKeyLength's codes.
    static constexpr std::uint8_t kWepKeyLengthNone = 0;
    static constexpr std::uint8_t kWepKeyLength64 = 1;
    static constexpr std::uint8_t kWepKeyLength128 = 2;

    std::uint8_t mode = 0;           // 0 Ad-Hoc, 1 infrastructure
    std::uint8_t channel = 0;        // 1 to 14
    std::uint8_t wepKeyLength = 0;   // 0 no WEP, 1 64 bits, 2 128 bits
    std::uint8_t defaultKey = 0;     // 0 to 3
    std::uint8_t authentication = 0; // 0 none, 1 open system, 2 shared key, 3 mixed mode
    std::uint8_t wpaMode = 0;        // 0 no WPA, 2 WPA PSK, 4 WPA2 PSK
    std::uint8_t cipher = 0;         // 0 none, 1 TKIP, 2 AES

    std::array<std::uint8_t, kSize> encode() const;
    static WlanBasicRecord decode(std::span<const std::uint8_t, kSize> bytes);
    bool operator==(const WlanBasicRecord&) const = default;
};

struct NetworkOptionRecord
{
    static constexpr std::size_t kSize = 12;
    static constexpr std::size_t kPeerIpOffset = 0;    // 4 bytes, first octet first
    static constexpr std::size_t kLocalPortOffset = 4; // 16 bits, low byte first
    static constexpr std::size_t kPeerPortOffset = 6;  // 16 bits, low byte first
    static constexpr std::size_t kMuxTypeOffset = 8;
    static constexpr std::size_t kCodListenOffset = 9;
    static constexpr std::size_t kWaterMarkOffset = 10; // 16 bits, low byte first

    std::uint32_t peerIp = 0; // first octet in the most significant byte
    std::uint16_t localPort = 0;
    std::uint16_t peerPort = 0;
    std::uint8_t muxType = 0; // 0 T2S, 1 ATC, 2 COD, 3 U2S
    std::uint8_t codListen = 0;
    std::uint16_t waterMark = 0;

    std::array<std::uint8_t, kSize> encode() const;
    static NetworkOptionRecord decode(std::span<const std::uint8_t, kSize> bytes);
    bool operator==(const NetworkOptionRecord&) const = default;
};

// An IPv4 address held first octet in the most significant byte, sent first octet first.
std::array<std::uint8_t, 4> encodeIpv4(std::uint32_t address);
std::uint32_t decodeIpv4(std::span<const std::uint8_t, 4> bytes);

// A text item: `length` bytes, the text's bytes at the start (cut at `length`), zero-filled,
// with no terminator of its own when the text fills the item.
std::vector<std::uint8_t> encodeTextItem(std::span<const std::uint8_t> text, std::size_t length);

// The item's bytes in order with every zero byte left out.
std::string nonZeroBytes(std::span<const std::uint8_t> bytes);

// The item's bytes up to the first zero byte (all of them when there is none).
std::string textUpToZero(std::span<const std::uint8_t> bytes);

} // namespace quarlink::serial
