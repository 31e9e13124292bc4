// The module's settings items over the serial link: codes, payload lengths and the order in
// which the Get Info and Set Info sequences walk them. Shared by the program and the simulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quarlink::serial {

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kTilde = 0x7E;
inline constexpr std::size_t kFrameHeaderSize = 3; // ESC '~' letter

// Command and answer letters.
inline constexpr std::uint8_t kSetupLetter = 'S';
inline constexpr std::uint8_t kIdentityLetter = 'C';
inline constexpr std::uint8_t kReadLetter = 'R';
inline constexpr std::uint8_t kWriteLetter = 'W';
inline constexpr std::uint8_t kFinishLetter = 'F';
inline constexpr std::uint8_t kGoLetter = 'G';
inline constexpr std::uint8_t kFirmwareLetter = 'Y';
inline constexpr std::uint8_t kErrorLetter = '9';

// The 'C' answer: ESC '~' 'C' and a 16-byte identity record.
inline constexpr std::size_t kIdentityRecordSize = 16;
inline constexpr std::size_t kIdentityAnswerSize = kFrameHeaderSize + kIdentityRecordSize;

// Offsets in the identity record.
namespace identity {
inline constexpr std::size_t ProductId = 0;
inline constexpr std::size_t MajorVersion = 1;
inline constexpr std::size_t MinorVersion = 2;
inline constexpr std::size_t Revision = 3; // 0 stands for 'a'
inline constexpr std::size_t ReservedA = 4;
inline constexpr std::size_t ReservedASize = 4;
inline constexpr std::size_t Mac = 8;
inline constexpr std::size_t MacSize = 6;
inline constexpr std::size_t ReservedB = 14;
inline constexpr std::size_t ReservedBSize = 2;
} // namespace identity

namespace item {
inline constexpr std::uint8_t LocalIp = 0x00;
inline constexpr std::uint8_t SubnetMask = 0x01;
inline constexpr std::uint8_t Gateway = 0x02;
inline constexpr std::uint8_t DnsIp = 0x03;
inline constexpr std::uint8_t DhcpFlags = 0x10;
inline constexpr std::uint8_t WlanBasic = 0x20;
inline constexpr std::uint8_t Ssid = 0x21;
inline constexpr std::uint8_t Wep64Keys = 0x22;
inline constexpr std::uint8_t Wep128Keys = 0x23;
inline constexpr std::uint8_t WpaPassphrase = 0x24;
inline constexpr std::uint8_t WpaPsk = 0x25;
inline constexpr std::uint8_t NetworkOptions = 0x30;
inline constexpr std::uint8_t PeerDomainName = 0x40;
inline constexpr std::uint8_t UserClassId = 0x50;
inline constexpr std::uint8_t SetupText = 0xFF; // variable length, zero-terminated
} // namespace item

struct SettingsItem
{
    std::uint8_t code;
    std::size_t length;
    const char* name; // as the trace names it
};

// The fixed-length items in sequence order.
inline constexpr std::array<SettingsItem, 14> kSettingsItems{{
    {item::LocalIp, 4, "local IP address"},
    {item::SubnetMask, 4, "subnet mask"},
    {item::Gateway, 4, "gateway IP"},
    {item::DnsIp, 4, "DNS IP address"},
    {item::DhcpFlags, 2, "DHCP flags"},
    {item::WlanBasic, 7, "WLAN basic record"},
    {item::Ssid, 32, "SSID"},
    {item::Wep64Keys, 20, "WEP 64-bit keys"},
    {item::Wep128Keys, 52, "WEP 128-bit keys"},
    {item::WpaPassphrase, 32, "WPA pass phrase"},
    {item::WpaPsk, 32, "WPA PSK"},
    {item::NetworkOptions, 12, "network option record"},
    {item::PeerDomainName, 64, "peer domain name"},
    {item::UserClassId, 64, "user class ID"},
}};

// Payload length of a fixed-length item; nothing for 0xFF and unknown codes.
constexpr std::optional<std::size_t> itemLength(std::uint8_t code)
{
    for (const auto& it : kSettingsItems)
        if (it.code == code)
            return it.length;
    return std::nullopt;
}

// The name of an item code; "unknown item" for codes the module does not know.
constexpr const char* itemName(std::uint8_t code)
{
    if (code == item::SetupText)
        return "setup text";
    for (const auto& it : kSettingsItems)
        if (it.code == code)
            return it.name;
    return "unknown item";
}

// Items whose payload is a secret: the WEP keys, the WPA pass phrase and pre-shared key.
constexpr bool isSecretItem(std::uint8_t code)
{
    return code == item::Wep64Keys || code == item::Wep128Keys || code == item::WpaPassphrase ||
           code == item::WpaPsk;
}

// The item that follows `code` in sequence order: after the last fixed item comes 0xFF;
// nothing after 0xFF or for an unknown code.
constexpr std::optional<std::uint8_t> nextItem(std::uint8_t code)
{
    for (std::size_t i = 0; i < kSettingsItems.size(); ++i) {
        if (kSettingsItems[i].code == code)
            return i + 1 < kSettingsItems.size() ? kSettingsItems[i + 1].code : item::SetupText;
    }
    return std::nullopt;
}

// Largest setup text the program keeps, terminating zero included.
inline constexpr std::size_t kSetupTextBufferSize = 2048;

} // namespace quarlink::serial
