// Item table and item decoder of the ModuleRecord.
#include "netmgmt/ItemTable.h"

#include "netmgmt/DebugOutput.h"
#include "netmgmt/ProductIds.h"

#include <algorithm>
#include <cstring>

namespace quarlink::netmgmt {

namespace {

// Items firstIndex..lastIndex of one type lie `stride` bytes apart from `offset` on.
struct ItemSlot
{
    std::uint8_t type;
    std::uint8_t firstIndex;
    std::uint8_t lastIndex;
    std::size_t dataLength;
    std::size_t offset;
    std::size_t stride;
    const char* name; // the record field it fills, as the trace names it
};

constexpr std::uint8_t kAnyIndex = 255;

constexpr std::size_t channelField(std::size_t fieldOffset)
{
    return offsetof(ModuleRecord, channel) + fieldOffset;
}

using R = ModuleRecord;
using C = ChannelEntry;
namespace t = item_type;

constexpr std::array<ItemSlot, 46> kSlots{{
    {t::Identity, 0, kAnyIndex, 12, offsetof(R, mac_address), 0, "identity"},
    {t::ProductId, 0, 0, 2, offsetof(R, product_id), 0, "product_id"},
    {t::ProductId, 1, 1, 2, offsetof(R, product_id_2), 0, "product_id_2"},
    {t::Address, 0, 0, 4, offsetof(R, local_ip), 0, "local_ip"},
    {t::Address, 1, 1, 4, offsetof(R, subnet_mask), 0, "subnet_mask"},
    {t::Address, 2, 2, 4, offsetof(R, gateway_ip), 0, "gateway_ip"},
    {t::Address, 3, 3, 4, offsetof(R, dns_ip), 0, "dns_ip"},
    {t::OptionFlags, 0, kAnyIndex, 4, offsetof(R, option_flags), 0, "option_flags"},
    {t::Password, 0, 0, 10, offsetof(R, password_0), 0, "password_0"},
    {t::Password, 1, 1, 10, offsetof(R, password_1), 0, "password_1"},
    {t::Label, 0, 0, 64, offsetof(R, user_class_id), 0, "user_class_id"},
    {t::Label, 1, 8, 16, offsetof(R, input_label), 16, "input_label"},
    {t::Label, 9, 16, 16, offsetof(R, output_label), 16, "output_label"},
    {t::Name, 0, 0, 48, offsetof(R, name_text_0), 0, "name_0"}, // name_text_0, then name_data_0
    {t::Name, 1, 1, 48, offsetof(R, name_text_1), 0, "name_1"}, // name_text_1, then name_data_1
    {t::Wlan, 0, 0, 4, offsetof(R, wlan_word), 0, "wlan_word"},
    {t::Wlan, 1, 1, 32, offsetof(R, ssid), 0, "ssid"},
    {t::Wlan, 2, 2, 20, offsetof(R, wep64_keys), 0, "wep64_keys"},
    {t::Wlan, 3, 3, 52, offsetof(R, wep128_keys), 0, "wep128_keys"},
    {t::Wlan, 4, 4, 32, offsetof(R, wpa_passphrase), 0, "wpa_passphrase"},
    {t::Wlan, 5, 5, 32, offsetof(R, wpa_psk), 0, "wpa_psk"},
    {t::Wlan, 6, 6, 16, offsetof(R, wlan_extra), 0, "wlan_extra"},
    {t::Wlan, 7, 7, 1, offsetof(R, wlan_byte), 0, "wlan_byte"},
    {t::ChannelHead, 0, 3, 12, channelField(offsetof(C, channel_flags)), kChannelEntrySize,
     "channel_head"},
    {t::ChannelBody, 0, 3, 20, channelField(offsetof(C, channel_data)), kChannelEntrySize,
     "channel_body"},
    {t::Item33, 0, kAnyIndex, 6, offsetof(R, item33_data), 0, "item33_data"},
    {t::Item34, 0, kAnyIndex, 8, offsetof(R, item34_data), 0, "item34_data"},
    {t::Text, 0, 1, 64, channelField(offsetof(C, peer_domain_name)), kChannelEntrySize,
     "peer_domain_name"},
    {t::Text, 2, 2, 64, offsetof(R, io_text), 0, "io_text"},
    {t::Text, 3, 3, 64, offsetof(R, ext_text), 0, "ext_text"},
    {t::Text, 64, 64, 64, offsetof(R, ext2_text_a), 0, "ext2_text_a"},
    {t::Text, 65, 65, 64, offsetof(R, ext2_text_b), 0, "ext2_text_b"},
    {t::Text, 128, 129, 64, offsetof(R, option_text), 0, "option_text"},
    {t::Macro, 0, 7, 32, offsetof(R, macro), 32, "macro"},
    {t::IoSettings, 0, kAnyIndex, 56, offsetof(R, io_settings), 0, "io_settings"},
    {t::ExtData, 0, kAnyIndex, 24, offsetof(R, ext_data), 0, "ext_data"},
    {t::Item39, 0, kAnyIndex, 12, offsetof(R, item39_data), 0, "item39_data"},
    {t::WebSettings, 0, kAnyIndex, 10, offsetof(R, web_settings), 0, "web_settings"},
    {t::Ext2, 0, 0, 12, offsetof(R, ext2_data), 0, "ext2_data"},
    {t::Ext2, 1, 1, 1, offsetof(R, ext2_byte), 0, "ext2_byte"},
    {t::Ext2, 2, 2, 16, offsetof(R, ext2_data_2), 0, "ext2_data_2"},
    {t::Ext2, 3, 3, 20, offsetof(R, ext2_data_3), 0, "ext2_data_3"},
    {t::IoPort, 0, kAnyIndex, 2, offsetof(R, io_port_word), 0, "io_port_word"},
    // The side items stay out of the record; listed so that the table names every type.
    {t::SideBlock, 0, kAnyIndex, 0, 0, 0, "side_block"},
    {t::SideEntry, 0, kAnyIndex, 0, 0, 0, "side_entry"},
    {t::EndFiller, 0, 0, 0, 0, 0, "end_filler"},
}};

// Items 48 and 49 belong to the exchange. `body` is zero-filled to the item buffer size and
// `dataLength` (at most that size) says how much of it the item brought.
void keepSideItem(std::uint8_t type, std::span<const std::uint8_t, kItemBufferSize> body,
                  std::size_t dataLength, EnvironmentExtras& extras)
{
    if (type == item_type::SideBlock) {
        extras.sideBlockLength = dataLength;
        std::copy_n(body.begin(), dataLength, extras.sideBlock.begin());
    } else if (extras.sideEntryCount < EnvironmentExtras::kMaxSideEntries) {
        std::copy_n(body.begin(), EnvironmentExtras::kSideEntrySize,
                    extras.sideEntries[extras.sideEntryCount++].begin());
    }
}

} // namespace

const char* itemName(std::uint8_t type, std::uint8_t index)
{
    for (const ItemSlot& slot : kSlots)
        if (slot.type == type && index >= slot.firstIndex && index <= slot.lastIndex)
            return slot.name;
    return "unknown";
}

bool isSecretItem(std::uint8_t type, std::uint8_t index)
{
    return type == item_type::Password ||
           (type == item_type::Wlan && index >= 2 && index <= 5); // WEP keys, pass phrase, PSK
}

std::optional<ItemPlace> itemPlace(std::uint8_t type, std::uint8_t index)
{
    for (const ItemSlot& slot : kSlots) {
        if (slot.type != type || index < slot.firstIndex || index > slot.lastIndex)
            continue;
        if (slot.dataLength == 0)
            return std::nullopt;
        return ItemPlace{slot.offset + slot.stride * (index - slot.firstIndex), slot.dataLength};
    }
    return std::nullopt;
}

void setBlockFlags(ModuleRecord& record)
{
    // Runs after each of the two product items. A group sets only its own flags, so a flag set
    // after the first item (2/1 naming a WLAN product) survives the second (2/0 naming an I/O
    // product); only a record in none of the groups has all three cleared.
    if (productIs(record, {16}, {32, 33})) {
        record.io_input_count = record.io_output_count = 8;
        record.has_io_block = 1;
    } else if (productIs(record, {34}, {34})) {
        record.io_input_count = record.io_output_count = 4;
        record.has_io_block = 1;
    } else if (record.product_id == 19) {
        record.has_ext_block = 1;
        record.has_io_block = 0;
    } else if (productIs(record, {21}, {39, 40, 45, 46})) {
        record.has_wlan_block = 1;
    } else {
        record.has_io_block = 0;
        record.has_ext_block = 0;
        record.has_wlan_block = 0;
    }
}

void decodeItem(ModuleRecord& record, std::uint8_t type, std::uint8_t index,
                std::span<const std::uint8_t, kItemBufferSize> body)
{
    const auto place = itemPlace(type, index);
    if (!place)
        return;
    std::memcpy(recordBytes(record).data() + place->offset, body.data(), place->dataLength);
    if (type == item_type::ChannelHead || type == item_type::ChannelBody)
        record.channel[index].present = 1;
    if (type == item_type::ProductId)
        setBlockFlags(record);
}

bool decodePayload(std::span<const std::uint8_t> payload, ModuleRecord& record,
                   EnvironmentExtras* extras)
{
    std::array<std::uint8_t, kItemBufferSize> body{};
    std::size_t offset = 0;
    while (offset < payload.size()) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok) {
            debugOutput("What ENV???\n");
            return false;
        }
        const auto item = payload.subspan(offset, frame.length);
        if (!checkItem(item, frame.length - kItemCheckSize)) {
            debugOutput("CRC fail...\n");
            return false;
        }
        const auto data = itemBody(payload, offset, frame);
        body.fill(0);
        std::copy(data.begin(), data.end(), body.begin());
        if (frame.type == item_type::SideBlock || frame.type == item_type::SideEntry) {
            if (extras)
                keepSideItem(frame.type, body, data.size(), *extras);
        } else {
            decodeItem(record, frame.type, frame.index, body);
        }
        offset += frame.length;
    }
    return true;
}

} // namespace quarlink::netmgmt
