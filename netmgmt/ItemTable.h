// The environment items the record knows: where each item's data lives in the ModuleRecord,
// and the item decoder that stores one item there (then sets the block flags by product).
#pragma once

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ModuleRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quarlink::netmgmt {

namespace item_type {
inline constexpr std::uint8_t EndFiller = 0;
inline constexpr std::uint8_t Identity = 1;
inline constexpr std::uint8_t ProductId = 2;
inline constexpr std::uint8_t Address = 3;
inline constexpr std::uint8_t OptionFlags = 5;
inline constexpr std::uint8_t Password = 6;
inline constexpr std::uint8_t Label = 7;
inline constexpr std::uint8_t Name = 8;
inline constexpr std::uint8_t Wlan = 9;
inline constexpr std::uint8_t ChannelHead = 16;
inline constexpr std::uint8_t ChannelBody = 32;
inline constexpr std::uint8_t Item33 = 33;
inline constexpr std::uint8_t Item34 = 34;
inline constexpr std::uint8_t Text = 35;
inline constexpr std::uint8_t Macro = 36;
inline constexpr std::uint8_t IoSettings = 37;
inline constexpr std::uint8_t ExtData = 38;
inline constexpr std::uint8_t Item39 = 39;
inline constexpr std::uint8_t WebSettings = 40;
inline constexpr std::uint8_t Ext2 = 41;
inline constexpr std::uint8_t SideBlock = 48; // kept beside the record
inline constexpr std::uint8_t SideEntry = 49; // kept beside the record
inline constexpr std::uint8_t IoPort = 64;
} // namespace item_type

// Item data that belongs to the exchange rather than to the record.
struct EnvironmentExtras
{
    static constexpr std::size_t kSideEntrySize = 24;
    static constexpr std::size_t kMaxSideEntries = 16;

    std::array<std::uint8_t, kItemBufferSize> sideBlock{}; // item 48
    std::size_t sideBlockLength = 0;
    std::array<std::array<std::uint8_t, kSideEntrySize>, kMaxSideEntries> sideEntries{}; // 49
    std::size_t sideEntryCount = 0;
};

// Where one item's data lives in the record.
struct ItemPlace
{
    std::size_t offset;     // record offset
    std::size_t dataLength; // bytes the encoder writes and the decoder copies
};

// The record place of item type/index as the decoder stores it; nothing for items the record
// does not hold (48, 49, the end filler and everything unknown).
std::optional<ItemPlace> itemPlace(std::uint8_t type, std::uint8_t index);

// The record field an item fills, such as "wpa_passphrase"; "unknown" for items no table
// row names.
const char* itemName(std::uint8_t type, std::uint8_t index);
// Items that carry a secret: the passwords, the WEP keys, the WPA pass phrase and PSK.
bool isSecretItem(std::uint8_t type, std::uint8_t index);

// Stores one received item in the record. `body` is the item's data and fill in a zero-filled
// buffer of the item buffer size. Items the record does not hold are skipped.
void decodeItem(ModuleRecord& record, std::uint8_t type, std::uint8_t index,
                std::span<const std::uint8_t, kItemBufferSize> body);

// Sets io_input_count, io_output_count and the block flags from the product IDs.
void setBlockFlags(ModuleRecord& record);

// Walks and checks the items of a plain payload and decodes each into `record`, items 48 and
// 49 into `extras` when given. False, with
// "What ENV???" or "CRC fail..." on the debug output, when an item's framing or check value
// fails; earlier items have been stored by then.
bool decodePayload(std::span<const std::uint8_t> payload, ModuleRecord& record,
                   EnvironmentExtras* extras = nullptr);

} // namespace quarlink::netmgmt
